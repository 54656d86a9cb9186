// One textured triangle mesh read in place from a model entry.
//
// Mesh record, little-endian, no alignment (T triangles, L name bytes):
//   int32 L | L bytes texture name, zero-terminated inside L | 80-byte header
//   | 60-byte material | int32 T | 1 unused byte | 9T doubles positions
//   | 9T doubles normals | 6T doubles texture coordinates
// A record occupies 149 + L + 192 T bytes.
#pragma once

#include <cstdint>
#include <string>

#include "resources/ByteReader.h"

// Size of the fixed part of a mesh record, name excluded (4 + 80 + 60 + 4 + 1).
const size_t MESH_FIXED_BYTES = 149;
// Bytes of geometry per triangle: positions, normals and texture coordinates.
const size_t MESH_TRIANGLE_BYTES = 192;

// The 60-byte material block, decoded.
struct MeshMaterial {
    bool alphaTest = false;    // draw with GL_ALPHA_TEST (alpha > 0.9)
    bool transparent = false;  // draw in the blended pass after the tree
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float shininess = 0;
};

// Invariant: after a successful load the geometry pointers address 3T
// vertices inside the model entry, which the owning object's archive use
// keeps alive.
struct Mesh {
    double colour[3] = {1, 1, 1};
    bool colourOverride = false;
    const unsigned char *header = nullptr;  // Borrowed: the unused 80-byte block
    MeshMaterial material;
    bool savedDepthTest = true;
    bool savedLighting = false;
    bool savedLights[8] = {false, false, false, false, false, false, false, false};
    int32_t triangleCount = 0;
    const unsigned char *vertices = nullptr;   // Borrowed: 9T doubles in the entry
    const unsigned char *normals = nullptr;    // Borrowed: 9T doubles
    const unsigned char *texCoords = nullptr;  // Borrowed: 6T doubles
    std::string textureSource;  // archive name, or the description of a generated texture
    uint32_t textureId = 0;
    bool generated = false;
    double modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    Mesh() = default;
    Mesh(const Mesh &) = delete;
    Mesh &operator=(const Mesh &) = delete;
    // Gives back the texture request taken by load.
    ~Mesh();

    // Parses the record at the reader's cursor and acquires its texture from
    // archive `archiveName` (or the generated registry). The record must have
    // been checked with skipMeshRecord. Advances past the record.
    void load(ByteReader &in, const char *archiveName);
    // Tints the mesh: drawn with this colour instead of white from now on.
    void setColour(double r, double g, double b);
    // Normal draw: records the model-view, then draws or queues (transparent).
    void draw();
    // Draws a queued transparent mesh with its recorded matrix and state.
    void drawDeferred();
    // Bare triangles with the recorded matrix: the pick's silhouette.
    void drawGeometry() const;
};

// Steps past one mesh record; false (cursor unchanged) when any count or
// length is negative or runs past the end, or the name lacks its terminator.
bool skipMeshRecord(ByteReader &in);
