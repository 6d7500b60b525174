// The process-wide pseudo-random generator that noise is drawn from.
//
// A linear congruential generator with a 32-bit state: each draw first
// advances the state as s := s x 134775813 + 1 (modulo 2^32) and then takes
// the upper 32 bits of the 64-bit product s x Range, a whole number from 0 to
// Range - 1. The renderer seeds it with 1 for every tone and puts the caller's
// state back afterwards, so noise is the same on every render and nobody else
// notices.
//
// Not locked: like the rest of the tone generator it is used on one thread.
#pragma once

#include <cstdint>

extern std::uint32_t RandSeed;

// The next draw below Range from RandSeed.
std::uint32_t Random(std::uint32_t Range);

// The state that Count draws lead to from Seed, in O(log Count) steps. The
// renderer uses it to give every noise voice its own place in the sequence
// without drawing the voices one after another.
std::uint32_t AdvanceRandSeed(std::uint32_t Seed, std::uint64_t Count);

inline std::uint32_t NextRandSeed(std::uint32_t Seed) {
    return Seed * 134775813u + 1u;
}

inline std::uint32_t DrawBelow(std::uint32_t Seed, std::uint32_t Range) {
    return static_cast<std::uint32_t>((std::uint64_t{Seed} * Range) >> 32);
}
