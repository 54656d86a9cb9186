#include "app/FrameClock.h"

#include <SDL.h>

uint32_t readFrameClock(const FrameClock &clock)
{
    if (clock.source)
        return clock.source(clock.user);
    return SDL_GetTicks();
}
