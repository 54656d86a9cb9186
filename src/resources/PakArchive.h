// One .pak archive held wholly in memory.
//
// File format, little-endian, no magic: int32 entry count N, then N entries,
// each an int8 name length L (0..127), L name bytes, a uint32 data size S and
// S data bytes. Bytes after the N-th entry are never read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// True when `candidate` is `name` byte for byte.
bool isExactName(const std::string &candidate, const char *name);
// Index of the first of `names` equal to `name` byte for byte, or -1.
int findExactName(const std::vector<std::string> &names, const char *name);
// Index of the first record whose `name` field is exactly `name`, or -1. The
// one lookup of every name registry: archives, entries, generated textures,
// sound clips.
template <typename Record>
int findNamed(const std::vector<Record> &records, const char *name)
{
    for (size_t i = 0; i < records.size(); i++) {
        if (isExactName(records[i].name, name))
            return (int)i;
    }
    return -1;
}

// A lent view of an entry's bytes. Borrowed: valid while its archive is open.
struct PakEntry {
    const unsigned char *data = nullptr;
    uint32_t size = 0;
};

// One entry as the file holds it. Owns: data, a malloc'd buffer of exactly
// `size` bytes (one spare byte when empty, so never null); freed by clearPakArchive.
struct PakArchiveEntry {
    std::string name;
    unsigned char *data = nullptr;
    uint32_t size = 0;
};

// An archive's bytes, nothing more (its textures: resources/ArchiveTextures.h).
// Invariant: one record per entry, in file order.
struct PakArchive {
    std::vector<PakArchiveEntry> entries;

    PakArchive() = default;
    PakArchive(const PakArchive &) = delete;
    PakArchive &operator=(const PakArchive &) = delete;
    ~PakArchive();

    // Index of the first entry named exactly `name` (byte for byte), or -1.
    int find(const char *name) const { return findNamed(entries, name); }
    // The first entry of that name; (null, 0) when there is none.
    PakEntry entry(const char *name) const;
};

enum PakLoadResult {
    PAK_OK = 0,
    PAK_CANNOT_OPEN,  // the file cannot be opened or read
    PAK_MALFORMED     // a count, length or size runs past the file's end
};

// Loads an archive file into `archive`, which must be empty. Never allocates
// more than the file holds. On failure the archive is left empty.
PakLoadResult loadPakArchive(PakArchive &archive, const char *path);
// Parses archive bytes already in memory (same rules as loadPakArchive).
PakLoadResult parsePakArchive(PakArchive &archive, const unsigned char *bytes, size_t size);
// Frees every entry buffer and empties the archive.
void clearPakArchive(PakArchive &archive);
