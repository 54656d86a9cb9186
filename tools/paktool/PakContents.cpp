#include "paktool/PakContents.h"

#include <cstdio>
#include <cstring>

#include "resources/ByteReader.h"
#include "resources/GeneratedTexture.h"
#include "resources/Mesh.h"
#include "resources/Texture.h"

static bool readWav(const unsigned char *data, uint32_t size, EntryInfo &info)
{
    WavHeader header;
    info.wavCheck = readWavHeader(data, size, header);
    if (info.wavCheck == WAV_NOT_WAV)
        return false;
    info.kind = ENTRY_WAV;
    info.wavProblem = header.problem;
    info.channels = header.channels;
    info.rate = (int)header.rate;
    info.bits = header.bits;
    info.seconds = header.byteRate ? (double)header.dataBytes / header.byteRate : 0;
    return true;
}

// Mesh and triangle counts and texture names of a model already checked.
static void readModelSummary(const unsigned char *data, uint32_t size, EntryInfo &info)
{
    ByteReader in = {data, data + size};
    int32_t count = 0;
    readModelHeader(in, count);
    for (int32_t i = 0; i < count; i++) {
        MeshRecord mesh;
        if (!readMeshRecord(in, mesh))
            break;
        info.textures.push_back(mesh.textureName);
        info.triangles += mesh.triangleCount;
    }
    info.kind = ENTRY_MODEL;
    info.meshes = count;
}

EntryInfo inspectEntry(const std::string &name, const unsigned char *data, uint32_t size)
{
    EntryInfo info;
    if (readWav(data, size, info))
        return info;
    TexturePixels pixels;
    if (decodeImage(data, size, pixels)) {
        info.kind = ENTRY_IMAGE;
        info.width = pixels.width;
        info.height = pixels.height;
        info.alpha = pixels.hasAlpha;
        return info;
    }
    if (checkModel(data, size) >= 0)
        readModelSummary(data, size, info);
    return info;
}

std::string describeEntry(const std::string &name, uint32_t size, const EntryInfo &info)
{
    char line[512];
    switch (info.kind) {
    case ENTRY_MODEL:
        snprintf(line, sizeof line, "%-24s %10u  model: %d mesh%s, %d triangles", name.c_str(), size,
                 info.meshes, info.meshes == 1 ? "" : "es", info.triangles);
        break;
    case ENTRY_IMAGE:
        snprintf(line, sizeof line, "%-24s %10u  image: %dx%d %s", name.c_str(), size, info.width,
                 info.height, info.alpha ? "RGBA" : "RGB");
        break;
    case ENTRY_WAV:
        if (info.wavCheck != WAV_OK) {
            snprintf(line, sizeof line, "%-24s %10u  wav: %s (%s)", name.c_str(), size,
                     info.wavCheck == WAV_DAMAGED ? "damaged" : "cannot be played", info.wavProblem.c_str());
            break;
        }
        snprintf(line, sizeof line, "%-24s %10u  wav: %d Hz, %d-bit, %s, %.2f s", name.c_str(), size,
                 info.rate, info.bits, info.channels == 1 ? "mono" : "stereo", info.seconds);
        break;
    default:
        snprintf(line, sizeof line, "%-24s %10u  data", name.c_str(), size);
        break;
    }
    return line;
}

// A texture a model names: its entry must exist and decode as an image.
static void checkTexture(const PakArchive &archive, const std::string &model, const std::string &texture,
                         std::vector<std::string> &problems)
{
    if (isGeneratedTextureName(texture.c_str())) {
        GeneratedTextureDesc desc;
        if (!parseGeneratedTexture(texture.c_str(), desc))
            problems.push_back(model + ": bad generated texture \"" + texture + "\"");
        return;
    }
    PakEntry e = archive.entry(texture.c_str());
    TexturePixels pixels;
    if (!e.data)
        problems.push_back(model + ": texture \"" + texture + "\" is missing");
    else if (!decodeImage(e.data, e.size, pixels))
        problems.push_back(model + ": texture \"" + texture + "\" does not decode");
}

std::vector<std::string> checkArchive(const PakArchive &archive)
{
    std::vector<std::string> problems;
    for (size_t i = 0; i < archive.entries.size(); i++) {
        EntryInfo info = inspectEntry(archive.entries[i].name, archive.entries[i].data, archive.entries[i].size);
        if (info.kind == ENTRY_DATA)
            problems.push_back(archive.entries[i].name + ": not a model, image or sound (damaged model?)");
        if (info.kind == ENTRY_WAV && info.wavCheck == WAV_DAMAGED)
            problems.push_back(archive.entries[i].name + ": damaged sound: " + info.wavProblem);
        if (info.kind == ENTRY_WAV && info.wavCheck == WAV_UNSUPPORTED)
            problems.push_back(archive.entries[i].name + ": sound the game cannot play: " + info.wavProblem);
        if (info.kind != ENTRY_MODEL)
            continue;
        for (const std::string &texture : info.textures)
            checkTexture(archive, archive.entries[i].name, texture, problems);
    }
    return problems;
}
