// Pixels for GL textures: decoded from archive image entries or made in
// memory, and their upload. The per-entry bookkeeping lives in ArchiveTextures,
// that of generated textures in their registry.
#pragma once

#include <cstdint>
#include <vector>

#include <SDL.h>

// Pixels ready for glTexImage2D with the default unpack alignment of 4.
// Invariant: pixels.size() == rowBytes * height.
struct TexturePixels {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;  // RGBA when set, else RGB
    int rowBytes = 0;       // width * channels, rounded up to a multiple of 4
    std::vector<unsigned char> pixels;
};

// Converts any surface SDL_image yields (paletted, grey, 15/16/24/32-bit, any
// channel order, colour key) to tightly described RGB or RGBA rows. Reads
// only inside the surface's rows. False for an empty or unreadable surface.
bool convertSurface(SDL_Surface *surface, TexturePixels &out);
// True when the bytes start with the PNG signature.
bool looksLikePng(const unsigned char *data, uint32_t size);
// Decodes an image held in memory; false when SDL_image cannot decode it, or
// when it is a PNG whose chunks run past the bytes (SDL_image would hang).
bool decodeImage(const unsigned char *data, uint32_t size, TexturePixels &out);
// Creates a GL texture (level 0, linear filters clamped to the edges,
// GL_MODULATE) from pixels and leaves it bound. Release with: deleteTexture
// (through the owning registry). Needs the GL context.
uint32_t uploadTexture(const TexturePixels &pixels);
// The same into a texture id already reserved (glGenTextures); leaves it bound.
void fillTexture(uint32_t textureId, const TexturePixels &pixels);
// Deletes a texture made by uploadTexture.
void deleteTexture(uint32_t textureId);
