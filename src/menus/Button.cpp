#include "menus/Button.h"

#include "app/App.h"
#include "app/Picker.h"
#include "app/Switches.h"
#include "audio/Mixer.h"
#include "menus/Screen.h"
#include "scene/SceneObject.h"

// A button given by giveButton: its one-shot set-up fills the others.
enum { SETUP_STEP = 0, HANDLER_STEP = 1, SHRINK_STEP = 2, GROW_STEP = 3 };

bool clickedHere()
{
    return app.picker.isHovered() && app.leftClicked;
}

void addHoverSteps(SceneObject *object)
{
    object->script.addStep(makeAction(1, ACTION_ENDLESS, hoverShrink, nullptr));
    object->script.trigger(SHRINK_STEP);
    object->script.addStep(makeAction(1, ACTION_ENDLESS, hoverGrow, nullptr));
}

void makeButton(void *handler)
{
    Action *self = app.currentAction;
    self->enabled = false;
    SceneObject *button = app.currentObject;
    Action click;
    click.setTiming(1, true, ACTION_ENDLESS);
    click.setCallback((ActionCallback)handler, nullptr, self->i0, self->i1, self->i2, 0, 0, 0);
    button->script.addStep(click);
    button->script.trigger(HANDLER_STEP);
    addHoverSteps(button);
}

void addHoverEffects(void *userData)
{
    app.currentAction->enabled = false;
    addHoverSteps(app.currentObject);
}

void offerButton()
{
    // Not onTopScreen: it stays set for whatever is drawn after the top
    // screen (a play field built while the size screen is open).
    if (!app.topScreen)
        return;
    for (const SceneObject *item : app.topScreen->children)
        if (item == app.currentObject) {
            offerScanTarget(SCAN_BUTTON);
            return;
        }
}

void hoverShrink(void *userData)
{
    offerButton();
    SceneObject *object = app.currentObject;
    double e = app.currentAction->elapsed;
    if (object->scaleX() != 1) {
        double k = 1 + (HOVER_SCALE - 1) * (HOVER_MS - e) / HOVER_MS;
        object->setScale(k, k, k);
    }
    if (e > HOVER_MS || object->scaleX() == 1)
        object->setScale(1, 1, 1);
    if (app.picker.isHovered()) {
        object->script.trigger(GROW_STEP);
        app.currentAction->enabled = false;
    }
}

void hoverGrow(void *userData)
{
    offerButton();
    SceneObject *object = app.currentObject;
    double e = app.currentAction->elapsed;
    double k = e > HOVER_MS ? HOVER_SCALE : 1 + (HOVER_SCALE - 1) * e / HOVER_MS;
    object->setScale(k, k, k);
    if (clickedHere() && app.mixer)
        app.mixer->play("button.wav", false);
    if (app.picker.isHovered())
        return;
    object->script.trigger(SHRINK_STEP);
    app.currentAction->enabled = false;
}

void giveButton(SceneObject *button, ActionCallback handler, int i0)
{
    button->script.addStep(makeAction(1, ACTION_ONE_SHOT, makeButton, (void *)handler, i0));
    button->script.trigger(SETUP_STEP);
}

void giveHandlers(SceneObject *button, ActionCallback first, ActionCallback second, void *user)
{
    int32_t handlers = button->script.addStep(makeAction(1, ACTION_ENDLESS, first, user));
    if (second)
        button->script.addAction(makeAction(1, ACTION_ENDLESS, second, nullptr));
    int32_t hover = button->script.addStep(makeAction(1, ACTION_ONE_SHOT, addHoverEffects, nullptr));
    button->script.trigger(handlers);
    button->script.trigger(hover);
}

void closeOnCancel(void *previous)
{
    if (!clickedHere() && !keyOnTop(SDLK_ESCAPE) && !app.closeBelow)
        return;
    app.closeBelow = false;
    popScreen((SceneObject *)previous);
}

void closeOnConfirm(void *previous)
{
    if (!clickedHere() && !keyOnTop(SDLK_RETURN))
        return;
    app.keyConsumed = false;
    popScreen((SceneObject *)previous);
}

void closeBothOnConfirm(void *previous)
{
    if (!clickedHere() && !keyOnTop(SDLK_RETURN))
        return;
    app.keyConsumed = false;
    app.closeBelow = true;
    popScreen((SceneObject *)previous);
}
