#include "resources/Mesh.h"

#include <cfloat>
#include <cstring>

#include "app/App.h"
#include "app/GL.h"

static float readF32(const unsigned char *p)
{
    float v;
    memcpy(&v, p, 4);  // the block is not aligned
    return v;
}

static void decodeMaterial(const unsigned char *p, MeshMaterial &m)
{
    m.alphaTest = p[0] != 0;
    m.transparent = p[1] != 0;
    for (int i = 0; i < 4; i++) {
        m.ambient[i] = readF32(p + 4 + 4 * i);
        m.diffuse[i] = readF32(p + 20 + 4 * i);
        m.specular[i] = readF32(p + 36 + 4 * i);
    }
    m.shininess = readF32(p + 52);
}

// A stored double as a float; values beyond float's range are clamped (a
// narrowing conversion out of range is undefined), NaN passes through.
static float readF64AsFloat(const unsigned char *p)
{
    double v;
    memcpy(&v, p, 8);
    if (v > FLT_MAX)
        return FLT_MAX;
    if (v < -FLT_MAX)
        return -FLT_MAX;
    return (float)v;
}

void convertMeshGeometry(const unsigned char *positions, size_t vertexCount, std::vector<float> &out)
{
    const unsigned char *normals = positions + vertexCount * 24;
    const unsigned char *texCoords = normals + vertexCount * 24;
    out.resize(vertexCount * MESH_VERTEX_FLOATS);
    float *v = out.data();
    for (size_t i = 0; i < vertexCount; i++, v += MESH_VERTEX_FLOATS) {
        for (int k = 0; k < 2; k++)
            v[k] = readF64AsFloat(texCoords + (i * 2 + k) * 8);
        for (int k = 0; k < 3; k++) {
            v[MESH_NORMAL_OFFSET + k] = readF64AsFloat(normals + (i * 3 + k) * 8);
            v[MESH_POSITION_OFFSET + k] = readF64AsFloat(positions + (i * 3 + k) * 8);
        }
    }
}

static void findBox(Mesh &mesh)
{
    size_t vertexCount = mesh.arrays.size() / MESH_VERTEX_FLOATS;
    for (size_t i = 0; i < vertexCount; i++) {
        const float *p = mesh.arrays.data() + i * MESH_VERTEX_FLOATS + MESH_POSITION_OFFSET;
        for (int k = 0; k < 3; k++) {
            if (i == 0 || p[k] < mesh.lowCorner[k])
                mesh.lowCorner[k] = p[k];
            if (i == 0 || p[k] > mesh.highCorner[k])
                mesh.highCorner[k] = p[k];
        }
    }
}

void Mesh::load(ByteReader &in, const char *archiveName)
{
    MeshRecord record;
    if (!readMeshRecord(in, record))
        return;
    if (isGeneratedTextureName(record.textureName)) {
        textureId = app.generatedTextures.acquire(record.textureName);
        textureSource = record.textureName;
        generated = true;
    } else {
        textureId = app.pakCache.texture(archiveName, record.textureName);
        textureSource = archiveName;
        generated = false;
    }
    header = record.header;
    decodeMaterial(record.material, material);
    triangleCount = record.triangleCount;
    vertices = record.geometry;
    convertMeshGeometry(vertices, (size_t)triangleCount * 3, arrays);
    findBox(*this);
    loadedAt = ++app.meshChanges;
}

Mesh::~Mesh()
{
    app.meshChanges++;
    if (textureSource.empty())
        return;
    if (generated)
        app.generatedTextures.release(textureSource.c_str());
    else
        app.pakCache.releaseTexture(textureSource.c_str(), textureId);
}

void Mesh::setColour(double r, double g, double b)
{
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colourOverride = true;
}

const GLsizei VERTEX_STRIDE = MESH_VERTEX_FLOATS * sizeof(float);

void Mesh::draw()
{
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    if (material.transparent)
        app.transparentQueue.add(*this);
    else
        app.opaqueQueue.add(*this);
}

void Mesh::drawGeometry() const
{
    glLoadMatrixd(modelView);
    glVertexPointer(3, GL_FLOAT, VERTEX_STRIDE, arrays.data() + MESH_POSITION_OFFSET);
    glDrawArrays(GL_TRIANGLES, 0, 3 * triangleCount);
}

// Bit k of the answer: the clip-space point lies beyond plane k (x, y, z
// below -w or above +w). The margin keeps points that GL's float arithmetic
// might still count as inside.
static unsigned outsidePlanes(const double clip[4])
{
    const double MARGIN = 1e-6;
    double w = clip[3] + MARGIN * (clip[3] < 0 ? -clip[3] : clip[3]);
    unsigned planes = 0;
    for (int k = 0; k < 3; k++) {
        if (clip[k] < -w)
            planes |= 1u << (2 * k);
        if (clip[k] > w)
            planes |= 1u << (2 * k + 1);
    }
    return planes;
}

static void transformPoint(const double m[16], const double p[4], double out[4])
{
    for (int r = 0; r < 4; r++)
        out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
}

void Mesh::clipCorner(int corner, const double projection[16], double clip[4]) const
{
    double local[4] = {corner & 1 ? highCorner[0] : lowCorner[0], corner & 2 ? highCorner[1] : lowCorner[1],
                       corner & 4 ? highCorner[2] : lowCorner[2], 1};
    double eye[4];
    transformPoint(modelView, local, eye);
    transformPoint(projection, eye, clip);
}

bool Mesh::outsideView(const double projection[16]) const
{
    if (triangleCount <= 0)
        return true;
    unsigned common = ~0u;
    for (int corner = 0; corner < 8 && common != 0; corner++) {
        double clip[4];
        clipCorner(corner, projection, clip);
        common &= outsidePlanes(clip);
    }
    return common != 0;
}
