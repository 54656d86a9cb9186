// One .pak archive held wholly in memory.
//
// File format, little-endian, no magic: int32 entry count N, then N entries,
// each an int8 name length L (0..127), L name bytes, a uint32 data size S and
// S data bytes. Bytes after the N-th entry are never read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Index of the first of `names` equal to `name` byte for byte, or -1. The one
// lookup of every name registry: archives, entries, generated textures.
int findExactName(const std::vector<std::string> &names, const char *name);

// A lent view of an entry's bytes. Borrowed: valid while its archive is open.
struct PakEntry {
    const unsigned char *data = nullptr;
    uint32_t size = 0;
};

// Invariant: the four sequences are parallel, one element per entry, in file
// order; textureUses[i] > 0 exactly while textures[i] != 0 (or decoding failed).
struct PakArchive {
    std::vector<uint32_t> textures;  // GL texture made from the entry, 0 while none
    std::vector<int32_t> textureUses;
    std::vector<unsigned char *> entries;  // Owns: each buffer holds exactly sizes[i] bytes
    std::vector<uint32_t> sizes;
    std::vector<std::string> names;

    PakArchive() = default;
    PakArchive(const PakArchive &) = delete;
    PakArchive &operator=(const PakArchive &) = delete;
    ~PakArchive();

    // Index of the first entry named exactly `name` (byte for byte), or -1.
    int find(const char *name) const { return findExactName(names, name); }
    // The first entry of that name; (null, 0) when there is none.
    PakEntry entry(const char *name) const;
    // Shared GL texture of an image entry, counted; 0 when missing (count
    // unchanged) or undecodable (counted all the same; while decoding is
    // deferred, an id left without an image). Needs the GL context.
    uint32_t texture(const char *name);
    // Gives back one texture request; deletes the texture when its count reaches 0.
    void releaseTexture(uint32_t textureId);
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
// Frees every entry buffer and empties the sequences (textures are not deleted).
void clearPakArchive(PakArchive &archive);
