// Textures described by their own name ("?#Plasma64,64,10,20,30",
// "?#Fire32,16"): made in memory, shared per description, counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/Texture.h"

enum GeneratedKind { GENERATED_PLASMA, GENERATED_FIRE };

// A parsed description. Plasma carries its base colour; Fire has none.
struct GeneratedTextureDesc {
    GeneratedKind kind = GENERATED_PLASMA;
    int32_t width = 0;
    int32_t height = 0;
    unsigned char base[3] = {0, 0, 0};  // plasma's base red, green, blue (value mod 256)
};

// Invariant: pixels holds desc.width x desc.height RGBA texels as uploaded.
struct GeneratedTexture {
    std::string name;  // the description it was made from
    int32_t uses = 0;
    GeneratedTextureDesc desc;
    uint32_t textureId = 0;
    TexturePixels pixels;
};

// Invariant: names are unique; a texture is listed exactly while its use
// count is above zero. GL textures still listed end with the context.
struct GeneratedTextureRegistry {
    std::vector<GeneratedTexture> textures;

    GeneratedTextureRegistry() = default;
    GeneratedTextureRegistry(const GeneratedTextureRegistry &) = delete;
    GeneratedTextureRegistry &operator=(const GeneratedTextureRegistry &) = delete;

    // Texture of a description, created on first use; 0 and nothing registered
    // for an unknown kind or a description without a size. Needs the GL context.
    // Release with: release(description).
    uint32_t acquire(const char *description);
    // Gives back one use; the last deletes the texture. Unknown names are ignored.
    void release(const char *description);
};

// True when a mesh's texture name is a description (its second character is '#').
bool isGeneratedTextureName(const char *name);
// Parses a description; false for an unknown kind, a missing number or a
// non-positive or oversized (over 4096) width or height.
bool parseGeneratedTexture(const char *description, GeneratedTextureDesc &out);
// The texels a description's texture is created with: transparent black,
// never changed afterwards.
TexturePixels generatedPixels(const GeneratedTextureDesc &desc);
