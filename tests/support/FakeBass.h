// A double of the sound library for the window tests: every function of
// Bass.h, with the library's rules (one initialisation at a time, one stream,
// error codes for the calling thread), recording each call and its result.
//
// A test can make the n-th call of a function fail with a chosen error code.
// The stream procedure is never called on a thread of the double's own; Pull
// calls it synchronously, on the caller's thread, while the stream plays.
// Everything here belongs to the main thread.
#pragma once

#include "Bass.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace FakeBass {

enum class TFunction { Init, StreamCreate, ChannelPlay, Stop, Free, ErrorGetCode };

const char* NameOf(TFunction Function);

struct TCall {
    TFunction Function;
    // The arguments that the function takes; the others stay zero.
    std::int32_t Device = 0;
    DWORD Freq = 0;
    DWORD Flags = 0;
    void* Win = nullptr;
    const void* DeviceGuid = nullptr;
    DWORD Chans = 0;
    TStreamProc Proc = nullptr;
    void* User = nullptr;
    DWORD Handle = 0;
    BOOL Restart = 0;
    // The value returned (a handle for StreamCreate, the code for
    // ErrorGetCode, true or false for the others).
    std::int64_t Result = 0;
};

// Back to the start: not initialised, no stream, no calls, no failures.
void Reset();

// Makes the Occurrence-th call (counting from 1 since Reset) of Function fail
// with Code, leaving the library's state as it was.
void FailAt(TFunction Function, int Occurrence, std::int32_t Code);

const std::vector<TCall>& Calls();
// The functions called, in order; ErrorGetCode included.
std::vector<TFunction> Sequence();
std::string SequenceText();

bool Initialised();
bool Playing();
TStreamHandle Stream();

// Called after every call has been recorded, for a test that wants to look
// at the program's state at that moment.
extern std::function<void(const TCall&)> OnCall;

// Asks the playing stream's procedure for Length bytes into Buffer and
// returns what it delivered; 0 when no stream plays.
DWORD Pull(void* Buffer, DWORD Length);

} // namespace FakeBass
