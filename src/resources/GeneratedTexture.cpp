#include "resources/GeneratedTexture.h"

#include <cctype>
#include <cstring>

#include "app/GL.h"

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

GeneratedTextureRegistry::~GeneratedTextureRegistry()
{
    // GL textures end with the context; only the records are freed here.
    for (GeneratedTexture *t : textures)
        delete t;
}

static int findDescription(const std::vector<std::string> &names, const char *description)
{
    for (size_t i = 0; i < names.size(); i++) {
        if (names[i] == description)
            return (int)i;
    }
    return -1;
}

uint32_t GeneratedTextureRegistry::acquire(const char *description)
{
    int i = findDescription(names, description);
    if (i >= 0) {
        uses[i]++;
        return textures[i]->textureId;
    }
    GeneratedTextureDesc desc;
    if (!parseGeneratedTexture(description, desc))
        return 0;
    GeneratedTexture *t = new GeneratedTexture;
    t->desc = desc;
    // Uploaded once as transparent black and never changed.
    t->pixels.assign((size_t)desc.width * desc.height * 4, 0);
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, desc.width, desc.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, t->pixels.data());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    t->textureId = id;
    textures.push_back(t);
    names.push_back(description);
    uses.push_back(1);
    return id;
}

void GeneratedTextureRegistry::release(const char *description)
{
    int i = findDescription(names, description);
    if (i < 0 || --uses[i] > 0)
        return;
    GLuint id = textures[i]->textureId;
    glDeleteTextures(1, &id);
    delete textures[i];
    textures.erase(textures.begin() + i);
    names.erase(names.begin() + i);
    uses.erase(uses.begin() + i);
}
