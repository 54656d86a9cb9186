// One frame: take the time, draw the tree (running every object's actions),
// blend the queued transparent meshes, swap, pick.
#pragma once

// The whole frame, as the main loop runs it: drawScene, swap, pick.
void runFrame();
// Takes the frame time, clears, draws the tree and the transparent queue
// into the back buffer.
void drawScene();
// Draws App::transparentQueue in queue order without depth writes, then empties it.
void drawTransparentQueue();
