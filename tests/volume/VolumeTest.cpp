// The device volume on a real sound server: a private PulseAudio with a null
// sink, whose volume pactl sets and reads back as raw values (65536 = 100 %).
#include "MMSystem.h"
#include "PulseServer.h"

#include <cstring>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

using TestSupport::TPulseServer;
using TVolumes = std::vector<std::uint32_t>;

constexpr std::uint32_t Full = 65536;
constexpr std::uint32_t Percent37 = 24248;  // what pactl makes of "37%"
constexpr std::uint32_t Percent150 = 98304; // "150%"
constexpr std::uint32_t Half = 32768;       // 0x8000 would set 32769
constexpr const char* Surround =
    "channel_map=front-left,front-right,rear-left,rear-right,front-center,lfe";

struct TSinkKind {
    unsigned Channels;
    const char* ExtraArgs;
};
constexpr TSinkKind Stereo{2, ""};
constexpr TSinkKind Mono{1, ""};
constexpr TSinkKind FiveOne{6, Surround};

struct TRestoreRow {
    const char* Name;
    TSinkKind Sink;
    TVolumes Before; // raw volume per channel
    std::uint32_t Read;
    TVolumes AtFull; // after full volume is set
};

void PrintTo(const TRestoreRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class VolumeRestore : public testing::TestWithParam<TRestoreRow> {};

// What the tone generator does: read the caps and the volume, set full
// volume, and later set the saved value back.
TEST_P(VolumeRestore, FullVolumeThenTheSavedValueGivesBackTheExactVolume) {
    const TRestoreRow& Row = GetParam();
    TPulseServer Server("volume_test", Row.Sink.Channels, Row.Sink.ExtraArgs);
    START_PULSE_SERVER(Server);
    ASSERT_TRUE(Server.SetSinkVolumes(Row.Before));
    ASSERT_EQ(Server.SinkVolumes(), Row.Before);

    const bool LeftAndRight = Row.Sink.Channels > 1;
    WAVEOUTCAPSA Caps;
    std::memset(&Caps, 0xA5, sizeof Caps);
    ASSERT_EQ(waveOutGetDevCapsA(0, &Caps, sizeof Caps), MMSYSERR_NOERROR);
    EXPECT_EQ(Caps.dwSupport, WAVECAPS_VOLUME | (LeftAndRight ? WAVECAPS_LRVOLUME : 0u));
    EXPECT_EQ(Caps.wChannels, LeftAndRight ? 2 : 1);
    const std::size_t NameLength = strnlen(Caps.szPname, sizeof Caps.szPname);
    EXPECT_GT(NameLength, 0u);
    EXPECT_LT(NameLength, sizeof Caps.szPname);

    std::uint32_t Read = 0xDEADBEEF;
    ASSERT_EQ(waveOutGetVolume(0, &Read), MMSYSERR_NOERROR);
    EXPECT_EQ(Read, Row.Read) << std::hex << Read;
    const std::uint32_t Saved = LeftAndRight ? Read : Read * 0x10001u;

    ASSERT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), Row.AtFull);
    // Asking again changes nothing.
    ASSERT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), Row.AtFull);
    ASSERT_EQ(waveOutSetVolume(0, Saved), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), Row.Before);
}

// A side below 100 % goes to 100 % at full volume; a side at or above 100 %,
// which reads as full, is left as it is.
const TRestoreRow RestoreRows[] = {
    {"StereoAt37Percent", Stereo, {Percent37, Percent37}, 0x5EB85EB8, {Full, Full}},
    {"StereoMuted", Stereo, {0, 0}, 0, {Full, Full}},
    {"StereoAtHalfWhichNoLevelHitsExactly", Stereo, {Half, Half}, 0x80008000, {Full, Full}},
    {"StereoAbove100PercentReadsFull",
     Stereo,
     {Percent150, Percent150},
     0xFFFFFFFF,
     {Percent150, Percent150}},
    {"StereoUnequalAboveAndBelowFull",
     Stereo,
     {Percent150, Percent37},
     0x5EB8FFFF,
     {Percent150, Full}},
    {"StereoRightLouderThanLeft", Stereo, {Percent37, Half}, 0x80005EB8, {Full, Full}},
    {"MonoHasOneLevelInTheLowHalf", Mono, {Percent37}, 0x5EB8, {Full}},
    {"MonoAbove100Percent", Mono, {Percent150}, 0xFFFF, {Percent150}},
    // Left is the louder of front and rear left, right likewise; every
    // channel comes back as it was.
    {"SurroundEveryChannelDifferent",
     FiveOne,
     {Full, Percent37, Percent150, 13107, 40000, 0},
     0x5EB8FFFF,
     {Full, Full, Percent150, Full, Full, Full}},
    // Both sides read as full, through one channel each: full volume changes
    // no channel, not even the quieter ones or those in the middle.
    {"SurroundReadingFullOnBothSides",
     FiveOne,
     {Percent37, Full, Percent150, Half, 40000, 0},
     0xFFFFFFFF,
     {Percent37, Full, Percent150, Half, 40000, 0}},
};

INSTANTIATE_TEST_SUITE_P(Rows, VolumeRestore, testing::ValuesIn(RestoreRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct TSetRow {
    const char* Name;
    TSinkKind Sink;
    std::uint32_t Value;
    TVolumes After;
};

void PrintTo(const TSetRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class VolumeSet : public testing::TestWithParam<TSetRow> {};

TEST_P(VolumeSet, ValueReachesTheChannels) {
    const TSetRow& Row = GetParam();
    TPulseServer Server("volume_test", Row.Sink.Channels, Row.Sink.ExtraArgs);
    START_PULSE_SERVER(Server);
    ASSERT_EQ(waveOutSetVolume(0, Row.Value), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), Row.After);
}

const TSetRow SetRows[] = {
    {"StereoLeftInTheLowHalf", Stereo, 0x0000FFFF, {Full, 0}},
    {"StereoRightInTheHighHalf", Stereo, 0x8000FFFF, {Full, 32769}},
    {"StereoBoth37Percent", Stereo, 0x5EB85EB8, {Percent37, Percent37}},
    {"MonoIgnoresTheHighHalf", Mono, 0xFFFF0000, {0}},
    {"MonoTakesTheLowHalf", Mono, 0x0000FFFF, {Full}},
    // Centre and bass carry both sides, at the mean of the two levels.
    {"SurroundSidesAndMiddle", FiveOne, 0x8000FFFF, {Full, 32769, Full, 32769, 49152, 49152}},
};

INSTANTIATE_TEST_SUITE_P(Rows, VolumeSet, testing::ValuesIn(SetRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The exact copy is used only for the very value that was read; any other
// value is set as it says, even one level away.
TEST(Volume, OnlyTheValueReadPutsBackTheExactCopy) {
    TPulseServer Server("volume_test");
    START_PULSE_SERVER(Server);
    ASSERT_TRUE(Server.SetSinkVolumes({Half, Percent150}));
    std::uint32_t Read = 0;
    ASSERT_EQ(waveOutGetVolume(0, &Read), MMSYSERR_NOERROR);
    ASSERT_EQ(Read, 0xFFFF8000u);

    ASSERT_EQ(waveOutSetVolume(0, Read), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Half, Percent150}));
    // One level less on the left is set as it says; the right, asked for
    // full volume while at 150 %, stays there.
    ASSERT_EQ(waveOutSetVolume(0, Read - 1), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{32767, Percent150}));
    ASSERT_EQ(waveOutSetVolume(0, Read), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Half, Percent150}));

    // A restarted server is another device: the copy read from the old one
    // does not apply to it.
    Server.Stop();
    ASSERT_TRUE(Server.Start(nullptr));
    ASSERT_TRUE(Server.SetSinkVolumes({Percent37, Percent37}));
    ASSERT_EQ(waveOutSetVolume(0, Read), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{32769, Full}));
}

// A boosted sink reads as full, and full volume leaves it boosted. Once it
// has been turned down, setting back the value read puts back the exact
// boost, as for any other value read: the restore at the end cannot be told
// from a request for full volume, and the restore must be exact.
TEST(Volume, AValueReadAsFullPutsBackTheBoostAfterAChange) {
    TPulseServer Server("volume_test");
    START_PULSE_SERVER(Server);
    ASSERT_TRUE(Server.SetSinkVolumes({Percent150, Percent150}));
    std::uint32_t Read = 0;
    ASSERT_EQ(waveOutGetVolume(0, &Read), MMSYSERR_NOERROR);
    ASSERT_EQ(Read, 0xFFFFFFFFu);
    ASSERT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Percent150, Percent150}));

    ASSERT_TRUE(Server.SetSinkVolumes({Half, Percent37}));
    ASSERT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_NOERROR);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Percent150, Percent150}));
}

TEST(Volume, OnlyDeviceZeroAndCompleteArguments) {
    TPulseServer Server("volume_test");
    START_PULSE_SERVER(Server);
    ASSERT_TRUE(Server.SetSinkVolumes({Percent37, Percent37}));
    WAVEOUTCAPSA Caps{};
    std::uint32_t Value = 0;
    EXPECT_EQ(waveOutGetDevCapsA(1, &Caps, sizeof Caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetVolume(1, &Value), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutSetVolume(1, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutSetVolume(~UINT_PTR{0}, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetDevCapsA(0, nullptr, sizeof Caps), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutGetDevCapsA(0, &Caps, sizeof Caps - 1), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutGetVolume(0, nullptr), MMSYSERR_INVALPARAM);
    EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Percent37, Percent37}));
}

// Without a server every call fails, after a bounded wait at most (the
// test's timeout would catch a hang): the server is gone, or hangs.
TEST(Volume, EveryCallFailsWithoutAnAnsweringServer) {
    TPulseServer Server("volume_test");
    START_PULSE_SERVER(Server);
    WAVEOUTCAPSA Caps{};
    std::uint32_t Value = 0;
    ASSERT_EQ(waveOutGetVolume(0, &Value), MMSYSERR_NOERROR);

    Server.Freeze();
    EXPECT_EQ(waveOutGetDevCapsA(0, &Caps, sizeof Caps), MMSYSERR_ERROR);
    EXPECT_EQ(waveOutGetVolume(0, &Value), MMSYSERR_ERROR);
    EXPECT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_ERROR);
    Server.Thaw();
    EXPECT_EQ(waveOutGetVolume(0, &Value), MMSYSERR_NOERROR);

    // PULSE_SERVER still names the stopped server's socket.
    Server.Stop();
    EXPECT_EQ(waveOutGetDevCapsA(0, &Caps, sizeof Caps), MMSYSERR_ERROR);
    EXPECT_EQ(waveOutGetVolume(0, &Value), MMSYSERR_ERROR);
    EXPECT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_ERROR);
}

} // namespace
