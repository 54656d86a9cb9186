// The frame clock: the one place the game reads the time. The real clock
// reads SDL_GetTicks; tests install a clock they step by hand.
#pragma once

#include <cstdint>

typedef uint32_t (*TickSource)(void *user);

struct FrameClock {
    TickSource source = nullptr;  // null: SDL_GetTicks
    void *user = nullptr;
};

// Milliseconds from the clock's source.
uint32_t readFrameClock(const FrameClock &clock);
