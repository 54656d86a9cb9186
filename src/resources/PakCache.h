// The process-wide registry of open archives, by file name, with use counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/ArchiveTextures.h"
#include "resources/AheadDecoding.h"
#include "resources/PakArchive.h"

// Called when an archive cannot be opened or is malformed. The game's handler
// prints one line naming the archive and ends the process with status 1.
typedef void (*PakFailureHandler)(const char *archiveName, PakLoadResult why, void *user);

// One open archive: its name, bytes, use count and the textures made from it.
struct OpenArchive {
    std::string name;
    PakArchive *archive = nullptr;  // Owns (released by PakCache)
    int32_t uses = 0;
    ArchiveTextures textures;
};

// Entries of the archive file `file` that take the place of same-named
// entries of the archive `name` (a photo's pictures over a built-in one's).
struct PakOverlay {
    std::string name;
    std::string file;
};

// Invariant: an archive is listed exactly while its use count is above zero;
// names are unique; opening order.
struct PakCache {
    std::vector<OpenArchive> archives;
    PakFailureHandler onFailure = nullptr;  // null: the default fatal handler
    void *failureUser = nullptr;
    // Whose words the archives that show words carry ("en" or empty: English).
    // Their names stay as the game gives them; only the file they come from
    // changes (see resources/Language.h).
    std::string language;
    // At most one per archive name; applied when the archive is opened.
    std::vector<PakOverlay> overlays;

    PakCache() = default;
    PakCache(const PakCache &) = delete;
    PakCache &operator=(const PakCache &) = delete;
    ~PakCache();

    // The archive named exactly `name`, opened on first use; one use more.
    // An archive with words comes from the language's file; when that file
    // is missing or damaged, one line on standard error says so and the game
    // goes on in English. Returns null only when a non-fatal failure handler
    // returned.
    PakArchive *acquire(const char *name);
    // The files acquire would try for `name`, in order: the language's file
    // first for an archive with words.
    std::vector<std::string> pathsOf(const char *name) const;
    // The archive `name` as acquire would open it now (its files, its
    // overlay), for decoding `entries` of it ahead (empty: every image).
    AheadArchive aheadOf(const char *name, const std::vector<std::string> &entries) const;
    // acquire + the archive's entry. Release with: release(name).
    PakEntry entry(const char *archiveName, const char *entryName);
    // acquire + the archive's texture. Release with: releaseTexture(name, id).
    uint32_t texture(const char *archiveName, const char *entryName);
    // Gives back one texture request and one archive use.
    void releaseTexture(const char *archiveName, uint32_t textureId);
    // Gives back one archive use; the last closes the archive. Unknown names are ignored.
    void release(const char *archiveName);
    // Lays `file`'s entries over the archive `name` from its next opening on;
    // an empty file takes the overlay away.
    void setOverlay(const char *name, const std::string &file);
    // Use count of a listed archive, 0 when it is not listed.
    int32_t useCount(const char *archiveName) const;
};

// Lays the same-named entries of the archive file `overlayFile` over
// `archive`'s; false, the archive unchanged, when that file cannot be read.
// Touches nothing shared: workers may call it.
bool layOverlay(PakArchive &archive, const char *overlayFile);

// The default failure: "lumbrik: cannot open archive "name"" (or "damaged
// archive") on standard error, then exit status 1.
void pakFatalFailure(const char *archiveName, PakLoadResult why, void *user);
