// The sound library: the calls the frequency programs make to play a user
// stream. Declared here once; one backend implements them (sdlsound/ on SDL2
// audio for the program, a scriptable double for the window tests).
//
// Every call runs on the main thread except the stream procedure, which the
// library calls on an audio thread of its own. A failing call returns false
// (or 0 for a handle) and leaves its error code for the calling thread, read
// with BASS_ErrorGetCode. Calls never throw.
#pragma once

#include <cstdint>

using BOOL = std::int32_t;
using DWORD = std::uint32_t;
using TStreamHandle = std::uint32_t;

// Fills `buffer` with `length` bytes of interleaved signed 16-bit frames, left
// then right, and returns the number of bytes delivered. Called on the audio
// thread; it must not allocate, lock or touch a window.
using TStreamProc = DWORD (*)(TStreamHandle handle, void* buffer, DWORD length, void* user);

// Our error codes, as BASS_ErrorGetCode reports them for the calling thread.
enum TBassError : std::int32_t {
    beOk = 0,                 // the last call succeeded
    beAlreadyInitialised = 1, // BASS_Init while the library is initialised
    beNotInitialised = 2,     // a call that needs BASS_Init before it
    beNoSuchDevice = 3,       // no such output device
    beNoOutput = 4,           // the audio system could not be started or opened
    beFormat = 5,             // a rate, channel count or flag we do not serve
    beNotAStream = 6,         // not a stream of this library
    beNoProcedure = 7,        // a null stream procedure
    beNotStarted = 8,         // the output could not be started
    beUnknown = -1,           // anything else
};

// Opens the output. `device` -1 is the default output device; `freq` is the
// output rate in frames per second; `flags` must be 0; `win` and `dsguid` are
// accepted and ignored. False when the library is already initialised or no
// output can be opened.
BOOL BASS_Init(std::int32_t device, DWORD freq, DWORD flags, void* win, const void* dsguid);

// Creates a paused user stream of `freq` frames per second and `chans`
// channels of signed 16-bit samples (`flags` 0) pulled from `proc`. Returns a
// non-zero handle, or 0 on failure. At most one stream exists at a time.
TStreamHandle BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, TStreamProc proc, void* user);

// Starts the stream; from then on the library calls its procedure on its own
// thread. `restart` is accepted and ignored (streams start from their
// procedure's state). False when `handle` is not the current stream.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);

// Stops the output: once it returns the stream procedure is not running.
BOOL BASS_Stop();

// Releases the output and every stream on it. Once it returns the stream
// procedure is never called again, and BASS_Init may be called afresh.
BOOL BASS_Free();

// The error code of the calling thread's last library call (TBassError).
std::int32_t BASS_ErrorGetCode();
