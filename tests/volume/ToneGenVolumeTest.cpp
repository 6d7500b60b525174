// The tone generator on the real device volume: the first instance sets the
// default sink to full volume (a side already at or above 100 % stays as it
// is), and the last one to go puts back exactly what the sink had, whatever
// happened to the volume in between.
#include "PulseServer.h"
#include "ToneGen.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using TestSupport::TPulseServer;
using TVolumes = std::vector<std::uint32_t>;

constexpr std::uint32_t Full = 65536;

struct TRow {
    const char* Name;
    unsigned Channels;
    TVolumes Before;   // raw volume per channel, 65536 = 100 %
    TVolumes AtFull;   // while the instances ask for full volume
    TVolumes HalfLeft; // with LeftVolume 50
};

void PrintTo(const TRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class ToneGenVolume : public testing::TestWithParam<TRow> {};

TEST_P(ToneGenVolume, FirstInstanceSetsFullVolumeAndTheLastPutsBackTheSavedOne) {
    const TRow& Row = GetParam();
    TPulseServer Server("tonegen_volume", Row.Channels);
    START_PULSE_SERVER(Server);
    ASSERT_TRUE(Server.SetSinkVolumes(Row.Before));
    ASSERT_EQ(Server.SinkVolumes(), Row.Before);

    auto First = std::make_unique<TToneGen>(nullptr);
    EXPECT_EQ(Server.SinkVolumes(), Row.AtFull);
    // Prepare sets LeftVolume and RightVolume (100 and 100) again.
    ASSERT_TRUE(First->Prepare());
    EXPECT_EQ(Server.SinkVolumes(), Row.AtFull);
    // A second instance and a volume change on the way leave the saved
    // volume alone.
    auto Second = std::make_unique<TToneGen>(nullptr);
    Second->SetLeftVolume(50);
    EXPECT_EQ(Server.SinkVolumes(), Row.HalfLeft);
    First.reset();
    EXPECT_EQ(Server.SinkVolumes(), Row.HalfLeft);
    Second.reset();
    EXPECT_EQ(Server.SinkVolumes(), Row.Before);
}

constexpr std::uint32_t Percent37 = 24248;
constexpr std::uint32_t Percent150 = 98304;
constexpr std::uint32_t Half = 32767; // what LeftVolume 50 (0x7FFF) sets

const TRow Rows[] = {
    {"StereoAt37Percent", 2, {Percent37, Percent37}, {Full, Full}, {Half, Full}},
    {"StereoAt150Percent",
     2,
     {Percent150, Percent150},
     {Percent150, Percent150},
     {Half, Percent150}},
    {"StereoUnequalChannels", 2, {32768, Percent150}, {Full, Percent150}, {Half, Percent150}},
    {"MonoAt37Percent", 1, {Percent37}, {Full}, {Half}},
    {"MonoAt150Percent", 1, {Percent150}, {Percent150}, {Half}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ToneGenVolume, testing::ValuesIn(Rows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
