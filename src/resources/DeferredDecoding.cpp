#include "resources/DeferredDecoding.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#include <SDL.h>
#ifndef LUMBRIK_STB_IMAGE
#include <SDL_image.h>
#endif
#include <SDL_thread.h>

#include "app/GL.h"
#include "platform/Platform.h"
#include "resources/AheadDecoding.h"
#include "resources/PakArchive.h"
#include "resources/PakCache.h"
#include "resources/Texture.h"

namespace {

// Decoded images at least this large give their memory back once uploaded.
const size_t LARGE_IMAGE_BYTES = 256 * 1024;

// One image to decode. `bytes` never change once queued. The thread that
// takes it writes pixels and ok, which the main thread reads only after
// every worker has ended; textureId and cancelled are the main thread's.
struct DecodeJob {
    std::vector<unsigned char> bytes;  // a copy: its archive may close first
    bool prefetched = false;  // from a prefetch list, waiting to be claimed
    uint32_t textureId = 0;   // 0 while a prefetched image is unclaimed
    TexturePixels pixels;
    bool ok = false;
    bool cancelled = false;  // released before deferral finished
};

// One archive whose images are to be decoded ahead of their request. Its
// reader writes `archive`; the main thread takes it only once every read is done.
struct ReadJob {
    std::vector<std::string> paths;    // tried in order
    std::vector<std::string> entries;  // empty: every PNG entry
    PakArchive *archive = nullptr;     // Owns: loaded from paths[0], until taken
    bool taken = false;
};

// Invariant: reads[0, nextRead) and jobs[0, nextJob) have been taken;
// readsLeft counts reads not yet completed; workers run exactly while
// active. The lock guards the growth of both sequences and every counter.
struct DecodeQueue {
    std::vector<ReadJob *> reads;   // Owns: each read, until finish
    std::vector<DecodeJob *> jobs;  // Owns: each job, until finish
    size_t nextRead = 0;
    size_t nextJob = 0;
    int readsLeft = 0;
    bool closing = false;  // no job will be added; idle workers end
    bool active = false;
    SDL_mutex *lock = nullptr;    // Owns
    SDL_cond *changed = nullptr;  // Owns: a job queued, a read completed, closing
    SDL_Thread *workers[DECODE_WORKERS] = {};
};

// Workers add to these while the main thread reads them.
struct AtomicTally {
    std::atomic<int32_t> onMainThread{0};
    std::atomic<int32_t> onWorkers{0};
    int64_t mainThreadMicros = 0;  // the main thread's alone
};

AtomicTally tally;

// Never destroyed: a fatal exit during start-up runs static destructors
// while workers may still be taking jobs.
DecodeQueue &queue = *new DecodeQueue;

}  // namespace

static void appendJob(DecodeQueue &q, DecodeJob *job)
{
    SDL_mutexP(q.lock);
    q.jobs.push_back(job);
    SDL_CondBroadcast(q.changed);
    SDL_mutexV(q.lock);
}

// Loads the archive and queues its wanted PNG entries, then counts the read
// done. An archive from the first path is kept for the cache to take.
static void runRead(DecodeQueue &q, ReadJob &read)
{
    PakArchive *loaded = new PakArchive;
    PakArchive &archive = *loaded;
    for (size_t p = 0; p < read.paths.size(); p++) {
        if (loadPakArchive(archive, read.paths[p].c_str()) != PAK_OK)
            continue;
        if (p == 0)
            read.archive = loaded;
        break;
    }
    for (const PakArchiveEntry &entry : archive.entries) {
        bool wanted = read.entries.empty() || findExactName(read.entries, entry.name.c_str()) >= 0;
        if (!wanted || !looksLikePng(entry.data, entry.size))
            continue;
        DecodeJob *job = new DecodeJob;
        job->bytes.assign(entry.data, entry.data + entry.size);
        job->prefetched = true;
        appendJob(q, job);
    }
    if (read.archive != loaded)
        delete loaded;
    SDL_mutexP(q.lock);
    q.readsLeft--;
    SDL_CondBroadcast(q.changed);
    SDL_mutexV(q.lock);
}

DecodeTally decodeTally()
{
    DecodeTally t;
    t.onMainThread = tally.onMainThread.load();
    t.onWorkers = tally.onWorkers.load();
    t.mainThreadMicros = tally.mainThreadMicros;
    return t;
}

bool decodeCounted(const unsigned char *data, uint32_t size, TexturePixels &out, bool mainThread)
{
    if (!mainThread) {
        tally.onWorkers++;
        return decodeImage(data, size, out);
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = decodeImage(data, size, out);
    auto spent = std::chrono::steady_clock::now() - start;
    tally.onMainThread++;
    tally.mainThreadMicros += std::chrono::duration_cast<std::chrono::microseconds>(spent).count();
    return ok;
}

static void decodeJob(DecodeJob *job, bool mainThread)
{
    job->ok = decodeCounted(job->bytes.data(), (uint32_t)job->bytes.size(), job->pixels, mainThread);
}

// Takes and does one read or decode; false when there is nothing to take and,
// with `wait` (a worker's), the queue is closing. Without it: the main thread.
static bool workOnce(DecodeQueue &q, bool wait)
{
    SDL_mutexP(q.lock);
    while (wait && q.nextRead == q.reads.size() && q.nextJob == q.jobs.size() && !q.closing)
        SDL_CondWait(q.changed, q.lock);
    ReadJob *read = q.nextRead < q.reads.size() ? q.reads[q.nextRead++] : nullptr;
    DecodeJob *job = !read && q.nextJob < q.jobs.size() ? q.jobs[q.nextJob++] : nullptr;
    SDL_mutexV(q.lock);
    if (read)
        runRead(q, *read);
    if (job)
        decodeJob(job, !wait);
    return read || job;
}

static int decodeWorker(void *user)
{
    while (workOnce(*(DecodeQueue *)user, true)) {
    }
    return 0;
}

static void destroySync(DecodeQueue &q)
{
    if (q.changed)
        SDL_DestroyCond(q.changed);
    if (q.lock)
        SDL_DestroyMutex(q.lock);
    q.changed = nullptr;
    q.lock = nullptr;
}

bool beginDeferredDecoding()
{
    if (queue.active)
        return false;
    // SDL_image sets its PNG reader up on first use, and that set-up must not
    // race; only PNGs are ever decoded by the workers.
#ifndef LUMBRIK_STB_IMAGE
    IMG_Init(IMG_INIT_PNG);
#endif
    queue.lock = SDL_CreateMutex();
    queue.changed = SDL_CreateCond();
    if (!queue.lock || !queue.changed) {
        destroySync(queue);
        return false;
    }
    queue.closing = false;
    int started = 0;
    for (SDL_Thread *&worker : queue.workers) {
        worker = SDL_CreateThread(decodeWorker, &queue);
        started += worker != nullptr;
    }
    if (started == 0) {
        destroySync(queue);
        return false;
    }
    queue.active = true;
    return true;
}

bool deferredDecodingActive() { return queue.active; }

void prefetchImages(const std::vector<std::string> &paths, const std::vector<std::string> &entries)
{
    if (!queue.active)
        return;
    ReadJob *read = new ReadJob;
    read->paths = paths;
    read->entries = entries;
    SDL_mutexP(queue.lock);
    queue.reads.push_back(read);
    queue.readsLeft++;
    SDL_CondBroadcast(queue.changed);
    SDL_mutexV(queue.lock);
}

// Returns once every read has queued its jobs; from then on only this thread
// changes the queue.
static void waitForReads(DecodeQueue &q)
{
    SDL_mutexP(q.lock);
    while (q.readsLeft > 0)
        SDL_CondWait(q.changed, q.lock);
    SDL_mutexV(q.lock);
}

PakArchive *takePrefetchedArchive(const std::vector<std::string> &paths)
{
    if (!queue.active)
        return nullptr;
    waitForReads(queue);
    for (ReadJob *read : queue.reads) {
        if (read->archive && read->paths == paths) {
            PakArchive *archive = read->archive;
            read->archive = nullptr;
            read->taken = true;
            return archive;
        }
    }
    return nullptr;
}

// An unclaimed prefetched job holding exactly these bytes, once every read
// has queued its jobs; null when there is none.
static DecodeJob *prefetchedCopy(DecodeQueue &q, const unsigned char *data, uint32_t size)
{
    waitForReads(q);
    // Only this thread adds jobs from now on, so the sequence is stable here.
    for (DecodeJob *job : q.jobs) {
        if (job->prefetched && job->textureId == 0 && job->bytes.size() == size &&
            memcmp(job->bytes.data(), data, size) == 0)
            return job;
    }
    return nullptr;
}

static uint32_t decodeNow(const unsigned char *data, uint32_t size)
{
    TexturePixels pixels;
    return decodeCounted(data, size, pixels, true) ? uploadTexture(pixels) : 0;
}

// Uploads an ahead decode of these bytes when there is one, else decodes them now.
static uint32_t uploadNow(const unsigned char *data, uint32_t size)
{
    TexturePixels pixels;
    bool ok = false;
    if (!claimAheadDecode(data, size, pixels, ok))
        return decodeNow(data, size);
    uint32_t texture = ok ? uploadTexture(pixels) : 0;
    bool large = pixels.pixels.size() >= LARGE_IMAGE_BYTES;
    pixels = TexturePixels();
    // Decoded on the worker: freed into its heap (see finishDeferredDecoding).
    if (large)
        platformReleaseFreeMemory();
    return texture;
}

uint32_t imageTexture(const unsigned char *data, uint32_t size)
{
    if (!queue.active)
        return uploadNow(data, size);
    if (!looksLikePng(data, size))
        return decodeNow(data, size);
    DecodeJob *job = prefetchedCopy(queue, data, size);
    if (!job) {
        job = new DecodeJob;
        job->bytes.assign(data, data + size);
        appendJob(queue, job);
    }
    GLuint id = 0;
    glGenTextures(1, &id);
    job->textureId = id;
    return id;
}

// Marks every job holding `textureId` cancelled. A deleted name may be handed
// out again to a later job, so earlier jobs may share this id; they were all
// released. The walk holds the lock: reader threads may still be appending.
static void cancelJobsOf(DecodeQueue &q, uint32_t textureId)
{
    SDL_mutexP(q.lock);
    for (DecodeJob *job : q.jobs) {
        if (job->textureId == textureId)
            job->cancelled = true;
    }
    SDL_mutexV(q.lock);
}

void releaseImageTexture(uint32_t textureId)
{
    if (queue.active)
        cancelJobsOf(queue, textureId);
    deleteTexture(textureId);
}

static void endWorkers(DecodeQueue &q)
{
    SDL_mutexP(q.lock);
    q.closing = true;
    SDL_CondBroadcast(q.changed);
    SDL_mutexV(q.lock);
    while (workOnce(q, false)) {
    }
    for (SDL_Thread *&worker : q.workers) {
        if (worker)
            SDL_WaitThread(worker, nullptr);
        worker = nullptr;
    }
}

DecodeCounts finishDeferredDecoding()
{
    DecodeCounts counts;
    if (!queue.active)
        return counts;
    endWorkers(queue);
    for (DecodeJob *job : queue.jobs) {
        counts.prefetched += job->prefetched;
        counts.claimed += job->prefetched && job->textureId != 0;
        counts.requested += !job->prefetched;
        if (job->ok && job->textureId != 0 && !job->cancelled)
            fillTexture(job->textureId, job->pixels);
        bool large = job->pixels.pixels.size() >= LARGE_IMAGE_BYTES;
        delete job;
        // The pixels were freed into a worker's heap, where they would stay
        // counted while the driver allocates the texture's own copy.
        if (large)
            platformReleaseFreeMemory();
    }
    for (ReadJob *read : queue.reads) {
        counts.archivesRead += read->archive || read->taken;
        counts.archivesTaken += read->taken;
        delete read->archive;
        delete read;
    }
    queue.jobs.clear();
    queue.reads.clear();
    queue.nextJob = queue.nextRead = 0;
    queue.readsLeft = 0;
    destroySync(queue);
    queue.active = false;
    releaseParkedAhead();
    return counts;
}
