// Tone rendering: the main tone and up to eight partial tones, each a sine,
// square, triangle, sawtooth or noise voice, mixed into the sample area of a
// WAV image.
//
// Units: frequencies in whole Hz, amplitudes in whole percent of full scale,
// sizes in bytes. The result is fixed to the byte for given settings, noise
// included (see RandomGenerator.h).
//
// Floating point is IEEE double throughout, each operation rounded on its own
// (the build forbids contraction and fast-math). In particular the period
// bookkeeping forms m x T as a double product before truncating it, and the
// sine phase step is the double quotient of 2 pi (rounded to double) by the
// first period's length. Extended products would move some period boundaries
// by a sample: for 20000 Hz at 96000 Hz (T = 4.8, just below in binary) the
// double product 5 x T rounds to 24 and the sixth period starts at sample 24,
// where extended precision would keep 23.99... and start it at 23.
//
// Mixing is exact: the voices of a frame are summed as integers wider than a
// sample and the sum is clamped once to the format's range, so an overloaded
// mix saturates instead of wrapping to the opposite extreme. Where nothing
// overflows, this is the same as adding each voice onto the sample in turn.
//
// Settings that have no sound, decided here so that no setting is undefined:
// - a partial whose frequency without multiplier is not a number, below 1 Hz
//   or above 32767 Hz (the largest frequency a voice can hold) is silent,
//   whatever its waveform;
// - a periodic voice (sine, square, triangle, sawtooth) above half the sample
//   rate (22050 or 48000 Hz) is silent: its period would be shorter than two
//   samples, and a triangle's half period could be 0. Noise has no period, so
//   its frequency does not matter: a noise voice sounds, and draws once per
//   frame, at any frequency from 1 to 32767 Hz;
// - a multiplied partial frequency that is not a number is silent.
// A silent partial still takes its share of the amplitude, so the main tone
// keeps sounding at what the partials leave of 100 percent.
#pragma once

#include "ToneTypes.h"

#include <array>
#include <cstdint>
#include <span>

inline constexpr int VoiceCount = 1 + AMLevelCount;

struct TToneVoice {
    std::int32_t Amplitude; // percent; 0 or less is silent
    std::int32_t Frequency; // Hz; 0 or less is silent
    TTGWave Waveform;       // values above tgNoise render as noise
};

using TToneVoices = std::array<TToneVoice, VoiceCount>;

// The settings a rendering reads.
struct TToneSettings {
    std::int16_t Frequency;
    TTGWave Waveform;
    bool UseMultiplier;
    std::int16_t AMAmplitudes[AMLevelCount];
    TTGWave AMWaveforms[AMLevelCount];
    float AMFrequencies[AMLevelCount];
};

struct TVoicePlan {
    TToneVoices Voices; // the main tone first, then partials 1 to 8
    // Bit k is set when partial k's multiplied frequency lay outside 20 to
    // 20000 Hz and was limited; the component reports that at design time.
    std::uint8_t ClampedPartials;
};

// The amplitude and multiplier rules: the main tone gets 100 minus the sum of
// the eight partial amplitudes; when that sum exceeds 100, every partial is
// scaled to (amplitude x 100) div sum. A multiplied frequency is Frequency x
// multiplier truncated and limited to 20 to 20000 (any larger product,
// however large, gives 20000); without multiplier it is the stored value
// truncated, silent outside 1 to 32767.
TVoicePlan PlanVoices(const TToneSettings& Settings);

// Frequency x Multiplier, truncated toward zero and limited to 20 to 20000;
// sets Clamped when the limit applied. 0 (silent) for a product that is not a
// number.
std::int32_t MultipliedFrequency(std::int16_t Frequency, float Multiplier, bool& Clamped);

// A partial's own frequency in Hz truncated toward zero: 1 to 32767, or 0
// (silent) for anything else.
std::int32_t PlainPartialFrequency(float Frequency);

struct TToneFormat {
    TTGResolution Resolution;
    TTGQuality Quality;
    bool Stereo;
};

// Whether a voice adds anything at Rate samples per second: a positive
// amplitude and frequency, and for every waveform but noise a frequency of at
// most half the rate.
bool VoiceSounds(const TToneVoice& Voice, std::uint32_t Rate);

// The largest amplitude the amplitude rule can give a voice (a main tone
// against eight partials at -32768 percent); larger ones are taken as this.
inline constexpr std::int32_t MaxVoiceAmplitude = 100 + AMLevelCount * 32768;

// Writes every frame that starts below DataSize as silence plus the sum of the
// sounding voices, both channels alike in stereo. Data must have room for the
// last frame to run up to 3 bytes past DataSize (the image's spare bytes).
// Each noise voice draws once per frame from RandSeed, in voice order, and
// RandSeed is left after the last draw. Allocates a period table per voice and
// returns false, with the data incomplete, if that allocation fails.
bool RenderVoices(std::uint8_t* Data, std::uint32_t DataSize, const TToneFormat& Format,
                  std::span<const TToneVoice> Voices);
