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
    const std::string &name = archive.entries[i].name;
    if (name.find('\0') != std::string::npos)
        return;  // a C string cannot name it; its first part may name another
    int found = archive.find(name.c_str());
    if (found < 0 || (size_t)found > i || archive.entries[found].name != name)
        abort();
    PakEntry entry = archive.entry(name.c_str());
    if (entry.data != archive.entries[found].data || entry.size != archive.entries[found].size)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PakArchive archive;
    if (parsePakArchive(archive, data, size) != PAK_OK) {
        if (!archive.entries.empty())
            abort();  // a refused archive keeps nothing
        return 0;
    }
    size_t offset = 4;  // past the count
    for (size_t i = 0; i < archive.entries.size(); i++) {
        const std::string &name = archive.entries[i].name;
        if (offset + 5 + name.size() + archive.entries[i].size > size)
            abort();  // an entry reaching past the file
        if (memcmp(data + offset + 1, name.data(), name.size()) != 0)
            abort();
        offset += 5 + name.size();
        if (archive.entries[i].size && memcmp(data + offset, archive.entries[i].data, archive.entries[i].size) != 0)
            abort();
        offset += archive.entries[i].size;
        checkLookup(archive, i);
    }
    return 0;
}
