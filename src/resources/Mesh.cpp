#include "resources/Mesh.h"

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

void Mesh::load(ByteReader &in, const char *archiveName)
{
    int32_t nameLength = 0;
    const unsigned char *name = nullptr, *materialBlock = nullptr;
    in.readI32(nameLength);
    in.take(name, (size_t)nameLength);
    const char *textureName = (const char *)name;
    if (isGeneratedTextureName(textureName)) {
        textureId = app.generatedTextures.acquire(textureName);
        textureSource = textureName;
        generated = true;
    } else {
        textureId = app.pakCache.texture(archiveName, textureName);
        textureSource = archiveName;
        generated = false;
    }
    in.take(header, 80);
    in.take(materialBlock, 60);
    decodeMaterial(materialBlock, material);
    in.readI32(triangleCount);
    in.skip(1);
    size_t count = (size_t)triangleCount;
    in.take(vertices, count * 72);
    in.take(normals, count * 72);
    in.take(texCoords, count * 48);
}

Mesh::~Mesh()
{
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

// Material, texture, colour and arrays, then the triangles.
static void drawShaded(const Mesh &mesh)
{
    const MeshMaterial &m = mesh.material;
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
    glBindTexture(GL_TEXTURE_2D, mesh.textureId);
    if (mesh.colourOverride) {
        glPushAttrib(GL_CURRENT_BIT);
        glColor3f((float)mesh.colour[0], (float)mesh.colour[1], (float)mesh.colour[2]);
    } else {
        glColor3f(1, 1, 1);
    }
    glTexCoordPointer(2, GL_DOUBLE, 0, mesh.texCoords);
    glVertexPointer(3, GL_DOUBLE, 0, mesh.vertices);
    glNormalPointer(GL_DOUBLE, 0, mesh.normals);
    glDrawArrays(GL_TRIANGLES, 0, 3 * mesh.triangleCount);
    if (mesh.colourOverride)
        glPopAttrib();
}

// The game numbers its lights from GL_LIGHT1; GL guarantees eight (0..7).
static const int SAVED_LIGHTS = 7;

static void queueTransparent(Mesh &mesh)
{
    mesh.savedDepthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    mesh.savedLighting = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    for (int i = 0; i < SAVED_LIGHTS && mesh.savedLighting; i++)
        mesh.savedLights[i] = glIsEnabled(GL_LIGHT1 + i) == GL_TRUE;
    app.transparentQueue.push_back(&mesh);
}

void Mesh::draw()
{
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    if (material.transparent) {
        queueTransparent(*this);
        return;
    }
    if (material.alphaTest)
        glEnable(GL_ALPHA_TEST);
    glEnable(GL_COLOR_MATERIAL);
    drawShaded(*this);
    if (material.alphaTest)
        glDisable(GL_ALPHA_TEST);
}

void Mesh::drawDeferred()
{
    if (!savedDepthTest)
        glDisable(GL_DEPTH_TEST);
    if (savedLighting) {
        glEnable(GL_LIGHTING);
        for (int i = 0; i < SAVED_LIGHTS; i++)
            if (savedLights[i])
                glEnable(GL_LIGHT1 + i);
    }
    if (material.alphaTest)
        glEnable(GL_ALPHA_TEST);
    glLoadMatrixd(modelView);
    glEnable(GL_BLEND);
    drawShaded(*this);
    if (!savedDepthTest)
        glEnable(GL_DEPTH_TEST);
    if (savedLighting) {
        glDisable(GL_LIGHTING);
        for (int i = 0; i < SAVED_LIGHTS; i++)
            if (savedLights[i])
                glDisable(GL_LIGHT1 + i);
    }
    if (material.alphaTest)
        glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
}

void Mesh::drawGeometry() const
{
    glLoadMatrixd(modelView);
    glVertexPointer(3, GL_DOUBLE, 0, vertices);
    glDrawArrays(GL_TRIANGLES, 0, 3 * triangleCount);
}
