// WAV images for the sound player's tests, built byte by byte: the 44-byte
// header the tone generator writes, followed by the samples and 32 spare
// bytes outside the RIFF chunk, and helpers to patch single fields.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace PlaySoundTest {

using TBytes = std::vector<unsigned char>;

inline void Put16(TBytes& B, std::size_t At, std::uint16_t V) {
    B[At] = static_cast<unsigned char>(V);
    B[At + 1] = static_cast<unsigned char>(V >> 8);
}

inline void Put32(TBytes& B, std::size_t At, std::uint32_t V) {
    for (int K = 0; K < 4; ++K)
        B[At + static_cast<std::size_t>(K)] = static_cast<unsigned char>(V >> (8 * K));
}

inline void PutTag(TBytes& B, std::size_t At, const char* Tag) {
    std::memcpy(B.data() + At, Tag, 4);
}

// Field offsets of the 44-byte header.
enum : std::size_t {
    RiffSizeAt = 4,
    FormatTagAt = 20,
    ChannelsAt = 22,
    RateAt = 24,
    ByteRateAt = 28,
    BlockAlignAt = 32,
    BitsAt = 34,
    DataTagAt = 36,
    DataSizeAt = 40,
    HeaderBytes = 44,
    SpareBytes = 32,
};

struct TFormat {
    std::uint16_t Channels;
    std::uint16_t Bits;
    std::uint32_t Rate;
    std::uint16_t FrameBytes() const { return static_cast<std::uint16_t>(Channels * Bits / 8); }
};

// A header, Data and 32 spare bytes of silence, as the tone generator lays
// out its image.
inline TBytes MakeImage(TFormat F, const TBytes& Data) {
    TBytes B(HeaderBytes + Data.size() + SpareBytes, F.Bits == 8 ? 0x80 : 0x00);
    PutTag(B, 0, "RIFF");
    Put32(B, RiffSizeAt, static_cast<std::uint32_t>(36 + Data.size()));
    PutTag(B, 8, "WAVE");
    PutTag(B, 12, "fmt ");
    Put32(B, 16, 16);
    Put16(B, FormatTagAt, 1);
    Put16(B, ChannelsAt, F.Channels);
    Put32(B, RateAt, F.Rate);
    Put32(B, ByteRateAt, F.Rate * F.FrameBytes());
    Put16(B, BlockAlignAt, F.FrameBytes());
    Put16(B, BitsAt, F.Bits);
    PutTag(B, DataTagAt, "data");
    Put32(B, DataSizeAt, static_cast<std::uint32_t>(Data.size()));
    std::copy(Data.begin(), Data.end(), B.begin() + HeaderBytes);
    return B;
}

// One chunk: tag, size, body and the pad byte of an odd size.
inline TBytes Chunk(const char* Tag, const TBytes& Body) {
    TBytes B(8 + Body.size() + Body.size() % 2, 0);
    PutTag(B, 0, Tag);
    Put32(B, 4, static_cast<std::uint32_t>(Body.size()));
    std::copy(Body.begin(), Body.end(), B.begin() + 8);
    return B;
}

// A RIFF/WAVE image of the given chunks in order.
inline TBytes Riff(const std::vector<TBytes>& Chunks) {
    std::size_t Size = 12;
    for (const TBytes& C : Chunks)
        Size += C.size();
    TBytes B(Size);
    PutTag(B, 0, "RIFF");
    PutTag(B, 8, "WAVE");
    std::size_t At = 12;
    for (const TBytes& C : Chunks) {
        std::copy(C.begin(), C.end(), B.begin() + static_cast<std::ptrdiff_t>(At));
        At += C.size();
    }
    Put32(B, RiffSizeAt, static_cast<std::uint32_t>(B.size() - 8));
    return B;
}

// The 16-byte body of a PCM "fmt " chunk.
inline TBytes PcmFormatBody(TFormat F) {
    TBytes B(16);
    Put16(B, 0, 1);
    Put16(B, 2, F.Channels);
    Put32(B, 4, F.Rate);
    Put32(B, 8, F.Rate * F.FrameBytes());
    Put16(B, 12, F.FrameBytes());
    Put16(B, 14, F.Bits);
    return B;
}

// 16-bit stereo frames, left then right, as bytes.
inline TBytes Stereo16(const std::vector<std::int16_t>& Samples) {
    TBytes B(2 * Samples.size());
    for (std::size_t K = 0; K < Samples.size(); ++K) {
        const auto V = static_cast<std::uint16_t>(Samples[K]);
        B[2 * K] = static_cast<unsigned char>(V);
        B[2 * K + 1] = static_cast<unsigned char>(V >> 8);
    }
    return B;
}

} // namespace PlaySoundTest
