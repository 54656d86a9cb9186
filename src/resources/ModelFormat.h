// The model entry's layout, checked before anything is read from it. Kept
// apart from the mesh itself so that tools can check models without the game.
//
// Model: uint8 marker | int32 skipped, only when the marker is 255 | int32 M |
// M mesh records, back to back.
// Mesh record, little-endian, no alignment (T triangles, L name bytes):
//   int32 L | L bytes texture name, zero-terminated inside L | 80-byte header
//   | 60-byte material | int32 T | 1 unused byte | 9T doubles positions
//   | 9T doubles normals | 6T doubles texture coordinates
// A record occupies 149 + L + 192 T bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resources/ByteReader.h"

// Size of the fixed part of a mesh record, name excluded (4 + 80 + 60 + 4 + 1).
const size_t MESH_FIXED_BYTES = 149;
// Bytes of geometry per triangle: positions, normals and texture coordinates.
const size_t MESH_TRIANGLE_BYTES = 192;

// One mesh record as it lies in its entry.
// Borrowed: every pointer addresses the entry, valid while its archive is held.
struct MeshRecord {
    const char *textureName = nullptr;        // zero-terminated inside the record
    const unsigned char *header = nullptr;    // the unused 80-byte block
    const unsigned char *material = nullptr;  // 60 bytes
    int32_t triangleCount = 0;
    const unsigned char *geometry = nullptr;  // MESH_TRIANGLE_BYTES per triangle
};

// Reads the record at the cursor and steps past it; false (cursor unchanged,
// record untouched) when any count or length is negative or runs past the
// end, or the name lacks its terminator.
bool readMeshRecord(ByteReader &in, MeshRecord &record);
// Steps past one mesh record; false (cursor unchanged) as readMeshRecord.
bool skipMeshRecord(ByteReader &in);
// Reads a model's marker byte, the field 255 adds and the mesh count; false
// when they run past the entry or the count is negative.
bool readModelHeader(ByteReader &in, int32_t &count);
// Number of meshes in a model entry, or -1 when any count or length runs
// past the entry (such a model loads no meshes).
int32_t checkModel(const unsigned char *data, uint32_t size);
