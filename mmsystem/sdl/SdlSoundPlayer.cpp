// The system sound player on SDL2 audio: one sound at a time for the whole
// process, played from a private copy of the image's samples on an SDL audio
// device opened in the image's own format (SDL converts when the output
// needs another one).
//
// All player state is guarded by one mutex, taken only by callers of
// PlaySoundA, never by the audio callback. The callback shares with them the
// sound it plays: fields written before its device is opened and read-only
// afterwards, a read position it alone touches, and an atomic count that
// tells a synchronous caller how far past the end the sound has got. Closing
// the device joins SDL's audio thread, so once a sound is stopped its
// callback never runs again and its samples can be freed.
//
// A background sound that has ended keeps its device open, giving silence,
// until the next call (or the end of the process) closes it: nothing learns
// of the end, so there is nobody to close it earlier.
//
// Each open device holds one reference on SDL's audio subsystem, taken just
// before it opens and dropped just after it closes: the sound library
// (sdlsound/) uses SDL audio in the same process, and the subsystem is
// reference counted, so neither shuts it down under the other.
#include "MMSystem.h"
#include "WaveImageCheck.h"

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// The device buffer holds at most 50 ms and at most 2048 frames (about 46 ms
// at 44100 Hz, 21 ms at 96000 Hz): short enough that a stop is heard at once
// and that a synchronous play returns soon after its end, long enough not to
// run dry on a busy machine.
constexpr int MaxDeviceBufferFrames = 2048;
constexpr int MinDeviceBufferFrames = 256;

Uint16 DeviceBufferFrames(std::uint32_t Rate) {
    int Frames = MaxDeviceBufferFrames;
    while (Frames > MinDeviceBufferFrames && static_cast<std::uint64_t>(Frames) * 20 > Rate)
        Frames /= 2;
    return static_cast<Uint16>(Frames);
}

// A synchronous play has been heard to its end when, after its last frame,
// the device has asked for this many buffers of pure silence (SDL asks for
// the next buffer only when the sound server has room for it, so by then the
// server has taken the end of the sound from the stream) and one more
// buffer's time has passed for the output's own latency. On a null sink one
// silent buffer is already enough to record the last frame; the rest is
// room for real sound cards.
constexpr std::uint32_t SilentBuffersAfterEnd = 2;
// How often a synchronous caller looks at the callback's progress.
constexpr auto ProgressPoll = 5ms;
// A synchronous play gives up this long after the sound should have ended,
// should the device stop asking for samples (a sound server that hangs).
constexpr auto StalledDeviceGrace = 10s;

struct TSound {
    // Set before the device opens; the callback only reads them.
    std::unique_ptr<unsigned char[]> Samples;
    std::size_t Bytes = 0; // whole frames, never 0
    bool Loop = false;
    unsigned char Silence = 0;
    // Touched by the callback alone.
    std::size_t Position = 0;
    // Whole buffers of silence the callback has given after the last frame;
    // a synchronous caller watches it.
    std::atomic<std::uint32_t> SilentBuffers{0};
    // Caller side, under the player's mutex.
    SDL_AudioDeviceID Device = 0;
    std::uint64_t Id = 0;
    TClock::duration Length{};
    TClock::duration BufferTime{};
};

// Runs on SDL's audio thread: it must not allocate, lock or call out. It
// copies the next bytes of the sound into the device buffer, from the start
// again without a gap when the sound loops, and silence after the end of a
// sound that does not.
void SDLCALL FillDeviceBuffer(void* User, Uint8* Buffer, int Length) {
    TSound& S = *static_cast<TSound*>(User);
    const std::size_t Want = Length > 0 ? static_cast<std::size_t>(Length) : 0;
    std::size_t Filled = 0;
    if (S.Loop) {
        while (Filled < Want) {
            const std::size_t Part = std::min(Want - Filled, S.Bytes - S.Position);
            std::memcpy(Buffer + Filled, S.Samples.get() + S.Position, Part);
            Filled += Part;
            S.Position += Part;
            if (S.Position == S.Bytes)
                S.Position = 0;
        }
        return;
    }
    if (S.Position < S.Bytes) {
        Filled = std::min(Want, S.Bytes - S.Position);
        std::memcpy(Buffer, S.Samples.get() + S.Position, Filled);
        S.Position += Filled;
    } else {
        S.SilentBuffers.fetch_add(1, std::memory_order_release);
    }
    std::memset(Buffer + Filled, S.Silence, Want - Filled);
}

struct TPlayer {
    std::mutex Lock;
    // Notified whenever the current sound is stopped, so that a synchronous
    // caller waiting for it returns at once.
    std::condition_variable Stopped;
    std::unique_ptr<TSound> Current;
    std::uint64_t LastId = 0;
};

// Never destroyed: a tone generator destroyed by another static destructor
// may still stop the player after StopAtExit below has run.
TPlayer& Player() {
    static TPlayer* const P = new TPlayer;
    return *P;
}

void StopLocked(TPlayer& P) {
    if (P.Current == nullptr)
        return;
    SDL_CloseAudioDevice(P.Current->Device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    P.Current.reset();
    P.Stopped.notify_all();
}

// A sound still playing when the process ends is stopped, so that SDL's
// audio thread is not left reading freed samples while the process tears
// itself down.
struct TStopAtExit {
    ~TStopAtExit() { PlaySoundA(nullptr, nullptr, 0); }
} StopAtExit;

// The bytes the image's RIFF header declares, header included; 0 when the
// first four bytes are not "RIFF" (nothing further is read then).
std::size_t DeclaredImageBytes(const char* Image) {
    const auto* B = reinterpret_cast<const unsigned char*>(Image);
    if (std::memcmp(B, "RIFF", 4) != 0)
        return 0;
    const std::uint32_t Size =
        static_cast<std::uint32_t>(B[4]) | static_cast<std::uint32_t>(B[5]) << 8 |
        static_cast<std::uint32_t>(B[6]) << 16 | static_cast<std::uint32_t>(B[7]) << 24;
    if (Size > std::numeric_limits<std::size_t>::max() - 8)
        return 0;
    return std::size_t{8} + Size;
}

// Opens the default output for S in the image's format and starts it; the
// device holds a reference on SDL's audio subsystem until StopLocked.
bool Start(TSound& S, const MMSystem::TWaveFormat& F) {
    // SDL would otherwise install its own SIGINT and SIGTERM handlers where
    // none is set; the program ends on those signals its own way.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec Want;
    SDL_zero(Want);
    Want.freq = static_cast<int>(F.SampleRate);
    Want.format = F.BitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    Want.channels = static_cast<Uint8>(F.Channels);
    Want.samples = DeviceBufferFrames(F.SampleRate);
    Want.callback = FillDeviceBuffer;
    Want.userdata = &S;
    SDL_AudioSpec Have;
    // No changes allowed: the callback always writes the image's own format
    // and SDL converts it to whatever the output takes.
    S.Device = SDL_OpenAudioDevice(nullptr, 0, &Want, &Have, 0);
    if (S.Device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    S.BufferTime = std::chrono::duration_cast<TClock::duration>(
        std::chrono::duration<double>(static_cast<double>(Want.samples) / F.SampleRate));
    SDL_PauseAudioDevice(S.Device, 0);
    return true;
}

// Waits, with the player's lock held by L, until the sound Id has been heard
// to its end and stops it then; returns early when another call stops it.
// False only when the device stopped asking for samples.
BOOL WaitForEnd(TPlayer& P, std::unique_lock<std::mutex>& L, std::uint64_t Id) {
    const auto StoppedElsewhere = [&] { return P.Current == nullptr || P.Current->Id != Id; };
    const auto GiveUp = TClock::now() + P.Current->Length + StalledDeviceGrace;
    while (P.Current->SilentBuffers.load(std::memory_order_acquire) < SilentBuffersAfterEnd) {
        if (TClock::now() > GiveUp) {
            StopLocked(P);
            return 0;
        }
        if (P.Stopped.wait_for(L, ProgressPoll, StoppedElsewhere))
            return 1;
    }
    if (P.Stopped.wait_for(L, P.Current->BufferTime, StoppedElsewhere))
        return 1;
    StopLocked(P);
    return 1;
}

BOOL Play(const char* Image, DWORD Flags) {
    TPlayer& P = Player();
    std::unique_lock L(P.Lock);
    StopLocked(P);
    if (Image == nullptr)
        return 1;
    // Only images in memory: file names and aliases are not looked up.
    if ((Flags & SND_MEMORY) == 0)
        return 0;
    const auto Info = MMSystem::CheckWaveImage(Image, DeclaredImageBytes(Image));
    if (!Info.has_value())
        return 0;
    // An image without a whole frame is a valid sound of no length: nothing
    // to hear, and a synchronous play of it is over at once.
    if (Info->DataBytes == 0)
        return 1;

    auto S = std::unique_ptr<TSound>(new (std::nothrow) TSound);
    if (S == nullptr)
        return 0;
    S->Samples.reset(new (std::nothrow) unsigned char[Info->DataBytes]);
    if (S->Samples == nullptr)
        return 0;
    std::memcpy(S->Samples.get(), Image + Info->DataOffset, Info->DataBytes);
    S->Bytes = Info->DataBytes;
    // A looped sound always plays in the background, with or without
    // SND_ASYNC.
    S->Loop = (Flags & SND_LOOP) != 0;
    S->Silence = Info->Format.BitsPerSample == 8 ? 0x80 : 0x00;
    S->Id = ++P.LastId;
    S->Length = std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(
        static_cast<double>(Info->Frames()) / Info->Format.SampleRate));
    if (!Start(*S, Info->Format))
        return 0;
    const std::uint64_t Id = S->Id;
    P.Current = std::move(S);
    if ((Flags & (SND_ASYNC | SND_LOOP)) != 0)
        return 1;
    return WaitForEnd(P, L, Id);
}

} // namespace

BOOL PlaySoundA(const char* pszSound, HMODULE /*hmod*/, DWORD fdwSound) {
    try {
        return Play(pszSound, fdwSound);
    } catch (...) {
        // Only taking the mutex can throw (std::system_error); no sound was
        // started then.
        return 0;
    }
}
