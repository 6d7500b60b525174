// A private PulseAudio server for tests, and a recorder of its sink.
//
// TPulseServer starts `pulseaudio` with one null sink in a fresh folder under
// /tmp, so tests never touch the user's sound server and several test
// processes can run side by side. Once started, PULSE_SERVER in this
// process's environment names the private server, so libpulse and SDL2 code
// in the test process, and programs it starts (pactl, parec), reach it.
// PULSE_SERVER keeps naming the private socket after Stop: code that runs
// then finds no server instead of falling back to the user's own one.
//
// Volumes are raw libpulse values: 65536 (PA_VOLUME_NORM) is 100 %.
// Samples are signed 16-bit, interleaved, 44100 frames per second.
// Every wait here is bounded; nothing blocks for more than a few seconds.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace TestSupport {

// True when the `pulseaudio` program can be found on PATH.
bool PulseAudioInstalled();

class TPulseServer {
public:
    // The sink is created with the given name and channel count at 44100 Hz,
    // s16le; ExtraSinkArgs is appended to the null sink's module arguments
    // (for example "channel_map=front-left,front-right,front-center").
    explicit TPulseServer(std::string SinkName = "drvarden_test", unsigned Channels = 2,
                          std::string ExtraSinkArgs = "");
    ~TPulseServer();
    TPulseServer(const TPulseServer&) = delete;
    TPulseServer& operator=(const TPulseServer&) = delete;

    // Starts the server, waits until it answers, makes the null sink the
    // default sink and points PULSE_SERVER (and, when it is unset,
    // SDL_AUDIODRIVER) at it. On failure Error says why, the server's log
    // included. Starting a running server does nothing.
    bool Start(std::string* Error);
    // Kills the server at once, as a crash would, and removes its folder.
    // Usable in the middle of a test to make the sound server go away.
    void Stop();
    bool Running() const { return FPid > 0; }
    // Suspends and resumes the server process: a suspended server still
    // accepts connections but never answers, as a hung one would.
    void Freeze();
    void Thaw();

    const std::string& SinkName() const { return FSinkName; }
    std::string MonitorName() const { return FSinkName + ".monitor"; }
    // "unix:<folder>/native"; stays valid (and dead) after Stop.
    const std::string& ServerAddress() const { return FAddress; }

    // Runs `pactl --server=<this server> Args` through the shell; Out, when
    // given, receives its standard output and error. True when pactl exits 0
    // within ten seconds.
    bool Pactl(const std::string& Args, std::string* Out = nullptr) const;
    // The raw volume of each channel of the sink, in channel order; empty
    // when pactl fails.
    std::vector<std::uint32_t> SinkVolumes() const;
    // Sets the sink's raw volume per channel (one value for every channel, or
    // one per channel).
    bool SetSinkVolumes(const std::vector<std::uint32_t>& Volumes) const;

private:
    std::string FSinkName;
    unsigned FChannels;
    std::string FExtraSinkArgs;
    std::string FFolder;
    std::string FAddress;
    pid_t FPid = -1;
};

// Records the monitor of a server's sink as s16le stereo at 44100 Hz through
// libpulse. The recording is continuous: silence while nothing plays, then
// every played frame unchanged (at 100 % sink volume), so a test finds the
// start of its sound as the first non-zero sample.
class TPulseCapture {
public:
    explicit TPulseCapture(const TPulseServer& Server);
    ~TPulseCapture();
    TPulseCapture(const TPulseCapture&) = delete;
    TPulseCapture& operator=(const TPulseCapture&) = delete;

    // Connects and waits until the recording stream runs, so that nothing
    // played after Start returns is missed. At most MaxSeconds of audio are
    // kept; the rest is dropped.
    bool Start(std::string* Error, unsigned MaxSeconds = 120);
    // Waits until at least Frames frames have arrived or Timeout has passed;
    // true when they arrived.
    bool WaitForFrames(std::size_t Frames, std::chrono::milliseconds Timeout);
    // Ends the recording and returns the interleaved samples received so far.
    std::vector<std::int16_t> Stop();

private:
    struct TState;
    const TPulseServer& FServer;
    std::unique_ptr<TState> FState;
};

} // namespace TestSupport

// Skips the current test when PulseAudio is not installed; under CI (where
// scripts/install-deps.sh installs it) the absence is a failure instead.
#define SKIP_WITHOUT_PULSEAUDIO()                                                                  \
    do {                                                                                           \
        if (!::TestSupport::PulseAudioInstalled()) {                                               \
            if (std::getenv("CI") != nullptr && *std::getenv("CI") != '\0')                        \
                GTEST_FAIL() << "pulseaudio is not installed; run scripts/install-deps.sh";        \
            GTEST_SKIP() << "pulseaudio is not installed";                                         \
        }                                                                                          \
    } while (false)

// Skips as above, then starts Server or fails the test with its log.
#define START_PULSE_SERVER(Server)                                                                 \
    do {                                                                                           \
        SKIP_WITHOUT_PULSEAUDIO();                                                                 \
        std::string StartError_;                                                                   \
        ASSERT_TRUE((Server).Start(&StartError_)) << StartError_;                                  \
    } while (false)
