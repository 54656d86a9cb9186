// Small pieces both benchmarks use: timing, percentiles, options, input.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

typedef std::chrono::steady_clock BenchClock;

// Milliseconds between two clock readings.
double msBetween(BenchClock::time_point from, BenchClock::time_point to);
// The q-quantile (0..1) of an ascending list by the nearest-rank rule.
double percentile(const std::vector<double> &sorted, double q);
// A whole count from 1 to 1,000,000; false for anything else.
bool parseCount(const char *text, int &out);
// True when the counters see exactly one operator new and one malloc made
// on purpose (the counting works in this build).
bool countersSeeAllocations();
// Queues a mouse motion to window pixel (x, y).
void pushMouseMotion(int32_t x, int32_t y);
