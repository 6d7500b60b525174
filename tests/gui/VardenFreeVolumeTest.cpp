// The main window's tone generator on the real device volume of a private
// PulseAudio server: full volume from the start, and exactly the saved volume
// back when the program ends, by "Kilépés" or by a signal.
#include "Application.h"
#include "FakeBass.h"
#include "GuiTestSupport.h"
#include "PulseServer.h"
#include "Unit3.h"
#include "VardenFree.h"
#include "info.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TestSupport::TPulseServer;
using TVolumes = std::vector<std::uint32_t>;

constexpr std::uint32_t Full = 65536;

TEST(VardenFreeVolume, FullFromTheStartAndTheSavedVolumeBackAtKilepes) {
    TPulseServer Server("vardenfree_volume");
    START_PULSE_SERVER(Server);
    const TVolumes Before = {21000, 43210};
    ASSERT_TRUE(Server.SetSinkVolumes(Before));
    FakeBass::Reset();
    {
        auto App = std::make_unique<TApplication>();
        App->CreateForm(Form1);
        App->CreateForm(Form2);
        App->CreateForm(Form3);
        EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Full, Full}));
        GuiTest::Later([] { GuiTest::Click(Form1->Button4); });
        App->Run();
        EXPECT_EQ(Server.SinkVolumes(), (TVolumes{Full, Full})) << "still the program's until exit";
    }
    EXPECT_EQ(Server.SinkVolumes(), Before);
    FakeBass::Reset();
}

// The program itself, ended as a terminal or a session ends it.
class VardenFreeSignal : public testing::TestWithParam<int> {};

TEST_P(VardenFreeSignal, PutsTheSavedVolumeBack) {
    TPulseServer Server("vardenfree_signal");
    START_PULSE_SERVER(Server);
    const TVolumes Before = {12345, 54321};
    ASSERT_TRUE(Server.SetSinkVolumes(Before));

    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(DRVARDEN_PROGRAM, "DrVardenFree", static_cast<char*>(nullptr));
        _exit(127);
    }
    bool AtFull = false;
    for (int Try = 0; Try < 200 && !AtFull; ++Try) {
        std::this_thread::sleep_for(50ms);
        AtFull = Server.SinkVolumes() == TVolumes{Full, Full};
    }
    // Past the creation of the windows: the message loop runs.
    std::this_thread::sleep_for(300ms);
    kill(Child, GetParam());
    int Status = 0;
    pid_t Done = 0;
    for (int Waited = 0; Waited < 1000 && (Done = waitpid(Child, &Status, WNOHANG)) == 0; ++Waited)
        std::this_thread::sleep_for(10ms);
    if (Done == 0) {
        kill(Child, SIGKILL);
        waitpid(Child, &Status, 0);
        FAIL() << "the program did not end on the signal";
    }
    EXPECT_TRUE(AtFull) << "the program never set full volume";
    ASSERT_TRUE(WIFEXITED(Status)) << "ended by signal " << WTERMSIG(Status);
    EXPECT_EQ(WEXITSTATUS(Status), 0);
    EXPECT_EQ(Server.SinkVolumes(), Before);
}

INSTANTIATE_TEST_SUITE_P(Signals, VardenFreeSignal, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& Info) { return std::string(strsignal(Info.param)); });

} // namespace
