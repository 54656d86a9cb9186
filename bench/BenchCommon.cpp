#include "BenchCommon.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include <SDL.h>

#include "AllocationCounter.h"

double msBetween(BenchClock::time_point from, BenchClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double percentile(const std::vector<double> &sorted, double q)
{
    size_t rank = (size_t)ceil(q * (double)sorted.size());
    return sorted[rank == 0 ? 0 : rank - 1];
}

bool parseCount(const char *text, int &out)
{
    char *end = nullptr;
    long v = strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 1 || v > 1000000)
        return false;
    out = (int)v;
    return true;
}

bool countersSeeAllocations()
{
    AllocationCounts before = readAllocationCounts();
    void *volatile object = ::operator new(24);
    ::operator delete(object);
    void *volatile block = malloc(24);
    free(block);
    AllocationCounts d = allocationsBetween(before, readAllocationCounts());
    return d.newCallsMain == 1 && d.mallocCallsMain == 1;
}

void pushMouseMotion(int32_t x, int32_t y)
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = SDL_MOUSEMOTION;
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.x = (Uint16)x;
    event.motion.y = (Uint16)y;
    SDL_PushEvent(&event);
}
