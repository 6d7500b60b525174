// The check of WAV images before they are played: which images are refused,
// what an accepted one yields, and that no image, however damaged, makes the
// check read past the bytes it was given (ASan sees every overread here, as
// each image lies in a heap block of exactly its own size).
#include "WaveImageCheck.h"

#include "WaveImages.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

using namespace PlaySoundTest;
using MMSystem::CheckWaveImage;

constexpr TFormat Cd{2, 16, 44100};

// 100 frames of CD format: 400 data bytes.
TBytes GoodImage() {
    return MakeImage(Cd, TBytes(400, 0x11));
}

// Its first Bytes bytes, the RIFF size left as it was.
TBytes GoodImageCut(std::size_t Bytes) {
    TBytes B = GoodImage();
    B.resize(Bytes);
    return B;
}

std::optional<MMSystem::TWaveImageInfo> Check(const TBytes& B) {
    // A copy of exactly B's size, so that a read past it is caught.
    auto* Exact = new unsigned char[B.size() == 0 ? 1 : B.size()];
    std::copy(B.begin(), B.end(), Exact);
    const auto Info = CheckWaveImage(B.empty() ? nullptr : Exact, B.size());
    delete[] Exact;
    return Info;
}

struct TMalformed {
    const char* Name;
    std::function<TBytes()> Make;
};

const TMalformed MalformedImages[] = {
    {"Empty", [] { return TBytes{}; }},
    {"RiffTagAndSizeOnly", [] { return GoodImageCut(8); }},
    {"HeaderCutInsideFmt", [] { return GoodImageCut(30); }},
    {"HeaderCutBeforeDataSize", [] { return GoodImageCut(42); }},
    {"RiffSizeBeyondTheBytes",
     [] {
         TBytes B = GoodImage();
         Put32(B, RiffSizeAt, static_cast<std::uint32_t>(B.size())); // 8 more than there are
         return B;
     }},
    {"RiffSizeBelowWave",
     [] {
         TBytes B = GoodImage();
         Put32(B, RiffSizeAt, 3);
         return B;
     }},
    {"RifxTag",
     [] {
         TBytes B = GoodImage();
         PutTag(B, 0, "RIFX");
         return B;
     }},
    {"AviForm",
     [] {
         TBytes B = GoodImage();
         PutTag(B, 8, "AVI ");
         return B;
     }},
    {"FloatFormat",
     [] {
         TBytes B = GoodImage();
         Put16(B, FormatTagAt, 3);
         return B;
     }},
    {"ExtensibleFormat",
     [] {
         TBytes B = GoodImage();
         Put16(B, FormatTagAt, 0xFFFE);
         return B;
     }},
    {"NoChannels",
     [] {
         TBytes B = GoodImage();
         Put16(B, ChannelsAt, 0);
         Put16(B, BlockAlignAt, 0);
         Put32(B, ByteRateAt, 0);
         return B;
     }},
    {"ThreeChannels",
     [] {
         TBytes B = GoodImage();
         Put16(B, ChannelsAt, 3);
         Put16(B, BlockAlignAt, 6);
         Put32(B, ByteRateAt, 6 * 44100);
         return B;
     }},
    {"TwentyFourBits",
     [] {
         TBytes B = GoodImage();
         Put16(B, BitsAt, 24);
         Put16(B, BlockAlignAt, 6);
         Put32(B, ByteRateAt, 6 * 44100);
         return B;
     }},
    {"BlockAlignOfMono",
     [] {
         TBytes B = GoodImage();
         Put16(B, BlockAlignAt, 2);
         Put32(B, ByteRateAt, 2 * 44100);
         return B;
     }},
    {"ByteRateOfMono",
     [] {
         TBytes B = GoodImage();
         Put32(B, ByteRateAt, 2 * 44100);
         return B;
     }},
    {"RateBelowRange",
     [] {
         TBytes B = MakeImage({2, 16, 7999}, TBytes(400));
         return B;
     }},
    {"RateAboveRange",
     [] {
         return MakeImage({2, 16, 192001}, TBytes(400));
     }},
    {"FmtChunkTooShort",
     [] {
         return Riff({Chunk("fmt ", TBytes(14)), Chunk("data", TBytes(400))});
     }},
    {"DataBeyondTheRiffSize",
     [] {
         TBytes B = GoodImage();
         Put32(B, DataSizeAt, 400 + 2); // reaches into the spare bytes
         return B;
     }},
    {"DataSizeWrapsAround",
     [] {
         TBytes B = GoodImage();
         Put32(B, DataSizeAt, 0xFFFFFFFF);
         return B;
     }},
    {"UnknownChunkSizeWrapsAround",
     [] {
         TBytes B = Riff({Chunk("fmt ", PcmFormatBody(Cd)), Chunk("LIST", TBytes(4)),
                          Chunk("data", TBytes(400))});
         Put32(B, 36 + 4, 0xFFFFFFF8);
         return B;
     }},
    {"FmtMissing", [] { return Riff({Chunk("data", TBytes(400))}); }},
    {"FmtMisnamed",
     [] {
         TBytes B = GoodImage();
         PutTag(B, 12, "fmt_");
         return B;
     }},
    {"DataMissing", [] { return Riff({Chunk("fmt ", PcmFormatBody(Cd))}); }},
    {"TwoDataChunks",
     [] {
         return Riff({Chunk("fmt ", PcmFormatBody(Cd)), Chunk("data", TBytes(400)),
                      Chunk("data", TBytes(400))});
     }},
    {"TwoFmtChunks",
     [] {
         return Riff({Chunk("fmt ", PcmFormatBody(Cd)), Chunk("fmt ", PcmFormatBody({1, 8, 8000})),
                      Chunk("data", TBytes(400))});
     }},
};

class MalformedImage : public ::testing::TestWithParam<TMalformed> {};

TEST_P(MalformedImage, IsRefused) {
    EXPECT_FALSE(Check(GetParam().Make()).has_value());
}

INSTANTIATE_TEST_SUITE_P(WaveImageCheck, MalformedImage, ::testing::ValuesIn(MalformedImages),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The tone generator's formats, 20 ms each, with its header and spare bytes.
class GeneratorFormat : public ::testing::TestWithParam<TFormat> {};

TEST_P(GeneratorFormat, IsAcceptedWithItsFormatAndSpan) {
    const TFormat F = GetParam();
    const std::size_t Bytes = std::size_t{F.Rate} / 50 * F.FrameBytes();
    const auto Info = Check(MakeImage(F, TBytes(Bytes, 0x22)));
    ASSERT_TRUE(Info.has_value());
    EXPECT_EQ(Info->Format.Channels, F.Channels);
    EXPECT_EQ(Info->Format.BitsPerSample, F.Bits);
    EXPECT_EQ(Info->Format.SampleRate, F.Rate);
    EXPECT_EQ(Info->DataOffset, 44u);
    EXPECT_EQ(Info->DataBytes, Bytes);
    EXPECT_EQ(Info->Frames(), F.Rate / 50);
}

INSTANTIATE_TEST_SUITE_P(WaveImageCheck, GeneratorFormat,
                         ::testing::Values(TFormat{1, 8, 44100}, TFormat{2, 8, 44100},
                                           TFormat{1, 16, 44100}, TFormat{2, 16, 44100},
                                           TFormat{1, 8, 96000}, TFormat{2, 8, 96000},
                                           TFormat{1, 16, 96000}, TFormat{2, 16, 96000}),
                         [](const auto& Info) {
                             return std::to_string(Info.param.Rate) + "Hz" +
                                    std::to_string(Info.param.Bits) + "Bit" +
                                    (Info.param.Channels == 2 ? "Stereo" : "Mono");
                         });

TEST(WaveImageCheck, OddDataSizeWithoutPadByteGivesWholeFrames) {
    // 15 ms of 16-bit mono at 44100 Hz: the generator's 1323 data bytes, the
    // RIFF chunk ending right after the odd byte.
    const TBytes B = MakeImage({1, 16, 44100}, TBytes(1323, 0x33));
    const auto Info = Check(B);
    ASSERT_TRUE(Info.has_value());
    EXPECT_EQ(Info->DataBytes, 1322u);
    EXPECT_EQ(Info->Frames(), 661u);
    // Exactly the declared bytes are enough: the spare bytes are not needed.
    EXPECT_TRUE(Check(TBytes(B.begin(), B.end() - SpareBytes)).has_value());
}

TEST(WaveImageCheck, ChunksInAnyOrderAndUnknownOnesSkippedWithTheirPadByte) {
    TBytes Samples(4 * 10);
    for (std::size_t K = 0; K < Samples.size(); ++K)
        Samples[K] = static_cast<unsigned char>(K + 1);
    // An odd-sized chunk before the data, and the format after it in a
    // longer chunk with an empty extension.
    TBytes LongFormat = PcmFormatBody({2, 16, 48000});
    LongFormat.resize(18); // an extension size of 0
    const TBytes B = Riff({Chunk("LIST", TBytes(5, 'x')), Chunk("data", Samples),
                           Chunk("fact", TBytes(4)), Chunk("fmt ", LongFormat)});
    const auto Info = Check(B);
    ASSERT_TRUE(Info.has_value());
    EXPECT_EQ(Info->Format.SampleRate, 48000u);
    EXPECT_EQ(Info->DataOffset, 12u + 8 + 6 + 8);
    EXPECT_EQ(Info->DataBytes, Samples.size());
    EXPECT_EQ(0, std::memcmp(B.data() + Info->DataOffset, Samples.data(), Samples.size()));
}

TEST(WaveImageCheck, LessThanOneFrameIsAValidSilentImage) {
    for (std::size_t Bytes : {0, 3}) {
        const auto Info = Check(MakeImage(Cd, TBytes(Bytes)));
        ASSERT_TRUE(Info.has_value()) << Bytes;
        EXPECT_EQ(Info->DataBytes, 0u) << Bytes;
    }
}

// Every byte of the header and of an extra chunk's header replaced by a few
// telling values, and every cut of the image: no read outside the image, and
// an accepted span always inside it.
TEST(WaveImageCheck, DamagedImagesAreReadWithinTheirBytes) {
    const TBytes Good = Riff({Chunk("fmt ", PcmFormatBody(Cd)), Chunk("junk", TBytes(3)),
                              Chunk("data", TBytes(40, 0x44))});
    const auto Within = [](const TBytes& B) {
        const auto Info = Check(B);
        if (Info.has_value()) {
            EXPECT_LE(Info->DataOffset + Info->DataBytes, B.size());
        }
    };
    for (std::size_t At = 0; At < 12 + 24 + 12 + 8; ++At)
        for (unsigned char V : {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF}) {
            TBytes B = Good;
            B[At] = V;
            Within(B);
        }
    for (std::size_t Size = 0; Size <= Good.size(); ++Size)
        Within(TBytes(Good.begin(), Good.begin() + static_cast<std::ptrdiff_t>(Size)));
}

} // namespace
