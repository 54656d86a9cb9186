// The GL textures made from one archive's image entries, shared per entry
// and counted, kept apart from the archive's bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/PakArchive.h"

// One entry's texture and how many requests hold it. `texture` is 0 when the
// entry's bytes do not decode (the requests are counted all the same).
struct EntryTexture {
    int32_t entry = -1;  // index into the archive's entries
    uint32_t texture = 0;
    int32_t uses = 0;
};

// Invariant: at most one record per entry; a record is listed exactly while
// its uses are above zero.
struct ArchiveTextures {
    std::vector<EntryTexture> made;

    // Shared texture of the image entry `name` of `archive`, counted; 0 when
    // missing (count unchanged) or undecodable (counted all the same; while
    // decoding is deferred, an id left without an image). Needs the GL context.
    // Release with: release.
    uint32_t acquire(const PakArchive &archive, const char *name);
    // Gives back one request for `textureId`; deletes the texture when its
    // count reaches 0. 0 and unknown ids are ignored.
    void release(uint32_t textureId);
    // Requests held on entry `entry`, 0 when none.
    int32_t usesOf(int32_t entry) const;
};
