// A wave-out device for tests: it implements the three device-volume calls of
// MMSystem.h, records every call and can be told to fail or to report a mono
// device.
#pragma once

#include "MMSystem.h"

#include <cstdint>
#include <string>
#include <vector>

struct TVolumeCall {
    std::string Name; // "GetDevCaps", "GetVolume" or "SetVolume"
    UINT_PTR Device;
    std::uint32_t Value; // the volume set, or the one reported
    bool operator==(const TVolumeCall&) const = default;
};

struct TFakeVolumeDevice {
    std::uint32_t Volume = 0x12345678;
    bool Mono = false; // no WAVECAPS_LRVOLUME in the capabilities
    bool FailCaps = false;
    bool FailGet = false;
    bool FailSet = false;
    std::vector<TVolumeCall> Calls;

    std::vector<std::uint32_t> SetValues() const;
};

// The one device the three calls talk to; tests reset it between cases.
extern TFakeVolumeDevice FakeVolume;
