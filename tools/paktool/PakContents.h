// Looks inside archive entries: what an entry is (model, image, WAV sound)
// and whether the models of an archive are sound. Shared by the archive tool
// and the tests of the generated data.
#pragma once

#include <string>
#include <vector>

#include "audio/SoundClip.h"
#include "resources/PakArchive.h"

enum EntryKind { ENTRY_DATA, ENTRY_MODEL, ENTRY_IMAGE, ENTRY_WAV };

// What one entry holds. Fields beyond `kind` are filled for that kind only.
struct EntryInfo {
    EntryKind kind = ENTRY_DATA;
    int meshes = 0, triangles = 0;          // model
    std::vector<std::string> textures;      // model: texture names, in mesh order
    int width = 0, height = 0;              // image
    bool alpha = false;                     // image
    int rate = 0, bits = 0, channels = 0;   // WAV
    double seconds = 0;                     // WAV
    WavCheck wavCheck = WAV_OK;             // WAV: whether the game can play it
    std::string wavProblem;                 // WAV: why not, in a few words
};

// Classifies an entry: a WAV by its RIFF header (damaged or unplayable ones
// included), an image when SDL_image decodes it, a model when it parses
// wholly inside the entry, else data.
EntryInfo inspectEntry(const std::string &name, const unsigned char *data, uint32_t size);
// One line describing an entry, as the archive tool lists it.
std::string describeEntry(const std::string &name, uint32_t size, const EntryInfo &info);
// Problems of an archive: entries that are no model, image or sound (a model
// that runs past its entry lands here), WAVs the game cannot play, and models
// naming textures that are missing or do not decode. Empty when the archive
// is sound.
std::vector<std::string> checkArchive(const PakArchive &archive);
