// Model parse and load with textures decoded. The input is an archive. Every
// entry the model check accepts is read record by record through the mesh
// loader's own record reader and geometry conversion, asserting that the
// reader accepts every record the check accepted, and each mesh's texture is made
// the way the game makes it up to the GL upload, which needs a GL context a
// fuzzer does not have: an archive image through decodeImage (the decode and
// conversion ArchiveTextures::acquire uploads from), a description through
// parseGeneratedTexture and generatedPixels.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resources/ByteReader.h"
#include "resources/GeneratedTexture.h"
#include "resources/Mesh.h"
#include "resources/PakArchive.h"
#include "resources/Texture.h"
#include "resources/ModelFormat.h"

static void need(bool ok)
{
    if (!ok)
        abort();
}

// Makes a mesh's texture as far as the game does without GL.
static void makeTexture(const PakArchive &archive, const char *name)
{
    if (isGeneratedTextureName(name)) {
        GeneratedTextureDesc desc;
        if (!parseGeneratedTexture(name, desc))
            return;
        TexturePixels pixels = generatedPixels(desc);
        need(pixels.pixels.size() == (size_t)pixels.rowBytes * pixels.height);
        return;
    }
    int i = archive.find(name);
    TexturePixels pixels;
    if (i < 0 || !decodeImage(archive.entries[i].data, archive.entries[i].size, pixels))
        return;
    need(pixels.width > 0 && pixels.height > 0 &&
         pixels.rowBytes >= pixels.width * (pixels.hasAlpha ? 4 : 3) &&
         pixels.pixels.size() == (size_t)pixels.rowBytes * pixels.height);
}

// One mesh record read and converted as the mesh loader does it, its texture
// made as far as the game makes it without GL.
static void loadMesh(ByteReader &in, const PakArchive &archive)
{
    MeshRecord record;
    need(readMeshRecord(in, record));  // the model check accepted it
    std::vector<float> arrays;
    convertMeshGeometry(record.geometry, (size_t)record.triangleCount * 3, arrays);
    need(arrays.size() == (size_t)record.triangleCount * 3 * MESH_VERTEX_FLOATS);
    makeTexture(archive, record.textureName);
}

static void loadModel(const PakArchive &archive, size_t entry)
{
    const unsigned char *data = archive.entries[entry].data;
    uint32_t size = archive.entries[entry].size;
    int32_t count = checkModel(data, size);
    if (count < 0)
        return;
    ByteReader in = {data, data + size};
    int32_t stated = 0;
    need(readModelHeader(in, stated) && stated == count);
    for (int32_t m = 0; m < count; m++)
        loadMesh(in, archive);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PakArchive archive;
    if (parsePakArchive(archive, data, size) != PAK_OK)
        return 0;
    for (size_t i = 0; i < archive.entries.size(); i++)
        loadModel(archive, i);
    return 0;
}
