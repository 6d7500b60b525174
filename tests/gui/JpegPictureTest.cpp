// The picture decoder: the main window's embedded picture, and data that is
// not a sound JPEG stream.
#include "JpegPicture.h"

#include "MainPicture.h"

#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

TEST(JpegPicture, DecodesTheMainWindowPictureInColour) {
    TJpegPicture Picture;
    std::string Error;
    ASSERT_TRUE(DecodeJpeg(MainPictureJpeg, MainPictureJpegSize, Picture, &Error)) << Error;
    EXPECT_EQ(Picture.Width, 166);
    EXPECT_EQ(Picture.Height, 182);
    ASSERT_EQ(Picture.Rgb.size(), 166u * 182u * 3u);
    std::size_t Coloured = 0;
    for (std::size_t I = 0; I < Picture.Rgb.size(); I += 3)
        if (Picture.Rgb[I] != Picture.Rgb[I + 1] || Picture.Rgb[I + 1] != Picture.Rgb[I + 2])
            ++Coloured;
    EXPECT_GT(Coloured, Picture.Rgb.size() / 3 / 2) << "the picture is mostly grey";
    // A baseline stream: start-of-frame marker 0xFFC0, not progressive 0xFFC2.
    const std::vector<std::uint8_t> Data(MainPictureJpeg, MainPictureJpeg + MainPictureJpegSize);
    bool Baseline = false, Progressive = false;
    for (std::size_t I = 0; I + 1 < Data.size(); ++I) {
        Baseline |= Data[I] == 0xFF && Data[I + 1] == 0xC0;
        Progressive |= Data[I] == 0xFF && Data[I + 1] == 0xC2;
    }
    EXPECT_TRUE(Baseline);
    EXPECT_FALSE(Progressive);
}

struct TBadRow {
    const char* Name;
    std::vector<std::uint8_t> Data;
};

void PrintTo(const TBadRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

std::vector<std::uint8_t> Prefix(std::size_t Size) {
    return std::vector<std::uint8_t>(MainPictureJpeg, MainPictureJpeg + Size);
}

class BadJpegTest : public ::testing::TestWithParam<TBadRow> {};

TEST_P(BadJpegTest, FailsWithAReasonAndAnEmptyPicture) {
    const TBadRow& Row = GetParam();
    TJpegPicture Picture;
    Picture.Width = 7;
    Picture.Rgb.assign(3, 1);
    std::string Error;
    EXPECT_FALSE(
        DecodeJpeg(Row.Data.empty() ? nullptr : Row.Data.data(), Row.Data.size(), Picture, &Error));
    EXPECT_FALSE(Error.empty());
    EXPECT_EQ(Picture.Width, 0);
    EXPECT_EQ(Picture.Height, 0);
    EXPECT_TRUE(Picture.Rgb.empty());
}

INSTANTIATE_TEST_SUITE_P(
    JpegPicture, BadJpegTest,
    ::testing::Values(
        TBadRow{"NoData", {}}, TBadRow{"Text", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}},
        TBadRow{"PngSignature", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}},
        TBadRow{"StartMarkerOnly", {0xFF, 0xD8}}, TBadRow{"CutInTheHeader", Prefix(200)},
        TBadRow{"CutInTheImageData", Prefix(MainPictureJpegSize / 2)}),
    [](const ::testing::TestParamInfo<TBadRow>& Info) { return Info.param.Name; });

} // namespace
