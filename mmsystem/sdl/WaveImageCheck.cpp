#include "WaveImageCheck.h"

#include <cstring>

namespace MMSystem {

namespace {

std::uint32_t Le32(const unsigned char* At) {
    return static_cast<std::uint32_t>(At[0]) | static_cast<std::uint32_t>(At[1]) << 8 |
           static_cast<std::uint32_t>(At[2]) << 16 | static_cast<std::uint32_t>(At[3]) << 24;
}

std::uint16_t Le16(const unsigned char* At) {
    return static_cast<std::uint16_t>(At[0] | At[1] << 8);
}

bool IsTag(const unsigned char* At, const char (&Tag)[5]) {
    return std::memcmp(At, Tag, 4) == 0;
}

// The 16 bytes of PCM format that every "fmt " chunk starts with; a longer
// chunk (an 18-byte one with an empty extension size) carries nothing more
// for PCM.
constexpr std::size_t PcmFormatBytes = 16;

std::optional<TWaveFormat> ReadPcmFormat(const unsigned char* Body, std::uint32_t Size) {
    if (Size < PcmFormatBytes)
        return std::nullopt;
    const std::uint16_t FormatTag = Le16(Body);
    TWaveFormat F;
    F.Channels = Le16(Body + 2);
    F.SampleRate = Le32(Body + 4);
    const std::uint32_t ByteRate = Le32(Body + 8);
    const std::uint16_t BlockAlign = Le16(Body + 12);
    F.BitsPerSample = Le16(Body + 14);
    if (FormatTag != 1)
        return std::nullopt;
    if (F.Channels != 1 && F.Channels != 2)
        return std::nullopt;
    if (F.BitsPerSample != 8 && F.BitsPerSample != 16)
        return std::nullopt;
    if (F.SampleRate < MinWaveSampleRate || F.SampleRate > MaxWaveSampleRate)
        return std::nullopt;
    if (BlockAlign != F.FrameBytes())
        return std::nullopt;
    // At most 192000 * 4: no overflow in 32 bits.
    if (ByteRate != F.SampleRate * BlockAlign)
        return std::nullopt;
    return F;
}

} // namespace

std::optional<TWaveImageInfo> CheckWaveImage(const void* Image, std::size_t Available) {
    if (Image == nullptr || Available < 12)
        return std::nullopt;
    const auto* Bytes = static_cast<const unsigned char*>(Image);
    if (!IsTag(Bytes, "RIFF") || !IsTag(Bytes + 8, "WAVE"))
        return std::nullopt;
    const std::uint32_t RiffSize = Le32(Bytes + 4);
    // The RIFF chunk must lie inside what is there; the subtraction cannot
    // wrap as Available >= 12.
    if (RiffSize < 4 || RiffSize > Available - 8)
        return std::nullopt;
    const std::size_t End = std::size_t{8} + RiffSize;

    std::optional<TWaveFormat> Format;
    bool HaveData = false;
    std::size_t DataOffset = 0;
    std::uint32_t DataSize = 0;

    std::size_t At = 12;
    // Each round needs a whole chunk header; a few bytes too few for one
    // after the last chunk are ignored.
    while (At <= End && End - At >= 8) {
        const unsigned char* Header = Bytes + At;
        const std::uint32_t Size = Le32(Header + 4);
        const std::size_t Body = At + 8;
        if (Size > End - Body)
            return std::nullopt; // a chunk reaching past the RIFF chunk
        if (IsTag(Header, "fmt ")) {
            if (Format.has_value())
                return std::nullopt;
            Format = ReadPcmFormat(Bytes + Body, Size);
            if (!Format.has_value())
                return std::nullopt;
        } else if (IsTag(Header, "data")) {
            if (HaveData)
                return std::nullopt;
            HaveData = true;
            DataOffset = Body;
            DataSize = Size;
        }
        At = Body + Size; // <= End, checked above
        if (Size % 2 != 0 && At < End)
            ++At;
    }
    if (!Format.has_value() || !HaveData)
        return std::nullopt;

    TWaveImageInfo Info;
    Info.Format = *Format;
    Info.DataOffset = DataOffset;
    Info.DataBytes = DataSize / Format->FrameBytes() * Format->FrameBytes();
    return Info;
}

} // namespace MMSystem
