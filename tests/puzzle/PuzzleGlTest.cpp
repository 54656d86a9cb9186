// The puzzle played as a child plays it: the real game scene, the real pick,
// clicks on pieces and outlines, keys, and the clock stepped frame by frame.
#include <algorithm>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Game.h"
#include "puzzle/PuzzleBoard.h"
#include "resources/Mesh.h"
#include "puzzle/PuzzleFlow.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"
#include "support/TestArchives.h"

// Long enough for the pieces to fly in (1.3 s) and a sent piece to land
// (1.1 s); the animations do not depend on the frame rate, so big steps do.
static const int SETTLE_FRAMES = 30;
static const uint32_t SETTLE_STEP_MS = 50;

static void settle()
{
    playScenario(SETTLE_FRAMES, SETTLE_STEP_MS);
}

class PuzzlePlayTest : public testing::Test {
protected:
    void start(int size, int picture = 0)
    {
        Settings s;
        s.showWelcome = 0;
        s.puzzleSize = size;
        settings = s;
        startScenario(clock, s);
        app.board.pictureIndex = picture;
        if (picture != 0) {
            leaveBoard();
            playScenario(2);
        }
        settle();
    }
    void TearDown() override { endScenario(); }
    // Selects piece n and sends it home; false when either click missed.
    bool sendHome(int n)
    {
        return clickOn(pieceObject(n)) && clickOn(placeObject(n));
    }
    ManualClock clock;
    Settings settings;
};

// A clock that reads 500 ms before the scene is built, 4500 ms after (a slow
// start-up), then moves 16 ms per frame.
static uint32_t slowStartTicks(void *user)
{
    int &reads = *(int *)user;
    reads++;
    return reads == 1 ? 500 : 4500 + 16 * (reads - 2);
}

TEST_F(PuzzlePlayTest, PiecesStartFlyingInWithTheFirstFrameNotDuringStartUp)
{
    Settings s;
    s.showWelcome = 0;
    s.puzzleSize = 0;
    startScenario(clock, s);
    resetScene();
    app.board = PuzzleBoard();
    app.playField = app.panel = nullptr;
    int reads = 0;
    app.clock.source = slowStartTicks;
    app.clock.user = &reads;
    buildFirstScene();
    playFrames(1);
    SceneObject *piece = pieceObject(1);
    ASSERT_NE(nullptr, piece);
    EXPECT_LT(piece->transform.position[2], -49.0);  // 16 ms into a 1.3 s flight from -50
}

TEST_F(PuzzlePlayTest, SolvingAll20PiecesCompletesThePictureWithOneFinalSound)
{
    start(0);
    ASSERT_EQ(20, app.board.pieceCount);
    for (int n = 1; n <= 20; n++) {
        SCOPED_TRACE(n);
        drainAudio(3000);
        ASSERT_TRUE(sendHome(n));
        EXPECT_EQ(n, app.board.placedCount);
    }
    EXPECT_EQ(0, app.settings->completed[0]);  // the last piece is still in flight
    drainAudio(3000);
    int finalSounds = 0;
    for (int frame = 0; frame < SETTLE_FRAMES; frame++) {
        bool before = channelsPlaying("final.wav") > 0;
        playScenario(1, SETTLE_STEP_MS);
        finalSounds += !before && channelsPlaying("final.wav") > 0;
    }
    EXPECT_EQ(1, app.settings->completed[0]);
    EXPECT_EQ(1, finalSounds);
    EXPECT_TRUE(showsImage(app.board.boardObject, "common.pak"));
    EXPECT_NEAR(1.6, app.playField->scaleX(), 1e-9);  // zoomed in by 60 %
    EXPECT_FALSE(app.board.zoomBusy);
}

TEST_F(PuzzlePlayTest, SolvingAll48PiecesCompletesThePicture)
{
    start(1, 2);
    ASSERT_EQ(48, app.board.pieceCount);
    for (int n = 1; n <= 48; n++) {
        SCOPED_TRACE(n);
        drainAudio(3000);
        ASSERT_TRUE(sendHome(n));
    }
    settle();
    EXPECT_EQ(1, app.settings->completed[2]);
    EXPECT_EQ(0, app.settings->completed[0]);
    EXPECT_TRUE(showsImage(app.board.boardObject, "common2.pak"));
}

TEST_F(PuzzlePlayTest, ClickOnAnotherPiecesOutlineDoesNothing)
{
    start(0);
    SceneObject *piece = pieceObject(1);
    ASSERT_TRUE(clickOn(piece));
    double x = piece->x(), y = piece->y();
    ASSERT_TRUE(clickOn(placeObject(2)));
    settle();
    EXPECT_EQ(0, app.board.placedCount);
    EXPECT_EQ(x, piece->x());
    EXPECT_EQ(y, piece->y());
    EXPECT_EQ(piece, app.board.selectedPiece);
}

TEST_F(PuzzlePlayTest, OutlineClickedWithNothingSelectedDoesNothing)
{
    start(0);
    ASSERT_TRUE(clickOn(placeObject(3)));
    playScenario(10);
    EXPECT_EQ(0, app.board.placedCount);
    EXPECT_EQ(nullptr, app.board.selectedPiece);
}

TEST_F(PuzzlePlayTest, SelectingASecondPieceMovesTheShadow)
{
    start(0);
    SceneObject *first = pieceObject(1), *second = pieceObject(2);
    ASSERT_TRUE(clickOn(first));
    ASSERT_TRUE(clickOn(second));
    playScenario(3);
    EXPECT_EQ(second, app.board.selectedPiece);
    ASSERT_EQ(1u, second->children.size());
    EXPECT_EQ(app.board.shadowObject, second->children[0]);
    EXPECT_TRUE(first->children.empty());  // the old shadow has closed and gone
}

TEST_F(PuzzlePlayTest, PieceAtHomeCannotBeSelectedAgain)
{
    start(0);
    SceneObject *home = pieceObject(1);
    ASSERT_TRUE(sendHome(1));
    settle();
    EXPECT_DOUBLE_EQ(placeObject(1)->x(), home->x());
    EXPECT_DOUBLE_EQ(placeObject(1)->y(), home->y());
    ASSERT_TRUE(clickOn(pieceObject(2)));
    drainAudio(3000);
    ASSERT_TRUE(clickOn(home));
    playScenario(2);
    EXPECT_EQ(pieceObject(2), app.board.selectedPiece);
    EXPECT_EQ(0, channelsPlaying("puzzle_up.wav"));
}

TEST_F(PuzzlePlayTest, CompletedPictureIsShownFinishedAtOnceWhenReachedAgain)
{
    start(0);
    app.settings->completed[1] = 1;
    pressKey(SDLK_RIGHT);
    playScenario(2);
    EXPECT_EQ(1, app.board.pictureIndex);
    EXPECT_TRUE(showsImage(app.board.boardObject, "common1.pak"));
    EXPECT_TRUE(app.board.zoomBusy);
}

TEST_F(PuzzlePlayTest, ClickArrivingWithTheMoveSelectsThePieceAndSendsItHome)
{
    start(0);
    SceneObject *piece = pieceObject(1), *place = placeObject(1);
    int pieceX, pieceY, placeX, placeY;
    ASSERT_TRUE(pointOn(piece, pieceX, pieceY));
    ASSERT_TRUE(pointOn(place, placeX, placeY));  // the pointer rests on the outline
    moveAndClick(pieceX, pieceY);
    playScenario(1);
    EXPECT_EQ(piece, app.board.selectedPiece);
    moveAndClick(placeX, placeY);
    playScenario(1);
    EXPECT_EQ(1, app.board.placedCount);
    settle();
    EXPECT_DOUBLE_EQ(place->x(), piece->x());
    EXPECT_DOUBLE_EQ(place->y(), piece->y());
}

class PictureRingTest : public PuzzlePlayTest {};

TEST_F(PictureRingTest, NextFromTheLastGoesToTheFirstAndPreviousBack)
{
    start(0, 4);
    pressKey(SDLK_RIGHT);
    EXPECT_EQ(0, app.board.pictureIndex);
    playScenario(3);
    pressKey(SDLK_LEFT);
    EXPECT_EQ(4, app.board.pictureIndex);
    playScenario(3);
    EXPECT_TRUE(showsImage(pieceObject(1), "puzzle4.pak"));
}

TEST_F(PictureRingTest, ArrowButtonsTurnThePictureOnAClick)
{
    start(0);
    SceneObject *next = app.playField->children[2];
    ASSERT_TRUE(clickOn(next));
    EXPECT_EQ(1, app.board.pictureIndex);
    playScenario(3);
    EXPECT_TRUE(showsImage(pieceObject(1), "puzzle1.pak"));
}

TEST_F(PictureRingTest, ArrowKeysWaitDuringTheZoomAndLeaveTheKeyToOthers)
{
    start(0);
    app.settings->completed[0] = 1;
    leaveBoard();
    playScenario(3);
    ASSERT_TRUE(app.board.zoomBusy);
    pushKey(SDLK_RIGHT);
    playScenario(1);
    EXPECT_EQ(0, app.board.pictureIndex);
    EXPECT_TRUE(app.keyPending);
    EXPECT_FALSE(app.keyConsumed);
    settle();
    pressKey(SDLK_RIGHT);
    EXPECT_EQ(1, app.board.pictureIndex);  // answered again once the zoom is over
}

class SizeSelectionTest : public PuzzlePlayTest {};

TEST_F(SizeSelectionTest, ClickOn48ChoosesTheLargePuzzle)
{
    Settings s;
    s.puzzleSize = 0;
    startScenario(clock, s);
    settle();
    pressKey(SDLK_RETURN);
    settle();
    SceneObject *screen = app.topScreen;
    ASSERT_NE(nullptr, screen);
    ASSERT_EQ(3u, screen->children.size());
    ASSERT_TRUE(clickOn(screen->children[2]));
    settle();
    EXPECT_EQ(1, app.settings->puzzleSize);
    EXPECT_EQ(48, app.board.pieceCount);
}

class ButtonHoverTest : public PuzzlePlayTest {};

TEST_F(ButtonHoverTest, ButtonShrinksFrom107AfterBeingHoveredFor50Ms)
{
    start(0);
    SceneObject *next = app.playField->children[2];
    ASSERT_TRUE(hoverOn(next));  // the frame that sees it hovered starts the growth
    playScenario(4, 12);         // hovered for about 50 ms
    double grown = next->scaleX();
    EXPECT_GT(grown, 1.0);
    EXPECT_LT(grown, 1.07);
    pushMotion(2, 2);
    playScenario(2, 16);  // the pick notices, hover-grow hands over to the shrink
    double shrinking = next->scaleX();
    EXPECT_GT(shrinking, grown);  // the shrink starts from 1.07, wherever growth had got to
    EXPECT_LT(shrinking, 1.07);
    playScenario(10, 16);
    EXPECT_EQ(1.0, next->scaleX());
}

TEST_F(ButtonHoverTest, ButtonHoveredOnAndOffManyTimesCarriesNoDeadActions)
{
    start(0);
    SceneObject *next = app.playField->children[2];
    int onX, onY;
    ASSERT_TRUE(pointOn(next, onX, onY));
    size_t most = 0;
    // Every frame moves the pointer on or off: each frame hands the hover
    // over between grow and shrink.
    for (int i = 0; i < 40; i++) {
        if (i % 2)
            pushMotion(onX, onY);
        else
            pushMotion(2, 2);
        playScenario(1);
        most = std::max(most, next->scheduler.actions.size());
    }
    EXPECT_LE(most, 3u);  // the click handler, a hover action, one just retired
}

// Pieces at home outlive the visit: across a restart, a turn to another
// picture or size and back, and until a reset.
class PicturesInProgressTest : public PuzzlePlayTest {
protected:
    void SetUp() override { path = makeTempFolder("progress") + "/pelnovo_lumbrik_progress"; }
    // A game with the progress file at `path` as start-up would read it.
    void startWithFile(int size)
    {
        Settings s;
        s.showWelcome = 0;
        s.puzzleSize = size;
        startScenario(clock, s, loadProgress(path.c_str()));
        app.progressPath = path;
        settle();
    }
    // The game ends as through the exit dialog and starts again.
    void restart()
    {
        const int size = app.board.puzzleSize;
        saveAndClose();
        playScenario(5);
        endScenario();
        startWithFile(size);
    }
    // Sent one after another, as a quick child does; all three land.
    void placeThree()
    {
        for (int n : {2, 5, 7})
            ASSERT_TRUE(sendHome(n)) << n;
        settle();
    }
    bool atHome(int n)
    {
        SceneObject *piece = pieceObject(n), *place = placeObject(n);
        return piece && place && piece->x() == place->x() && piece->y() == place->y() &&
               piece->transform.position[2] == 0;
    }
    // Pieces 2, 5, 7 at home and no other: the rest were scattered again.
    void expectThreeBack()
    {
        for (int n = 1; n <= app.board.pieceCount; n++)
            EXPECT_EQ(n == 2 || n == 5 || n == 7, atHome(n)) << "piece " << n;
        EXPECT_EQ(3, app.board.placedCount);
    }
    void turnPicture(SDLKey key)
    {
        pressKey(key);
        settle();
    }
    void switchSize(int size)
    {
        setPuzzleSize(size);
        leaveBoard();
        settle();
    }
    std::string path;
};

TEST_F(PicturesInProgressTest, ThreePlacedPiecesAreHomeAfterARestartAndTheRestScattered)
{
    startWithFile(0);
    placeThree();
    EXPECT_EQ(3, loadProgress(path.c_str()).placedCount(0, 0));  // written at each landing
    restart();
    expectThreeBack();
    // The game goes on from there: the last piece completes the picture.
    for (int n = 1; n <= 20; n++) {
        if (!atHome(n)) {
            ASSERT_TRUE(sendHome(n)) << n;
        }
    }
    settle();
    EXPECT_EQ(1, app.settings->completed[0]);
    EXPECT_EQ(0, loadProgress(path.c_str()).placedCount(0, 0));
}

TEST_F(PicturesInProgressTest, PlacedPiecesSurviveAPictureTurnAndASizeSwitchAndBack)
{
    for (int size : {0, 1}) {
        SCOPED_TRACE(size);
        startWithFile(size);
        placeThree();
        turnPicture(SDLK_RIGHT);
        EXPECT_EQ(0, app.board.placedCount);
        turnPicture(SDLK_LEFT);
        expectThreeBack();
        switchSize(1 - size);
        EXPECT_EQ(0, app.board.placedCount);
        switchSize(size);
        expectThreeBack();
        restart();
        expectThreeBack();
        endScenario();
        std::remove(path.c_str());
    }
}

TEST_F(PicturesInProgressTest, ResettingThePictureOrAllClearsItsPlacedPieces)
{
    startWithFile(0);
    placeThree();
    turnPicture(SDLK_RIGHT);
    ASSERT_TRUE(sendHome(1));
    settle();
    ASSERT_EQ(1, loadProgress(path.c_str()).placedCount(0, 1));
    // Start this picture again (picture 1); picture 0 keeps its three.
    ASSERT_TRUE(clickOn(app.root->children[TOOL_BREAK]));
    settle();
    pressKey(SDLK_RETURN);
    settle();
    EXPECT_EQ(0, app.board.placedCount);
    EXPECT_FALSE(atHome(1));
    EXPECT_EQ(0, loadProgress(path.c_str()).placedCount(0, 1));
    restart();
    expectThreeBack();
    // Start all pictures again, from the main menu.
    ASSERT_TRUE(clickOn(app.root->children[TOOL_MENU]));
    settle();
    ASSERT_TRUE(clickOn(app.topScreen->children[MENU_BREAK]));
    settle();
    pressKey(SDLK_RETURN);
    settle();
    EXPECT_EQ(0, app.board.placedCount);
    EXPECT_EQ(0, loadProgress(path.c_str()).placedCount(0, 0));
    restart();
    EXPECT_EQ(0, app.board.placedCount);
    EXPECT_FALSE(atHome(2));
}

// Window rows spanned by every mesh of the object (box corners as last
// drawn); false when a corner lies off the window and that is not `allowed`.
static bool windowRows(const SceneObject *object, int &top, int &bottom, bool offWindowAllowed = false)
{
    top = 1 << 30;
    bottom = -1;
    for (const Mesh *mesh : object->meshes) {
        for (int corner = 0; corner < 8; corner++) {
            double p[3];
            for (int k = 0; k < 3; k++)
                p[k] = (corner >> k & 1) ? mesh->highCorner[k] : mesh->lowCorner[k];
            int x, y;
            if (!projectToWindow(mesh, p, x, y) && !offWindowAllowed)
                return false;
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return true;
}

class ScatterOnScreenTest : public PuzzlePlayTest {};

// At the window's own shape (run under Xvfb screens of 5:4 to 21:9): every
// loose piece, knobs and all, lies inside the window and below the tool bar.
TEST_F(ScatterOnScreenTest, EveryLoosePieceLiesWholeOnScreenBelowTheToolBar)
{
    for (int size = 0; size < 2; size++) {
        for (int round = 0; round < 3; round++) {
            SCOPED_TRACE(testing::Message() << "size " << size << " round " << round);
            start(size);
            int toolBarBottom = 0, top, bottom;
            for (int b = TOOL_CLOSE; b <= TOOL_HELP; b++) {
                ASSERT_TRUE(windowRows(app.root->children[b], top, bottom, true));
                toolBarBottom = std::max(toolBarBottom, bottom);
            }
            ASSERT_TRUE(windowRows(app.panel, top, bottom, true));  // it hangs from above the screen
            toolBarBottom = std::max(toolBarBottom, bottom);
            for (int n = 1; n <= app.board.pieceCount; n++) {
                ASSERT_TRUE(windowRows(pieceObject(n), top, bottom)) << "piece " << n << " crosses the screen's edge";
                EXPECT_GT(top, toolBarBottom) << "piece " << n << " reaches under the tool bar";
            }
            endScenario();
        }
    }
}
