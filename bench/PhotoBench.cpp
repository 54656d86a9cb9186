// How long a child waits for a parent's photos: the folder's photos made
// from nothing (an empty cache) on the game's worker threads, timed until the
// first photo puzzle can be played and until every photo has its place; then
// the start with every photo already in the cache. No window.
//
// Usage: lumbrik_bench_photos PHOTO_FOLDER [--rounds N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/App.h"
#include "puzzle/PhotoPictures.h"

typedef std::chrono::steady_clock Clock;

static double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

static double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One start: ms until the first photo has its place, and until all have.
static void timeStart(const std::string &folder, const std::string &cache, double &first, double &all)
{
    Clock::time_point start = Clock::now();
    startPhotoPictures(folder, cache);
    first = all = -1;
    for (;;) {
        updatePhotoPictures();
        PhotoProgress p = photoProgress();
        if (first < 0 && p.shown > 0)
            first = msSince(start);
        if (p.settled && p.shown == p.usable) {
            all = msSince(start);
            break;
        }
        SDL_Delay(5);
    }
    stopPhotoPictures();
    app.pakCache.overlays.clear();
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: lumbrik_bench_photos PHOTO_FOLDER [--rounds N]\n");
        return 2;
    }
    int rounds = argc > 3 && strcmp(argv[2], "--rounds") == 0 ? atoi(argv[3]) : 3;
    std::vector<double> firsts, alls, cachedFirsts, cachedAlls;
    for (int r = 0; r < std::max(1, rounds); r++) {
        char cache[] = "/tmp/lumbrik-photo-bench-XXXXXX";
        if (!mkdtemp(cache))
            return 1;
        double first, all;
        timeStart(argv[1], cache, first, all);
        firsts.push_back(first), alls.push_back(all);
        timeStart(argv[1], cache, first, all);
        cachedFirsts.push_back(first), cachedAlls.push_back(all);
        std::string clean = std::string("rm -rf '") + cache + "'";
        if (system(clean.c_str()) != 0)
            return 1;
    }
    printf("new photos:    first playable %.0f ms, all placed %.0f ms (median of %zu)\n", median(firsts),
           median(alls), firsts.size());
    printf("cached photos: first playable %.1f ms, all placed %.1f ms\n", median(cachedFirsts), median(cachedAlls));
    return 0;
}
