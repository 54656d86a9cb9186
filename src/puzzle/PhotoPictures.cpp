#include "puzzle/PhotoPictures.h"

#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "app/App.h"
#include "platform/AtomicFile.h"
#include "puzzle/PuzzleLayouts.h"
#include "resources/PhotoCache.h"

namespace {

enum PhotoState { PHOTO_WAITING, PHOTO_MAKING, PHOTO_USABLE, PHOTO_UNUSABLE };

struct Candidate {
    PhotoFile file;
    std::string stem;
    PhotoState state = PHOTO_WAITING;  // guarded by Photos::lock
    std::string line;                  // guarded by Photos::lock
    bool made = false;                 // guarded by Photos::lock
};

// Invariant: workers touch only `candidates` states, lines and `stopping`,
// under `lock`; everything else belongs to the main thread.
struct Photos {
    std::mutex lock;
    std::vector<Candidate> candidates;
    bool stopping = false;
    std::vector<std::thread> workers;
    std::string cacheFolder;
    size_t told = 0;                  // candidates whose line was printed
    std::string placed[PHOTO_PLACES];   // key of the photo laid over each place
    std::string remembered[PHOTO_PLACES];  // keys the places file held at start
    bool placesSaved = true;  // the places file says what `placed` says
    bool finished = false;    // every place settled and saved: nothing left per frame
};

// Never destroyed: a fatal exit (exit status 1) while a worker still runs
// must not destroy a joinable thread, which would abort the process.
Photos &photos = *new Photos;

std::string placesPath()
{
    return photos.cacheFolder + "/places";
}

void readPlaces()
{
    FILE *file = fopen(placesPath().c_str(), "r");
    if (!file)
        return;
    char line[1024];
    for (int i = 0; i < PHOTO_PLACES && fgets(line, sizeof line, file); i++) {
        std::string key = line;
        if (!key.empty() && key.back() == '\n')
            key.pop_back();
        photos.remembered[i] = key;
    }
    fclose(file);
}

void savePlaces()
{
    std::string text;
    for (const std::string &key : photos.placed)
        text += key + "\n";
    std::string why;
    if (!writeFileAtomically(placesPath().c_str(), text.data(), text.size(), why))
        fprintf(stderr, "lumbrik: cannot save \"%s\": %s\n", placesPath().c_str(), why.c_str());
}

// Usable photos before candidate i (guarded by lock).
int usableBefore(size_t i)
{
    int usable = 0;
    for (size_t k = 0; k < i; k++)
        usable += photos.candidates[k].state == PHOTO_USABLE;
    return usable;
}

// The next waiting candidate that may still take a place, now being made;
// -1 when there is none.
int takeJob()
{
    std::lock_guard<std::mutex> guard(photos.lock);
    for (size_t i = 0; i < photos.candidates.size() && !photos.stopping; i++) {
        if (photos.candidates[i].state != PHOTO_WAITING)
            continue;
        if (usableBefore(i) >= PHOTO_PLACES)
            return -1;
        photos.candidates[i].state = PHOTO_MAKING;
        return (int)i;
    }
    return -1;
}

void work()
{
    for (int i; (i = takeJob()) >= 0;) {
        PhotoFile file;
        std::string stem;
        {
            std::lock_guard<std::mutex> guard(photos.lock);
            file = photos.candidates[i].file;
            stem = photos.candidates[i].stem;
        }
        std::string line;
        bool ok = makePhotoCache(file, stem, line);
        std::lock_guard<std::mutex> guard(photos.lock);
        photos.candidates[i].state = ok ? PHOTO_USABLE : PHOTO_UNUSABLE;
        photos.candidates[i].line = line;
        photos.candidates[i].made = ok;
    }
}

// True when none of the place's archives is open, so that laying the photo
// over them changes no picture on screen.
bool placeIdle(int place)
{
    for (int size = 0; size < PUZZLE_SIZES; size++)
        if (app.pakCache.useCount(PUZZLE_SIZE_INFO[size].pictureArchives[place]) > 0)
            return false;
    return app.pakCache.useCount(PUZZLE_SIZE_INFO[0].commonArchives[place]) == 0;
}

// Gives the place to the photo (empty stem: back to the built-in picture).
void layPlace(int place, const std::string &key, const std::string &stem)
{
    for (int size = 0; size < PUZZLE_SIZES; size++)
        app.pakCache.setOverlay(PUZZLE_SIZE_INFO[size].pictureArchives[place],
                                stem.empty() ? stem : stem + PHOTO_PIECES_SUFFIX);
    app.pakCache.setOverlay(PUZZLE_SIZE_INFO[0].commonArchives[place], stem.empty() ? stem : stem + PHOTO_COMMON_SUFFIX);
    photos.placed[place] = key;
    if (photos.remembered[place] == key)
        return;
    // Another picture now: it starts unsolved.
    if (app.settings)
        app.settings->completed[place] = 0;
    app.progress.clearPicture(place);
    photos.remembered[place] = key;
    photos.placesSaved = false;
}

// Prints the lines of candidates decided in name order; stops at the first
// one still undecided. Called with the lock held.
void tellDecided()
{
    for (; photos.told < photos.candidates.size(); photos.told++) {
        const Candidate &c = photos.candidates[photos.told];
        if (c.state == PHOTO_WAITING || c.state == PHOTO_MAKING)
            return;
        if (!c.line.empty())
            fprintf(stderr, "%s\n", c.line.c_str());
    }
}

} // namespace

void startPhotoPictures(const std::string &photoFolder, const std::string &cacheFolder)
{
    stopPhotoPictures();
    std::vector<PhotoFile> files = listPhotoFolder(photoFolder);
    photos.cacheFolder = cacheFolder;
    if (cacheFolder.empty()) {
        if (!files.empty())
            fprintf(stderr, "lumbrik: no cache folder to keep the photos' puzzles in; the pictures stay the game's own\n");
        return;
    }
    readPlaces();
    std::vector<std::string> keep;
    bool waiting = false;
    for (const PhotoFile &file : files) {
        Candidate c;
        c.file = file;
        c.stem = photoCacheStem(cacheFolder, file.key);
        bool cached = !file.key.empty() && photoCached(c.stem);
        c.state = cached ? PHOTO_USABLE : PHOTO_WAITING;
        waiting = waiting || !cached;
        keep.push_back(c.stem);
        photos.candidates.push_back(c);
    }
    prunePhotoCache(cacheFolder, keep);
    for (int i = 0; i < PHOTO_WORKERS && waiting; i++)
        photos.workers.emplace_back(work);
    updatePhotoPictures();
}

void updatePhotoPictures()
{
    if (photos.cacheFolder.empty() || photos.finished)
        return;
    std::lock_guard<std::mutex> guard(photos.lock);
    tellDecided();
    int place = 0;
    bool settled = true;
    for (const Candidate &c : photos.candidates) {
        if (place == PHOTO_PLACES)
            break;
        if (c.state == PHOTO_WAITING || c.state == PHOTO_MAKING) {
            settled = false;
            break;
        }
        if (c.state != PHOTO_USABLE)
            continue;
        if (photos.placed[place] != c.file.key && placeIdle(place))
            layPlace(place, c.file.key, c.stem);
        settled = settled && photos.placed[place] == c.file.key;
        place++;
    }
    // Places no photo takes (any more) go back to the built-in pictures.
    for (; settled && place < PHOTO_PLACES; place++) {
        if (photos.placed[place].empty() && photos.remembered[place].empty())
            continue;
        if (placeIdle(place))
            layPlace(place, "", "");
        settled = settled && photos.remembered[place].empty();
    }
    if (settled && !photos.placesSaved) {
        savePlaces();
        photos.placesSaved = true;
    }
    photos.finished = settled;
}

PhotoProgress photoProgress()
{
    std::lock_guard<std::mutex> guard(photos.lock);
    PhotoProgress p;
    p.settled = true;
    for (size_t i = 0; i < photos.candidates.size(); i++) {
        const Candidate &c = photos.candidates[i];
        bool open = c.state == PHOTO_WAITING || c.state == PHOTO_MAKING;
        p.settled = p.settled && (!open || usableBefore(i) >= PHOTO_PLACES);
        p.skipped += c.state == PHOTO_UNUSABLE;
        if (c.state == PHOTO_USABLE && p.usable < PHOTO_PLACES) {
            p.shown += photos.placed[p.usable] == c.file.key;
            p.made += c.made;
            p.usable++;
        }
    }
    return p;
}

void stopPhotoPictures()
{
    {
        std::lock_guard<std::mutex> guard(photos.lock);
        photos.stopping = true;
    }
    for (std::thread &worker : photos.workers)
        worker.join();
    photos.workers.clear();
    std::lock_guard<std::mutex> guard(photos.lock);
    photos.candidates.clear();
    photos.stopping = false;
    photos.told = 0;
    photos.placesSaved = true;
    photos.finished = false;
    for (int i = 0; i < PHOTO_PLACES; i++)
        photos.placed[i] = photos.remembered[i] = std::string();
}
