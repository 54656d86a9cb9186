// Counts heap allocations made anywhere in the process: calls of the global
// operator new family and, apart from those, calls of malloc, calloc and
// realloc; and the blocks still held (every allocation minus every free).
// Linking AllocationCounter.cpp into an executable replaces both families
// there, so shared libraries (SDL, Mesa, LLVM) are counted too.
#pragma once

#include <cstdint>

// Running totals; the "main" fields hold the share of the thread that called
// markMainThread (the one that runs the game loop), the rest are every thread.
struct AllocationCounts {
    uint64_t newCalls = 0;
    uint64_t newCallsMain = 0;
    uint64_t mallocCalls = 0;  // operator new's own requests are not in here
    uint64_t mallocCallsMain = 0;
};

// False when this build has no counting (sanitizer builds bring their own
// allocator, which the replacements would fight); every count stays 0.
bool allocationCountingActive();
// Records the calling thread as the main one.
void markMainThread();
// The totals so far.
AllocationCounts readAllocationCounts();
// after - before, field by field.
AllocationCounts allocationsBetween(const AllocationCounts &before, const AllocationCounts &after);

// Heap blocks allocated and not yet freed (every thread, every family of
// allocation), counted from start-up: by the replacements in a plain build,
// by the sanitizer allocator's own hooks in an AddressSanitizer build. Only
// differences between two readings mean something.
int64_t liveHeapBlocks();
// False when this build can count neither way; liveHeapBlocks stays 0.
bool liveHeapCountingActive();
