// Playing without aiming: the whole game walked with Space and Enter, with
// one scanning switch, with presses that land a little off their target, and
// with absolute pointer moves (touch screens) that must land where they point.
#include <cmath>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Switches.h"
#include "menus/Screen.h"
#include "puzzle/PuzzleBoard.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"
#include "support/SystemPointer.h"

// Long enough for the pieces to fly in (1.3 s) and a sent piece to land (1.1 s).
static void settle()
{
    playScenario(30, 50);
}

static const ScanTarget *highlightedTarget()
{
    if (!app.scan.shown)
        return nullptr;
    for (const ScanTarget &t : app.scan.targets)
        if (t.object == app.scan.highlighted)
            return &t;
    return nullptr;
}

static bool highlightsSelectedPiecesOutline()
{
    const ScanTarget *t = highlightedTarget();
    return t && t->kind == SCAN_PLACE && t->partner == app.board.selectedPiece;
}

class SwitchPlayTest : public testing::Test {
protected:
    void start(int size, int showWelcome = 0)
    {
        Settings s;
        s.showWelcome = showWelcome;
        s.puzzleSize = size;
        startScenario(clock, s);
        settle();
    }
    void TearDown() override { endScenario(); }
    // Space until the selected piece's own outline is highlighted; false
    // when a whole round of the outlines passes without it.
    bool stepToOwnOutline(SDLKey step)
    {
        for (int presses = 0; presses <= MAX_PIECES; presses++) {
            pressKey(step);
            if (highlightsSelectedPiecesOutline())
                return true;
        }
        return false;
    }
    ManualClock clock;
};

TEST_F(SwitchPlayTest, SpaceAndEnterAloneSolveA20PiecePicture)
{
    start(0);
    bool triedWrongOutline = false;
    for (int round = 0; round < 20; round++) {
        SCOPED_TRACE(round);
        drainAudio(3000);
        pressKey(SDLK_SPACE);
        const ScanTarget *piece = highlightedTarget();
        ASSERT_NE(nullptr, piece);
        ASSERT_EQ(SCAN_PIECE, piece->kind);
        // The first Space of a round starts at the first piece of the scan order.
        EXPECT_EQ(app.scan.targets.front().object, piece->object);
        ASSERT_NE(nullptr, app.board.glowObject);  // the rim shows on it
        EXPECT_EQ(piece->object, app.board.glowOwner);
        SceneObject *chosen = piece->object;
        pressKey(SDLK_RETURN);
        EXPECT_EQ(chosen, app.board.selectedPiece);
        EXPECT_GT(channelsPlaying("puzzle_up.wav"), 0);
        playScenario(1);
        pressKey(SDLK_SPACE);
        if (!triedWrongOutline && !highlightsSelectedPiecesOutline()) {
            pressKey(SDLK_RETURN);  // a wrong place: nothing happens
            triedWrongOutline = true;
            EXPECT_EQ(round, app.board.placedCount);
            EXPECT_EQ(chosen, app.board.selectedPiece);
        }
        if (!highlightsSelectedPiecesOutline()) {
            ASSERT_TRUE(stepToOwnOutline(SDLK_SPACE));
        }
        pressKey(SDLK_RETURN);
        EXPECT_EQ(round + 1, app.board.placedCount);
        playScenario(25, 50);
    }
    settle();
    EXPECT_TRUE(triedWrongOutline);
    EXPECT_EQ(1, app.settings->completed[0]);
}

// A slow frame that receives both switches' presses reads them in turn.
TEST_F(SwitchPlayTest, TwoKeysArrivingInOneFrameAreBothRead)
{
    start(0);
    pushKey(SDLK_SPACE);
    pushKey(SDLK_RETURN);
    playScenario(1);
    ASSERT_TRUE(app.scan.shown);
    SceneObject *piece = app.scan.highlighted;
    playScenario(1);
    EXPECT_EQ(piece, app.board.selectedPiece);
}

TEST_F(SwitchPlayTest, ScanningWithOneKeySolvesA20PiecePicture)
{
    char program[] = "lumbrik", option[] = "--scan=0.5";
    char *argv[] = {program, option};
    std::string error;
    uint32_t ms = 0;
    ASSERT_TRUE(readScanOption(2, argv, ms, error));
    ASSERT_EQ(500u, ms);
    start(0);
    app.scan.scanMs = ms;
    for (int round = 0; round < 20; round++) {
        SCOPED_TRACE(round);
        // The highlight steps by itself, every half second.
        int frames = 0;
        while (!(highlightedTarget() && highlightedTarget()->kind == SCAN_PIECE) && frames++ < 100)
            playScenario(1, 50);
        ASSERT_NE(nullptr, highlightedTarget());
        SceneObject *first = app.scan.highlighted;
        playScenario(9, 50);
        EXPECT_EQ(first, app.scan.highlighted);  // not yet half a second
        pressKey(SDLK_SPACE);
        ASSERT_EQ(first, app.board.selectedPiece);
        frames = 0;
        while (!highlightsSelectedPiecesOutline() && frames++ < 2 * 22)
            playScenario(1, 250);
        ASSERT_TRUE(highlightsSelectedPiecesOutline());
        pressKey(SDLK_SPACE);
        EXPECT_EQ(round + 1, app.board.placedCount);
    }
    settle();
    EXPECT_EQ(1, app.settings->completed[0]);
}

// A point `off` window pixels outside the object where a press meets
// nothing and no other offered target is nearer; false when none is found.
static bool pointBeside(SceneObject *object, double off, int &px, int &py)
{
    int cx, cy;
    if (!windowPointOf(object, cx, cy))
        return false;
    for (int ray = 0; ray < 48; ray++) {
        double a = ray * 2 * M_PI / 48, r = 0;
        while (windowDistanceToObject(object, cx + r * cos(a) + 0.5, cy + r * sin(a) + 0.5) < off && r < 600)
            r += 0.5;
        px = (int)std::lround(cx + r * cos(a));
        py = (int)std::lround(cy + r * sin(a));
        if (px < 0 || py < 0 || px >= app.display->width || py >= app.display->height)
            continue;
        double own = windowDistanceToObject(object, px + 0.5, py + 0.5);
        if (own < off - 1 || own > off + 1)
            continue;
        bool nearerOther = false;
        for (const ScanTarget &t : app.scan.pieces)
            if (t.object != object && t.kind == SCAN_PIECE)
                nearerOther = nearerOther || windowDistanceToObject(t.object, px + 0.5, py + 0.5) <= own + 1;
        if (nearerOther)
            continue;
        pushMotion(px, py);
        playScenario(1);
        SceneObject *hit = app.picker.hovered;
        bool restingOrNothing = !hit;
        for (SceneObject *child : app.board.boardObject->children)
            restingOrNothing = restingOrNothing || (child == hit && child->script.stepCount() > 3);
        if (restingOrNothing)
            return true;
    }
    return false;
}

static void pressHere()
{
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playScenario(1);
}

TEST_F(SwitchPlayTest, EveryPress15PercentOfHeightOffTargetStillSolvesThePicture)
{
    start(0);
    double off = 0.015 * app.display->height;
    // Row by row from the top left: every outline then has the board's edge or
    // a piece at rest beside it, where a press meets nothing.
    for (int n = 1; n <= 20; n++) {
        SCOPED_TRACE(n);
        int x, y;
        ASSERT_TRUE(pointBeside(pieceObject(n), off, x, y));
        pressHere();
        ASSERT_EQ(pieceObject(n), app.board.selectedPiece);
        playScenario(1);
        ASSERT_TRUE(pointBeside(placeObject(n), off, x, y));
        pressHere();
        EXPECT_EQ(n, app.board.placedCount);
        playScenario(25, 50);
    }
    settle();
    EXPECT_EQ(1, app.settings->completed[0]);
}

TEST_F(SwitchPlayTest, PressWellOutsideTheMarginSelectsNothing)
{
    start(0);
    int x, y;
    ASSERT_TRUE(pointBeside(pieceObject(1), 0.03 * app.display->height, x, y));
    pressHere();
    EXPECT_EQ(nullptr, app.board.selectedPiece);
}

TEST_F(SwitchPlayTest, WelcomeSizeAndExitScreensAreWalkedByKeys)
{
    start(0, 1);
    ASSERT_NE(nullptr, app.topScreen);
    pressKey(SDLK_SPACE);  // the welcome screen's one button
    ASSERT_NE(nullptr, highlightedTarget());
    pressKey(SDLK_RETURN);
    playScenario(10);
    pressKey(SDLK_SPACE);  // size selection: 20 pieces, then 48
    playScenario(5);
    SceneObject *twenty = app.scan.highlighted;
    EXPECT_GT(twenty->scaleX(), 1.05);  // the hover look
    pressKey(SDLK_SPACE);
    ASSERT_NE(twenty, app.scan.highlighted);
    pressKey(SDLK_RETURN);
    settle();
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_EQ(48, app.board.pieceCount);

    pressKey(SDLK_ESCAPE);  // the exit dialog: cancel, ok, and round again
    playScenario(10);
    pressKey(SDLK_SPACE);
    SceneObject *cancel = app.scan.highlighted;
    pressKey(SDLK_SPACE);
    pressKey(SDLK_SPACE);
    EXPECT_EQ(cancel, app.scan.highlighted);
    pressKey(SDLK_RETURN);  // presses cancel, not the dialog's Return (leave)
    playScenario(2);
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_FALSE(app.root->closing);
}

TEST_F(SwitchPlayTest, MouseMoveHidesTheHighlightAndReturnThenKeepsItsMeaning)
{
    start(0);
    pressKey(SDLK_ESCAPE);
    playScenario(10);
    pressKey(SDLK_SPACE);
    ASSERT_TRUE(app.scan.shown);
    pushMotion(app.mouseX + 40, app.mouseY + 40);
    playScenario(2);
    EXPECT_FALSE(app.scan.shown);
    pressKey(SDLK_RETURN);
    EXPECT_TRUE(app.root->closing);  // the dialog's own confirm: leave
}

TEST(ScanOptionTest, MalformedValuesAreNamedAndIgnored)
{
    struct Case { const char *arg; bool ok; uint32_t ms; };
    const Case cases[] = {{"--scan=0.5", true, 500}, {"--scan=5", true, 5000}, {"--scan=2.25", true, 2250},
                          {"--scan=0.4", false, 0}, {"--scan=5.5", false, 0}, {"--scan=fast", false, 0},
                          {"--scan=", false, 0}, {"--scan=1s", false, 0}, {"--language=de", true, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arg);
        char program[] = "lumbrik";
        char *argv[] = {program, (char *)c.arg};
        uint32_t ms = 77;
        std::string error;
        EXPECT_EQ(c.ok, readScanOption(2, argv, ms, error));
        EXPECT_EQ(c.ms, ms);
        EXPECT_EQ(c.ok, error.empty());
        if (!c.ok) {
            EXPECT_NE(std::string::npos, error.find(c.arg + 7));
        }
    }
}

// Absolute pointer positions, as a touch screen sends them, through the real
// X server: the pointer jumps to edges and corners, and both the drawn cursor
// and a press must be where it is (SDL in relative mode warps it away).
TEST_F(SwitchPlayTest, AbsolutePointerMovesToEdgesLandWhereThePointerIs)
{
    start(0);
    int w = app.display->width, h = app.display->height;
    const int spots[][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 2, 0}, {w / 2, h - 1},
                            {0, h / 2}, {w - 1, h / 2}, {w - 3, 3}, {w / 2, h / 2}};
    SceneObject *cursor = app.root->children[2];
    for (const auto &spot : spots) {
        SCOPED_TRACE(testing::Message() << spot[0] << "," << spot[1]);
        ASSERT_TRUE(warpSystemPointer(spot[0], spot[1]));
        playScenario(3);
        EXPECT_EQ(spot[0], app.mouseX);
        EXPECT_EQ(spot[1], app.mouseY);
        double fx = ((double)spot[0] / w - 0.5) * 2, fy = ((double)spot[1] / h - 0.5) * 2;
        EXPECT_NEAR(app.display->halfWidthAt(26) * fx, cursor->x(), 1e-6);
        EXPECT_NEAR(-app.display->halfHeightAt(26) * fy, cursor->y(), 1e-6);
    }
    // The close button sits in the top right corner: a press there opens the
    // exit dialog.
    int x, y;
    ASSERT_TRUE(windowPointOf(app.root->children[TOOL_CLOSE], x, y));
    ASSERT_TRUE(warpSystemPointer(x, y));
    playScenario(3);
    pressHere();
    playScenario(2);
    EXPECT_NE(nullptr, app.topScreen);
}
