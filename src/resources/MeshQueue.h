// The meshes of one frame's draw, queued in tree order and drawn with as few
// draw calls as the picture allows. A software rasterizer pays for every
// draw call (a heap allocation or two and a pass over its state), and the
// pieces alternate picture, rim and edge textures, so drawn one by one a
// frame costs hundreds of calls. A queued mesh joins an earlier batch of the
// same state only when no mesh queued between them can touch a pixel it can
// touch, so every pixel sees its fragments in queue order and the picture is
// exactly the one drawn mesh by mesh.
#pragma once

#include <cstdint>
#include <vector>

struct Mesh;

// One queued draw: the mesh and the state it was queued in.
struct QueuedMesh {
    Mesh *mesh = nullptr;  // Borrowed: valid until the queue is drawn or cleared
    float colour[3] = {1, 1, 1};  // the tint when queued
    bool depthTest = true;
    uint8_t lights = 0;  // bit 0: lighting on; bit 1 + i: GL_LIGHT1 + i on
};

// A screen rectangle in normalized device coordinates; `everywhere` when the
// mesh's box reaches behind the eye and its extent cannot be bounded.
struct ScreenBox {
    float low[2] = {0, 0};
    float high[2] = {0, 0};
    bool everywhere = true;
};

// The current projection and a margin of a few pixels, for screen boxes.
struct BoxProjection {
    double projection[16] = {};
    float margin[2] = {0, 0};  // normalized device units
};

// Reads the projection matrix and viewport now in use.
BoxProjection currentBoxProjection();
// The screen box of the mesh as last drawn (its model-view), grown by the
// margin: every fragment it can make lies inside.
ScreenBox meshScreenBox(const Mesh &mesh, const BoxProjection &p);
// Whether two screen boxes share a point; a box that is everywhere meets every box.
bool boxesMeet(const ScreenBox &a, const ScreenBox &b);

// Batches of queued draws. Invariant after group(): every entry is in exactly
// one batch; drawing the batches in order, each one's members in entry order,
// gives every pixel the fragments of the entries in entry order.
struct DrawGroups {
    std::vector<int32_t> batchFirst;   // per batch, in drawing order: its first entry
    std::vector<int32_t> batchLast;    // per batch: its last entry
    std::vector<int32_t> nextInBatch;  // per entry: the next member of its batch, -1 ends it

    // Entries i and j may share a batch when state[i] == state[j] >= 0; an
    // entry joins the latest earlier batch of its state unless an entry of a
    // batch after that one has a box meeting its own.
    void group(const int32_t *state, const ScreenBox *boxes, int32_t count);
};

// Invariant: between frames the vectors are empty and keep only their capacity.
struct MeshQueue {
    std::vector<QueuedMesh> entries;
    std::vector<ScreenBox> boxes;   // per entry, filled by draw
    std::vector<int32_t> states;    // per entry, filled by draw: -1 or the first entry of equal state
    DrawGroups groups;
    std::vector<float> vertices;    // one shared draw's arrays, positions in eye space
    bool prepared = false;          // boxes, states and groups are those of the entries

    // Queues `mesh` (its model-view already recorded) with the current GL
    // depth-test and lighting state and its current tint; empty meshes are left out.
    void add(Mesh &mesh);
    // Finds every entry's screen box (with the current projection and
    // viewport), its state and the batches; draw does it when not done since
    // the last entry was queued.
    void prepare();
    // Draws every entry, then empties the queue. Blended (the transparent
    // pass): alpha-tested at > 0, or at the material's reference when it
    // asks for the test. Otherwise opaque, with the material's alpha test.
    // With `only`, a batch none of whose boxes meets it is left out: the
    // caller scissors the draw to inside that box, so it could show nothing.
    void draw(bool blended, const ScreenBox *only = nullptr);
    // Empties the queue without drawing.
    void clear();
};
