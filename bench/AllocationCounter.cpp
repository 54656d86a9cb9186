#include "AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

// Relaxed atomics: Mesa's worker threads allocate too, and the totals are
// only read between frames.
static std::atomic<uint64_t> newCalls{0}, newCallsMain{0};
static std::atomic<uint64_t> mallocCalls{0}, mallocCallsMain{0};
// Constant-initialised and in the executable's own TLS block, so reading it
// inside malloc needs no allocation of its own.
static thread_local bool onMainThread = false;

void markMainThread()
{
    onMainThread = true;
}

AllocationCounts readAllocationCounts()
{
    AllocationCounts c;
    c.newCalls = newCalls.load(std::memory_order_relaxed);
    c.newCallsMain = newCallsMain.load(std::memory_order_relaxed);
    c.mallocCalls = mallocCalls.load(std::memory_order_relaxed);
    c.mallocCallsMain = mallocCallsMain.load(std::memory_order_relaxed);
    return c;
}

AllocationCounts allocationsBetween(const AllocationCounts &before, const AllocationCounts &after)
{
    AllocationCounts d;
    d.newCalls = after.newCalls - before.newCalls;
    d.newCallsMain = after.newCallsMain - before.newCallsMain;
    d.mallocCalls = after.mallocCalls - before.mallocCalls;
    d.mallocCallsMain = after.mallocCallsMain - before.mallocCallsMain;
    return d;
}

#ifdef LUMBRIK_NO_ALLOCATION_COUNTER

bool allocationCountingActive()
{
    return false;
}

#else

bool allocationCountingActive()
{
    return true;
}

static void count(std::atomic<uint64_t> &all, std::atomic<uint64_t> &main)
{
    all.fetch_add(1, std::memory_order_relaxed);
    if (onMainThread)
        main.fetch_add(1, std::memory_order_relaxed);
}

// glibc's own allocator under its exported second names. Forwarding to these
// (rather than to dlsym(RTLD_NEXT, ...)) needs no lookup that could itself
// allocate, and works from the dynamic loader's first call on.
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
void __libc_free(void *p);

void *malloc(size_t size)
{
    count(mallocCalls, mallocCallsMain);
    return __libc_malloc(size);
}

void *calloc(size_t n, size_t size)
{
    count(mallocCalls, mallocCallsMain);
    return __libc_calloc(n, size);
}

void *realloc(void *p, size_t size)
{
    count(mallocCalls, mallocCallsMain);
    return __libc_realloc(p, size);
}

// glibc asks a malloc replacement for all four; free only forwards.
void free(void *p)
{
    __libc_free(p);
}
}

// The bench cannot do anything useful without memory, so running out ends it
// instead of throwing.
static void *checked(void *p)
{
    if (!p) {
        fputs("bench: out of memory\n", stderr);
        abort();
    }
    return p;
}

// Straight to glibc, so that a new is not counted a second time as a malloc.
static void *countedNew(size_t size)
{
    count(newCalls, newCallsMain);
    return __libc_malloc(size ? size : 1);
}

static void *countedAlignedNew(size_t size, std::align_val_t alignment)
{
    count(newCalls, newCallsMain);
    return __libc_memalign((size_t)alignment, size ? size : 1);
}

void *operator new(size_t size) { return checked(countedNew(size)); }
void *operator new[](size_t size) { return checked(countedNew(size)); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return countedNew(size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return countedNew(size); }
void *operator new(size_t size, std::align_val_t a) { return checked(countedAlignedNew(size, a)); }
void *operator new[](size_t size, std::align_val_t a) { return checked(countedAlignedNew(size, a)); }
void *operator new(size_t size, std::align_val_t a, const std::nothrow_t &) noexcept
{
    return countedAlignedNew(size, a);
}
void *operator new[](size_t size, std::align_val_t a, const std::nothrow_t &) noexcept
{
    return countedAlignedNew(size, a);
}

void operator delete(void *p) noexcept { __libc_free(p); }
void operator delete[](void *p) noexcept { __libc_free(p); }
void operator delete(void *p, size_t) noexcept { __libc_free(p); }
void operator delete[](void *p, size_t) noexcept { __libc_free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { __libc_free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { __libc_free(p); }
void operator delete(void *p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void *p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void *p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void *p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept { __libc_free(p); }
void operator delete[](void *p, std::align_val_t, const std::nothrow_t &) noexcept { __libc_free(p); }

#endif
