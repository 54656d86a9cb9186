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

// decodeImage, counted for the thread that calls it.
static bool decodeCounted(const unsigned char *data, uint32_t size, TexturePixels &out, bool mainThread)
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

// ---------------------------------------------------------------- ahead of need

namespace {

enum AheadState { AHEAD_QUEUED, AHEAD_DECODING, AHEAD_DONE };

// One image decoded ahead. The worker writes pixels and ok while it is
// AHEAD_DECODING; everything else, and the state, only under the pool's lock.
struct AheadJob {
    int set = 0;
    std::string key;                   // archive path, overlay and entry name
    std::vector<unsigned char> bytes;  // a copy: its archive is closed at once
    TexturePixels pixels;
    bool ok = false;
    AheadState state = AHEAD_QUEUED;
    bool dropped = false;  // dropped while under way: the worker deletes it
};

struct AheadRead {
    int set = 0;
    int32_t generation = 0;  // the set's request it belongs to
    AheadArchive archive;
};

// Invariant: jobs holds every job not claimed or dropped; a read whose
// generation is not its set's any longer queues nothing. The lock guards
// every field once the worker runs.
struct AheadPool {
    std::vector<AheadRead *> reads;  // Owns: queued, oldest first
    std::vector<AheadJob *> jobs;    // Owns: except dropped ones under way (the worker's)
    std::vector<AheadArchive> requested[AHEAD_SETS];
    std::vector<AheadArchive> parked[AHEAD_SETS];  // asked for during start-up's deferral
    int32_t generation[AHEAD_SETS] = {};
    int busy = 0;  // reads and decodes under way
    bool on = true;
    bool stopping = false;
    SDL_mutex *lock = nullptr;    // Owns: created once, never destroyed
    SDL_cond *changed = nullptr;  // Owns: work queued, work done, stopping
    SDL_Thread *worker = nullptr;
};

// Never destroyed, as the deferral's queue.
AheadPool &ahead = *new AheadPool;

}  // namespace

static bool operator==(const AheadArchive &a, const AheadArchive &b)
{
    return a.paths == b.paths && a.overlay == b.overlay && a.entries == b.entries;
}

static std::string aheadKey(const AheadArchive &archive, const std::string &entry)
{
    return archive.paths[0] + '\n' + archive.overlay + '\n' + entry;
}

static bool heldKey(const AheadPool &pool, int set, const std::string &key)
{
    for (const AheadJob *job : pool.jobs) {
        if (job->set == set && job->key == key)
            return true;
    }
    return false;
}

// The archive as the cache would open it: first loading path, overlay laid over.
static bool loadAheadArchive(const AheadArchive &wanted, PakArchive &archive)
{
    bool loaded = false;
    for (size_t p = 0; p < wanted.paths.size() && !loaded; p++)
        loaded = loadPakArchive(archive, wanted.paths[p].c_str()) == PAK_OK;
    // An overlay that cannot be read leaves the archive as the cache will leave it.
    if (loaded && !wanted.overlay.empty())
        layOverlay(archive, wanted.overlay.c_str());
    return loaded;
}

// Reads one archive (worker, unlocked) and queues its wanted PNG entries
// not already held, unless its request was replaced meanwhile.
static void runAheadRead(AheadPool &pool, AheadRead *read)
{
    PakArchive archive;
    std::vector<AheadJob *> found;
    if (loadAheadArchive(read->archive, archive)) {
        for (const PakArchiveEntry &entry : archive.entries) {
            const std::vector<std::string> &names = read->archive.entries;
            if ((!names.empty() && findExactName(names, entry.name.c_str()) < 0) || !looksLikePng(entry.data, entry.size))
                continue;
            AheadJob *job = new AheadJob;
            job->set = read->set;
            job->key = aheadKey(read->archive, entry.name);
            job->bytes.assign(entry.data, entry.data + entry.size);
            found.push_back(job);
        }
    }
    SDL_mutexP(pool.lock);
    for (AheadJob *job : found) {
        if (read->generation == pool.generation[read->set] && pool.on && !heldKey(pool, job->set, job->key))
            pool.jobs.push_back(job);
        else
            delete job;
    }
    delete read;
    pool.busy--;
    SDL_CondBroadcast(pool.changed);
    SDL_mutexV(pool.lock);
}

static AheadJob *firstQueued(const AheadPool &pool)
{
    for (AheadJob *job : pool.jobs) {
        if (job->state == AHEAD_QUEUED)
            return job;
    }
    return nullptr;
}

static void runAheadDecode(AheadPool &pool, AheadJob *job)
{
    job->ok = decodeCounted(job->bytes.data(), (uint32_t)job->bytes.size(), job->pixels, false);
    SDL_mutexP(pool.lock);
    job->state = AHEAD_DONE;
    if (job->dropped)
        delete job;
    pool.busy--;
    SDL_CondBroadcast(pool.changed);
    SDL_mutexV(pool.lock);
}

// Reads come first: they queue the decodes.
static int aheadWorker(void *user)
{
    AheadPool &pool = *(AheadPool *)user;
    SDL_mutexP(pool.lock);
    for (;;) {
        while (!pool.stopping && pool.reads.empty() && !firstQueued(pool))
            SDL_CondWait(pool.changed, pool.lock);
        if (pool.stopping)
            break;
        AheadRead *read = pool.reads.empty() ? nullptr : pool.reads.front();
        AheadJob *job = read ? nullptr : firstQueued(pool);
        if (read)
            pool.reads.erase(pool.reads.begin());
        else
            job->state = AHEAD_DECODING;
        pool.busy++;
        SDL_mutexV(pool.lock);
        if (read)
            runAheadRead(pool, read);
        else
            runAheadDecode(pool, job);
        SDL_mutexP(pool.lock);
    }
    SDL_mutexV(pool.lock);
    return 0;
}

static bool startAheadWorker(AheadPool &pool)
{
    if (pool.worker)
        return true;
    if (!pool.lock)
        pool.lock = SDL_CreateMutex();
    if (!pool.changed)
        pool.changed = SDL_CreateCond();
    if (!pool.lock || !pool.changed)
        return false;
#ifndef LUMBRIK_STB_IMAGE
    IMG_Init(IMG_INIT_PNG);  // set up once, before any worker decodes
#endif
    pool.stopping = false;
    pool.worker = SDL_CreateThread(aheadWorker, &pool);
    return pool.worker != nullptr;
}

// Under the lock: drops set `set`'s jobs that `keep` does not name (all
// when null) and its queued reads; true when pixels were freed.
static bool dropJobsLocked(AheadPool &pool, int set, const std::vector<AheadArchive> *keep)
{
    bool freed = false;
    for (size_t i = 0; i < pool.jobs.size();) {
        AheadJob *job = pool.jobs[i];
        bool kept = job->set != set;
        for (size_t k = 0; keep && !kept && k < keep->size(); k++) {
            const AheadArchive &a = (*keep)[k];
            for (size_t e = 0; !kept && e < a.entries.size(); e++)
                kept = job->key == aheadKey(a, a.entries[e]);
            kept = kept || (a.entries.empty() && job->key.compare(0, aheadKey(a, "").size(), aheadKey(a, "")) == 0);
        }
        if (kept) {
            i++;
            continue;
        }
        pool.jobs.erase(pool.jobs.begin() + i);
        if (job->state == AHEAD_DECODING)
            job->dropped = true;
        else
            delete job;
        freed = true;
    }
    for (size_t i = 0; i < pool.reads.size();) {
        if (pool.reads[i]->set != set) {
            i++;
            continue;
        }
        delete pool.reads[i];
        pool.reads.erase(pool.reads.begin() + i);
    }
    pool.generation[set]++;
    return freed;
}

void decodeAhead(int set, const std::vector<AheadArchive> &archives)
{
    if (set < 0 || set >= AHEAD_SETS || !ahead.on || archives == ahead.requested[set])
        return;
    // Start-up's workers have the cores until the first frame is ready.
    if (queue.active) {
        ahead.parked[set] = archives;
        return;
    }
    if (!startAheadWorker(ahead))
        return;
    SDL_mutexP(ahead.lock);
    bool freed = dropJobsLocked(ahead, set, &archives);
    ahead.requested[set] = archives;
    for (const AheadArchive &archive : archives) {
        if (archive.paths.empty())
            continue;
        AheadRead *read = new AheadRead;
        read->set = set;
        read->generation = ahead.generation[set];
        read->archive = archive;
        ahead.reads.push_back(read);
    }
    SDL_CondBroadcast(ahead.changed);
    SDL_mutexV(ahead.lock);
    if (freed)
        platformReleaseFreeMemory();
}

void dropAhead(int set)
{
    if (set < 0 || set >= AHEAD_SETS)
        return;
    ahead.parked[set].clear();
    // With no request no image of the set is held (see dropJobsLocked).
    if (!ahead.worker || ahead.requested[set].empty())
        return;
    SDL_mutexP(ahead.lock);
    bool freed = dropJobsLocked(ahead, set, nullptr);
    ahead.requested[set].clear();
    SDL_mutexV(ahead.lock);
    // Pixels decoded on the worker went back to its heap, where they would stay counted.
    if (freed)
        platformReleaseFreeMemory();
}

bool aheadRequested(int set)
{
    return set >= 0 && set < AHEAD_SETS && (!ahead.requested[set].empty() || !ahead.parked[set].empty());
}

int aheadImagesHeld(int set)
{
    if (!ahead.worker)
        return 0;
    int held = 0;
    SDL_mutexP(ahead.lock);
    for (const AheadJob *job : ahead.jobs)
        held += job->set == set;
    SDL_mutexV(ahead.lock);
    return held;
}

void waitForAheadDecodes()
{
    if (!ahead.worker)
        return;
    SDL_mutexP(ahead.lock);
    while (!ahead.reads.empty() || firstQueued(ahead) || ahead.busy > 0)
        SDL_CondWait(ahead.changed, ahead.lock);
    SDL_mutexV(ahead.lock);
}

void switchAheadDecoding(bool on)
{
    for (int set = 0; !on && set < AHEAD_SETS; set++)
        dropAhead(set);
    ahead.on = on;
}

void stopAheadDecoding()
{
    if (!ahead.worker)
        return;
    for (int set = 0; set < AHEAD_SETS; set++)
        dropAhead(set);
    SDL_mutexP(ahead.lock);
    ahead.stopping = true;
    SDL_CondBroadcast(ahead.changed);
    SDL_mutexV(ahead.lock);
    SDL_WaitThread(ahead.worker, nullptr);
    ahead.worker = nullptr;
}

// Under the lock: the unclaimed job holding exactly these bytes, or null.
static AheadJob *aheadCopy(const AheadPool &pool, const unsigned char *data, uint32_t size)
{
    for (AheadJob *job : pool.jobs) {
        if (job->bytes.size() == size && memcmp(job->bytes.data(), data, size) == 0)
            return job;
    }
    return nullptr;
}

// Takes the ahead decode of these bytes out of the pool: true with `pixels`
// and `ok` filled when one was finished or under way (waited for); false
// when none was, or it had not begun (it is then dropped: the caller decodes).
static bool claimAhead(AheadPool &pool, const unsigned char *data, uint32_t size, TexturePixels &pixels, bool &ok)
{
    if (!pool.worker)
        return false;
    SDL_mutexP(pool.lock);
    AheadJob *job = aheadCopy(pool, data, size);
    while (job && job->state == AHEAD_DECODING)
        SDL_CondWait(pool.changed, pool.lock);
    if (job)
        pool.jobs.erase(std::find(pool.jobs.begin(), pool.jobs.end(), job));
    SDL_mutexV(pool.lock);
    if (!job)
        return false;
    bool decoded = job->state == AHEAD_DONE;
    std::swap(pixels, job->pixels);
    ok = job->ok;
    delete job;
    return decoded;
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
    if (!claimAhead(ahead, data, size, pixels, ok))
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
    for (int set = 0; set < AHEAD_SETS; set++) {
        decodeAhead(set, ahead.parked[set]);
        ahead.parked[set].clear();
    }
    return counts;
}
