// The behaviour every button shares: click polling through its handler,
// growth to 1.07 under the pointer, shrinking back, and the click sound.
#pragma once

#include <SDL.h>

#include "scene/Action.h"

struct SceneObject;

// Scale of a hovered button; it grows and shrinks over HOVER_MS.
const double HOVER_SCALE = 1.07;
const double HOVER_MS = 100;

// One-shot in step 0: installs the click handler (userData, an ActionCallback;
// i0..i2 passed on) as step 1 and the hover effects as steps 2 and 3.
void makeButton(void *handler);
// One-shot in step 1 of an object whose step 0 handles its own clicks:
// installs the hover effects as steps 2 and 3.
void addHoverEffects(void *userData);
// The hover effects as steps 2 and 3 of an object that has exactly steps 0 and 1.
void addHoverSteps(SceneObject *object);
// Endless: shrinks back to scale 1 and waits for the pointer.
void hoverShrink(void *userData);
// Endless: grows to 1.07 while hovered; plays the click sound on a click.
void hoverGrow(void *userData);

// Offers the object being drawn to the switches when it is a button of the
// top screen (every frame, from its own actions).
void offerButton();
// True when the object being drawn is under the pointer and was clicked.
bool clickedHere();
// Step 0 of a new button: a one-shot makeButton with `handler`, triggered.
void giveButton(SceneObject *button, ActionCallback handler, int i0 = 0);
// Steps 0 and 1 of a new button: its own endless handlers (in order, each
// with `user`), then the one-shot hover effects; both triggered.
void giveHandlers(SceneObject *button, ActionCallback first, ActionCallback second, void *user);

// Close handlers of dialog buttons (userData = the screen beneath).
// Escape, a click, or a confirmed dialog above asking this one to close.
void closeOnCancel(void *previous);
// Enter or a click; gives the key back for the confirming action after it.
void closeOnConfirm(void *previous);
// As closeOnConfirm, and asks the screen beneath to close as well.
void closeBothOnConfirm(void *previous);
