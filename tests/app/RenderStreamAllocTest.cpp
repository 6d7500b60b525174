// The stream procedure runs on the audio thread, where an allocation can
// stall the output. This binary counts every allocation made while the
// callback runs, over many calls of every shape.
#include "DDFS.h"
#include "RenderStream.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <vector>

namespace {
std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};
} // namespace

void* operator new(std::size_t Size) {
    if (Counting.load(std::memory_order_relaxed))
        Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* P = std::malloc(Size == 0 ? 1 : Size))
        return P;
    throw std::bad_alloc();
}
// The replacement new above takes its memory from malloc, so free is the
// matching release; the compiler cannot see that pairing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* P) noexcept {
    std::free(P);
}
void operator delete(void* P, std::size_t) noexcept {
    std::free(P);
}
#pragma GCC diagnostic pop

namespace {

class TFixedWaveform : public TWaveformSource {
public:
    std::uint8_t W = 1;
    std::uint8_t SelectedWaveform() const override { return W; }
};

TEST(RenderStreamRealtime, AllocatesNothingOverManyCallbacks) {
    TFixedWaveform Source;
    WaveformSource = &Source;
    std::vector<std::int16_t> Buffer(2 * 4096);
    Counting = true;
    for (int Call = 0; Call < 20000; ++Call) {
        Source.W = static_cast<std::uint8_t>(Call % 5);
        CurrentFrequency = (Call % 3 == 0) ? 2128.0L : 2.165L;
        OutputGain = (Call % 7 == 0) ? 0.5L : 1.0L;
        RenderStream(1, Buffer.data(), static_cast<DWORD>(4 * (1 + Call % 4096)), nullptr);
    }
    Counting = false;
    WaveformSource = nullptr;
    EXPECT_EQ(Allocations.load(), 0);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
