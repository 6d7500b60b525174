// A rendering whose memory cannot be had: the component must come out of it
// without an image, without raising, and with its flags as they were, so that
// the next play renders again. This binary replaces the allocation functions
// so that they fail on request.
#include "FakeSoundPlayer.h"
#include "FakeVolume.h"
#include "RandomGenerator.h"
#include "ToneGen.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <ostream>
#include <string>

namespace {
// The image comes from new (std::nothrow) []; the renderer's period tables
// come from the throwing new of std::vector.
bool FailArrays = false;
bool FailObjects = false;
} // namespace

// The array form hands the request to the plain array new, as the library's
// own does, so that delete[] stays its matching release.
void* operator new[](std::size_t Size, const std::nothrow_t&) noexcept {
    if (FailArrays)
        return nullptr;
    try {
        return ::operator new[](Size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new(std::size_t Size) {
    if (!FailObjects)
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

struct TFlags {
    bool Tone, Envelope, Plain;
    bool operator==(const TFlags&) const = default;
};

TFlags FlagsOf(const TToneGen& Gen) {
    return {Gen.ToneDirty(), Gen.EnvelopeDirty(), Gen.PlainDirty()};
}

struct TFailureRow {
    const char* Name;
    bool* Fail;
    bool Envelope;
    // Brings the flags into a state a failure must keep: the image just
    // rendered, then a property changed.
    std::function<void(TToneGen&)> Before;
};

void PrintTo(const TFailureRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TFailureRow FailureRows[] = {
    {"ImageAfterAPlainRendering", &FailArrays, false,
     [](TToneGen& G) {
         ASSERT_TRUE(G.Prepare());
         G.SetFrequency(1000);
     }},
    {"ImageAfterAnEnvelopedRendering", &FailArrays, true,
     [](TToneGen& G) {
         ASSERT_TRUE(G.PrepareADSR());
         G.SetAttack(40);
     }},
    {"ImageOfANewComponent", &FailArrays, true, [](TToneGen&) {}},
    {"PeriodTableAfterAPlainRendering", &FailObjects, false,
     [](TToneGen& G) {
         ASSERT_TRUE(G.Prepare());
         G.SetWaveform(tgTriangle);
     }},
};

class AllocationTest : public testing::TestWithParam<TFailureRow> {
protected:
    void SetUp() override {
        FakeVolume = TFakeVolumeDevice{};
        // The fake device records every call; with room made here, recording
        // the volume set by Prepare allocates nothing while new fails.
        FakeVolume.Calls.reserve(64);
        FakeSoundPlayer = TFakeSoundPlayer{};
        FakeSoundPlayer.Calls.reserve(64);
    }
    void TearDown() override {
        FailArrays = false;
        FailObjects = false;
    }
};

TEST_P(AllocationTest, FailsWithoutAnImageAndKeepsTheFlags) {
    const TFailureRow& R = GetParam();
    TToneGen Gen(nullptr);
    Gen.SetWaveform(tgNoise);
    R.Before(Gen);
    const TFlags Flags = FlagsOf(Gen);
    RandSeed = 0x5EED;

    *R.Fail = true;
    const bool Rendered = R.Envelope ? Gen.PrepareADSR() : Gen.Prepare();
    *R.Fail = false;

    EXPECT_FALSE(Rendered);
    EXPECT_EQ(Gen.GetDataBuffer(), nullptr);
    EXPECT_EQ(Gen.WaveImageSize(), 0);
    EXPECT_EQ(FlagsOf(Gen), Flags);
    EXPECT_EQ(RandSeed, 0x5EEDu) << "the generator is put back";
    EXPECT_FALSE(Gen.ExportFile("/nonexistent-folder/tone.wav"));
    // A play whose rendering fails has nothing to play, and still counts
    // as started in the background.
    *R.Fail = true;
    R.Envelope ? Gen.PlayADSR() : Gen.Play();
    *R.Fail = false;
    EXPECT_TRUE(FakeSoundPlayer.Plays().empty());
    EXPECT_FALSE(FakeSoundPlayer.Calls.empty()) << "the player is still told to stop";
    EXPECT_FALSE(Gen.Stopped());

    // With memory again, the next rendering succeeds.
    ASSERT_TRUE(R.Envelope ? Gen.PrepareADSR() : Gen.Prepare());
    EXPECT_NE(Gen.GetDataBuffer(), nullptr);
    EXPECT_EQ(Gen.WaveImageSize(), 19276);
}

INSTANTIATE_TEST_SUITE_P(Failures, AllocationTest, testing::ValuesIn(FailureRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
