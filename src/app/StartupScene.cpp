#include "app/StartupScene.h"

#include <string>
#include <vector>

#include <SDL.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Picker.h"
#include "audio/Mixer.h"
#include "menus/Button.h"
#include "menus/Dialogs.h"
#include "menus/MainMenu.h"
#include "menus/WebLinks.h"
#include "puzzle/PuzzleFlow.h"
#include "puzzle/PuzzleLayouts.h"
#include "resources/DeferredDecoding.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

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

// An object running one endless action from its step 0.
static void startEndless(SceneObject *object, ActionCallback callback)
{
    object->script.trigger(object->script.addStep(makeAction(1, ACTION_ENDLESS, callback, nullptr)));
}

static void addBackground()
{
    SceneObject *background = new SceneObject;
    background->setImage("interface_my.pak", "fon");
    background->setRotation(-90, 0, 0);
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

// Flips the panel between expanded and collapsed.
static void toggleView(void *userData)
{
    if (!clickedHere())
        return;
    app.settings->menuExpanded = app.settings->menuExpanded == 1 ? 0 : 1;
    buildPanel();
}

// Brightness of a tool-bar button while a screen is open and the blocker
// keeps it from answering, so that nobody waits for it to react.
static const double TOOL_DIMMED = 0.45;

void dimWhileScreenOpen(void *userData)
{
    const double k = app.topScreen ? TOOL_DIMMED : 1;
    app.currentObject->setColour(k, k, k);
}

// One tool-bar button: its image from "buttons.pak" at (x, y, z), a full
// button, dimmed while it does nothing.
static void addToolButton(const char *image, double x, double y, double z, ActionCallback handler)
{
    SceneObject *button = new SceneObject;
    button->addHook(pickableHook, 0);
    button->setRotation(-90, 0, 0);
    button->setPosition(x, y, z);
    button->setImage("buttons.pak", image);
    giveButton(button, handler);
    // Straight on the scheduler: the button's step numbers belong to makeButton.
    button->scheduler.schedule(makeAction(1, ACTION_ENDLESS, dimWhileScreenOpen, nullptr));
    app.root->addChild(button);
}

// The tool bar, anchored to the corners of the visible area at distance 100.
static void addToolBar()
{
    double w = app.display->halfWidthAt(100), h = app.display->halfHeightAt(100);
    addToolButton("close", w - 4, h - 4, 0.6, openExit);
    addToolButton("view", 16.5 - w, h - 5.8, 0.6, toggleView);
    addToolButton("break", 28.992 - w, h - 5.8, 0.6, openResetOne);
    addToolButton("menu", 7.5 - w, h - 5.8, 0.6, openMainMenu);
    addToolButton("get_puzz", -15.079, 34.889, 0.5, openDownloadPage);
    addToolButton("help", 22.746 - w, h - 5.8, 0.6, openHelp);
}

// The first screen: the size selection on the very first start, else the puzzle.
static void openFirstScreen()
{
    if (app.settings->showWelcome) {
        openWelcome();
        return;
    }
    setPuzzleSize(app.settings->puzzleSize);
    layoutPlayField();
    showPicture();
}

// Names the images of one archive the first screen shows; none: every image.
static void prefetchFrom(const char *archive, std::vector<std::string> entries)
{
    prefetchImages(app.pakCache.pathsOf(archive), entries);
}

void prefetchFirstScreen(const Settings &settings)
{
    if (!deferredDecodingActive())
        return;
    const PuzzleSizeInfo &size = PUZZLE_SIZE_INFO[settings.puzzleSize == 0 ? 0 : 1];
    bool expanded = settings.menuExpanded == 1;
    std::vector<std::string> interface = {"fon.png", "cursor.png", expanded ? "menu.png" : "menu_open.png"};
    std::vector<std::string> buttons = {"close.png", "view.png", "break.png", "menu.png", "get_puzz.png", "help.png"};
    if (!expanded)
        prefetchFrom(size.commonArchives[0], {"prev.png"});
    if (settings.showWelcome) {
        prefetchFrom("main_menu.pak", {"block.png"});
        prefetchFrom("help_menu.pak", {"fon_wel.png", "puz_help.png", "help.png", "ok.png"});
    } else if (settings.completed[0] == 1) {
        prefetchFrom(size.commonArchives[0], {"final.png"});
    } else {
        // The pieces' and outlines' textures are whatever images their archives hold.
        prefetchFrom(size.pictureArchives[0], {});
        prefetchFrom(size.outlineArchives[0], {});
    }
    if (!settings.showWelcome) {
        interface.push_back("puzz_plase.png");
        buttons.push_back("prev.png");
        buttons.push_back("next.png");
    }
    prefetchFrom("interface_my.pak", interface);
    prefetchFrom("buttons.pak", buttons);
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
    addToolBar();
    openFirstScreen();
}
