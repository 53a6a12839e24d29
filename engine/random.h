#pragma once
// The program's one pseudo-random generator: a 32-bit linear congruential seed shared by every
// effect. Effects that want a repeatable picture set RandSeed to 0 in their Render; the noise
// effects seed it from TickCount.

#include <cstdint>

namespace quv {

extern uint32_t RandSeed;

// Advances the seed (seed * 134775813 + 1 mod 2^32) and returns the upper 32 bits of the 64-bit
// product seed * n: a value from 0 to n - 1 (0 when n is 0).
inline uint32_t Random(uint32_t n)
{
    RandSeed = RandSeed * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(RandSeed) * n) >> 32);
}

} // namespace quv
