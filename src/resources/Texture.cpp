#include "resources/Texture.h"

#include <cstring>

#ifdef LUMBRIK_STB_IMAGE
// The Windows build has no SDL_image: stb_image decodes PNG there. The
// archives hold PNG only, and Debian's stb_image reads past a table on some
// damaged JPEG headers, so its JPEG reader is left out.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
// Archive images are at most a few thousand pixels a side; a header that
// claims more is refused before anything that size is allocated.
#define STBI_MAX_DIMENSIONS 8192
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#include <stb_image.h>
#pragma GCC diagnostic pop
#else
#include <SDL_image.h>
#endif

#include "app/GL.h"
#include "resources/ByteReader.h"


// One pixel value of any depth from 1 to 4 bytes per pixel.
static Uint32 fetchPixel(const Uint8 *p, int bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 1: return p[0];
    case 2: { Uint16 v; memcpy(&v, p, 2); return v; }
    case 3:
        if (SDL_BYTEORDER == SDL_LIL_ENDIAN)
            return (Uint32)p[0] | (Uint32)p[1] << 8 | (Uint32)p[2] << 16;
        return (Uint32)p[2] | (Uint32)p[1] << 8 | (Uint32)p[0] << 16;
    default: { Uint32 v; memcpy(&v, p, 4); return v; }
    }
}

static bool surfaceHasAlpha(const SDL_Surface *surface)
{
    return surface->format->Amask != 0 || (surface->flags & SDL_SRCCOLORKEY) != 0;
}

// True when the surface's bytes already read R, G, B (and A) per pixel, as
// SDL_image gives RGB and RGBA PNGs: its rows can be copied as they are.
static bool inUploadOrder(const SDL_Surface *surface, int channels)
{
    const SDL_PixelFormat *f = surface->format;
    if (f->BytesPerPixel != channels || f->palette || (surface->flags & SDL_SRCCOLORKEY))
        return false;
    bool little = SDL_BYTEORDER == SDL_LIL_ENDIAN;
    int shift = little ? 0 : 8 * (channels - 1);
    int step = little ? 8 : -8;
    Uint32 alpha = channels == 4 ? 0xffu << (shift + 3 * step) : 0;
    return f->Rmask == 0xffu << shift && f->Gmask == 0xffu << (shift + step) &&
           f->Bmask == 0xffu << (shift + 2 * step) && f->Amask == alpha;
}

bool convertSurface(SDL_Surface *surface, TexturePixels &out)
{
    if (!surface || !surface->format || surface->w <= 0 || surface->h <= 0)
        return false;
    int bpp = surface->format->BytesPerPixel;
    if (bpp < 1 || bpp > 4 || surface->pitch < surface->w * bpp)
        return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0)
        return false;

    out.width = surface->w;
    out.height = surface->h;
    out.hasAlpha = surfaceHasAlpha(surface);
    int channels = out.hasAlpha ? 4 : 3;
    out.rowBytes = (surface->w * channels + 3) & ~3;
    out.pixels.assign((size_t)out.rowBytes * surface->h, 0);
    if (inUploadOrder(surface, channels)) {
        // Start-up decodes megapixels; a pixel-by-pixel pass doubled its time.
        for (int y = 0; y < surface->h; y++)
            memcpy(out.pixels.data() + (size_t)y * out.rowBytes,
                   (const Uint8 *)surface->pixels + (size_t)y * surface->pitch, (size_t)surface->w * channels);
        if (SDL_MUSTLOCK(surface))
            SDL_UnlockSurface(surface);
        return true;
    }

    bool keyed = (surface->flags & SDL_SRCCOLORKEY) != 0;
    Uint32 key = surface->format->colorkey;
    for (int y = 0; y < surface->h; y++) {
        const Uint8 *row = (const Uint8 *)surface->pixels + (size_t)y * surface->pitch;
        unsigned char *dst = out.pixels.data() + (size_t)y * out.rowBytes;
        for (int x = 0; x < surface->w; x++, dst += channels) {
            Uint32 value = fetchPixel(row + x * bpp, bpp);
            Uint8 r, g, b, a;
            SDL_GetRGBA(value, surface->format, &r, &g, &b, &a);
            dst[0] = r; dst[1] = g; dst[2] = b;
            if (channels == 4)
                dst[3] = (keyed && value == key) ? 0 : a;
        }
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    return true;
}

static const unsigned char PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

bool looksLikePng(const unsigned char *data, uint32_t size)
{
    return data && size >= sizeof PNG_SIGNATURE && memcmp(data, PNG_SIGNATURE, sizeof PNG_SIGNATURE) == 0;
}

// True unless the bytes are a PNG whose chunks, up to IEND, do not all lie
// inside them. SDL_image's PNG reader ignores short reads and then reads the
// same stale chunk header again and again, so such a PNG must not reach it.
static bool pngChunksFit(const unsigned char *data, uint32_t size)
{
    if (!looksLikePng(data, size))
        return true;
    ByteReader in = {data + sizeof PNG_SIGNATURE, data + size};
    const unsigned char *length, *type;
    while (in.take(length, 4) && in.take(type, 4)) {
        uint32_t bytes = (uint32_t)length[0] << 24 | length[1] << 16 | length[2] << 8 | length[3];
        if (!in.skip(bytes) || !in.skip(4))  // data, CRC
            return false;
        if (memcmp(type, "IEND", 4) == 0)
            return true;
    }
    return false;
}

#ifdef LUMBRIK_STB_IMAGE
// stb_image gives 1 to 4 channels; grey is widened to RGB, grey-alpha to RGBA.
static bool decodeWithBackend(const unsigned char *data, uint32_t size, TexturePixels &out)
{
    if (size > (uint32_t)INT32_MAX)
        return false;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, (int)size, &width, &height, &channels))
        return false;
    const int wanted = channels == 2 || channels == 4 ? 4 : 3;
    unsigned char *pixels = stbi_load_from_memory(data, (int)size, &width, &height, &channels, wanted);
    if (!pixels)
        return false;
    out.width = width;
    out.height = height;
    out.hasAlpha = wanted == 4;
    out.rowBytes = (width * wanted + 3) & ~3;
    out.pixels.assign((size_t)out.rowBytes * height, 0);
    for (int y = 0; y < height; y++)
        memcpy(out.pixels.data() + (size_t)y * out.rowBytes, pixels + (size_t)y * width * wanted,
               (size_t)width * wanted);
    stbi_image_free(pixels);
    return true;
}
#else
static bool decodeWithBackend(const unsigned char *data, uint32_t size, TexturePixels &out)
{
    SDL_RWops *stream = SDL_RWFromMem((void *)data, (int)size);
    if (!stream)
        return false;
    SDL_Surface *surface = IMG_Load_RW(stream, 1);
    if (!surface)
        return false;
    bool ok = convertSurface(surface, out);
    SDL_FreeSurface(surface);
    return ok;
}
#endif

bool decodeImage(const unsigned char *data, uint32_t size, TexturePixels &out)
{
    if (!data || size == 0 || !pngChunksFit(data, size))
        return false;
    return decodeWithBackend(data, size, out);
}

uint32_t uploadTexture(const TexturePixels &pixels)
{
    GLuint id = 0;
    glGenTextures(1, &id);
    fillTexture(id, pixels);
    return id;
}

void fillTexture(uint32_t textureId, const TexturePixels &pixels)
{
    GLenum format = pixels.hasAlpha ? GL_RGBA : GL_RGB;
    glBindTexture(GL_TEXTURE_2D, textureId);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, format, pixels.width, pixels.height, 0, format,
                 GL_UNSIGNED_BYTE, pixels.pixels.data());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Every texture is drawn as one whole picture: linear filtering at a
    // border must not reach round to the opposite border.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void deleteTexture(uint32_t textureId)
{
    GLuint id = textureId;
    glDeleteTextures(1, &id);
}
