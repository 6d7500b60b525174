// A second, deliberately plain rendering of a tone, written straight from the
// rules stated in ToneRender.h: one pass per voice over every sample, the sine computed
// anew for each sample, the triangle and sawtooth levels carried from sample
// to sample, noise drawn voice after voice. It is slow and shares no code with
// the renderer, which is what makes it worth comparing against.
#pragma once

#include "ToneRender.h"

#include <cstdint>
#include <vector>

struct TReferenceTone {
    TToneSettings Settings;
    TToneFormat Format;
    std::int16_t Duration;
};

// The bytes after the header: D data bytes and the 32 spare bytes.
std::vector<std::uint8_t> ReferenceSamples(const TReferenceTone& Tone);
