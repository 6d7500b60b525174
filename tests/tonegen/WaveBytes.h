// Reading a WAV image back in the tests: little-endian fields, and the
// 44-byte header checked field by field against the values a test expects.
#pragma once

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

inline std::uint32_t Le32(const std::uint8_t* At) {
    return At[0] | (At[1] << 8) | (At[2] << 16) | (std::uint32_t{At[3]} << 24);
}
inline std::uint16_t Le16(const std::uint8_t* At) {
    return static_cast<std::uint16_t>(At[0] | (At[1] << 8));
}

struct TWaveFields {
    std::uint32_t RiffSize;
    std::uint16_t Channels;
    std::uint32_t Rate;
    std::uint32_t BytesPerSecond;
    std::uint16_t BlockAlign;
    std::uint16_t Bits;
    std::uint32_t DataSize;
};

// Every field of the header at H: the chunk names, PCM in a 16-byte format
// chunk, and the values given.
inline void ExpectWaveHeader(const std::uint8_t* H, const TWaveFields& Want) {
    EXPECT_EQ(0, std::memcmp(H, "RIFF", 4));
    EXPECT_EQ(Le32(H + 4), Want.RiffSize);
    EXPECT_EQ(0, std::memcmp(H + 8, "WAVEfmt ", 8));
    EXPECT_EQ(Le32(H + 16), 16u);
    EXPECT_EQ(Le16(H + 20), 1u); // PCM
    EXPECT_EQ(Le16(H + 22), Want.Channels);
    EXPECT_EQ(Le32(H + 24), Want.Rate);
    EXPECT_EQ(Le32(H + 28), Want.BytesPerSecond);
    EXPECT_EQ(Le16(H + 32), Want.BlockAlign);
    EXPECT_EQ(Le16(H + 34), Want.Bits);
    EXPECT_EQ(0, std::memcmp(H + 36, "data", 4));
    EXPECT_EQ(Le32(H + 40), Want.DataSize);
}
