// Archive open and entry lookup: any bytes either parse into entries holding
// exactly the file's bytes, or are refused with nothing kept; every entry is
// found again by its name, as the first entry of that name.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "resources/PakArchive.h"

// The entry lookup of entry i, as the game makes it with a C string.
static void checkLookup(const PakArchive &archive, size_t i)
{
    const std::string &name = archive.names[i];
    if (name.find('\0') != std::string::npos)
        return;  // a C string cannot name it; its first part may name another
    int found = archive.find(name.c_str());
    if (found < 0 || (size_t)found > i || archive.names[found] != name)
        abort();
    PakEntry entry = archive.entry(name.c_str());
    if (entry.data != archive.entries[found] || entry.size != archive.sizes[found])
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PakArchive archive;
    if (parsePakArchive(archive, data, size) != PAK_OK) {
        if (!archive.names.empty() || !archive.entries.empty())
            abort();  // a refused archive keeps nothing
        return 0;
    }
    size_t offset = 4;  // past the count
    for (size_t i = 0; i < archive.names.size(); i++) {
        const std::string &name = archive.names[i];
        if (offset + 5 + name.size() + archive.sizes[i] > size)
            abort();  // an entry reaching past the file
        if (memcmp(data + offset + 1, name.data(), name.size()) != 0)
            abort();
        offset += 5 + name.size();
        if (archive.sizes[i] && memcmp(data + offset, archive.entries[i], archive.sizes[i]) != 0)
            abort();
        offset += archive.sizes[i];
        checkLookup(archive, i);
    }
    return 0;
}
