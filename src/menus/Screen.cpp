#include "menus/Screen.h"

#include "app/App.h"
#include "app/Picker.h"
#include "scene/SceneObject.h"
#include "scene/Tween.h"

// Stack movement and slide-in: linear over this long inside 600 ms actions.
static const double STACK_MOVE_MS = 400;
static const double STACK_ACTION_MS = 600;

enum { STACK_FORWARD_STEP = 0, STACK_BACK_STEP = 1 };
enum { SLIDE_IN_STEP = 0, TOP_WATCH_STEP = 1 };

void openScreenStack()
{
    app.screenRoot = new SceneObject;
    app.screenRoot->setRotation(-90, 0, 0);
    app.screenRoot->script.addStep(makeAction(1, STACK_ACTION_MS, stackForward, nullptr));
    app.screenRoot->script.addStep(makeAction(1, STACK_ACTION_MS, stackBack, nullptr));

    app.blocker = new SceneObject;
    app.blocker->addHook(pickableHook, 0);
    app.blocker->setRotation(-90, 0, 0);
    app.blocker->setImage("main_menu.pak", "block");

    app.root->addChild(app.blocker);
    app.root->addChild(app.screenRoot);
    app.topScreen = app.screenRoot;
}

void closeScreenStack()
{
    if (app.screenRoot)
        app.screenRoot->close();
    if (app.blocker)
        app.blocker->close();
    // Both are destroyed by the tree; nothing may follow them from here on.
    app.screenRoot = nullptr;
    app.blocker = nullptr;
    app.topScreen = nullptr;
}

void pushScreen()
{
    app.screenRoot->script.trigger(STACK_BACK_STEP);
    SceneObject *screen = new SceneObject;
    screen->script.addStep(makeAction(1, STACK_ACTION_MS, slideIn, nullptr));
    screen->script.addStep(makeAction(1, ACTION_ENDLESS, topWatch, nullptr));
    screen->script.trigger(SLIDE_IN_STEP);
    screen->script.trigger(TOP_WATCH_STEP);
    app.topScreen->addChild(screen);
    app.topScreen = screen;
}

void popScreen(SceneObject *previous)
{
    app.currentAction->enabled = false;
    if (app.screenRoot)
        app.screenRoot->script.trigger(STACK_FORWARD_STEP);
    if (app.topScreen)
        app.topScreen->close();
    if (previous == app.screenRoot)
        closeScreenStack();
    else
        app.topScreen = previous;
}

bool keyOnTop(SDLKey sym)
{
    return app.onTopScreen && keyPressed(sym);
}

SceneObject *beginScreen()
{
    if (!app.topScreen)
        openScreenStack();
    SceneObject *previous = app.topScreen;
    pushScreen();
    return previous;
}

SceneObject *makeScreenItem(const char *archive, const char *image, double x, double z, bool pickable)
{
    SceneObject *item = new SceneObject;
    if (pickable)
        item->addHook(pickableHook, 0);
    item->setPosition(x, SCREEN_DEPTH_Y, z);
    item->setImage(archive, image);
    return item;
}

SceneObject *makeScreenBackground(const char *archive, const char *image)
{
    SceneObject *background = new SceneObject;
    background->setImage(archive, image);
    return background;
}

void topWatch(void *userData)
{
    app.onTopScreen = app.currentObject == app.topScreen;
}

void slideIn(void *userData)
{
    TweenFrame f = tweenFrame(*app.currentAction, STACK_MOVE_MS);
    app.currentObject->setPosition(tweenLinear(f, -2), tweenLinear(f, -3), tweenLinear(f, 2));
}

// Incremental move by `total` in all over the tween, the part given so far in d0..d2.
static void moveStack(const double total[3])
{
    Action *a = app.currentAction;
    TweenFrame f = tweenFrame(*app.currentAction, STACK_MOVE_MS);
    double dx = tweenChange(a->d0, tweenLinear(f, total[0]));
    double dy = tweenChange(a->d1, tweenLinear(f, total[1]));
    double dz = tweenChange(a->d2, tweenLinear(f, total[2]));
    app.currentObject->moveBy(dx, dy, dz);
}

void stackForward(void *userData)
{
    static const double forward[3] = {-2, 2, 3};
    moveStack(forward);
}

void stackBack(void *userData)
{
    static const double back[3] = {2, -2, -3};
    moveStack(back);
}
