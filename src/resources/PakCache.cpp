#include "resources/PakCache.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "resources/DeferredDecoding.h"
#include "resources/Language.h"
#include "platform/Platform.h"

PakCache::~PakCache()
{
    for (OpenArchive &open : archives)
        delete open.archive;
}

void pakFatalFailure(const char *archiveName, PakLoadResult why, void *user)
{
    char message[512];
    snprintf(message, sizeof message, "lumbrik: %s archive \"%s\"\n",
             why == PAK_MALFORMED ? "damaged" : "cannot open", archiveName);
    fputs(message, stderr);
    fflush(stderr);
    platformShowFatal(message);
    exit(1);
}

// Loads an archive from `paths` (pathsOf its name): an archive with words
// from its language's file first; a missing or damaged one is reported once
// and the game goes on in English.
static PakLoadResult loadFromPaths(PakCache &cache, PakArchive &archive,
                                   const std::vector<std::string> &paths, const char *name)
{
    if (paths.size() > 1) {
        PakLoadResult result = loadPakArchive(archive, paths[0].c_str());
        if (result == PAK_OK)
            return PAK_OK;
        fprintf(stderr, "lumbrik: %s archive \"%s\"; using English\n",
                result == PAK_MALFORMED ? "damaged" : "cannot open", paths[0].c_str());
        cache.language = "en";
    }
    return loadPakArchive(archive, name);
}

bool layOverlay(PakArchive &archive, const char *overlayFile)
{
    PakArchive overlay;
    if (loadPakArchive(overlay, overlayFile) != PAK_OK)
        return false;
    for (PakArchiveEntry &entry : overlay.entries) {
        int target = archive.find(entry.name.c_str());
        if (target < 0)
            continue;
        std::swap(archive.entries[target].data, entry.data);
        std::swap(archive.entries[target].size, entry.size);
    }
    return true;
}

// Replaces the archive's entries by the overlay's of the same name. An
// overlay that cannot be read leaves the archive as it is, with one line.
static void applyOverlay(const PakCache &cache, PakArchive &archive, const char *name)
{
    int i = findNamed(cache.overlays, name);
    if (i < 0 || layOverlay(archive, cache.overlays[i].file.c_str()))
        return;
    fprintf(stderr, "lumbrik: cannot read \"%s\"; \"%s\" keeps its own picture\n", cache.overlays[i].file.c_str(), name);
}

void PakCache::setOverlay(const char *name, const std::string &file)
{
    int i = findNamed(overlays, name);
    if (i >= 0)
        overlays.erase(overlays.begin() + i);
    if (!file.empty())
        overlays.push_back(PakOverlay{name, file});
}

PakArchive *PakCache::acquire(const char *name)
{
    int i = findNamed(archives, name);
    if (i >= 0) {
        archives[i].uses++;
        return archives[i].archive;
    }
    const std::vector<std::string> paths = pathsOf(name);
    // Read during start-up from the very file this load would read first.
    PakArchive *archive = takePrefetchedArchive(paths);
    PakLoadResult result = PAK_OK;
    if (!archive) {
        archive = new PakArchive;
        result = loadFromPaths(*this, *archive, paths, name);
    }
    if (result != PAK_OK) {
        delete archive;
        (onFailure ? onFailure : pakFatalFailure)(name, result, failureUser);
        return nullptr;
    }
    applyOverlay(*this, *archive, name);
    archives.push_back(OpenArchive());
    archives.back().name = name;
    archives.back().archive = archive;
    archives.back().uses = 1;
    return archive;
}

std::vector<std::string> PakCache::pathsOf(const char *name) const
{
    std::string path = archiveHasWords(name) ? languageArchivePath(language, name) : name;
    if (path == name)
        return {path};
    return {path, name};
}

AheadArchive PakCache::aheadOf(const char *name, const std::vector<std::string> &entries) const
{
    AheadArchive ahead;
    ahead.paths = pathsOf(name);
    int i = findNamed(overlays, name);
    if (i >= 0)
        ahead.overlay = overlays[i].file;
    ahead.entries = entries;
    return ahead;
}

PakEntry PakCache::entry(const char *archiveName, const char *entryName)
{
    PakArchive *archive = acquire(archiveName);
    return archive ? archive->entry(entryName) : PakEntry();
}

uint32_t PakCache::texture(const char *archiveName, const char *entryName)
{
    PakArchive *archive = acquire(archiveName);
    return archive ? archives[findNamed(archives, archiveName)].textures.acquire(*archive, entryName) : 0;
}

// One use less for the archive at index i; the last use closes it.
static void dropUse(PakCache &cache, int i)
{
    if (--cache.archives[i].uses > 0)
        return;
    delete cache.archives[i].archive;
    cache.archives.erase(cache.archives.begin() + i);
}

void PakCache::releaseTexture(const char *archiveName, uint32_t textureId)
{
    int i = findNamed(archives, archiveName);
    if (i < 0)
        return;
    archives[i].textures.release(textureId);
    dropUse(*this, i);
}

void PakCache::release(const char *archiveName)
{
    int i = findNamed(archives, archiveName);
    if (i >= 0)
        dropUse(*this, i);
}

int32_t PakCache::useCount(const char *archiveName) const
{
    int i = findNamed(archives, archiveName);
    return i < 0 ? 0 : archives[i].uses;
}
