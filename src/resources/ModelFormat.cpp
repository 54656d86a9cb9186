#include "resources/ModelFormat.h"

#include <cstring>

bool readMeshRecord(ByteReader &in, MeshRecord &record)
{
    ByteReader probe = in;
    MeshRecord r;
    int32_t nameLength;
    const unsigned char *name;
    if (!probe.readI32(nameLength) || nameLength < 0 || !probe.take(name, (size_t)nameLength))
        return false;
    if (memchr(name, 0, (size_t)nameLength) == nullptr)
        return false;
    r.textureName = (const char *)name;
    if (!probe.take(r.header, 80) || !probe.take(r.material, 60))
        return false;
    if (!probe.readI32(r.triangleCount) || r.triangleCount < 0 || !probe.skip(1))
        return false;
    if ((uint64_t)r.triangleCount * MESH_TRIANGLE_BYTES > probe.remaining())
        return false;
    probe.take(r.geometry, (size_t)r.triangleCount * MESH_TRIANGLE_BYTES);
    record = r;
    in = probe;
    return true;
}

bool skipMeshRecord(ByteReader &in)
{
    MeshRecord record;
    return readMeshRecord(in, record);
}

bool readModelHeader(ByteReader &in, int32_t &count)
{
    uint8_t marker;
    if (!in.readU8(marker))
        return false;
    if (marker == 255 && !in.skip(4))
        return false;
    return in.readI32(count) && count >= 0;
}

int32_t checkModel(const unsigned char *data, uint32_t size)
{
    if (!data)
        return -1;
    ByteReader in = {data, data + size};
    int32_t count;
    if (!readModelHeader(in, count))
        return -1;
    for (int32_t i = 0; i < count; i++)
        if (!skipMeshRecord(in))
            return -1;
    return count;
}
