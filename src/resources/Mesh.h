// One textured triangle mesh read from a model entry. Its geometry is
// converted once, at load, into one interleaved array of floats: the form
// the draw queues (MeshQueue.h) and both pick passes hand to GL, so nothing
// is converted per frame. The model format is in ModelFormat.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/ByteReader.h"
#include "resources/ModelFormat.h"

// Floats per vertex in Mesh::arrays: s, t | nx, ny, nz | x, y, z.
const int MESH_VERTEX_FLOATS = 8;
const int MESH_NORMAL_OFFSET = 2;
const int MESH_POSITION_OFFSET = 5;

// The 60-byte material block, decoded.
struct MeshMaterial {
    bool alphaTest = false;    // draw with GL_ALPHA_TEST (alpha > 0.9)
    bool transparent = false;  // draw in the blended pass after the tree
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float shininess = 0;
};

// The stored arrays of one record's geometry (positions, normals and texture
// coordinates of vertexCount vertices, all doubles) interleaved into floats,
// vertex by vertex; values beyond float's range are clamped.
void convertMeshGeometry(const unsigned char *geometry, size_t vertexCount, std::vector<float> &out);

// Invariant: after a successful load arrays holds 3T vertices of
// MESH_VERTEX_FLOATS each, and `vertices` addresses the same 3T positions as
// stored in the model entry, which the owning object's archive use keeps alive.
struct Mesh {
    double colour[3] = {1, 1, 1};
    bool colourOverride = false;
    const unsigned char *header = nullptr;  // Borrowed: the unused 80-byte block
    MeshMaterial material;
    int32_t triangleCount = 0;
    const unsigned char *vertices = nullptr;  // Borrowed: 9T doubles in the entry (positions as stored)
    std::vector<float> arrays;        // what is drawn: texture coordinate, normal, position per vertex
    float lowCorner[3] = {0, 0, 0};   // the box around every position (model units)
    float highCorner[3] = {0, 0, 0};
    std::string textureSource;  // archive name, or the description of a generated texture
    uint32_t textureId = 0;
    bool generated = false;
    uint32_t loadedAt = 0;  // App::meshChanges once loaded: tells it from an earlier mesh at its address
    double modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<float> eyeArrays;  // as arrays, with positions in eye space, for shared draws
    double eyeMatrix[16] = {0};    // the model-view eyeArrays were made with

    Mesh() = default;
    Mesh(const Mesh &) = delete;
    Mesh &operator=(const Mesh &) = delete;
    // Gives back the texture request taken by load.
    ~Mesh();

    // Reads the record at the reader's cursor (readMeshRecord), acquires its
    // texture from archive `archiveName` (or the generated registry) and
    // converts its geometry; a record readMeshRecord refuses loads nothing.
    void load(ByteReader &in, const char *archiveName);
    // Tints the mesh: drawn with this colour instead of white from now on.
    void setColour(double r, double g, double b);
    // Records the model-view and queues the mesh for the frame's opaque
    // draw, or for the transparent pass when its material says so.
    void draw();
    // Bare triangles with the recorded matrix: the pick's silhouette.
    void drawGeometry() const;
    // Corner `corner` (0..7; bit k set: the high side on axis k) of the
    // mesh's box in clip space, with the recorded matrix and `projection`.
    void clipCorner(int corner, const double projection[16], double clip[4]) const;
    // True when, with the recorded matrix and `projection`, the mesh's box
    // lies wholly outside one plane of the view volume, so that no triangle
    // of it can reach the picture (or a selection region). Always true for a
    // mesh without triangles.
    bool outsideView(const double projection[16]) const;
};
