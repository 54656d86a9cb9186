#include "app/StartupScene.h"

#include <SDL.h>

#include "app/App.h"
#include "app/Display.h"
#include "audio/Mixer.h"
#include "puzzle/PuzzleFlow.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

// Scale of a hovered button (its meshes appear at the square of it).
static const double BUTTON_HOVER_SCALE = 1.07;

void followMouse(void *userData)
{
    SceneObject *cursor = app.currentObject;
    const Display *d = app.display;
    double fx = ((double)app.mouseX / d->width - 0.5) * 2;
    double fy = ((double)app.mouseY / d->height - 0.5) * 2;
    double x = d->halfWidthAt(CURSOR_DISTANCE) * fx;
    double y = -d->halfHeightAt(CURSOR_DISTANCE) * fy;
    cursor->setPosition(x, y, 100 - CURSOR_DISTANCE);
    cursor->setRotation(2 * y - 90, 0, -2.5 * x);
}

// Ends the game on Escape; the close button does the same on a click.
static void watchEscape(void *userData)
{
    if (!app.topScreen && keyPressed(SDLK_ESCAPE))
        saveAndClose();
}

static void watchCloseButton(void *userData)
{
    SceneObject *button = app.currentObject;
    bool hovered = app.picker.isHovered();
    double scale = hovered ? BUTTON_HOVER_SCALE : 1.0;
    button->setScale(scale, scale, scale);
    if (hovered && app.leftClicked)
        saveAndClose();
}

// An object running one endless action from its step 0.
static void startEndless(SceneObject *object, ActionCallback callback)
{
    object->script.addStep();
    object->script.addAction(makeAction(1, ACTION_ENDLESS, callback, nullptr));
    object->script.trigger(0);
}

static void addBackground()
{
    SceneObject *background = new SceneObject;
    background->setImage("interface_my.pak", "fon");
    background->setRotation(-90, 0, 0);
    startEndless(background, watchEscape);
    app.root->addChild(background);
}

static void addCursor()
{
    SceneObject *cursor = new SceneObject;
    cursor->setScale(0.8, 0.8, 0.8);
    cursor->setPosition(0, 0, 74);
    cursor->setImage("interface_my.pak", "cursor");
    startEndless(cursor, followMouse);
    app.root->addChild(cursor);
}

static void addCloseButton()
{
    double w = app.display->halfWidthAt(100), h = app.display->halfHeightAt(100);
    SceneObject *close = new SceneObject;
    close->addHook(pickableHook, 0);
    close->setRotation(-90, 0, 0);
    close->setPosition(w - 4, h - 4, 0.6);
    close->setImage("buttons.pak", "close");
    startEndless(close, watchCloseButton);
    app.root->addChild(close);
}

// The first screen: the size selection on the very first start, else the puzzle.
static void openFirstScreen()
{
    if (app.settings->showWelcome) {
        openSizeSelection();
        return;
    }
    setPuzzleSize(app.settings->puzzleSize);
    layoutPlayField();
    showPicture();
}

void buildStartupScene()
{
    if (app.mixer)
        app.mixer->play("music.wav", true);
    addBackground();
    app.gameLayer = new SceneObject;
    app.root->addChild(app.gameLayer);
    buildPanel();
    addCursor();
    addCloseButton();
    openFirstScreen();
}
