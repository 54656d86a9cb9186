#include "puzzle/PuzzleBoard.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/App.h"
#include "app/Display.h"
#include "app/Picker.h"
#include "app/Switches.h"
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

// The four strips as drawn: x and y ranges of the integer draws, inclusive.
struct Strip {
    int x0, x1, y0, y1;
};
static const Strip DRAWN_STRIPS[4] = {{-20, -15, -15, 2}, {15, 20, -15, 11}, {-13, 12, -14, -10}, {-1, 16, 10, 14}};

// Eye to board (scene units) and the half height of the view there.
static const double BOARD_DISTANCE = 40;
static const double VIEW_HALF_HEIGHT = 16.5685;  // 40 x tan(22.5 degrees)
// Measured on the art, in board units: the frame with its arrow buttons
// reaches 12.3 from the centre sideways and 7.3 up and down; the tool bar and
// the shelf take the top 12 % of the screen's height.
static const double FRAME_SIDE = 12.4, FRAME_HALF_HEIGHT = 7.4, TOOL_BAR_SHARE = 0.12;
// Half the extent of a piece with its knobs (board units), 20 and 48 pieces.
static const double PIECE_HALF_EXTENT[2] = {3.15, 2.05};

ScatterRoom scatterRoomFor(double aspect, int puzzleSize)
{
    double half = PIECE_HALF_EXTENT[puzzleSize == 1 ? 1 : 0];
    ScatterRoom r;
    r.halfWidth = VIEW_HALF_HEIGHT * aspect - half;
    r.bottom = -VIEW_HALF_HEIGHT + half;
    r.top = VIEW_HALF_HEIGHT * (1 - 2 * TOOL_BAR_SHARE) - half;
    r.sideInner = std::min(FRAME_SIDE + half, r.halfWidth);
    r.belowBoard = FRAME_HALF_HEIGHT + half;
    r.aboveBoard = std::min(FRAME_HALF_HEIGHT + half, r.top);
    return r;
}

static double mapRange(double v, double a0, double a1, double b0, double b1)
{
    return b0 + (v - a0) * (b1 - b0) / (a1 - a0);
}

void fitDraw(int strip, int x, int y, const ScatterRoom &room, double &outX, double &outY)
{
    const Strip &d = DRAWN_STRIPS[strip];
    double x0 = -room.halfWidth, x1 = room.halfWidth, y0 = room.bottom, y1 = room.top;
    switch (strip) {
    case 0: x1 = -room.sideInner; break;
    case 1: x0 = room.sideInner; break;
    case 2: x0 = std::max(x0, (double)d.x0); x1 = std::min(x1, (double)d.x1); y1 = -room.belowBoard; break;
    default: x0 = std::max(x0, (double)d.x0); x1 = std::min(x1, (double)d.x1); y0 = room.aboveBoard; break;
    }
    outX = mapRange(x, d.x0, d.x1, x0, x1);
    outY = mapRange(y, d.y0, d.y1, y0, y1);
}

// One candidate in one of the four strips around the board (x drawn before
// y); returns the strip.
static int drawCandidate(int32_t &x, int32_t &y)
{
    int strip = rand() % 4;
    switch (strip) {
    case 0: x = rand() % 6 - 20; y = rand() % 18 - 15; break;
    case 1: x = rand() % 6 + 15; y = rand() % 27 - 15; break;
    case 2: x = rand() % 26 - 13; y = rand() % 5 - 14; break;
    default: x = rand() % 18 - 1; y = rand() % 5 + 10; break;
    }
    return strip;
}

static bool farFromEarlier(const PuzzleBoard &b, int count, double x, double y)
{
    for (int j = 0; j < count; j++) {
        double dx = b.placeX[j] - x, dy = b.placeY[j] - y;
        if (std::sqrt(dx * dx + dy * dy) < b.minScatterDistance)
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
    bool fit = b.screenAspect > 0;
    ScatterRoom room = scatterRoomFor(b.screenAspect, b.puzzleSize);
    for (int i = 0; i < b.pieceCount; i++) {
        int draws = 0;
        int32_t drawnX, drawnY;
        double x, y;
        do {
            if (draws++ == SCATTER_DRAWS_PER_PIECE)
                return false;
            int strip = drawCandidate(drawnX, drawnY);
            x = drawnX;
            y = drawnY;
            if (fit)
                fitDraw(strip, drawnX, drawnY, room, x, y);
        } while (keepDistance && !farFromEarlier(b, i, x, y));
        b.startX[i] = drawnX;
        b.startY[i] = drawnY;
        b.placeX[i] = x;
        b.placeY[i] = y;
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

// A piece scattered 50 units behind the board, face down, flying in.
static SceneObject *makePiece(const char *archive, int n, double x, double y)
{
    SceneObject *piece = new SceneObject;
    piece->addHook(pickableHook, 0);
    piece->setImage(archive, std::to_string(n).c_str());
    piece->setPosition(x, y, -50.0);
    piece->setRotation(-180, 0, 0);
    piece->script.addStep(makeAction(1, ACTION_ENDLESS, pickUpWatcher, nullptr, n));
    piece->script.trigger(WATCH_STEP);
    piece->script.addStep(makeAction(1, 300, pulse, nullptr));
    piece->script.addStep(makeAction(1, 1400, flyIn, nullptr));
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
    int32_t watch = place->script.addStep(makeAction(1, ACTION_ENDLESS, dropWatcher, piece, n));
    if (!home)
        place->script.trigger(watch);
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
    b.screenAspect = app.display && app.display->height > 0 ? (double)app.display->width / app.display->height : 0;
    scatter();
    for (int n = 1; n <= b.pieceCount; n++) {
        double x = 0, y = 0;
        pieceHome(b.puzzleSize, pictureLayout(picture), n, x, y);
        const bool home = app.progress.isPlaced(b.puzzleSize, picture, n);
        SceneObject *piece = home ? makeHomePiece(info.pictureArchives[picture], n, x, y)
                                  : makePiece(info.pictureArchives[picture], n, b.placeX[n - 1], b.placeY[n - 1]);
        b.placedCount += home;
        b.boardObject->addChild(piece);
        b.boardObject->addChild(makePlace(info.outlineArchives[picture], n, piece, x, y, home));
    }
}

void flyIn(void *userData)
{
    Action *a = app.currentAction;
    TweenFrame f = tweenFrame(*app.currentAction, FLY_IN_MS);
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

// Rim sizes (scale of the silhouette): behind a loose piece it must show
// around it; on an outline it covers the outline's own shape.
static const double GLOW_PIECE_SCALE = 1.16, GLOW_PLACE_SCALE = 1.0, GLOW_SWELL = 0.06;
static const double GLOW_PERIOD_MS = 900;

static void dropGlow()
{
    PuzzleBoard &b = app.board;
    if (b.glowObject)
        b.glowObject->close();
    b.glowObject = b.glowOwner = nullptr;
}

// Keeps the highlight rim on `owner` (piece number n) exactly while the
// switches highlight it. The rim is the piece's dark silhouette, swelling
// and shrinking, so it shows on every picture.
static void followHighlight(SceneObject *owner, int n, bool onPlace)
{
    PuzzleBoard &b = app.board;
    bool lit = scanHighlights(owner);
    if (lit == (b.glowOwner == owner))
        return;
    if (b.glowOwner == owner || lit)
        dropGlow();
    if (!lit)
        return;
    SceneObject *glow = new SceneObject;
    // Twice: the two soft silhouettes together read as one strong rim.
    for (int layer = 0; layer < 2; layer++)
        glow->setImage(currentSizeInfo().shadowArchives[b.pictureIndex], std::to_string(n).c_str());
    glow->setPosition(0, 0, onPlace ? 0.05 : -0.05);
    Action swell = makeAction(1, ACTION_ENDLESS, glowPulse, nullptr, onPlace ? 1 : 0);
    glow->script.trigger(glow->script.addStep(swell));
    owner->addChild(glow);
    b.glowObject = glow;
    b.glowOwner = owner;
}

void glowPulse(void *userData)
{
    double base = app.currentAction->i0 ? GLOW_PLACE_SCALE : GLOW_PIECE_SCALE;
    double k = base + GLOW_SWELL * 0.5 * (1 - std::cos(app.currentAction->elapsed * 2 * 3.141592653589793 / GLOW_PERIOD_MS));
    app.currentObject->setScale(k, k, 1);
}

void pickUpWatcher(void *userData)
{
    PuzzleBoard &b = app.board;
    SceneObject *piece = app.currentObject;
    if (b.justPlaced && b.selectedPiece == piece) {
        b.justPlaced = false;
        app.currentAction->enabled = false;  // sent home: never selectable again
        if (b.glowOwner == piece)
            dropGlow();
        return;
    }
    offerScanTarget(SCAN_PIECE);
    followHighlight(piece, app.currentAction->i0, false);
    if (clickedHere())
        selectPiece(piece, app.currentAction->i0);
}

void pulse(void *userData)
{
    double s = 1 + tweenHalfSine(tweenFrame(*app.currentAction, PULSE_MS), 0.2);
    app.currentObject->setScale(s, s, 1.0);
}

void dropWatcher(void *pieceObject)
{
    PuzzleBoard &b = app.board;
    SceneObject *place = app.currentObject, *piece = (SceneObject *)pieceObject;
    offerScanTarget(SCAN_PLACE, piece);
    followHighlight(place, app.currentAction->i0, true);
    if (!clickedHere() || b.selectedPiece != piece)
        return;
    if (b.glowOwner == place)
        dropGlow();
    b.placedCount++;
    b.justPlaced = true;
    play("puzzle_move.wav");
    double dx = place->x() - piece->x(), dy = place->y() - piece->y();
    Action a;
    a.setTiming(1, true, 800);
    a.setCallback(glide, b.shadowObject, 0, app.currentAction->i0, 0, place->x(), place->y(),
                  std::sqrt(dx * dx + dy * dy) / 700);
    piece->script.trigger(piece->script.addStep(a));
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
        piece->script.trigger(piece->script.addStep(landing));
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
    TweenFrame f = tweenFrame(*app.currentAction, LAND_MS);
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
