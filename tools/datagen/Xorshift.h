// xorshift32 (Marsaglia 2003, shifts 13, 17, 5): the data tools' one random
// generator. Tiny, and the same sequence on every run, compiler and platform,
// unlike rand(), so the generated archives come out byte for byte the same.
#pragma once

#include <cstdint>

// Invariant: state != 0 (zero is the generator's only fixed point).
struct Xorshift32 {
    uint32_t state = 1;
};

// Advances the generator and returns its new state, 1 .. 2^32 - 1.
uint32_t xorshiftNext(Xorshift32 &r);
