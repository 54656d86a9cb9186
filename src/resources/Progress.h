// Pictures in progress: which pieces of every picture, in both sizes, have
// landed at home. Kept in a small file of its own beside the settings file
// (whose format stays as it is), written after every landing, so that a
// crash or a power cut costs at most the piece in flight.
//
// File (little-endian, PROGRESS_FILE_BYTES): "LPRG", version 1, then for
// size 0 and size 1 the five pictures' placed pieces as 64-bit masks (bit
// n-1: piece n), then an FNV-1a checksum of everything before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Name of the progress file, in the folder of the settings file.
extern const char PROGRESS_FILE_NAME[];  // "pelnovo_lumbrik_progress"
const int PROGRESS_SIZES = 2;
const int PROGRESS_PICTURES = 5;
const int32_t PROGRESS_FORMAT_VERSION = 1;
const size_t PROGRESS_FILE_BYTES = 4 + 4 + 8 * PROGRESS_SIZES * PROGRESS_PICTURES + 4;

// Invariant: placed[size] never has a bit at or above the size's piece count.
struct Progress {
    uint64_t placed[PROGRESS_SIZES][PROGRESS_PICTURES] = {};

    // True when piece n (1-based) of the picture has landed; false for any index out of range.
    bool isPlaced(int size, int picture, int n) const;
    // Marks piece n as landed; out-of-range indices change nothing.
    void place(int size, int picture, int n);
    // Landed pieces of the picture.
    int placedCount(int size, int picture) const;
    // Forgets the picture's pieces in both sizes.
    void clearPicture(int picture);
    // Forgets every picture.
    void clearAll();
};

// Pieces of each size (20, 48): the bits a mask may hold.
int progressPieceCount(int size);
// The file's bytes.
void encodeProgress(const Progress &progress, unsigned char bytes[PROGRESS_FILE_BYTES]);
// Reads a whole file's `size` bytes; false, and `out` empty, unless it is
// exactly one file of this version with its checksum and no piece beyond a size.
bool decodeProgress(const unsigned char *bytes, size_t size, Progress &out);

// The progress file's path beside the settings file at `settingsPath`; empty for an empty path.
std::string progressPathBeside(const std::string &settingsPath);

enum ProgressFound {
    PROGRESS_READ,        // read and understood
    PROGRESS_MISSING,     // no file yet: nothing in progress
    PROGRESS_SET_ASIDE,   // damaged or foreign: moved to path + ".bad", ignored
    PROGRESS_UNREADABLE   // not readable, or not ours and not movable: ignored, never written over
};

// The progress stored at `path`, or nothing in progress. A damaged or
// foreign file is moved aside to `path` + ".bad"; that and an unreadable
// file each get one line on stderr.
Progress loadProgress(const char *path, ProgressFound *found = nullptr);
// Writes the file atomically (the settings' way); false, with one line, on failure.
bool saveProgress(const Progress &progress, const char *path);
