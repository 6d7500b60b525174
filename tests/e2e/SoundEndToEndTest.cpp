// Two steps of a frequency program played through the real sound library
// into a private PulseAudio null sink, and the sink's monitor compared with
// the oscillator bank: the samples bit for bit, the frequency, the right
// channel half a period ahead, and the phase running on into the next step.
//
// PulseAudio passes signed 16-bit stereo at 44100 Hz through a null sink at
// full volume unchanged, so what the monitor records is what the sound card
// would have been given.
#include "Bass.h"
#include "DDFS.h"
#include "PulseServer.h"
#include "RenderStream.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class TFixedWaveform : public TWaveformSource {
public:
    std::uint8_t W = DDFS::wfSquare;
    std::uint8_t SelectedWaveform() const override { return W; }
};

using TFrames = std::vector<std::int16_t>;

// What the oscillator bank gives from the current accumulators on, frame by
// frame, without touching them.
TFrames Expected(std::uint8_t Waveform, long double Frequency, std::size_t Frames) {
    const std::uint32_t Saved1 = DDFS::PhaseAccumulators[1], Saved9 = DDFS::PhaseAccumulators[9];
    const std::int16_t* Table = DDFS::TableOf(Waveform);
    TFrames Out;
    Out.reserve(2 * Frames);
    for (std::size_t K = 0; K < Frames; ++K) {
        Out.push_back(Table[DDFS::AdvancePhase(1, Frequency)]);
        Out.push_back(Table[DDFS::AdvancePhase(9, Frequency)]);
    }
    DDFS::PhaseAccumulators[1] = Saved1;
    DDFS::PhaseAccumulators[9] = Saved9;
    return Out;
}

// The recorded step: the frames from the first one that is not silence on.
TFrames Sounding(const TFrames& Recorded) {
    std::size_t First = 0;
    while (First + 1 < Recorded.size() && Recorded[First] == 0 && Recorded[First + 1] == 0)
        First += 2;
    return TFrames(Recorded.begin() + static_cast<std::ptrdiff_t>(First), Recorded.end());
}

// One step as the frequency programs make it, recorded from the monitor.
TFrames PlayStep(TestSupport::TPulseServer& Server, long double Frequency,
                 std::chrono::milliseconds Length) {
    TestSupport::TPulseCapture Capture(Server);
    std::string Error;
    EXPECT_TRUE(Capture.Start(&Error)) << Error;
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    CurrentFrequency = Frequency;
    OutputGain = 1.0L;
    const TStreamHandle Stream = BASS_StreamCreate(44100, 2, 0, RenderStream, nullptr);
    EXPECT_NE(Stream, 0u) << BASS_ErrorGetCode();
    EXPECT_TRUE(BASS_ChannelPlay(Stream, 0)) << BASS_ErrorGetCode();
    const auto Frames = static_cast<std::size_t>(Length.count()) * 44100 / 1000;
    EXPECT_TRUE(Capture.WaitForFrames(Frames, Length + 10s));
    BASS_Stop();
    BASS_Free();
    // Let the monitor deliver what the sink had already mixed.
    std::this_thread::sleep_for(200ms);
    return Capture.Stop();
}

// How many leading frames of Got equal Want from frame Offset on.
std::size_t MatchingFrames(const TFrames& Got, const TFrames& Want, std::size_t Offset) {
    std::size_t K = 0;
    while (2 * K + 1 < Got.size() && 2 * (Offset + K) + 1 < Want.size() &&
           Got[2 * K] == Want[2 * (Offset + K)] && Got[2 * K + 1] == Want[2 * (Offset + K) + 1])
        ++K;
    return K;
}

// The monitor starts recording a few frames into the stream (the sink wakes
// up from suspension as the stream starts), so the recording is aligned
// with the oscillator's sequence: the first frame of Want, within one device
// buffer, from which a second of the recording matches.
std::optional<std::size_t> Alignment(const TFrames& Got, const TFrames& Want) {
    for (std::size_t Offset = 0; Offset < 1024; ++Offset)
        if (MatchingFrames(Got, Want, Offset) >= 44100u * 9 / 10)
            return Offset;
    return std::nullopt;
}

// For a failure message: the longest match within a device buffer, and the
// recorded frames where it ends (silence there means that the sink ran dry).
std::string Mismatch(const TFrames& Got, const TFrames& Want) {
    std::size_t Best = 0, BestOffset = 0;
    for (std::size_t Offset = 0; Offset < 1024; ++Offset)
        if (const std::size_t M = MatchingFrames(Got, Want, Offset); M > Best)
            Best = M, BestOffset = Offset;
    std::ostringstream Text;
    Text << "longest match: " << Best << " frames from offset " << BestOffset << " of "
         << Got.size() / 2 << " recorded; then";
    for (std::size_t K = Best; K < Best + 4 && 2 * K + 1 < Got.size(); ++K)
        Text << ' ' << Got[2 * K] << ',' << Got[2 * K + 1];
    return Text.str();
}

TEST(SoundEndToEnd, TwoStepsSoundExactlyAsTheOscillatorBankWithThePhaseCarriedOver) {
    TestSupport::TPulseServer Server;
    START_PULSE_SERVER(Server);
    DDFS::Initialise();
    TFixedWaveform Source;
    WaveformSource = &Source;

    // Step 1: the BX program's 2128 Hz as a square wave.
    Source.W = DDFS::wfSquare;
    const TFrames Want1 = Expected(DDFS::wfSquare, 2128.0L, 3 * 44100);
    const TFrames Got1 = Sounding(PlayStep(Server, 2128.0L, 1000ms));
    const auto Offset1 = Alignment(Got1, Want1);
    ASSERT_TRUE(Offset1.has_value()) << Mismatch(Got1, Want1);
    // The whole recorded second matches; what follows is the silence after
    // the stop.
    const std::size_t Played1 = MatchingFrames(Got1, Want1, *Offset1);
    for (std::size_t K = Played1; K < Got1.size() / 2; ++K)
        ASSERT_TRUE(Got1[2 * K] == 0 && Got1[2 * K + 1] == 0) << "frame " << K;

    // Measured on the recording: the left channel is at the period start
    // (both channels low) every 2321 frames, and 112 periods pass in that
    // time, so the tone is 112 * 44100 / 2321 = 2128 * 44100 / 44099 Hz.
    std::vector<std::size_t> BothLow;
    for (std::size_t K = 0; K < Played1; ++K) {
        const int L = Got1[2 * K], R = Got1[2 * K + 1];
        if (L == R)
            BothLow.push_back(K);
        else
            ASSERT_EQ(R, -L) << "frame " << K; // right half a period ahead
    }
    ASSERT_GE(BothLow.size(), 10u);
    for (std::size_t N = 1; N < BothLow.size(); ++N)
        EXPECT_EQ(BothLow[N] - BothLow[N - 1], 2321u);
    std::size_t Falls = 0;
    for (std::size_t K = BothLow[0] + 1; K <= BothLow[1]; ++K)
        if (Got1[2 * K - 2] > 0 && Got1[2 * K] < 0)
            ++Falls;
    EXPECT_EQ(Falls, 112u);
    static_assert(112u * 44099u == 2128u * 2321u);

    // Step 2 continues from where the oscillator stopped (including frames
    // rendered but never played), as a sine at 3713 Hz.
    Source.W = DDFS::wfSine;
    const TFrames Want2 = Expected(DDFS::wfSine, 3713.0L, 3 * 44100);
    ASSERT_NE(DDFS::PhaseAccumulators[1], 0u);
    const TFrames Got2 = Sounding(PlayStep(Server, 3713.0L, 1000ms));
    // 3713 and 44099 share no factor, so the sequence does not repeat within
    // a period: a phase restarted at entry 0 would line up with the continued
    // sequence only by a rare coincidence of the wake-up offset.
    ASSERT_TRUE(Alignment(Got2, Want2).has_value()) << Mismatch(Got2, Want2);

    WaveformSource = nullptr;
}

} // namespace
