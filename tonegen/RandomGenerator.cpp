#include "RandomGenerator.h"

std::uint32_t RandSeed = 0;

std::uint32_t Random(std::uint32_t Range) {
    RandSeed = NextRandSeed(RandSeed);
    return DrawBelow(RandSeed, Range);
}

std::uint32_t AdvanceRandSeed(std::uint32_t Seed, std::uint64_t Count) {
    // One step is the affine map s -> M s + C. Squaring the map doubles the
    // number of steps it makes, so the binary digits of Count pick which
    // powers to apply; all of it is modulo 2^32, which unsigned arithmetic
    // gives for free.
    std::uint32_t M = 134775813u;
    std::uint32_t C = 1u;
    while (Count != 0) {
        if ((Count & 1u) != 0)
            Seed = M * Seed + C;
        C = M * C + C;
        M = M * M;
        Count >>= 1;
    }
    return Seed;
}
