// The enumerations and the boolean type shared by the tone generator's
// component and its signal code.
//
// Every enumeration is stored in one byte and numbered from 0. A stored table
// may hold a waveform ordinal above tgNoise; such a value is kept as it is and
// renders as noise.
#pragma once

#include <cstdint>

enum TTGWave : std::uint8_t { tgSine, tgSquare, tgTriangle, tgSawtooth, tgNoise };
enum TTGResolution : std::uint8_t { tg16Bit, tg8Bit };
enum TTGQuality : std::uint8_t { tgHiQ, tgLoQ };
enum TTGAMLevel : std::uint8_t {
    tgAMLevel1,
    tgAMLevel2,
    tgAMLevel3,
    tgAMLevel4,
    tgAMLevel5,
    tgAMLevel6,
    tgAMLevel7,
    tgAMLevel8
};

inline constexpr int AMLevelCount = 8;

// The component's booleans are 32 bits wide. It writes 0 for false and -1 (all
// bits set) for true, and reads any non-zero value as true.
using TLongBool = std::int32_t;
inline constexpr TLongBool LongFalse = 0;
inline constexpr TLongBool LongTrue = -1;
inline constexpr TLongBool ToLongBool(bool Value) {
    return Value ? LongTrue : LongFalse;
}
