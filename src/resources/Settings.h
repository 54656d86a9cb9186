#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

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

// What loading found at the settings path; it decides what the save at exit may do.
enum SettingsFound {
    SETTINGS_READ,            // read and understood
    SETTINGS_MISSING,         // no file yet (the first start): defaults, saved normally
    SETTINGS_UNREADABLE,      // there but not readable: defaults, never written over
    SETTINGS_NOT_UNDERSTOOD,  // short or of another version: defaults, kept aside at the first save
};

// Appended to the settings path to keep a file that was read but not understood.
extern const char SETTINGS_KEPT_SUFFIX[];  // ".bad"

// Settings stored at `path`, or the defaults unless it was read and understood;
// `found`, when given, says which. A file that is there but cannot be read gets
// one line on stderr naming it and the reason.
Settings loadSettings(const char *path, SettingsFound *found = nullptr);
// The one way the game saves its files: replaces the file at `path` with
// `size` bytes atomically and synced; on failure the old file is untouched,
// no temporary is left behind, one line on stderr names `what` ("settings"),
// the path and the reason, and the result is false.
bool saveFileAtomically(const char *path, const unsigned char *bytes, size_t size, const char *what);
// Saves `settings` to `path` through saveFileAtomically.
bool saveSettingsFile(const Settings &settings, const char *path);
// The save at exit of settings loaded from `path` with `found`: writes nothing
// over an unreadable file (false); first moves a not-understood file to
// `path` + SETTINGS_KEPT_SUFFIX (false, nothing replaced, when it cannot be
// moved); otherwise saveSettingsFile. After a save `found` is SETTINGS_READ.
bool saveLoadedSettings(const Settings &settings, const char *path, SettingsFound &found);
