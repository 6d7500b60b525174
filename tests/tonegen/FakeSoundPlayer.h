// A system sound player for tests: PlaySoundA records each call, with where
// it fell among the device-volume calls of FakeVolume, and plays nothing. A
// synchronous play returns at once, as if the sound had ended.
#pragma once

#include "MMSystem.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TPlayCall {
    bool Stop;                     // no sound given: stop whatever plays
    DWORD Flags;                   // as given
    const std::uint8_t* Image;     // the image given, or nullptr
    std::uint32_t DataSize;        // the data size its header declares (0 for a stop)
    std::size_t VolumeCallsBefore; // FakeVolume.Calls.size() at the call
};

struct TFakeSoundPlayer {
    std::vector<TPlayCall> Calls;

    // The calls that played something.
    std::vector<TPlayCall> Plays() const;
};

extern TFakeSoundPlayer FakeSoundPlayer;
