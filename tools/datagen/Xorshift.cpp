#include "datagen/Xorshift.h"

uint32_t xorshiftNext(Xorshift32 &r)
{
    uint32_t x = r.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    r.state = x;
    return x;
}
