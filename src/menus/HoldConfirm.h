// A confirm button that must be held: the left mouse button pressed on it,
// or Return, kept down for HOLD_CONFIRM_MS while a ring around it fills.
// Anything else meanwhile (another key, another button, the pointer leaving
// it, letting go) empties the ring and the hold starts again. It keeps a
// child's quick clicks and key mashing away from what only a grown-up
// should confirm.
#pragma once

#include "scene/Action.h"

struct SceneObject;

// How long the confirm must be held (ms).
const double HOLD_CONFIRM_MS = 2000;
// Parts of the ring; each lights up after 1/HOLD_RING_PARTS of the hold.
const int HOLD_RING_PARTS = 24;
// Archive and entry of one ring part, whose origin is the ring's centre.
extern const char HOLD_RING_ARCHIVE[];
extern const char HOLD_RING_IMAGE[];

// Script of a hold-to-confirm button. Step 0 watches the hold; step 1 holds
// the confirming action; steps 2 and 3 are the shared hover effects.
enum { HOLD_WATCH_STEP = 0, HOLD_CONFIRMED_STEP = 1 };

// Turns `button` (a pickable screen item, not yet drawn) into a hold-to-confirm
// button: gives it the ring as its children and its script. `confirmed` runs
// once, as a one-shot action of the button (with `user`), the frame the hold
// completes; the watch then stops.
void giveHoldConfirm(SceneObject *button, ActionCallback confirmed, void *user);
// Endless, step 0 of the button: follows the hold and lights the ring.
// i0 holds what is held (HoldKind), elapsed the time it has been held.
void holdWatch(void *userData);
// How far the hold has come, 0..1, of a button given giveHoldConfirm; 0 for any other.
double holdProgress(const SceneObject *button);
