#include "WaveImage.h"

#include <cstring>

namespace {

void Put16(std::uint8_t* At, std::uint32_t Value) {
    At[0] = static_cast<std::uint8_t>(Value);
    At[1] = static_cast<std::uint8_t>(Value >> 8);
}

void Put32(std::uint8_t* At, std::uint32_t Value) {
    Put16(At, Value & 0xFFFFu);
    Put16(At + 2, Value >> 16);
}

std::uint16_t Get16(const std::uint8_t* At) {
    return static_cast<std::uint16_t>(At[0] | (At[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* At) {
    return Get16(At) | (std::uint32_t{Get16(At + 2)} << 16);
}

} // namespace

void WriteWaveHeader(TLongBool Stereo, TLongBool SixteenBits, TLongBool HighRate,
                     std::uint32_t DataSize, TWaveHeader& Header) {
    const std::uint32_t Channels = Stereo != 0 ? 2 : 1;
    const std::uint32_t Bits = SixteenBits != 0 ? 16 : 8;
    const std::uint32_t Rate = HighRate != 0 ? 96000 : 44100;
    const std::uint32_t BlockAlign = Bits / 8 * Channels;
    std::uint8_t* H = Header.Bytes;
    std::memcpy(H + 0, "RIFF", 4);
    // The RIFF chunk covers the form type, the format chunk and the data
    // chunk; the spare bytes after the data are not part of it.
    Put32(H + 4, DataSize + 36);
    std::memcpy(H + 8, "WAVE", 4);
    std::memcpy(H + 12, "fmt ", 4);
    Put32(H + 16, 16);
    Put16(H + 20, 1);
    Put16(H + 22, Channels);
    Put32(H + 24, Rate);
    Put32(H + 28, Channels * Rate * (Bits / 8));
    Put16(H + 32, BlockAlign);
    Put16(H + 34, Bits);
    std::memcpy(H + 36, "data", 4);
    Put32(H + 40, DataSize);
}

std::uint32_t WaveDataSize(TTGResolution Resolution, TTGQuality Quality, bool Stereo,
                           std::int16_t Duration) {
    if (Duration <= 0)
        return 0;
    const std::int64_t BytesPerSample = Resolution == tg16Bit ? 2 : 1;
    const std::int64_t RateCode = Quality == tgHiQ ? 960 : 441;
    std::int64_t Size = BytesPerSample * Duration * RateCode / 10;
    if (Stereo)
        Size *= 2;
    return static_cast<std::uint32_t>(Size);
}

TWaveHeaderFields ReadWaveHeaderFields(const std::uint8_t* H) {
    return TWaveHeaderFields{Get32(H + 4),  Get16(H + 20), Get16(H + 22), Get32(H + 24),
                             Get32(H + 28), Get16(H + 32), Get16(H + 34), Get32(H + 40)};
}
