// The in-memory WAV image of the tone generator: a 44-byte RIFF/WAVE header,
// D bytes of PCM samples and 32 spare bytes, in one block.
//
// The spare bytes lie outside the RIFF chunk. They exist because the renderer
// writes whole frames while a frame starts below D: when D is not a multiple of
// the frame size (16-bit mono at 44100 Hz with an odd number of 5 ms steps), the
// last sample's second byte lands in the first spare byte.
//
// All multi-byte fields are little-endian, whatever the host.
#pragma once

#include "ToneTypes.h"

#include <cstdint>

inline constexpr std::uint32_t WaveHeaderSize = 44;
inline constexpr std::uint32_t WaveSpareSize = 32;

// Bytes of the whole image for D data bytes.
inline constexpr std::uint64_t WaveImageSize(std::uint32_t DataSize) {
    return std::uint64_t{DataSize} + WaveHeaderSize + WaveSpareSize;
}

struct TWaveHeader {
    std::uint8_t Bytes[WaveHeaderSize];
};

// Fills all 44 bytes: channels 2 or 1 from Stereo, bits 16 or 8 from
// SixteenBits, 96000 or 44100 samples per second from HighRate. The three
// flags are the component's 32-bit booleans, true when non-zero.
void WriteWaveHeader(TLongBool Stereo, TLongBool SixteenBits, TLongBool HighRate,
                     std::uint32_t DataSize, TWaveHeader& Header);

// Samples per second of a quality setting.
inline constexpr std::uint32_t SampleRateOf(TTGQuality Quality) {
    return Quality == tgHiQ ? 96000u : 44100u;
}

// The value of a silent sample, which is also the byte the whole image is
// filled with before any voice is added: 0 for signed 16-bit, 128 for
// unsigned 8-bit.
inline constexpr std::uint8_t SilenceByte(TTGResolution Resolution) {
    return Resolution == tg16Bit ? 0x00 : 0x80;
}

// Data bytes of a tone of Duration milliseconds: (bytes per sample x Duration x
// rate code) div 10, with the rate code 960 or 441, doubled in stereo. The
// division truncates bytes, not samples, so 16-bit at 44100 Hz gives an odd
// size for 15 ms. A duration of 0 or less gives 0.
std::uint32_t WaveDataSize(TTGResolution Resolution, TTGQuality Quality, bool Stereo,
                           std::int16_t Duration);

// The header fields as numbers, for tools that report them.
struct TWaveHeaderFields {
    std::uint32_t RiffSize;
    std::uint16_t FormatTag;
    std::uint16_t Channels;
    std::uint32_t SampleRate;
    std::uint32_t BytesPerSecond;
    std::uint16_t BlockAlign;
    std::uint16_t BitsPerSample;
    std::uint32_t DataSize;
};

TWaveHeaderFields ReadWaveHeaderFields(const std::uint8_t* Header);
