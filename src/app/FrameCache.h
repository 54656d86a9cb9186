// The picture on screen, kept in a texture, so that a frame in which only a
// little moved is drawn as that picture plus the part that changed. Without a
// GPU the rasterizer's work is the frame's cost, and in most frames of play
// only the cursor, one pulsing or gliding piece or a hovered button moves.
//
// A frame is compared with the one kept, draw by draw in queue order (mesh,
// texture, matrix, tint, state). Every pixel outside the screen boxes of the
// draws that differ gets exactly the fragments it got before, so it keeps its
// colour; inside the union of those boxes the frame is cleared and drawn
// again in full, scissored. The result is the picture a full redraw gives.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/MeshQueue.h"

struct Mesh;

// What decides the pixels of one queued draw, and where they can land.
struct DrawRecord {
    const Mesh *mesh = nullptr;  // Borrowed: compared only, never followed
    uint32_t loadedAt = 0;  // tells a mesh from an earlier one at its address
    uint32_t texture = 0;
    double modelView[16] = {};
    float colour[3] = {0, 0, 0};
    uint8_t depthTest = 0, lights = 0, blended = 0;
    ScreenBox box;
};

// A window rectangle in GL pixels (origin bottom left), half-open.
struct PixelRect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

// Invariant: when `kept`, the texture holds the last drawn frame's picture
// (width x height pixels at its origin) and `records` that frame's draws.
struct FrameCache {
    uint32_t texture = 0;        // Owns: GL texture name (0: none made)
    int32_t width = 0, height = 0;        // window size the texture was made for
    int32_t textureWidth = 0, textureHeight = 0;
    bool kept = false;
    bool fullRedraw = false;     // set: every frame drawn in full (old drivers, tests, comparison)
    bool awaitingFirst = true;   // the next frame is a start's first: shown, not kept
    bool checked = false;        // the driver was asked what it supports
    bool usable = false;         // ... and it can copy the screen into a texture
    bool powerOfTwo = false;     // ... only into a power-of-two one
    bool throughMemory = false;  // ... multisampled: copied by reading pixels back
    std::vector<DrawRecord> records;  // the kept frame's draws, opaque then blended
    std::vector<DrawRecord> fresh;    // this frame's, swapped in once drawn
    uint64_t partialFrames = 0, fullFrames = 0;  // drawn each way so far

    // Forgets the picture: the next frame is drawn in full. Keeps the texture.
    void forget() { kept = false; }
    // Frees the texture (needs the GL context); the next frame is drawn in full.
    void release();
};

// Draws the queued meshes of this frame into the back buffer (clearing what
// needs it) as a full redraw would, using the kept picture where nothing
// changed, keeps the result for the next frame and empties both queues.
// Needs the camera's projection and viewport current.
void drawFrameFromCache(FrameCache &cache);
// The rectangle (GL pixels, clamped to the window) that the frame's changed
// draws can reach; empty when nothing changed. False when a changed draw
// cannot be bounded or the draws cannot be compared (the frame is drawn in full).
bool changedRect(const std::vector<DrawRecord> &before, const std::vector<DrawRecord> &now, int32_t width,
                 int32_t height, PixelRect &out);
// The rectangle in normalized device coordinates, for a window of that size.
ScreenBox boxOfRect(const PixelRect &r, int32_t width, int32_t height);
