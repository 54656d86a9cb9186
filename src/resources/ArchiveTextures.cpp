#include "resources/ArchiveTextures.h"

#include "resources/DeferredDecoding.h"

static int findEntry(const std::vector<EntryTexture> &made, int32_t entry)
{
    for (size_t i = 0; i < made.size(); i++) {
        if (made[i].entry == entry)
            return (int)i;
    }
    return -1;
}

uint32_t ArchiveTextures::acquire(const PakArchive &archive, const char *name)
{
    const int entry = archive.find(name);
    if (entry < 0)
        return 0;
    int i = findEntry(made, entry);
    if (i < 0) {
        made.push_back(EntryTexture());
        made.back().entry = entry;
        i = (int)made.size() - 1;
    }
    EntryTexture &record = made[i];
    // An entry that did not decode is tried again at its next request.
    if (record.texture == 0)
        record.texture = imageTexture(archive.entries[entry].data, archive.entries[entry].size);
    record.uses++;
    return record.texture;
}

void ArchiveTextures::release(uint32_t textureId)
{
    // Texture 0 stands for "none": counting it down would corrupt the counts
    // of every entry that has no texture.
    if (textureId == 0)
        return;
    for (size_t i = 0; i < made.size(); i++) {
        if (made[i].texture != textureId || --made[i].uses > 0)
            continue;
        releaseImageTexture(textureId);
        made.erase(made.begin() + i);
        return;
    }
}

int32_t ArchiveTextures::usesOf(int32_t entry) const
{
    const int i = findEntry(made, entry);
    return i < 0 ? 0 : made[i].uses;
}
