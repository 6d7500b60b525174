// The device volume of the output the user hears, as the tone generator
// reads and sets it: device 0 is the default output (the default sink of the
// sound server).
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
