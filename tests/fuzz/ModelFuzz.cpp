// Model parse and load with textures decoded. The input is an archive. Every
// entry the model check accepts is read record by record the way a scene
// object loads its meshes (name, 80-byte header, material, triangle count,
// positions, normals, texture coordinates), asserting that each of those
// reads lies inside what the check accepted, and each mesh's texture is made
// the way the game makes it up to the GL upload, which needs a GL context a
// fuzzer does not have: an archive image through decodeImage (the decode and
// conversion PakArchive::texture uploads from), a description through
// parseGeneratedTexture and generatedPixels.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "resources/ByteReader.h"
#include "resources/GeneratedTexture.h"
#include "resources/Mesh.h"
#include "resources/PakArchive.h"
#include "resources/Texture.h"
#include "resources/ModelFormat.h"

// Receives the geometry reads, so that they are made.
volatile double geometrySink;

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
    if (i < 0 || !decodeImage(archive.entries[i], archive.sizes[i], pixels))
        return;
    need(pixels.width > 0 && pixels.height > 0 &&
         pixels.rowBytes >= pixels.width * (pixels.hasAlpha ? 4 : 3) &&
         pixels.pixels.size() == (size_t)pixels.rowBytes * pixels.height);
}

// One mesh record read as the mesh loader reads it; every read must succeed.
static void loadMesh(ByteReader &in, const PakArchive &archive)
{
    int32_t nameLength = 0, triangles = 0;
    const unsigned char *name = nullptr, *header = nullptr, *material = nullptr, *geometry = nullptr;
    need(in.readI32(nameLength) && nameLength > 0 && in.take(name, (size_t)nameLength));
    need(memchr(name, 0, (size_t)nameLength) != nullptr);  // the name is a C string
    need(in.take(header, 80) && in.take(material, 60));
    need(in.readI32(triangles) && triangles >= 0 && in.skip(1));
    need(in.take(geometry, (size_t)triangles * MESH_TRIANGLE_BYTES));
    double v;
    for (size_t k = 0; k < (size_t)triangles * MESH_TRIANGLE_BYTES; k += 8) {
        memcpy(&v, geometry + k, 8);  // as the draw reads them
        geometrySink = v;
    }
    makeTexture(archive, (const char *)name);
}

static void loadModel(const PakArchive &archive, size_t entry)
{
    const unsigned char *data = archive.entries[entry];
    uint32_t size = archive.sizes[entry];
    int32_t count = checkModel(data, size);
    if (count < 0)
        return;
    ByteReader in = {data, data + size};
    uint8_t marker = 0;
    int32_t stated = 0;
    need(in.readU8(marker) && (marker != 255 || in.skip(4)) && in.readI32(stated) && stated == count);
    for (int32_t m = 0; m < count; m++) {
        ByteReader record = in;
        need(skipMeshRecord(in));
        loadMesh(record, archive);
        need(record.cursor == in.cursor);  // the check and the load agree on its length
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PakArchive archive;
    if (parsePakArchive(archive, data, size) != PAK_OK)
        return 0;
    for (size_t i = 0; i < archive.names.size(); i++)
        loadModel(archive, i);
    return 0;
}
