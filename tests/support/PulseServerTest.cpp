// The test server fixture itself: servers side by side stay apart, a stopped
// server is gone, and the recorder hears exactly what was played.
#include "PulseServer.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using TestSupport::TPulseCapture;
using TestSupport::TPulseServer;

TEST(PulseServerFixture, ServersRunApartAndStopCompletely) {
    TPulseServer First("fixture_first");
    TPulseServer Second("fixture_second", 1);
    START_PULSE_SERVER(First);
    START_PULSE_SERVER(Second);
    ASSERT_NE(First.ServerAddress(), Second.ServerAddress());
    EXPECT_EQ(std::getenv("PULSE_SERVER"), Second.ServerAddress());

    std::string Info;
    ASSERT_TRUE(First.Pactl("info", &Info)) << Info;
    EXPECT_NE(Info.find("Default Sink: fixture_first"), std::string::npos) << Info;
    ASSERT_TRUE(Second.Pactl("info", &Info)) << Info;
    EXPECT_NE(Info.find("Default Sink: fixture_second"), std::string::npos) << Info;
    EXPECT_EQ(Second.SinkVolumes().size(), 1u);

    const std::string Socket = First.ServerAddress().substr(5);
    First.Stop();
    EXPECT_FALSE(First.Pactl("info"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(Socket).parent_path()));
    EXPECT_TRUE(Second.Pactl("info"));
}

TEST(PulseServerFixture, CaptureRecordsExactlyWhatWasPlayed) {
    TPulseServer Server;
    START_PULSE_SERVER(Server);
    TPulseCapture Capture(Server);
    std::string Error;
    ASSERT_TRUE(Capture.Start(&Error)) << Error;

    // A pattern without zero samples, so that its start can be found in the
    // silence around it; left and right differ, so a swap would show.
    constexpr std::size_t Frames = 22050;
    std::vector<std::int16_t> Played(2 * Frames);
    for (std::size_t I = 0; I < Frames; ++I) {
        Played[2 * I] = static_cast<std::int16_t>(1 + I * 7 % 30000);
        Played[2 * I + 1] = static_cast<std::int16_t>(-Played[2 * I]);
    }
    const std::string Command = "timeout 20 pacat --playback --raw --format=s16le --rate=44100 "
                                "--channels=2 -d " +
                                Server.SinkName();
    FILE* Player = ::popen(Command.c_str(), "w");
    ASSERT_NE(Player, nullptr);
    ASSERT_EQ(std::fwrite(Played.data(), sizeof(std::int16_t), Played.size(), Player),
              Played.size());
    ASSERT_EQ(::pclose(Player), 0);

    EXPECT_TRUE(Capture.WaitForFrames(Frames, std::chrono::seconds(10)));
    const std::vector<std::int16_t> Heard = Capture.Stop();
    std::size_t Start = 0;
    while (Start < Heard.size() && Heard[Start] == 0)
        ++Start;
    ASSERT_GE(Heard.size() - Start, Played.size()) << "only " << Heard.size() << " samples heard";
    const auto Mismatch = std::mismatch(Played.begin(), Played.end(), Heard.begin() + Start);
    EXPECT_TRUE(Mismatch.first == Played.end())
        << "sample " << (Mismatch.first - Played.begin()) << " of " << Played.size()
        << " differs: played " << *Mismatch.first << ", heard " << *Mismatch.second << " start "
        << Start << " size " << Heard.size();
}

} // namespace
