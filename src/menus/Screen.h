// The screen stack: menus and dialogs open on top of each other over the
// game, slide in, and close back to the screen beneath.
//
// Screen contents live in the frame of screenRoot, turned by -90 degrees
// about x: x right, z up on the screen, y away from the eye. Every menu and
// dialog object stands at y = -65.1, 34.9 units in front of the eye.
#pragma once

#include <SDL.h>

struct SceneObject;

// Depth of every menu and dialog object in the screen frame (scene units).
const double SCREEN_DEPTH_Y = -65.1;
// Distance from the eye of the menus' plane (scene units).
const double SCREEN_DISTANCE = 34.9;

// Creates screenRoot and the blocker under App::root; topScreen = screenRoot.
void openScreenStack();
// Closes screenRoot and the blocker; topScreen = null.
void closeScreenStack();
// Opens a new, empty screen on top of topScreen and makes it topScreen.
void pushScreen();
// Closes topScreen (run from a button's close action, which it retires) and
// returns to `previous`, closing the whole stack when that is screenRoot.
void popScreen(SceneObject *previous);
// True, and the key taken, when the object being drawn belongs to the top
// screen and this frame's pending key is `sym`.
bool keyOnTop(SDLKey sym);
// Opens the stack when no screen is open, then pushes a screen; returns the
// screen that was on top before (the new screen's `previous`).
SceneObject *beginScreen();

// A new screen object at (x, SCREEN_DEPTH_Y, z) with an image, pickable when
// asked; the caller attaches it.
SceneObject *makeScreenItem(const char *archive, const char *image, double x, double z, bool pickable);
// A new background at the screen's origin (its model carries its own depth);
// the caller attaches it.
SceneObject *makeScreenBackground(const char *archive, const char *image);

// Action callbacks of the stack (userData unused).
void topWatch(void *userData);
void slideIn(void *userData);
void stackForward(void *userData);
void stackBack(void *userData);
