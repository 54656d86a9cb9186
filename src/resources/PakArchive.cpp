#include "resources/PakArchive.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/ByteReader.h"

PakArchive::~PakArchive() { clearPakArchive(*this); }

void clearPakArchive(PakArchive &archive)
{
    for (PakArchiveEntry &entry : archive.entries)
        free(entry.data);
    archive.entries.clear();
}

bool isExactName(const std::string &candidate, const char *name)
{
    size_t length = strlen(name);
    return candidate.size() == length && memcmp(candidate.data(), name, length) == 0;
}

int findExactName(const std::vector<std::string> &names, const char *name)
{
    for (size_t i = 0; i < names.size(); i++) {
        if (isExactName(names[i], name))
            return (int)i;
    }
    return -1;
}

PakEntry PakArchive::entry(const char *name) const
{
    PakEntry result;
    int i = find(name);
    if (i < 0)
        return result;
    result.data = entries[i].data;
    result.size = entries[i].size;
    return result;
}

// Appends one entry, copying its bytes into a buffer of its own.
static void appendEntry(PakArchive &archive, const char *name, size_t nameLength,
                        const unsigned char *data, uint32_t size)
{
    // malloc(0) may return null; one spare byte keeps every entry pointer valid.
    unsigned char *buffer = (unsigned char *)malloc(size ? size : 1);
    if (size)
        memcpy(buffer, data, size);
    PakArchiveEntry entry;
    entry.name.assign(name, nameLength);
    entry.data = buffer;
    entry.size = size;
    archive.entries.push_back(entry);
}

PakLoadResult parsePakArchive(PakArchive &archive, const unsigned char *bytes, size_t size)
{
    ByteReader in = {bytes, bytes + size};
    int32_t count;
    if (!in.readI32(count) || count < 0)
        return PAK_MALFORMED;
    // Each entry takes at least 5 bytes, so a count the file cannot hold is refused
    // before anything is reserved.
    if ((uint64_t)count * 5 > in.remaining())
        return PAK_MALFORMED;
    for (int32_t i = 0; i < count; i++) {
        int8_t nameLength;
        uint32_t dataSize;
        const unsigned char *name, *data;
        if (!in.readI8(nameLength) || nameLength < 0 || !in.take(name, (size_t)nameLength) ||
            !in.readU32(dataSize) || !in.take(data, dataSize)) {
            clearPakArchive(archive);
            return PAK_MALFORMED;
        }
        appendEntry(archive, (const char *)name, (size_t)nameLength, data, dataSize);
    }
    return PAK_OK;
}

PakLoadResult loadPakArchive(PakArchive &archive, const char *path)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return PAK_CANNOT_OPEN;
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    bool failed = ferror(f) != 0;
    fclose(f);
    if (failed)
        return PAK_CANNOT_OPEN;
    return parsePakArchive(archive, bytes.data(), bytes.size());
}
