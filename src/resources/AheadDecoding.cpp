#include "resources/AheadDecoding.h"

#include <algorithm>
#include <cstring>

#include <SDL.h>
#ifndef LUMBRIK_STB_IMAGE
#include <SDL_image.h>
#endif
#include <SDL_thread.h>

#include "platform/Platform.h"
#include "resources/DeferredDecoding.h"
#include "resources/PakArchive.h"
#include "resources/PakCache.h"
#include "resources/Texture.h"

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

// Never destroyed: a worker may still hold it while static objects are torn down.
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
    if (deferredDecodingActive()) {
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

bool claimAheadDecode(const unsigned char *data, uint32_t size, TexturePixels &pixels, bool &ok)
{
    AheadPool &pool = ahead;
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

void releaseParkedAhead()
{
    for (int set = 0; set < AHEAD_SETS; set++) {
        std::vector<AheadArchive> parked;
        parked.swap(ahead.parked[set]);
        decodeAhead(set, parked);
    }
}
