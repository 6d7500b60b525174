// Fuzz target: the system sound player's check of a RIFF/WAVE image, which
// is all that stands between an image from outside and the player's copy of
// its samples.
//
// The check may read only the bytes it is given (the sanitizer sees a read
// past them), and what it accepts must describe samples that lie inside the
// RIFF chunk in a format the player can play. Bytes after the RIFF chunk are
// ignored: the chunk alone must give the same answer.
#include "WaveImageCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Keeps the read of every sample from being optimised away.
volatile unsigned SampleSum;

[[noreturn]] void Finding(const char* What) {
    std::fprintf(stderr, "wave image check: %s\n", What);
    std::abort();
}

bool SameInfo(const MMSystem::TWaveImageInfo& A, const MMSystem::TWaveImageInfo& B) {
    return A.Format.Channels == B.Format.Channels &&
           A.Format.BitsPerSample == B.Format.BitsPerSample &&
           A.Format.SampleRate == B.Format.SampleRate && A.DataOffset == B.DataOffset &&
           A.DataBytes == B.DataBytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace MMSystem;
    if (CheckWaveImage(nullptr, Size))
        Finding("a null image was accepted");
    // A block of exactly Size bytes, so that the sanitizer catches a read
    // of a single byte beyond them.
    const auto Image = std::make_unique<std::uint8_t[]>(Size);
    if (Size > 0)
        std::memcpy(Image.get(), Data, Size);
    const auto Info = CheckWaveImage(Image.get(), Size);
    if (!Info)
        return 0;

    const TWaveFormat& F = Info->Format;
    if ((F.Channels != 1 && F.Channels != 2) || (F.BitsPerSample != 8 && F.BitsPerSample != 16))
        Finding("a sample format the player cannot play was accepted");
    if (F.SampleRate < MinWaveSampleRate || F.SampleRate > MaxWaveSampleRate)
        Finding("a sample rate outside the range was accepted");
    if (Info->DataBytes % F.FrameBytes() != 0)
        Finding("the samples do not end on a whole frame");

    // Size >= 12 here; the RIFF chunk is its 8-byte header and its size.
    const std::uint32_t RiffSize =
        static_cast<std::uint32_t>(Image[4]) | static_cast<std::uint32_t>(Image[5]) << 8 |
        static_cast<std::uint32_t>(Image[6]) << 16 | static_cast<std::uint32_t>(Image[7]) << 24;
    const std::size_t RiffEnd = std::size_t{8} + RiffSize;
    if (RiffEnd > Size)
        Finding("an image whose RIFF chunk reaches past its bytes was accepted");
    if (Info->DataOffset < 20 || Info->DataOffset > RiffEnd ||
        Info->DataBytes > RiffEnd - Info->DataOffset)
        Finding("the samples do not lie inside the RIFF chunk");

    // The player copies the samples: every byte of them must be there.
    unsigned Sum = 0;
    for (std::size_t K = 0; K < Info->DataBytes; ++K)
        Sum += Image[Info->DataOffset + K];
    SampleSum = Sum;

    if (RiffEnd < Size) {
        const auto Chunk = std::make_unique<std::uint8_t[]>(RiffEnd);
        std::memcpy(Chunk.get(), Image.get(), RiffEnd);
        const auto Alone = CheckWaveImage(Chunk.get(), RiffEnd);
        if (!Alone || !SameInfo(*Alone, *Info))
            Finding("the bytes after the RIFF chunk changed the answer");
    }
    return 0;
}
