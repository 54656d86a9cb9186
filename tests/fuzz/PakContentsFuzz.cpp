// The archive tool's entry inspection: every entry of any archive is
// classified and described, and the archive checked, without reading past an
// entry; a WAV entry the game would play is listed as a playable sound.
#include <cstdint>
#include <cstdlib>

#include "paktool/PakContents.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PakArchive archive;
    if (parsePakArchive(archive, data, size) != PAK_OK)
        return 0;
    for (size_t i = 0; i < archive.entries.size(); i++) {
        EntryInfo info = inspectEntry(archive.entries[i].name, archive.entries[i].data, archive.entries[i].size);
        std::string line = describeEntry(archive.entries[i].name, archive.entries[i].size, info);
        if (line.empty())
            abort();
        if (info.kind == ENTRY_WAV && info.wavCheck == WAV_OK && info.rate <= 0)
            abort();
    }
    checkArchive(archive);
    return 0;
}
