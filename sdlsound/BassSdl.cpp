// The sound library on SDL2 audio: one output device opened by BASS_Init
// (the default device of SDL's audio driver: PulseAudio or PipeWire on a
// desktop, ALSA otherwise) and at most one user stream on it, pulled by SDL's
// audio thread.
//
// SDL calls AudioCallback with its device lock held, and pausing or closing
// the device takes that lock; so once BASS_Stop or BASS_Free has returned,
// the stream procedure is not running, and after BASS_Free it is never called
// again. Every other call runs on the main thread.
#include "Bass.h"

#include <SDL.h>
#include <cstring>

namespace {

// Frames per device buffer: about 46 ms at 44100 Hz, and no more, so that a
// stop is heard at once. Fewer frames per buffer wake the audio thread more
// often for nothing: the signal is a steady tone.
constexpr Uint16 DeviceBufferFrames = 2048;

struct TStream {
    TStreamHandle Handle = 0;
    TStreamProc Proc = nullptr;
    void* User = nullptr;
};

struct TOutput {
    bool Initialised = false;
    SDL_AudioDeviceID Device = 0;
    DWORD Rate = 0;
    // Written on the main thread only under the device lock (or while the
    // device is closed), read by AudioCallback under the same lock.
    TStream Stream;
    TStreamHandle LastHandle = 0;
};

TOutput Output;
thread_local std::int32_t LastError = beOk;

BOOL Fail(std::int32_t Code) {
    LastError = Code;
    return 0;
}

BOOL Succeed() {
    LastError = beOk;
    return 1;
}

// Runs on SDL's audio thread: it must not allocate, lock or touch a window.
// It hands the device buffer to the stream procedure and silences whatever
// the procedure did not deliver.
void SDLCALL AudioCallback(void* /*userdata*/, Uint8* Buffer, int Length) {
    const TStream& S = Output.Stream;
    DWORD Delivered = 0;
    if (S.Proc != nullptr && Length > 0) {
        Delivered = S.Proc(S.Handle, Buffer, static_cast<DWORD>(Length), S.User);
        if (Delivered > static_cast<DWORD>(Length))
            Delivered = static_cast<DWORD>(Length);
    }
    if (Delivered < static_cast<DWORD>(Length))
        std::memset(Buffer + Delivered, 0, static_cast<std::size_t>(Length) - Delivered);
}

} // namespace

BOOL BASS_Init(std::int32_t device, DWORD freq, DWORD flags, void* /*win*/,
               const void* /*dsguid*/) {
    if (Output.Initialised)
        return Fail(beAlreadyInitialised);
    if (device != -1)
        return Fail(beNoSuchDevice);
    if (flags != 0 || freq == 0 || freq > 384000)
        return Fail(beFormat);
    // SDL would otherwise install its own SIGINT and SIGTERM handlers where
    // none is set; the program ends on those signals its own way.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return Fail(beNoOutput);

    SDL_AudioSpec Want;
    SDL_zero(Want);
    Want.freq = static_cast<int>(freq);
    Want.format = AUDIO_S16SYS;
    Want.channels = 2;
    Want.samples = DeviceBufferFrames;
    Want.callback = AudioCallback;
    SDL_AudioSpec Have;
    // No changes allowed: SDL converts to whatever the device needs, so the
    // stream procedure always sees 16-bit stereo at the requested rate.
    const SDL_AudioDeviceID Device = SDL_OpenAudioDevice(nullptr, 0, &Want, &Have, 0);
    if (Device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return Fail(beNoOutput);
    }
    Output.Device = Device;
    Output.Rate = freq;
    Output.Stream = TStream{};
    Output.Initialised = true;
    return Succeed();
}

TStreamHandle BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, TStreamProc proc,
                                void* user) {
    if (!Output.Initialised)
        return static_cast<TStreamHandle>(Fail(beNotInitialised));
    if (proc == nullptr)
        return static_cast<TStreamHandle>(Fail(beNoProcedure));
    // The device runs at the initialised rate in 16-bit stereo; a stream in
    // another format would need a converter we do not have.
    if (freq != Output.Rate || chans != 2 || flags != 0)
        return static_cast<TStreamHandle>(Fail(beFormat));
    if (Output.Stream.Handle != 0)
        return static_cast<TStreamHandle>(Fail(beAlreadyInitialised));

    // Handles are never 0 and not reused within a process.
    TStreamHandle Handle = Output.LastHandle + 1;
    if (Handle == 0)
        Handle = 1;
    Output.LastHandle = Handle;

    SDL_LockAudioDevice(Output.Device);
    Output.Stream = TStream{Handle, proc, user};
    SDL_UnlockAudioDevice(Output.Device);
    Succeed();
    return Handle;
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL /*restart*/) {
    if (!Output.Initialised)
        return Fail(beNotInitialised);
    if (handle == 0 || handle != Output.Stream.Handle)
        return Fail(beNotAStream);
    SDL_PauseAudioDevice(Output.Device, 0);
    if (SDL_GetAudioDeviceStatus(Output.Device) != SDL_AUDIO_PLAYING)
        return Fail(beNotStarted);
    return Succeed();
}

BOOL BASS_Stop() {
    if (!Output.Initialised)
        return Fail(beNotInitialised);
    SDL_PauseAudioDevice(Output.Device, 1);
    return Succeed();
}

BOOL BASS_Free() {
    if (!Output.Initialised)
        return Fail(beNotInitialised);
    // Closing joins SDL's audio thread, so no callback outlives this call.
    SDL_CloseAudioDevice(Output.Device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    Output.Device = 0;
    Output.Stream = TStream{};
    Output.Initialised = false;
    return Succeed();
}

std::int32_t BASS_ErrorGetCode() {
    return LastError;
}
