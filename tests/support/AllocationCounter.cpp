#include "support/AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cerrno>
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
// Every block handed out and every block given back, for liveHeapBlocks.
static std::atomic<int64_t> blocksAllocated{0}, blocksFreed{0};

int64_t liveHeapBlocks()
{
    return blocksAllocated.load(std::memory_order_relaxed) - blocksFreed.load(std::memory_order_relaxed);
}

[[maybe_unused]] static void *allocated(void *p)
{
    if (p)
        blocksAllocated.fetch_add(1, std::memory_order_relaxed);
    return p;
}

[[maybe_unused]] static void freed(void *p)
{
    if (p)
        blocksFreed.fetch_add(1, std::memory_order_relaxed);
}

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

#if defined(__SANITIZE_ADDRESS__)
#define LUMBRIK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMBRIK_ASAN 1
#endif
#endif

#ifdef LUMBRIK_NO_ALLOCATION_COUNTER

bool allocationCountingActive()
{
    return false;
}

#ifdef LUMBRIK_ASAN
// AddressSanitizer owns malloc here; its allocator reports every block it
// hands out and takes back to hooks installed before main.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *, size_t),
                                                          void (*freeHook)(const volatile void *));

static void sanitizerMallocHook(const volatile void *p, size_t)
{
    allocated((void *)p);
}

static void sanitizerFreeHook(const volatile void *p)
{
    freed((void *)p);
}

static const bool sanitizerHooksInstalled =
    __sanitizer_install_malloc_and_free_hooks(sanitizerMallocHook, sanitizerFreeHook) != 0;

bool liveHeapCountingActive()
{
    return sanitizerHooksInstalled;
}
#else
bool liveHeapCountingActive()
{
    return false;
}
#endif

#else

bool liveHeapCountingActive()
{
    return true;
}

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
void *__libc_valloc(size_t size);
void *__libc_pvalloc(size_t size);

void *malloc(size_t size)
{
    count(mallocCalls, mallocCallsMain);
    return allocated(__libc_malloc(size));
}

void *calloc(size_t n, size_t size)
{
    count(mallocCalls, mallocCallsMain);
    return allocated(__libc_calloc(n, size));
}

// A block moved keeps the live count; realloc(p, 0) frees p.
void *realloc(void *p, size_t size)
{
    count(mallocCalls, mallocCallsMain);
    void *q = __libc_realloc(p, size);
    if (!p)
        allocated(q);
    else if (size == 0 && !q)
        freed(p);
    return q;
}

// glibc asks a malloc replacement for all four; free is not a call counted
// above, only a block given back.
void free(void *p)
{
    freed(p);
    __libc_free(p);
}

// The aligned family is not in the call counts above, but its blocks come
// back through free, so the live count must see them go out too.
void *memalign(size_t alignment, size_t size)
{
    return allocated(__libc_memalign(alignment, size));
}

void *aligned_alloc(size_t alignment, size_t size)
{
    return allocated(__libc_memalign(alignment, size));
}

int posix_memalign(void **out, size_t alignment, size_t size)
{
    if (alignment % sizeof(void *) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void *p = allocated(__libc_memalign(alignment, size));
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

void *valloc(size_t size)
{
    return allocated(__libc_valloc(size));
}

void *pvalloc(size_t size)
{
    return allocated(__libc_pvalloc(size));
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
    return allocated(__libc_malloc(size ? size : 1));
}

static void *countedAlignedNew(size_t size, std::align_val_t alignment)
{
    count(newCalls, newCallsMain);
    return allocated(__libc_memalign((size_t)alignment, size ? size : 1));
}

static void countedDelete(void *p)
{
    freed(p);
    __libc_free(p);
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

void operator delete(void *p) noexcept { countedDelete(p); }
void operator delete[](void *p) noexcept { countedDelete(p); }
void operator delete(void *p, size_t) noexcept { countedDelete(p); }
void operator delete[](void *p, size_t) noexcept { countedDelete(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { countedDelete(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { countedDelete(p); }
void operator delete(void *p, std::align_val_t) noexcept { countedDelete(p); }
void operator delete[](void *p, std::align_val_t) noexcept { countedDelete(p); }
void operator delete(void *p, size_t, std::align_val_t) noexcept { countedDelete(p); }
void operator delete[](void *p, size_t, std::align_val_t) noexcept { countedDelete(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept { countedDelete(p); }
void operator delete[](void *p, std::align_val_t, const std::nothrow_t &) noexcept { countedDelete(p); }

#endif
