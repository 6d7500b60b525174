// The ADSR envelope: attack, hold, decay, sustain and release, applied in
// place to the samples of a freshly rendered tone.
//
// Attack, Hold, Decay and Release are shares of the tone's duration in
// percent; Sustain is a level in percent, and the sustain phase lasts for
// whatever share the other four leave. When the four shares exceed 100 they
// are scaled down and the release takes what the truncation leaves.
//
// The envelope reads the first (left) sample of each frame and writes the new
// value to every channel of the frame, so a stereo image has the same phase
// boundaries as the mono image of the same settings. 8-bit samples are
// processed around their centre 128. Gains are IEEE doubles, each formed and
// applied with one rounding per operation; a new value is the exact integer
// product of frame offset and sample, times the gain, truncated toward zero,
// so the envelope never enlarges a sample's magnitude.
#pragma once

#include "ToneTypes.h"

#include <array>
#include <cstdint>

struct TEnvelopeShares {
    std::int16_t Attack;
    std::int16_t Hold;
    std::int16_t Decay;
    std::int16_t Sustain;
    std::int16_t Release;
};

enum TEnvelopeStage : std::uint8_t { esAttack, esHold, esDecay, esSustain, esRelease };

struct TEnvelopePhase {
    bool Active;
    std::int64_t First; // first frame
    std::int64_t Count; // frames processed, cut at the end of the data
    std::int64_t N;     // the phase's length parameter n
    double Gain;
};

struct TEnvelopePlan {
    std::int64_t FrameCount;              // whole frames in the data; a part-frame is not touched
    std::array<TEnvelopePhase, 5> Phases; // indexed by TEnvelopeStage
};

// The phases for DataSize bytes of samples. Shares outside 0 to 100 are taken
// as the nearer bound.
TEnvelopePlan PlanEnvelope(std::uint32_t DataSize, bool Stereo, TTGResolution Resolution,
                           const TEnvelopeShares& Shares);

// Shapes the DataSize bytes at Data (the sample area of an image) in place.
void ApplyEnvelope(std::uint8_t* Data, std::uint32_t DataSize, bool Stereo,
                   TTGResolution Resolution, const TEnvelopeShares& Shares);
