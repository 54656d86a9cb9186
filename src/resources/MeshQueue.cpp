#include "resources/MeshQueue.h"

#include <cstring>

#include "app/GL.h"
#include "resources/Mesh.h"

// The game numbers its lights from GL_LIGHT1; GL guarantees eight (0..7).
static const int QUEUED_LIGHTS = 7;


// How far a box reaches past its mesh's corners, in pixels: a fragment of a
// triangle edge (or a multisample of it) can land in the pixel beside it.
static const float BOX_MARGIN_PIXELS = 2;

void MeshQueue::add(Mesh &mesh)
{
    if (mesh.triangleCount <= 0)
        return;
    QueuedMesh e;
    e.mesh = &mesh;
    for (int k = 0; k < 3 && mesh.colourOverride; k++)
        e.colour[k] = (float)mesh.colour[k];
    e.depthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    if (glIsEnabled(GL_LIGHTING) == GL_TRUE) {
        e.lights = 1;
        for (int i = 0; i < QUEUED_LIGHTS; i++)
            if (glIsEnabled(GL_LIGHT1 + i) == GL_TRUE)
                e.lights |= (uint8_t)(2u << i);
    }
    entries.push_back(e);
    prepared = false;
}

void MeshQueue::clear()
{
    entries.clear();
    boxes.clear();
    states.clear();
    prepared = false;
}

// ---------------------------------------------------------------- grouping

bool boxesMeet(const ScreenBox &a, const ScreenBox &b)
{
    if (a.everywhere || b.everywhere)
        return true;
    for (int k = 0; k < 2; k++)
        if (a.high[k] < b.low[k] || b.high[k] < a.low[k])
            return false;
    return true;
}

static bool batchMeets(const DrawGroups &g, const ScreenBox *boxes, int32_t batch, const ScreenBox &box)
{
    for (int32_t j = g.batchFirst[batch]; j >= 0; j = g.nextInBatch[j])
        if (boxesMeet(boxes[j], box))
            return true;
    return false;
}

// The batch entry i may join, or -1 for a batch of its own.
static int32_t batchFor(const DrawGroups &g, const int32_t *state, const ScreenBox *boxes, int32_t i)
{
    if (state[i] < 0)
        return -1;
    for (int32_t b = (int32_t)g.batchFirst.size() - 1; b >= 0; b--) {
        if (state[g.batchFirst[b]] == state[i])
            return b;
        if (batchMeets(g, boxes, b, boxes[i]))
            return -1;
    }
    return -1;
}

void DrawGroups::group(const int32_t *state, const ScreenBox *boxes, int32_t count)
{
    batchFirst.clear();
    batchLast.clear();
    nextInBatch.assign((size_t)count, -1);
    for (int32_t i = 0; i < count; i++) {
        int32_t b = batchFor(*this, state, boxes, i);
        if (b < 0) {
            batchFirst.push_back(i);
            batchLast.push_back(i);
            continue;
        }
        nextInBatch[batchLast[b]] = i;
        batchLast[b] = i;
    }
}

// ---------------------------------------------------------------- state and boxes

// A model-view whose bottom row is (0 0 0 1) keeps w = 1, so positions can be
// taken to eye space on the CPU and drawn with the identity.
static bool affine(const double m[16])
{
    return m[3] == 0 && m[7] == 0 && m[11] == 0 && m[15] == 1;
}

bool canShareDraw(const QueuedMesh &a, const QueuedMesh &b)
{
    const Mesh &ma = *a.mesh, &mb = *b.mesh;
    return ma.textureId == mb.textureId && memcmp(a.colour, b.colour, sizeof a.colour) == 0 &&
           ma.material.alphaTest == mb.material.alphaTest && a.depthTest == b.depthTest && a.lights == 0 &&
           b.lights == 0 && affine(ma.modelView) && affine(mb.modelView);
}

// states[i]: the first entry of the same state, or -1 when it shares with none.
static void findStates(MeshQueue &q)
{
    int32_t n = (int32_t)q.entries.size();
    q.states.assign((size_t)n, -1);
    for (int32_t i = 0; i < n; i++) {
        if (!canShareDraw(q.entries[i], q.entries[i]))
            continue;
        q.states[i] = i;
        for (int32_t j = 0; j < i; j++) {
            if (q.states[j] == j && canShareDraw(q.entries[j], q.entries[i])) {
                q.states[i] = j;
                break;
            }
        }
    }
}

ScreenBox meshScreenBox(const Mesh &mesh, const BoxProjection &p)
{
    ScreenBox box;
    for (int corner = 0; corner < 8; corner++) {
        double clip[4];
        mesh.clipCorner(corner, p.projection, clip);
        if (!(clip[3] > 1e-6))
            return ScreenBox();  // reaches behind the eye (or is not a number)
        for (int k = 0; k < 2; k++) {
            float v = (float)(clip[k] / clip[3]);
            box.low[k] = corner == 0 || v < box.low[k] ? v : box.low[k];
            box.high[k] = corner == 0 || v > box.high[k] ? v : box.high[k];
        }
    }
    for (int k = 0; k < 2; k++) {
        box.low[k] -= p.margin[k];
        box.high[k] += p.margin[k];
    }
    box.everywhere = false;
    return box;
}

BoxProjection currentBoxProjection()
{
    BoxProjection p;
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, p.projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Normalized device coordinates span 2 across the viewport.
    p.margin[0] = 2 * BOX_MARGIN_PIXELS / (viewport[2] > 0 ? viewport[2] : 1);
    p.margin[1] = 2 * BOX_MARGIN_PIXELS / (viewport[3] > 0 ? viewport[3] : 1);
    return p;
}

static void findBoxes(MeshQueue &q)
{
    BoxProjection p = currentBoxProjection();
    q.boxes.resize(q.entries.size());
    for (size_t i = 0; i < q.entries.size(); i++)
        q.boxes[i] = meshScreenBox(*q.entries[i].mesh, p);
}

// ---------------------------------------------------------------- drawing

static void setState(const QueuedMesh &e, bool blended)
{
    if (!e.depthTest)
        glDisable(GL_DEPTH_TEST);
    if (e.lights & 1) {
        glEnable(GL_LIGHTING);
        for (int i = 0; i < QUEUED_LIGHTS; i++)
            if (e.lights & (2u << i))
                glEnable(GL_LIGHT1 + i);
    }
    bool alphaTest = e.mesh->material.alphaTest;
    if (blended) {
        // A blended fragment of alpha 0 leaves its pixel as it was: discarding
        // it spares the rasterizer the read, blend and write of a pixel that
        // shows nothing (the clear margins and holes of interface images).
        glAlphaFunc(GL_GREATER, alphaTest ? ALPHA_TEST_REFERENCE : 0.0f);
        glEnable(GL_BLEND);
    }
    if (blended || alphaTest)
        glEnable(GL_ALPHA_TEST);
    glEnable(GL_COLOR_MATERIAL);
    const MeshMaterial &m = e.mesh->material;
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
    glBindTexture(GL_TEXTURE_2D, e.mesh->textureId);
    glColor3fv(e.colour);
}

static void resetState(const QueuedMesh &e)
{
    if (!e.depthTest)
        glEnable(GL_DEPTH_TEST);
    if (e.lights & 1) {
        glDisable(GL_LIGHTING);
        for (int i = 0; i < QUEUED_LIGHTS; i++)
            if (e.lights & (2u << i))
                glDisable(GL_LIGHT1 + i);
    }
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, ALPHA_TEST_REFERENCE);
    glDisable(GL_BLEND);
    glColor3f(1, 1, 1);
}

static const GLsizei MESH_STRIDE = MESH_VERTEX_FLOATS * sizeof(float);

static void drawAlone(const QueuedMesh &e)
{
    const float *v = e.mesh->arrays.data();
    glLoadMatrixd(e.mesh->modelView);
    glTexCoordPointer(2, GL_FLOAT, MESH_STRIDE, v);
    glVertexPointer(3, GL_FLOAT, MESH_STRIDE, v + MESH_POSITION_OFFSET);
    glNormalPointer(GL_FLOAT, MESH_STRIDE, v + MESH_NORMAL_OFFSET);
    glDrawArrays(GL_TRIANGLES, 0, 3 * e.mesh->triangleCount);
}

// The mesh's arrays with positions in eye space, made again only when its
// model-view has changed since they were last made. They keep the mesh's
// vertex layout (normals included, unused with lighting off), so that a
// shared draw needs no other vertex fetch than a mesh's own: the software
// rasterizer compiles one per layout.
static const std::vector<float> &eyeArrays(Mesh &mesh)
{
    size_t count = mesh.arrays.size() / MESH_VERTEX_FLOATS;
    if (mesh.eyeArrays.size() == mesh.arrays.size() && memcmp(mesh.eyeMatrix, mesh.modelView, sizeof mesh.eyeMatrix) == 0)
        return mesh.eyeArrays;
    const double *m = mesh.modelView;
    mesh.eyeArrays = mesh.arrays;
    float *v = mesh.eyeArrays.data();
    for (size_t i = 0; i < count; i++, v += MESH_VERTEX_FLOATS) {
        float *p = v + MESH_POSITION_OFFSET;
        double x = p[0], y = p[1], z = p[2];
        for (int r = 0; r < 3; r++)
            p[r] = (float)(m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r]);
    }
    memcpy(mesh.eyeMatrix, mesh.modelView, sizeof mesh.eyeMatrix);
    return mesh.eyeArrays;
}

// Lighting is off in a shared batch: the normals it carries are not used.
static void drawTogether(MeshQueue &q, int32_t first)
{
    size_t floats = 0;
    for (int32_t j = first; j >= 0; j = q.groups.nextInBatch[j])
        floats += eyeArrays(*q.entries[j].mesh).size();
    q.vertices.resize(floats);
    size_t at = 0;
    for (int32_t j = first; j >= 0; j = q.groups.nextInBatch[j]) {
        const std::vector<float> &eye = q.entries[j].mesh->eyeArrays;
        memcpy(q.vertices.data() + at, eye.data(), eye.size() * sizeof(float));
        at += eye.size();
    }
    const float *v = q.vertices.data();
    glLoadIdentity();
    glTexCoordPointer(2, GL_FLOAT, MESH_STRIDE, v);
    glVertexPointer(3, GL_FLOAT, MESH_STRIDE, v + MESH_POSITION_OFFSET);
    glNormalPointer(GL_FLOAT, MESH_STRIDE, v + MESH_NORMAL_OFFSET);
    glDrawArrays(GL_TRIANGLES, 0, (GLsizei)(floats / MESH_VERTEX_FLOATS));
}

void MeshQueue::prepare()
{
    findStates(*this);
    findBoxes(*this);
    groups.group(states.data(), boxes.data(), (int32_t)entries.size());
    prepared = true;
}

static bool batchMissed(const MeshQueue &q, int32_t first, const ScreenBox *only)
{
    if (!only)
        return false;
    for (int32_t j = first; j >= 0; j = q.groups.nextInBatch[j])
        if (boxesMeet(q.boxes[j], *only))
            return false;
    return true;
}

void MeshQueue::draw(bool blended, const ScreenBox *only)
{
    if (entries.empty())
        return;
    if (!prepared)
        prepare();
    glPushMatrix();
    for (int32_t first : groups.batchFirst) {
        if (batchMissed(*this, first, only))
            continue;
        const QueuedMesh &e = entries[first];
        setState(e, blended);
        // A mesh that can share a draw is always drawn from its eye-space
        // arrays, alone or not, so that its pixels do not depend on which
        // other meshes happen to share its batch this frame.
        if (states[first] < 0)
            drawAlone(e);
        else
            drawTogether(*this, first);
        resetState(e);
    }
    glPopMatrix();
    clear();
}
