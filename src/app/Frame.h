// One frame: take the time, walk the tree (running every object's actions and
// queueing its meshes), draw the opaque meshes, blend the transparent ones,
// swap, pick. A frame that would show and pick exactly what the last drawn
// one did is not drawn: without a GPU every drawn frame keeps the processor
// busy, and most of the time nothing moves.
#pragma once

#include <cstdint>

struct ScreenBox;

// The whole frame, as the main loop runs it: the walk, then, unless the
// frame digest equals the one on screen and the last pick looked at the
// pointer's pixel, the draw, the swap and the pick. True when it drew.
bool runFrame();
// runFrame's first half: the walk and, unless nothing changed, the draw into
// the back buffer; true when it drew (then the swap and pickFrame follow).
bool drawFrame();
// runFrame's last step, after the swap: the pick at the pointer, remembered.
void pickFrame();
// Takes the frame time, clears, draws the tree and the transparent queue
// into the back buffer (always; no digest, no swap, no pick).
void drawScene();
// Has `drawn(user)` called with every drawn frame complete in the back
// buffer, right before its swap (null stops it). Tests read the picture there.
void observeDrawnFrames(void (*drawn)(void *user), void *user);
// Draws the meshes the tree queued: the opaque ones, then the transparent
// ones without depth writes, each queue as if mesh by mesh in queue order;
// empties both. With `only`, meshes that cannot reach that box may be left
// out (the caller has scissored the draw to it).
void drawQueuedMeshes(const ScreenBox *only = nullptr);
// Digest of what the walk just queued: every mesh with its texture, matrix,
// tint and state, the objects that registered for the pick, and App::meshChanges (a
// mesh freed and another loaded at its address, maybe with a recycled
// texture name, still changes it). Never 0.
uint64_t frameDigest();
