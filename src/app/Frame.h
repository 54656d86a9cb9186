// One frame: take the time, walk the tree (running every object's actions and
// queueing its meshes), draw the opaque meshes, blend the transparent ones,
// swap, pick.
#pragma once

// The whole frame, as the main loop runs it: drawScene, swap, pick.
void runFrame();
// Takes the frame time, clears, draws the tree and the transparent queue
// into the back buffer.
void drawScene();
// Draws the meshes the tree queued: the opaque ones, then the transparent
// ones without depth writes, each queue as if mesh by mesh in queue order;
// empties both.
void drawQueuedMeshes();
