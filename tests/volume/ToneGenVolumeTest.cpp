// The tone generator on the real device volume: the first instance sets the
// default sink to full volume, and the last one to go puts back exactly what
// the sink had, whatever happened to the volume in between.
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
    TVolumes Before; // raw volume per channel, 65536 = 100 %
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
    EXPECT_EQ(Server.SinkVolumes(), TVolumes(Row.Channels, Full));
    // A second instance and a volume change on the way leave the saved
    // volume alone.
    auto Second = std::make_unique<TToneGen>(nullptr);
    Second->SetLeftVolume(50);
    const TVolumes Half = Row.Channels == 1 ? TVolumes{32767} : TVolumes{32767, Full};
    EXPECT_EQ(Server.SinkVolumes(), Half);
    First.reset();
    EXPECT_EQ(Server.SinkVolumes(), Half);
    Second.reset();
    EXPECT_EQ(Server.SinkVolumes(), Row.Before);
}

const TRow Rows[] = {
    {"StereoAt37Percent", 2, {24248, 24248}},
    {"StereoAbove100Percent", 2, {98304, 98304}},
    {"StereoUnequalChannels", 2, {32768, 98304}},
    {"MonoAt37Percent", 1, {24248}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ToneGenVolume, testing::ValuesIn(Rows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
