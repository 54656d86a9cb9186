// Plays the real game loop frame by frame under test: a hand-stepped frame
// clock, synthetic SDL events through SDL's own queue, and the real pick.
// Needs the window opened by the GL test main.
#pragma once

#include <cstdint>

#include <SDL.h>

struct SceneObject;
struct Mesh;

// The frame clock the rig installs; frames advance it by hand.
struct ManualClock {
    uint32_t now = 1000;  // ms
};

// Replaces the frame clock with `clock` (nullptr restores the real clock).
void useManualClock(ManualClock *clock);
// A new empty root (the old tree freed), an empty picker and queue, the
// mouse at (0, 0) with no button held.
void resetScene();
// Advances the manual clock by stepMs and plays one turn of the main loop.
void playFrames(int count, uint32_t stepMs = 16);
// Queues a motion event to (x, y) window pixels.
void pushMotion(int x, int y);
// Queues a button event (SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, ...).
void pushButton(uint8_t button, bool down);
// Moves there, plays a frame so the pick sees it, then presses and releases
// the left button and plays the frame that reads the click.
void clickAt(int x, int y);
// Queues a key-down of sym.
void pushKey(SDLKey sym);
// Queues a key-up of sym.
void pushKeyUp(SDLKey sym);
// Window pixel (top-left origin) of the centre of the object's first
// triangle as last drawn: always inside what the pick sees of it.
bool windowPointOf(const SceneObject *object, int &x, int &y);
// Window pixel (top-left origin) of a point in a mesh's model coordinates,
// as the mesh was last drawn.
bool projectToWindow(const Mesh *mesh, const double point[3], int &x, int &y);
// Advances the clock by stepMs and draws one frame's picture into the back
// buffer without swapping or picking, so it can be read back.
void drawFrameForReading(uint32_t stepMs = 16);
// Colour of one window pixel (top-left origin) of the back buffer.
void readPixel(int x, int y, unsigned char rgb[3]);
// Frees an object and its whole subtree at once (tests only; the game closes).
void destroyTree(SceneObject *object);
