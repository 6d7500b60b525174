// The multimedia calls of the tone generator: the device volume of the
// output the user hears (device 0 is the default output, the default sink of
// the sound server) and the system sound player.
//
// A volume value holds the left channel in its low 16 bits and the right
// channel in its high 16 bits; 0xFFFF is full volume (the sink's 100 %).
// Calls return MMSYSERR_NOERROR or an error code and never throw.
#pragma once

#include <cstdint>

using MMRESULT = std::uint32_t;
using UINT_PTR = std::uintptr_t;

enum : MMRESULT {
    MMSYSERR_NOERROR = 0,
    MMSYSERR_ERROR = 1,       // the sound server could not be reached or failed
    MMSYSERR_BADDEVICEID = 2, // not device 0
    MMSYSERR_INVALPARAM = 11, // a null pointer or a short capability record
};

// Support flags of a device's capabilities.
enum : std::uint32_t {
    WAVECAPS_VOLUME = 0x0004,
    WAVECAPS_LRVOLUME = 0x0008, // separate left and right volume
};

// The 52-byte capability record of a wave-out device.
#pragma pack(push, 1)
struct WAVEOUTCAPSA {
    std::uint16_t wMid;
    std::uint16_t wPid;
    std::uint32_t vDriverVersion;
    char szPname[32];
    std::uint32_t dwFormats;
    std::uint16_t wChannels;
    std::uint16_t wReserved1;
    std::uint32_t dwSupport;
};
#pragma pack(pop)
static_assert(sizeof(WAVEOUTCAPSA) == 52);

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, std::uint32_t cbwoc);
// The device is given by its number, as the tone generator keeps it.
MMRESULT waveOutGetVolume(UINT_PTR uDeviceID, std::uint32_t* pdwVolume);
MMRESULT waveOutSetVolume(UINT_PTR uDeviceID, std::uint32_t dwVolume);

// The system sound player: one sound at a time for the whole process.
using BOOL = std::int32_t;
using DWORD = std::uint32_t;
using HMODULE = void*;

enum : DWORD {
    SND_SYNC = 0x0000,  // play once; return when the sound has been heard to its end
    SND_ASYNC = 0x0001, // start in the background and return at once
    SND_NODEFAULT = 0x0002,
    SND_MEMORY = 0x0004, // the sound is the address of a complete WAV image in memory
    SND_LOOP = 0x0008,   // with SND_ASYNC: repeat without a gap until stopped
};

// Plays the WAV image at pszSound (with SND_MEMORY; file and alias names are
// not supported). Every call first stops whatever the process plays, a
// refused one too; a null pszSound only stops, and returns true. The image
// must be a RIFF/WAVE image of PCM samples, 8-bit unsigned or 16-bit signed,
// one or two channels, 8000 to 192000 frames per second; only the bytes its
// RIFF header declares are read, and the player keeps a copy of the samples,
// so the image may be released once the call returns. A malformed image, a
// missing flag or no sound output gives false and nothing is played; an image
// with less than one frame of data is silent and gives true.
// SND_LOOP alone loops in the background as SND_ASYNC | SND_LOOP does. A
// synchronous play returns true once its last frame has been heard, or as
// soon as another thread stops the sound; it gives false only when the output
// stops taking samples. SND_NODEFAULT changes nothing (there is no default
// sound) and hmod is ignored.
BOOL PlaySoundA(const char* pszSound, HMODULE hmod, DWORD fdwSound);
