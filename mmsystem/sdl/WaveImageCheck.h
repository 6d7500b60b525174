// The check of a RIFF/WAVE image before the system sound player plays it.
//
// Pure code on a byte range: no SDL, no allocation, no global state, so the
// same check can be driven by a fuzzer. It reads only the Available bytes
// from Image on, in any order of chunks, and every sum of an offset and a
// chunk size is checked against the end before it is formed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace MMSystem {

// The sample format of a PCM image: 8-bit unsigned or 16-bit signed
// little-endian samples, one or two interleaved channels.
struct TWaveFormat {
    std::uint16_t Channels = 0;      // 1 or 2
    std::uint16_t BitsPerSample = 0; // 8 or 16
    std::uint32_t SampleRate = 0;    // frames per second
    std::uint16_t FrameBytes() const {
        return static_cast<std::uint16_t>(Channels * (BitsPerSample / 8));
    }
};

// Where the samples of a checked image are: DataOffset bytes from the start
// of the image, DataBytes long. DataBytes is the data chunk's size rounded
// down to whole frames, so a stray byte at the end is never played.
struct TWaveImageInfo {
    TWaveFormat Format;
    std::size_t DataOffset = 0;
    std::size_t DataBytes = 0;
    std::size_t Frames() const { return DataBytes / Format.FrameBytes(); }
};

// The sample rates an image may declare.
constexpr std::uint32_t MinWaveSampleRate = 8000;
constexpr std::uint32_t MaxWaveSampleRate = 192000;

// Checks the image of Available bytes at Image. It must start with "RIFF",
// a size whose RIFF chunk fits in Available (bytes after it are ignored, such
// as the tone generator's spare bytes), and "WAVE"; inside the RIFF chunk it
// must hold exactly one "fmt " chunk describing PCM (format 1) with 1 or 2
// channels, 8 or 16 bits, a block align of one frame, a byte rate of rate
// times block align and a rate from MinWaveSampleRate to MaxWaveSampleRate,
// and exactly one "data" chunk whose declared size fits in the RIFF chunk.
// The two may come in either order; other chunks are skipped, each with its
// pad byte when its size is odd (a missing pad byte after the last chunk is
// accepted, as the tone generator writes odd data sizes without one).
//
// A well-formed image whose data holds less than one frame is accepted with
// DataBytes 0: it is a valid, silent sound. Anything else gives nothing.
// A null Image gives nothing.
std::optional<TWaveImageInfo> CheckWaveImage(const void* Image, std::size_t Available);

} // namespace MMSystem
