#include "BenchCommon.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <malloc.h>

#include <unistd.h>

#include <GL/gl.h>
#include <SDL.h>

#include "support/AllocationCounter.h"

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

FirstFrameMoment markFirstFrame()
{
    FirstFrameMoment m;
    m.steady = BenchClock::now();
    clock_gettime(CLOCK_BOOTTIME, &m.boot);
    m.real = wallClockNow();
    m.cpuMs = processCpuMs();
    return m;
}

double processAgeMs(const FirstFrameMoment &moment)
{
    FILE *in = fopen("/proc/self/stat", "r");
    if (!in)
        return -1;
    char text[1024] = {};
    size_t n = fread(text, 1, sizeof text - 1, in);
    fclose(in);
    text[n] = '\0';
    const char *p = strrchr(text, ')');  // the command name may hold spaces
    unsigned long long start = 0;
    // Each step lands on the space before field 3, 4, ... 22 (the start time).
    for (int field = 3; p && field <= 22; field++)
        p = strchr(p + 1, ' ');
    if (!p || sscanf(p + 1, "%llu", &start) != 1)
        return -1;
    double startMs = 1000.0 * (double)start / (double)sysconf(_SC_CLK_TCK);
    double nowMs = (double)moment.boot.tv_sec * 1000.0 + (double)moment.boot.tv_nsec / 1e6;
    return nowMs - startMs;
}

timespec wallClockNow()
{
    timespec t = {};
    clock_gettime(CLOCK_REALTIME, &t);
    return t;
}

double launchAgeMs(const timespec &real)
{
    const char *stamp = getenv("LUMBRIK_BENCH_LAUNCH_US");
    char *end = nullptr;
    long long us = stamp ? strtoll(stamp, &end, 10) : 0;
    if (!stamp || end == stamp || *end != '\0' || us <= 0)
        return -1;
    return (double)real.tv_sec * 1000.0 + (double)real.tv_nsec / 1e6 - (double)us / 1000.0;
}

double launchAgeMs(const FirstFrameMoment &moment)
{
    return launchAgeMs(moment.real);
}

double peakMemoryMiB()
{
    FILE *in = fopen("/proc/self/status", "r");
    if (!in)
        return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, in))
        if (sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    fclose(in);
    return kb < 0 ? -1 : kb / 1024.0;
}

double processCpuMs()
{
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

void requestCountingStencil()
{
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
}

void beginCountingWrites()
{
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xff);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
}

double endCountingWrites(int width, int height)
{
    glDisable(GL_STENCIL_TEST);
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    if (bits < 8)
        return -1;
    std::vector<unsigned char> stencil((size_t)width * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, stencil.data());
    double sum = 0;
    for (unsigned char v : stencil)
        sum += v;
    return sum;
}

static bool memoryMilestones = false;

void enableMemoryMilestones()
{
    memoryMilestones = true;
}

// The kB figures of the named fields of a /proc file, in order; -1 for each absent.
static void readKbFields(const char *path, const char *const *names, int count, long *kb)
{
    for (int k = 0; k < count; k++)
        kb[k] = -1;
    FILE *in = fopen(path, "r");
    if (!in)
        return;
    char line[256];
    while (fgets(line, sizeof line, in))
        for (int k = 0; k < count; k++) {
            size_t n = strlen(names[k]);
            if (strncmp(line, names[k], n) == 0 && line[n] == ':')
                kb[k] = strtol(line + n + 1, nullptr, 10);
        }
    fclose(in);
}

void memoryMilestone(const char *name)
{
    if (!memoryMilestones)
        return;
    static const char *const STATUS[] = {"VmRSS", "VmHWM", "RssAnon", "RssFile"};
    long kb[4];
    readKbFields("/proc/self/status", STATUS, 4, kb);
    struct mallinfo2 heap = mallinfo2();
    const double MIB = 1024.0 * 1024.0;
    printf("memory %-22s rss %6.1f  peak %6.1f  anon %6.1f  files %5.1f  heap: in use %6.1f "
           "(mmap'd %5.1f), free but held %5.1f\n",
           name, kb[0] / 1024.0, kb[1] / 1024.0, kb[2] / 1024.0, kb[3] / 1024.0,
           (double)(heap.uordblks + heap.hblkhd) / MIB, (double)heap.hblkhd / MIB, (double)heap.fordblks / MIB);
}
