#include "puzzle/PuzzleFlow.h"

#include "app/App.h"
#include "app/Display.h"
#include "app/Picker.h"
#include "app/Switches.h"
#include "menus/Button.h"
#include "menus/Screen.h"
#include "puzzle/PuzzleBoard.h"
#include "resources/AheadDecoding.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"
#include "scene/Tween.h"

enum { ZOOM_IN_STEP = 0, ZOOM_OUT_STEP = 1 };
// The board's: leaving it retires it; an unsolved one then replaces itself.
enum { LEAVE_STEP = 0, REPLACE_STEP = 1 };
// Depth of the frame and picture buttons, and of the board (scene units).
static const double FIELD_Z = 59.7;
static const double BOARD_Z = 60;
// Tween lengths (ms).
static const double ZOOM_IN_MS = 1200, ZOOM_OUT_MS = 800, UNFOLD_MS = 1300, SLIDE_MS = 1000;

static double halfWidth() { return app.display->halfWidthAt(100); }
static double halfHeight() { return app.display->halfHeightAt(100); }

void setPuzzleSize(int size)
{
    if (size != 0 && size != 1)
        return;
    const PuzzleSizeInfo &info = PUZZLE_SIZE_INFO[size];
    if (app.settings)
        app.settings->puzzleSize = size;
    app.board.puzzleSize = size;
    app.board.pieceCount = info.pieceCount;
    app.board.minScatterDistance = info.minScatterDistance;
}

static SceneObject *makeFieldButton(const char *image, double x, ActionCallback handler)
{
    SceneObject *button = new SceneObject;
    button->addHook(pickableHook, 0);
    button->setRotation(-90, 0, 0);
    button->setPosition(x, 1.237, FIELD_Z);
    button->setImage("buttons.pak", image);
    giveButton(button, handler);
    return button;
}

void layoutPlayField()
{
    SceneObject *field = new SceneObject;
    field->script.addStep(makeAction(1, 1300, zoomIn, nullptr));
    field->script.addStep(makeAction(1, 1000, zoomOut, nullptr));
    app.root->addChild(field);
    app.playField = field;

    SceneObject *frame = new SceneObject;
    frame->setRotation(-90, 0, 0);
    frame->setPosition(0, 0, FIELD_Z);
    frame->setImage("interface_my.pak", "puzz_plase");
    field->addChild(frame);
    field->addChild(makeFieldButton("prev", -11.205, previousPicture));
    field->addChild(makeFieldButton("next", 11.297, nextPicture));
}

// One-shot steps of the board: how leaveBoard replaces it.
static void retireUnsolved(void *userData)
{
    app.currentAction->enabled = false;
    app.currentObject->script.trigger(REPLACE_STEP);
}

static void replaceBoard(void *userData)
{
    app.currentAction->enabled = false;
    showPicture();
}

static void retireSolved(void *userData)
{
    app.currentAction->enabled = false;
    if (app.playField)
        app.playField->script.trigger(ZOOM_OUT_STEP);
}

// The picture `step` away: its images (the finished one when it is
// completed, else the pieces' and outlines' archives; its preview on a
// collapsed panel) decode on a worker until that turn is made or given up.
static void prefetchTurn(int step)
{
    const PuzzleSizeInfo &info = currentSizeInfo();
    const int next = (app.board.pictureIndex + step + PUZZLE_PICTURES) % PUZZLE_PICTURES;
    std::vector<std::string> common;
    if (!app.settings || app.settings->menuExpanded != 1)
        common.push_back("prev.png");
    std::vector<AheadArchive> archives;
    if (app.settings && app.settings->completed[next] == 1) {
        common.push_back("final.png");
    } else {
        archives.push_back(app.pakCache.aheadOf(info.pictureArchives[next], {}));
        archives.push_back(app.pakCache.aheadOf(info.outlineArchives[next], {}));
    }
    if (!common.empty())
        archives.push_back(app.pakCache.aheadOf(info.commonArchives[next], common));
    decodeAhead(AHEAD_PICTURE, archives);
}

// A pointer resting on a picture button is about to turn the ring; leaving
// it lets the images go (the other button's request is its own).
static void prefetchWhileHovered(int step)
{
    PuzzleBoard &b = app.board;
    if (b.turnPending)
        return;
    const int target = (b.pictureIndex + step + PUZZLE_PICTURES) % PUZZLE_PICTURES;
    if (app.picker.isHovered() && !app.topScreen) {
        if (b.aheadTurn != step || b.aheadPicture != target || !aheadRequested(AHEAD_PICTURE))
            prefetchTurn(step);
        b.aheadTurn = step;
        b.aheadPicture = target;
    } else if (b.aheadTurn == step) {
        dropAhead(AHEAD_PICTURE);
        b.aheadTurn = 0;
    }
}

// Replaces the board by the current picture's.
static void showBoard()
{
    PuzzleBoard &b = app.board;
    if (b.boardObject)
        b.boardObject->close();
    SceneObject *board = new SceneObject;
    app.playField->addChild(board);
    b.boardObject = board;
    b.shadowObject = nullptr;
    b.selectedPiece = nullptr;
    b.glowObject = b.glowOwner = nullptr;  // closed with the old board
    board->setPosition(0, 0, BOARD_Z);
    if (app.settings && app.progress.placedCount(b.puzzleSize, b.pictureIndex) >= b.pieceCount) {
        // Every piece was home, but the game ended before it could say so.
        app.settings->completed[b.pictureIndex] = 1;
        app.progress.clearPicture(b.pictureIndex);
    }
    if (app.settings && app.settings->completed[b.pictureIndex] == 1) {
        board->setImage(currentSizeInfo().commonArchives[b.pictureIndex], "final");
        board->script.addStep(makeAction(1, ACTION_ONE_SHOT, retireSolved, nullptr));
        app.playField->script.trigger(ZOOM_IN_STEP);
        return;
    }
    board->script.addStep(makeAction(1, ACTION_ONE_SHOT, retireUnsolved, nullptr));
    board->script.addStep(makeAction(1, ACTION_ONE_SHOT, replaceBoard, nullptr));
    buildPieces();
}

void showPicture()
{
    showBoard();
    app.board.turnPending = false;
    // A finished picture is left soon: the next one the same way decodes meanwhile.
    if (app.settings && app.settings->completed[app.board.pictureIndex] == 1) {
        prefetchTurn(app.board.lastTurn);
        app.board.aheadTurn = 0;
    }
}

void leaveBoard()
{
    if (app.board.boardObject)
        app.board.boardObject->script.trigger(LEAVE_STEP);
}

void zoomIn(void *userData)
{
    TweenFrame f = tweenFrame(*app.currentAction, ZOOM_IN_MS);
    app.board.zoomBusy = !f.ended;
    double grow = tweenChange(app.currentAction->d0, tweenLinear(f, 0.6));
    app.currentObject->scaleBy(grow, grow, 0);
}

void zoomOut(void *userData)
{
    TweenFrame f = tweenFrame(*app.currentAction, ZOOM_OUT_MS);
    app.board.zoomBusy = !f.ended;
    double shrink = tweenChange(app.currentAction->d0, tweenLinear(f, -0.6));
    app.currentObject->scaleBy(shrink, shrink, 0);
    if (f.ended)
        showPicture();
}

// Moves through the ring of five pictures by `step` (+1 or -1).
static void turnPicture(int step, SDLKey key)
{
    prefetchWhileHovered(step);
    if (app.board.zoomBusy)
        return;
    offerScanTarget(SCAN_PICTURE_BUTTON);
    bool keyed = !app.topScreen && keyPressed(key);
    if (!clickedHere() && !keyed)
        return;
    app.board.pictureIndex = (app.board.pictureIndex + step + PUZZLE_PICTURES) % PUZZLE_PICTURES;
    app.board.lastTurn = step;
    app.board.turnPending = app.board.boardObject != nullptr;
    leaveBoard();
    buildPanel();
}

void previousPicture(void *userData)
{
    turnPicture(-1, SDLK_LEFT);
}

void nextPicture(void *userData)
{
    turnPicture(1, SDLK_RIGHT);
}

void unfold(void *userData)
{
    TweenFrame f = tweenFrame(*app.currentAction, UNFOLD_MS);
    app.currentObject->rotateBy(tweenChange(app.currentAction->d0, tweenLinear(f, -90)), 0, 0);
}

void buildPanel()
{
    if (app.panel)
        app.panel->close();
    SceneObject *panel = new SceneObject;
    double w = halfWidth(), h = halfHeight();
    if (!app.settings || app.settings->menuExpanded != 1) {
        panel->setPosition(16.85 - w, h - 1.2, 0.6);
        panel->setImage("interface_my.pak", "menu_open");
        panel->setImage(currentSizeInfo().commonArchives[app.board.pictureIndex], "prev");
        panel->script.trigger(panel->script.addStep(makeAction(1, 1400, unfold, nullptr)));
    } else {
        panel->setPosition(16.85 - w, h - 5.85, 0.6);
        panel->setRotation(-90, 0, 0);
        panel->setImage("interface_my.pak", "menu");
    }
    if (app.gameLayer)
        app.gameLayer->addChild(panel);
    app.panel = panel;
}

// Incremental slide of a size-selection object: d1 = total distance, i0 =
// axis (0 = x, 2 = z), over 1000 ms.
static void slide(void *userData)
{
    Action *a = app.currentAction;
    double d = tweenChange(a->d0, tweenLinear(tweenFrame(*app.currentAction, SLIDE_MS), a->d1));
    app.currentObject->moveBy(a->i0 == 0 ? d : 0, 0, a->i0 == 2 ? d : 0);
}

// The chooser of a size button (i0 = the size).
static void chooseSize(void *userData)
{
    if (!clickedHere() && !keyOnTop(SDLK_RETURN))
        return;
    setPuzzleSize(app.currentAction->i0);
    layoutPlayField();
    showPicture();
}

static Action slideAction(int axis, double distance)
{
    Action a;
    a.setTiming(1, true, ACTION_ENDLESS);
    a.setCallback(slide, nullptr, axis, 0, 0, 0, distance, 0);
    return a;
}

static SceneObject *makeSizeButton(const char *image, double x, int size, double distance, SceneObject *previous)
{
    SceneObject *button = new SceneObject;
    button->addHook(pickableHook, 0);
    button->setPosition(x, -65, -0.3);
    button->setImage("select_menu.pak", image);
    int32_t watch = button->script.addStep(makeAction(1, ACTION_ENDLESS, closeOnConfirm, previous));
    button->script.addAction(makeAction(1, ACTION_ENDLESS, chooseSize, nullptr, size));
    button->script.addAction(slideAction(0, distance));
    button->script.trigger(watch);
    button->script.trigger(button->script.addStep(makeAction(1, ACTION_ONE_SHOT, addHoverEffects, nullptr)));
    return button;
}

void openSizeSelection()
{
    SceneObject *previous = beginScreen();
    if (app.settings)
        app.settings->showWelcome = 0;
    SceneObject *title = new SceneObject;
    title->setPosition(0, -65, 16);
    title->setImage("select_menu.pak", "please");
    title->script.trigger(title->script.addStep(slideAction(2, -8.5)));
    app.topScreen->addChild(title);
    SceneObject *screen = app.topScreen;
    screen->addChild(makeSizeButton("low", -25, 0, 17, previous));
    screen->addChild(makeSizeButton("height", 25, 1, -17, previous));
}

void showSizeSelection(void *userData)
{
    if (clickedHere() || keyOnTop(SDLK_RETURN))
        openSizeSelection();
}
