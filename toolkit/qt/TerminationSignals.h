// Ends the application in order when the process receives SIGINT, SIGTERM or
// SIGHUP (its terminal went away).
//
// The signal handler only writes a byte into a pipe; the main thread reads it
// from its message loop and calls Application->Terminate(), so every loop
// ends, the running handlers finish and the windows are destroyed as after
// the user's own exit, instead of the process dying inside a callback. One
// instance at a time; it puts the previous signal dispositions back when it
// goes.
#pragma once

#include <memory>

class TTerminationSignals {
public:
    TTerminationSignals();
    ~TTerminationSignals();

    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

private:
    struct TState;
    std::unique_ptr<TState> FState;
};
