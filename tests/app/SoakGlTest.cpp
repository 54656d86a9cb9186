// The game played for a long while as a restless child plays it: every button
// hovered on and off a thousand times, a whole picture solved, each dialog
// opened and closed a hundred times, the puzzle size switched back and forth.
// Nothing may pile up meanwhile: actions, scene objects, heap blocks. Runs in
// a process of its own, because it counts every heap block the process holds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "support/AllocationCounter.h"
#include "app/App.h"
#include "app/Display.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"

// Each round ends in the state the game started in. LUMBRIK_SOAK_ROUNDS
// shortens the soak for slow builds (the thread sanitizer pass), never below
// the warm-up and one steady round.
static const int ROUNDS = 50;
// Frames one round plays at least.
static const long FRAMES_PER_ROUND = 400;
// Per round: tours of the main screen's buttons, and openings of each dialog;
// per opening: tours of the dialog's buttons. 50 x 20 = 2 x 50 x 10 = 1,000.
static const int MAIN_TOURS_PER_ROUND = 20;
static const int OPENINGS_PER_ROUND = 2;
static const int TOURS_PER_OPENING = 10;
// Rounds in which caches, sound clips and the driver may still grow.
static const int WARM_UP_ROUNDS = 2;
static_assert(ROUNDS > WARM_UP_ROUNDS, "the heap is judged on the rounds after the warm-up");

static int soakRounds()
{
    const char *asked = getenv("LUMBRIK_SOAK_ROUNDS");
    const int rounds = asked && *asked ? atoi(asked) : ROUNDS;
    return std::max(rounds, WARM_UP_ROUNDS + 1);
}
// Most actions on one object at once in steady play (a button holds its click
// handler, one hover action and, for one frame, the one that just retired).
static const size_t ACTION_BOUND = 6;
// How far the live heap blocks of two steady rounds may differ: the driver
// keeps a few buffers of its own that come and go.
static const int64_t HEAP_WANDER = 200;

struct Point {
    int x = -1, y = -1;
};

static size_t mostActionsIn(const SceneObject *object)
{
    size_t most = object->scheduler.actions.size();
    for (const SceneObject *child : object->children)
        most = std::max(most, mostActionsIn(child));
    return most;
}

static int64_t objectsIn(const SceneObject *object)
{
    int64_t count = 1;
    for (const SceneObject *child : object->children)
        count += objectsIn(child);
    return count;
}

class SoakTest : public testing::Test {
protected:
    void TearDown() override { endScenario(); }

    void frame(uint32_t stepMs = 16)
    {
        playScenario(1, stepMs);
        mostActions = std::max(mostActions, mostActionsIn(app.root));
    }
    // By default long enough for a screen to slide in or out (400 ms) and
    // a closed one to be taken down.
    void settle(int frames = 4, uint32_t stepMs = 150)
    {
        for (int i = 0; i < frames; i++)
            frame(stepMs);
    }
    void moveTo(Point p)
    {
        pushMotion(p.x, p.y);
        frame();
    }
    void clickAt(Point p)
    {
        moveTo(p);
        pushButton(SDL_BUTTON_LEFT, true);
        pushButton(SDL_BUTTON_LEFT, false);
        frame();
    }
    void keyOrClick(bool byKey, SDLKey sym, Point p)
    {
        if (!byKey) {
            clickAt(p);
            return;
        }
        pushKey(sym);
        frame();
    }
    // The pointer onto each point in turn, `times` over: every button goes
    // on and off once a turn (a move onto the next button is a move off this
    // one, and the pick runs every frame), a lone button with a move off.
    void tour(const std::vector<Point> &points, int times)
    {
        for (int t = 0; t < times; t++) {
            for (Point p : points)
                moveTo(p);
            if (points.size() == 1)
                moveTo(off);
        }
        moveTo(off);
    }
    // Where the pick finds the object; recorded on first use.
    Point pointOf(const SceneObject *object)
    {
        Point p;
        EXPECT_TRUE(pointOn(object, p.x, p.y));
        return p;
    }
    SceneObject *tool(ToolButton b) { return app.root->children[b]; }
    SceneObject *item(int i) { return app.topScreen->children[i]; }
    // A dialog open on top: its buttons (children `first`..`last`) toured.
    void tourDialog(std::vector<Point> &points, int first, int last)
    {
        settle();
        ASSERT_NE(nullptr, app.topScreen);
        if (points.empty())
            for (int i = first; i <= last; i++)
                points.push_back(pointOf(item(i)));
        tour(points, TOURS_PER_OPENING);
    }
    void solvePicture();
    void mainMenuSession(int opening);
    void dialogsFromTheToolBar(int opening);

    ManualClock clock;
    size_t mostActions = 0;
    Point off;
    std::vector<Point> mainButtons, menuButtons, exitButtons, helpButtons, resetOneButtons, aboutButtons,
        resetAllButtons;
};

// Every piece sent home, then the finished picture taken apart again through
// the tool bar's reset dialog, so that the round ends as it began.
void SoakTest::solvePicture()
{
    for (int n = 1; n <= app.board.pieceCount; n++) {
        ASSERT_TRUE(clickOn(pieceObject(n)));
        ASSERT_TRUE(clickOn(placeObject(n)));
    }
    settle(20, 100);
    ASSERT_EQ(1, app.settings->completed[0]);
    clickAt(mainButtons[TOOL_BREAK - TOOL_CLOSE]);
    settle();
    ASSERT_TRUE(clickOn(item(2)));  // "break": the picture comes apart
    settle(20, 100);
    ASSERT_EQ(0, app.settings->completed[0]);
}

// The main menu with its About and reset-all dialogs, then one size switch.
void SoakTest::mainMenuSession(int opening)
{
    clickAt(mainButtons[TOOL_MENU - TOOL_CLOSE]);
    tourDialog(menuButtons, MENU_SOUND, MENU_REC3);
    clickAt(menuButtons[MENU_ABOUT - MENU_SOUND]);
    tourDialog(aboutButtons, 1, 1);
    clickAt(aboutButtons[0]);  // "ok" closes it
    settle();
    clickAt(menuButtons[MENU_BREAK - MENU_SOUND]);
    tourDialog(resetAllButtons, 1, 2);
    clickAt(resetAllButtons[0]);  // "cancel"
    settle();
    ASSERT_TRUE(clickOn(item(MENU_SIZE)));  // its replacement goes last in the list
    settle();
    keyOrClick(opening % 2 == 1, SDLK_ESCAPE, menuButtons[MENU_CLOSE - MENU_SOUND]);
    settle();
    ASSERT_EQ(nullptr, app.topScreen);
}

// The exit, help and reset dialogs, opened and closed by keys or clicks.
void SoakTest::dialogsFromTheToolBar(int opening)
{
    bool keys = opening % 2 == 0;
    keyOrClick(keys, SDLK_ESCAPE, mainButtons[TOOL_CLOSE - TOOL_CLOSE]);
    tourDialog(exitButtons, 1, 2);
    keyOrClick(keys, SDLK_ESCAPE, exitButtons[0]);  // or "cancel"
    settle();
    keyOrClick(keys, SDLK_F1, mainButtons[TOOL_HELP - TOOL_CLOSE]);
    tourDialog(helpButtons, 2, 2);
    keyOrClick(keys, SDLK_ESCAPE, helpButtons[0]);
    settle();
    clickAt(mainButtons[TOOL_BREAK - TOOL_CLOSE]);
    tourDialog(resetOneButtons, 1, 2);
    clickAt(resetOneButtons[0]);  // "cancel"
    settle();
    ASSERT_EQ(nullptr, app.topScreen);
    ASSERT_FALSE(app.root->closing);
}

TEST_F(SoakTest, LongPlayLeavesNoActionObjectOrHeapBlockBehind)
{
    auto started = std::chrono::steady_clock::now();
    long firstFrame = scenarioFramesPlayed();
    Settings s;
    s.showWelcome = 0;
    s.puzzleSize = 0;
    startScenario(clock, s);
    settle(20, 100);
    for (int b = TOOL_CLOSE; b <= TOOL_HELP; b++)
        mainButtons.push_back(pointOf(tool((ToolButton)b)));
    mainButtons.push_back(pointOf(app.playField->children[1]));  // previous picture
    mainButtons.push_back(pointOf(app.playField->children[2]));  // next picture
    off = {app.display->width / 2, app.display->height / 2};     // the board: no button there
    int64_t objectsAfterStartUp = liveSceneObjects();
    ASSERT_EQ(objectsIn(app.root), objectsAfterStartUp);

    std::vector<int64_t> heap, objects, treeObjects;
    const int rounds = soakRounds();
    for (int round = 0; round < rounds; round++) {
        SCOPED_TRACE(round);
        if (round == 0) {
            ASSERT_NO_FATAL_FAILURE(solvePicture());
        }
        tour(mainButtons, MAIN_TOURS_PER_ROUND);
        for (int opening = 0; opening < OPENINGS_PER_ROUND; opening++) {
            ASSERT_NO_FATAL_FAILURE(mainMenuSession(opening));
            ASSERT_NO_FATAL_FAILURE(dialogsFromTheToolBar(opening));
        }
        settle(20, 100);  // the board rebuilt at the first size has flown in
        ASSERT_EQ(20, app.board.pieceCount);
        heap.push_back(liveHeapBlocks());
        objects.push_back(liveSceneObjects());
        treeObjects.push_back(objectsIn(app.root));
    }
    long frames = scenarioFramesPlayed() - firstFrame;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    EXPECT_GE(frames, FRAMES_PER_ROUND * rounds);
    EXPECT_LE(mostActions, ACTION_BOUND);
    for (int round = 0; round < rounds; round++) {
        EXPECT_EQ(objectsAfterStartUp, objects[round]) << "round " << round;
        EXPECT_EQ(objectsAfterStartUp, treeObjects[round]) << "round " << round;
    }
    auto steady = heap.begin() + WARM_UP_ROUNDS;
    int64_t low = *std::min_element(steady, heap.end()), high = *std::max_element(steady, heap.end());
    if (liveHeapCountingActive()) {
        EXPECT_LE(high - low, HEAP_WANDER);
    }
    printf("soak: %ld frames in %.1f s, at most %zu actions on one object, %lld scene objects,\n"
           "      live heap blocks after the warm-up %lld..%lld (round 1: %lld, last: %lld)%s\n",
           frames, seconds, mostActions, (long long)objectsAfterStartUp, (long long)low, (long long)high,
           (long long)heap[0], (long long)heap.back(), liveHeapCountingActive() ? "" : " [not counted]");
}
