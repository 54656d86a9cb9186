#include "resources/ModelFormat.h"

#include <cstring>

bool skipMeshRecord(ByteReader &in)
{
    ByteReader probe = in;
    int32_t nameLength, triangles;
    const unsigned char *name;
    if (!probe.readI32(nameLength) || nameLength < 0 || !probe.take(name, (size_t)nameLength))
        return false;
    if (memchr(name, 0, (size_t)nameLength) == nullptr)
        return false;
    if (!probe.skip(80 + 60) || !probe.readI32(triangles) || triangles < 0 || !probe.skip(1))
        return false;
    if ((uint64_t)triangles * MESH_TRIANGLE_BYTES > probe.remaining())
        return false;
    probe.skip((size_t)triangles * MESH_TRIANGLE_BYTES);
    in = probe;
    return true;
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
