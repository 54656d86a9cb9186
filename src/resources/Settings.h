#pragma once

#include <cstdint>
#include <cstdio>

// Size in bytes of the settings file: version, four switches, five completion
// flags and the puzzle size, little-endian and without padding.
const int SETTINGS_FILE_BYTES = 32;
// The only file layout this game reads or writes.
const int32_t SETTINGS_FORMAT_VERSION = 1;
// Number of pictures whose completion is remembered.
const int SETTINGS_PICTURE_COUNT = 5;

// The user's remembered choices. Invariant: every field holds 0 or 1.
struct Settings {
    unsigned char showWelcome = 1;   // 1 = greet with the welcome screen at start
    unsigned char menuExpanded = 1;  // 1 = the puzzle screen's panel is expanded
    unsigned char soundOn = 1;       // 1 = sound effects may play
    unsigned char musicOn = 1;       // 1 = the music may play and keeps looping
    int32_t completed[SETTINGS_PICTURE_COUNT] = {0, 0, 0, 0, 0}; // 1 = picture n completed
    int32_t puzzleSize = 1;          // 0 = 20 pieces, 1 = 48 pieces

    // Replaces every field from one file read from `in`; a short file or an
    // unknown version gives all defaults and false, a single out-of-range
    // field gives that field its default.
    bool read(FILE *in);
    // Writes the 32-byte file to `out`; false when the write fails.
    bool save(FILE *out) const;
};

// Settings stored at `path`, or the defaults when it is missing or unreadable.
Settings loadSettings(const char *path);
// Replaces the file at `path` atomically via `path` + ".tmp"; on failure the
// old file is untouched, no temporary is left behind, and the result is false.
bool saveSettingsFile(const Settings &settings, const char *path);
