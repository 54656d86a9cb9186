#include "puzzle/PuzzleBoard.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/App.h"
#include "app/Picker.h"
#include "audio/Mixer.h"
#include "menus/Button.h"
#include "puzzle/PuzzleFlow.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"
#include "scene/Tween.h"

// Tween lengths (ms): flip and rise, swell and return, sink and wobble.
static const double FLY_IN_MS = 1300, PULSE_MS = 200, LAND_MS = 400;

enum { WATCH_STEP = 0, PULSE_STEP = 1, FLY_IN_STEP = 2 };

const PuzzleSizeInfo &currentSizeInfo()
{
    return PUZZLE_SIZE_INFO[app.board.puzzleSize == 1 ? 1 : 0];
}

static void play(const char *sound)
{
    if (app.mixer)
        app.mixer->play(sound, false);
}

// One candidate in one of the four strips around the board (x drawn before y).
static void drawCandidate(PuzzleBoard &b)
{
    switch (rand() % 4) {
    case 0: b.candidateX = rand() % 6 - 20; b.candidateY = rand() % 18 - 15; break;
    case 1: b.candidateX = rand() % 6 + 15; b.candidateY = rand() % 27 - 15; break;
    case 2: b.candidateX = rand() % 26 - 13; b.candidateY = rand() % 5 - 14; break;
    default: b.candidateX = rand() % 18 - 1; b.candidateY = rand() % 5 + 10; break;
    }
}

static bool farFromEarlier(const PuzzleBoard &b, int count)
{
    for (int j = 0; j < count; j++) {
        int dx = b.startX[j] - b.candidateX, dy = b.startY[j] - b.candidateY;
        if (std::sqrt((double)(dx * dx + dy * dy)) < b.minScatterDistance)
            return false;
    }
    return true;
}

// Draws for one piece before its layout counts as full. About one scatter of
// 48 pieces in 8,000 leaves the last pieces no place far enough from the
// others, where drawing on would never end; a piece that fits is found
// within about 3,000 draws.
const int SCATTER_DRAWS_PER_PIECE = 20000;
// Fresh layouts tried before the distance is given up, so that a scatter
// always ends.
const int SCATTER_LAYOUTS = 100;

// One layout from the current rand() state; false when a piece found no
// place after SCATTER_DRAWS_PER_PIECE draws.
static bool scatterOnce(PuzzleBoard &b, bool keepDistance)
{
    for (int i = 0; i < b.pieceCount; i++) {
        int draws = 0;
        do {
            if (draws++ == SCATTER_DRAWS_PER_PIECE)
                return false;
            drawCandidate(b);
        } while (keepDistance && !farFromEarlier(b, i));
        b.startX[i] = b.candidateX;
        b.startY[i] = b.candidateY;
    }
    return true;
}

void scatter()
{
    PuzzleBoard &b = app.board;
    for (int layout = 0; layout < SCATTER_LAYOUTS; layout++)
        if (scatterOnce(b, true))
            return;
    scatterOnce(b, false);
}

static void addStepAction(SceneObject *object, double duration, ActionCallback callback, void *user, int i0)
{
    Action a;
    a.setTiming(1, true, duration);
    a.setCallback(callback, user, i0, 0, 0, 0, 0, 0);
    object->script.addStep();
    object->script.addAction(a);
}

// A piece scattered 50 units behind the board, face down, flying in.
static SceneObject *makePiece(const char *archive, int n, int x, int y)
{
    SceneObject *piece = new SceneObject;
    piece->addHook(pickableHook, 0);
    piece->setImage(archive, std::to_string(n).c_str());
    piece->setPosition(x, y, -50.0);
    piece->setRotation(-180, 0, 0);
    addStepAction(piece, ACTION_ENDLESS, pickUpWatcher, nullptr, n);
    piece->script.trigger(WATCH_STEP);
    addStepAction(piece, 300, pulse, nullptr, 0);
    addStepAction(piece, 1400, flyIn, nullptr, 0);
    piece->script.trigger(FLY_IN_STEP);
    return piece;
}

// A piece that landed in an earlier visit: at rest at home, face up, done.
static SceneObject *makeHomePiece(const char *archive, int n, double x, double y)
{
    SceneObject *piece = new SceneObject;
    piece->addHook(pickableHook, 0);
    piece->setImage(archive, std::to_string(n).c_str());
    piece->setPosition(x, y, 0);
    return piece;
}

// The outline of piece n; it waits for its piece unless that is already home.
static SceneObject *makePlace(const char *archive, int n, SceneObject *piece, double x, double y, bool home)
{
    SceneObject *place = new SceneObject;
    place->addHook(pickableHook, 0);
    place->setImage(archive, std::to_string(n).c_str());
    place->setPosition(x, y, -0.1);
    addStepAction(place, ACTION_ENDLESS, dropWatcher, piece, n);
    if (!home)
        place->script.trigger(0);
    return place;
}

void buildPieces()
{
    PuzzleBoard &b = app.board;
    const PuzzleSizeInfo &info = currentSizeInfo();
    int picture = b.pictureIndex;
    b.placedCount = 0;
    SceneObject *background = new SceneObject;
    background->setPosition(0, 0, -0.2);
    background->setImage(info.pictureArchives[picture], "plase");
    b.boardObject->addChild(background);
    scatter();
    for (int n = 1; n <= b.pieceCount; n++) {
        double x = 0, y = 0;
        pieceHome(b.puzzleSize, pictureLayout(picture), n, x, y);
        const bool home = app.progress.isPlaced(b.puzzleSize, picture, n);
        SceneObject *piece = home ? makeHomePiece(info.pictureArchives[picture], n, x, y)
                                  : makePiece(info.pictureArchives[picture], n, b.startX[n - 1], b.startY[n - 1]);
        b.placedCount += home;
        b.boardObject->addChild(piece);
        b.boardObject->addChild(makePlace(info.outlineArchives[picture], n, piece, x, y, home));
    }
}

void flyIn(void *userData)
{
    Action *a = app.currentAction;
    TweenFrame f = tweenFrame(FLY_IN_MS);
    app.currentObject->rotateBy(tweenChange(a->d0, tweenLinear(f, 180)), 0, 0);
    app.currentObject->moveBy(0, 0, tweenChange(a->d1, tweenLinear(f, 50)));
}

static void selectPiece(SceneObject *piece, int n)
{
    PuzzleBoard &b = app.board;
    play("puzzle_up.wav");
    if (b.shadowObject)
        b.shadowObject->close();
    SceneObject *shadow = new SceneObject;
    shadow->setImage(currentSizeInfo().shadowArchives[b.pictureIndex], std::to_string(n).c_str());
    shadow->setPosition(0.2, 0.2, -0.1);
    piece->addChild(shadow);
    b.shadowObject = shadow;
    b.selectedPiece = piece;
    piece->script.trigger(PULSE_STEP);
}

void pickUpWatcher(void *userData)
{
    PuzzleBoard &b = app.board;
    SceneObject *piece = app.currentObject;
    if (b.justPlaced && b.selectedPiece == piece) {
        b.justPlaced = false;
        app.currentAction->enabled = false;  // sent home: never selectable again
        return;
    }
    if (clickedHere())
        selectPiece(piece, app.currentAction->i0);
}

void pulse(void *userData)
{
    double s = 1 + tweenHalfSine(tweenFrame(PULSE_MS), 0.2);
    app.currentObject->setScale(s, s, 1.0);
}

void dropWatcher(void *pieceObject)
{
    PuzzleBoard &b = app.board;
    SceneObject *place = app.currentObject, *piece = (SceneObject *)pieceObject;
    if (!clickedHere() || b.selectedPiece != piece)
        return;
    b.placedCount++;
    b.justPlaced = true;
    play("puzzle_move.wav");
    double dx = place->x() - piece->x(), dy = place->y() - piece->y();
    Action a;
    a.setTiming(1, true, 800);
    a.setCallback(glide, b.shadowObject, 0, app.currentAction->i0, 0, place->x(), place->y(),
                  std::sqrt(dx * dx + dy * dy) / 700);
    piece->script.addStep();
    piece->script.addAction(a);
    piece->script.trigger(piece->script.stepCount() - 1);
    app.currentAction->enabled = false;
    b.shadowObject = nullptr;
}

void glide(void *shadow)
{
    Action *a = app.currentAction;
    SceneObject *piece = app.currentObject;
    double e = a->elapsed;
    if (e >= 700) {
        a->enabled = false;
        Action landing;
        landing.setTiming(1, true, 500);
        landing.setCallback(land, shadow, a->i1, 0, 0, a->d0, a->d1, 0);
        piece->script.addStep();
        piece->script.addAction(landing);
        piece->script.trigger(piece->script.stepCount() - 1);
        return;
    }
    int step = (int)(e - a->i0);
    a->i0 = (int)e;
    double rx = a->d0 - piece->x(), ry = a->d1 - piece->y();
    double r = std::sqrt(rx * rx + ry * ry);
    if (r <= 0)
        return;  // already there; nothing to move along
    piece->moveBy(step * a->d2 * rx / r, step * a->d2 * ry / r, step * 5.0 / 700);
}

static void completePicture()
{
    PuzzleBoard &b = app.board;
    play("final.wav");
    if (app.settings)
        app.settings->completed[b.pictureIndex] = 1;
    // Finished pictures are kept by their flag; progress is for pictures under way.
    app.progress.clearPicture(b.pictureIndex);
    saveProgressNow();
    showPicture();
}

void land(void *shadow)
{
    Action *a = app.currentAction;
    SceneObject *piece = app.currentObject;
    TweenFrame f = tweenFrame(LAND_MS);
    if (f.ended) {
        if (shadow)
            ((SceneObject *)shadow)->close();
        // Exactly at rest: the tuned pi would leave a trace of tilt.
        piece->setPosition(a->d0, a->d1, 0);
        piece->setRotation(0, 0, 0);
        if (app.board.placedCount == app.board.pieceCount) {
            completePicture();
            return;
        }
        app.progress.place(app.board.puzzleSize, app.board.pictureIndex, a->i0);
        saveProgressNow();
        return;
    }
    double tilt = tweenHalfSine(f, 20);
    piece->setPosition(a->d0, a->d1, 5 - tweenLinear(f, 5));
    piece->setRotation(-tilt, tilt, 0);
}
