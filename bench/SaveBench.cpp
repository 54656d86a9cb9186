// What syncing adds to a settings save: the median time of many saves with
// the system's sync, and of as many with the sync skipped, alternating so
// that both see the same disk. Prints one line per mode and the difference.
// Usage: lumbrik_bench_save [FOLDER [SAVES]]   (default: the current folder, 200)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "platform/AtomicFile.h"
#include "resources/Settings.h"

static int skipSync(intptr_t)
{
    return 0;
}

static double timedSave(const Settings &settings, const std::string &path)
{
    const BenchClock::time_point start = BenchClock::now();
    if (!saveSettingsFile(settings, path.c_str()))
        std::exit(1);
    return msBetween(start, BenchClock::now());
}

int main(int argc, char **argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    int saves = 200;
    if (argc > 2 && !parseCount(argv[2], saves)) {
        std::fprintf(stderr, "usage: %s [FOLDER [SAVES]]\n", argv[0]);
        return 2;
    }
    const std::string path = folder + "/lumbrik-save-bench.cfg";
    std::vector<double> synced, unsynced;
    Settings settings;
    for (int i = 0; i < saves; i++) {
        settings.completed[i % SETTINGS_PICTURE_COUNT] ^= 1;  // every save writes new bytes
        setFileSyncFunction(nullptr);
        synced.push_back(timedSave(settings, path));
        setFileSyncFunction(skipSync);
        unsynced.push_back(timedSave(settings, path));
    }
    setFileSyncFunction(nullptr);
    std::remove(path.c_str());
    std::sort(synced.begin(), synced.end());
    std::sort(unsynced.begin(), unsynced.end());
    const double withSync = percentile(synced, 0.5), without = percentile(unsynced, 0.5);
    std::printf("save with sync:    median %.3f ms, 90th %.3f ms (%d saves in %s)\n", withSync,
                percentile(synced, 0.9), saves, folder.c_str());
    std::printf("save without sync: median %.3f ms, 90th %.3f ms\n", without, percentile(unsynced, 0.9));
    std::printf("the syncs add:     %.3f ms to the median save\n", withSync - without);
    return 0;
}
