// Small pieces both benchmarks use: timing, percentiles, options, input.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <vector>

typedef std::chrono::steady_clock BenchClock;

// The first frame's moment on three clocks: the bench's own, the boot clock
// that the process's start time in /proc is counted on, and the wall clock
// that the launching script's stamp is taken on.
struct FirstFrameMoment {
    BenchClock::time_point steady;
    timespec boot = {};
    timespec real = {};
    double cpuMs = 0;  // CPU time of the process (all threads) up to then
};

// Milliseconds between two clock readings.
double msBetween(BenchClock::time_point from, BenchClock::time_point to);
// The q-quantile (0..1) of an ascending list by the nearest-rank rule.
double percentile(const std::vector<double> &sorted, double q);
// A whole count from 1 to 1,000,000; false for anything else.
bool parseCount(const char *text, int &out);
// True when the counters see exactly one operator new and one malloc made
// on purpose (the counting works in this build).
bool countersSeeAllocations();
// Both clocks and the CPU time, now.
FirstFrameMoment markFirstFrame();
// Age of the process at that moment, from its start time in /proc/self/stat
// (clock ticks since boot, so 1/CLK_TCK resolution); -1 when unreadable.
double processAgeMs(const FirstFrameMoment &moment);
// Milliseconds from the launch stamp to a moment: LUMBRIK_BENCH_LAUNCH_US
// holds the wall clock in microseconds, taken by the launching script just
// before it runs the program (so loading and linking count too); -1 without it.
double launchAgeMs(const FirstFrameMoment &moment);
double launchAgeMs(const timespec &real);
// The wall clock now, for launchAgeMs.
timespec wallClockNow();
// Peak resident set of this process in MiB (VmHWM), or -1.
double peakMemoryMiB();
// CPU time (user + system) this process has used so far, in ms.
double processCpuMs();

// Counting pixel writes with the stencil buffer: every fragment that passes
// the alpha and depth tests adds one to its pixel's stencil value.
// Asks for an 8-bit stencil buffer in the mode opened next; call before the
// display opens (it starts SDL's video).
void requestCountingStencil();
// Clears the stencil and starts counting.
void beginCountingWrites();
// Stops counting; the sum of all stencil values, i.e. the writes since
// beginCountingWrites (each pixel saturates at 255). -1 without a stencil buffer.
double endCountingWrites(int width, int height);

// Memory at named moments of a run, printed only once switched on (--memory).
// Each line: resident set now and its peak (VmRSS, VmHWM), how much of it is
// anonymous (heap, driver buffers) and how much mapped files (libraries), and
// the C heap (mallinfo2: in use, of it in mmap'd blocks, and free but held), in MiB.
void enableMemoryMilestones();
// Prints one milestone line when switched on; does nothing otherwise.
void memoryMilestone(const char *name);
