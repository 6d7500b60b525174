#include "TerminationSignals.h"

#include "Application.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe, read by the signal handler; -1 while no
// instance exists.
volatile std::sig_atomic_t WriteEnd = -1;

// Runs in signal context: only async-signal-safe calls, errno preserved.
extern "C" void OnTerminationSignal(int) {
    const int SavedErrno = errno;
    const char Byte = 1;
    if (WriteEnd >= 0) {
        const ssize_t Written = write(WriteEnd, &Byte, 1);
        static_cast<void>(Written);
    }
    errno = SavedErrno;
}

} // namespace

struct TTerminationSignals::TState {
    int Pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> Notifier;
    struct sigaction OldInt {};
    struct sigaction OldTerm {};
    struct sigaction OldHup {};
};

TTerminationSignals::TTerminationSignals() : FState(std::make_unique<TState>()) {
    // Non-blocking on both ends: a burst of signals must neither block the
    // handler on a full pipe nor the reader on an empty one.
    if (pipe2(FState->Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    WriteEnd = FState->Pipe[1];
    FState->Notifier = std::make_unique<QSocketNotifier>(FState->Pipe[0], QSocketNotifier::Read);
    const int ReadEnd = FState->Pipe[0];
    QObject::connect(FState->Notifier.get(), &QSocketNotifier::activated, FState->Notifier.get(),
                     [ReadEnd] {
                         char Buffer[64];
                         while (read(ReadEnd, Buffer, sizeof Buffer) > 0) {
                         }
                         if (Application != nullptr)
                             Application->Terminate();
                     });

    struct sigaction Action {};
    Action.sa_handler = OnTerminationSignal;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &Action, &FState->OldInt);
    sigaction(SIGTERM, &Action, &FState->OldTerm);
    sigaction(SIGHUP, &Action, &FState->OldHup);
}

TTerminationSignals::~TTerminationSignals() {
    if (FState->Pipe[0] < 0)
        return;
    sigaction(SIGINT, &FState->OldInt, nullptr);
    sigaction(SIGTERM, &FState->OldTerm, nullptr);
    sigaction(SIGHUP, &FState->OldHup, nullptr);
    WriteEnd = -1;
    FState->Notifier.reset();
    close(FState->Pipe[0]);
    close(FState->Pipe[1]);
}
