#include "menus/HoldConfirm.h"

#include "app/App.h"
#include "menus/Button.h"
#include "menus/Screen.h"
#include "scene/SceneObject.h"

const char HOLD_RING_ARCHIVE[] = "buttons.pak";
const char HOLD_RING_IMAGE[] = "hold_ring";

namespace {

enum HoldKind { HOLD_NONE = 0, HOLD_MOUSE = 1, HOLD_KEY = 2 };

// Tints of a ring part still to fill and of a filled one (the part is white).
const double RING_EMPTY[3] = {0.91, 0.79, 0.6};
const double RING_FULL[3] = {0.27, 0.75, 0.34};

// Turn of each ring part about the ring's centre (degrees, clockwise on screen).
const double RING_PART_TURN = 360.0 / HOLD_RING_PARTS;

void lightRing(SceneObject *button, double progress)
{
    const int lit = (int)(progress * HOLD_RING_PARTS);
    for (size_t i = 0; i < button->children.size(); i++) {
        const double *tint = (int)i < lit ? RING_FULL : RING_EMPTY;
        button->children[i]->setColour(tint[0], tint[1], tint[2]);
    }
}

// True when this frame brought input that is not part of a hold of `kind`:
// it breaks the hold. The key is left for its own reader (Escape cancels).
bool otherInput(int kind)
{
    if (app.rightClicked)
        return true;
    if (app.keyPending && !app.keyConsumed && app.keyEvent.keysym.sym != SDLK_RETURN)
        return true;
    return kind == HOLD_KEY && app.leftClicked;
}

// True while the hold of `kind` goes on this frame.
bool stillHeld(int kind)
{
    if (kind == HOLD_MOUSE)
        return app.leftDown && app.picker.isHovered();
    return app.returnDown;
}

// The hold that starts this frame, if any.
int holdStarting()
{
    if (clickedHere())
        return HOLD_MOUSE;
    if (keyOnTop(SDLK_RETURN) && app.returnDown)
        return HOLD_KEY;
    return HOLD_NONE;
}

} // namespace

void giveHoldConfirm(SceneObject *button, ActionCallback confirmed, void *user)
{
    for (int i = 0; i < HOLD_RING_PARTS; i++) {
        SceneObject *part = new SceneObject;
        part->setImage(HOLD_RING_ARCHIVE, HOLD_RING_IMAGE);
        part->setRotation(0, i * RING_PART_TURN, 0);
        part->setColour(RING_EMPTY[0], RING_EMPTY[1], RING_EMPTY[2]);
        button->addChild(part);
    }
    button->script.addStep(makeAction(1, ACTION_ENDLESS, holdWatch, nullptr));
    button->script.addStep(makeAction(1, ACTION_ONE_SHOT, confirmed, user));
    addHoverSteps(button);
    button->script.trigger(HOLD_WATCH_STEP);
}

void holdWatch(void *userData)
{
    Action *self = app.currentAction;
    SceneObject *button = app.currentObject;
    int kind = self->i0;
    if (kind != HOLD_NONE && (otherInput(kind) || !stillHeld(kind)))
        kind = HOLD_NONE;
    if (kind == HOLD_NONE) {
        kind = holdStarting();
        self->elapsed = 0;  // a hold is timed from the frame it starts
    }
    self->i0 = kind;
    lightRing(button, kind == HOLD_NONE ? 0 : self->elapsed / HOLD_CONFIRM_MS);
    if (kind == HOLD_NONE || self->elapsed < HOLD_CONFIRM_MS)
        return;
    self->enabled = false;
    button->script.trigger(HOLD_CONFIRMED_STEP);
}

double holdProgress(const SceneObject *button)
{
    for (const Action &a : button->scheduler.actions) {
        if (a.callback != holdWatch || !a.enabled)
            continue;
        if (a.i0 == HOLD_NONE)
            return 0;
        return a.elapsed >= HOLD_CONFIRM_MS ? 1 : a.elapsed / HOLD_CONFIRM_MS;
    }
    return 0;
}
