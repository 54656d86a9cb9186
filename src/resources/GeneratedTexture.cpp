#include "resources/GeneratedTexture.h"

#include <cctype>
#include <cstring>
#include <utility>

#include "resources/PakArchive.h"

// Largest side accepted, in texels: keeps a typo from asking for gigabytes.
static const int32_t MAX_GENERATED_SIDE = 4096;

bool isGeneratedTextureName(const char *name)
{
    return name && name[0] != '\0' && name[1] == '#';
}

// Reads a decimal integer after optional blanks; false when no digit follows.
static bool readNumber(const char *&p, int64_t &out)
{
    while (*p == ' ' || *p == '\t')
        p++;
    if (!isdigit((unsigned char)*p))
        return false;
    out = 0;
    while (isdigit((unsigned char)*p)) {
        if (out < 100000000)
            out = out * 10 + (*p - '0');
        p++;
    }
    return true;
}

// One separator character, then a number.
static bool readField(const char *&p, int64_t &out)
{
    if (*p == '\0')
        return false;
    p++;
    return readNumber(p, out);
}

bool parseGeneratedTexture(const char *description, GeneratedTextureDesc &out)
{
    if (!isGeneratedTextureName(description))
        return false;
    const char *p = description + 2;
    const char *kindEnd = p;
    while (*kindEnd && !isdigit((unsigned char)*kindEnd))
        kindEnd++;
    std::string kind(p, kindEnd);
    if (kind == "Plasma")
        out.kind = GENERATED_PLASMA;
    else if (kind == "Fire")
        out.kind = GENERATED_FIRE;
    else
        return false;
    p = kindEnd;
    int64_t width, height;
    if (!readNumber(p, width) || !readField(p, height))
        return false;
    if (width <= 0 || height <= 0 || width > MAX_GENERATED_SIDE || height > MAX_GENERATED_SIDE)
        return false;
    out.width = (int32_t)width;
    out.height = (int32_t)height;
    if (out.kind == GENERATED_PLASMA) {
        for (int c = 0; c < 3; c++) {
            int64_t v;
            if (!readField(p, v))
                return false;
            out.base[c] = (unsigned char)(v % 256);
        }
    }
    return true;
}

TexturePixels generatedPixels(const GeneratedTextureDesc &desc)
{
    TexturePixels pixels;
    pixels.width = desc.width;
    pixels.height = desc.height;
    pixels.hasAlpha = true;
    pixels.rowBytes = desc.width * 4;
    pixels.pixels.assign((size_t)pixels.rowBytes * desc.height, 0);
    return pixels;
}

uint32_t GeneratedTextureRegistry::acquire(const char *description)
{
    int i = findNamed(textures, description);
    if (i >= 0) {
        textures[i].uses++;
        return textures[i].textureId;
    }
    GeneratedTextureDesc desc;
    if (!parseGeneratedTexture(description, desc))
        return 0;
    GeneratedTexture t;
    t.name = description;
    t.uses = 1;
    t.desc = desc;
    t.pixels = generatedPixels(desc);
    t.textureId = uploadTexture(t.pixels);
    textures.push_back(std::move(t));
    return textures.back().textureId;
}

void GeneratedTextureRegistry::release(const char *description)
{
    int i = findNamed(textures, description);
    if (i < 0 || --textures[i].uses > 0)
        return;
    deleteTexture(textures[i].textureId);
    textures.erase(textures.begin() + i);
}
