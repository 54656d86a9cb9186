// Frames drawn from the kept picture plus what changed must be the frames a
// full redraw gives, pixel for pixel: the same scripted play is played twice
// with the same clock, once each way, and chosen frames of both are compared
// as read from the back buffer right before their swap. No tolerance: both
// ways draw every changed pixel with the same meshes, batches and state, and
// every other pixel is a copy of a pixel drawn so before. (The GL tests run
// once more with multisampling forced, which covers that mode.)
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/FrameCache.h"
#include "app/GL.h"
#include "puzzle/PuzzleBoard.h"
#include "puzzle/PuzzleFlow.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"

// A frame's picture as a hash per row, so that a difference names its rows.
struct FrameShot {
    std::string step;
    std::vector<uint64_t> rows;
};

// Reads the back buffer of the frames it is asked for.
struct FrameCamera {
    std::string step;   // what the script was doing
    int wanted = 0;     // frames still to take
    std::vector<FrameShot> shots;
    std::vector<unsigned char> pixels;
};

static uint64_t hashRow(const unsigned char *p, size_t size)
{
    uint64_t h = 0xcbf29ce484222325ULL;
    for (size_t i = 0; i < size; i++)
        h = (h ^ p[i]) * 0x100000001b3ULL;
    return h;
}

static void takeFrame(void *user)
{
    FrameCamera &camera = *(FrameCamera *)user;
    if (camera.wanted == 0)
        return;
    camera.wanted--;
    int w = app.display->width, h = app.display->height;
    camera.pixels.resize((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, camera.pixels.data());
    FrameShot shot;
    shot.step = camera.step;
    for (int y = 0; y < h; y++)
        shot.rows.push_back(hashRow(&camera.pixels[(size_t)y * w * 3], (size_t)w * 3));
    camera.shots.push_back(shot);
}

class FrameCacheTest : public testing::Test {
protected:
    void TearDown() override
    {
        observeDrawnFrames(nullptr, nullptr);
        app.frameCache.fullRedraw = false;
        endScenario();
    }
    // Plays `frames` frames of stepMs, taking the drawn frames among them
    // (at most `shots`) under the name `step`.
    void film(const char *step, int frames, uint32_t stepMs, int shots)
    {
        camera.step = step;
        camera.wanted = shots;
        playScenario(frames, stepMs);
        camera.wanted = 0;
    }
    // The whole script, drawn one way; returns its shots.
    std::vector<FrameShot> play(bool fullRedraw, uint64_t &partialFrames);
    ManualClock clock;
    FrameCamera camera;
};

// Hover, select, pulse, send home, land, a dialog sliding in, the menu, a
// switch to the other puzzle size and back, and the finished picture. The
// picture starts with all but two pieces at home, so it is soon finished.
std::vector<FrameShot> FrameCacheTest::play(bool fullRedraw, uint64_t &partialFrames)
{
    camera = FrameCamera();
    clock = ManualClock();
    srand(7);  // the scatter
    Settings s;
    s.showWelcome = 0;
    s.puzzleSize = 0;
    Progress progress;
    for (int n = 1; n <= 18; n++)
        progress.place(0, 0, n);
    startScenario(clock, s, progress);
    app.frameCache.fullRedraw = fullRedraw;
    app.frameCache.forget();
    uint64_t partialBefore = app.frameCache.partialFrames;
    observeDrawnFrames(takeFrame, &camera);
    film("fly-in", 15, 100, 2);
    int w = app.display->width, h = app.display->height;
    camera.step = "hover";
    camera.wanted = 3;
    for (int i = 0; i < 8; i++) {
        pushMotion(w / 4 + 9 * i, h / 2 + 3 * i);
        playScenario(1, 16);
    }
    EXPECT_TRUE(clickOn(pieceObject(19)));
    film("pulse", 8, 16, 3);
    EXPECT_TRUE(clickOn(placeObject(19)));
    film("glide and land", 16, 80, 4);
    EXPECT_TRUE(clickOn(app.root->children[TOOL_HELP]));
    film("dialog sliding in", 8, 40, 3);
    pressKey(SDLK_ESCAPE);
    film("dialog closing", 10, 100, 1);
    EXPECT_TRUE(clickOn(app.root->children[TOOL_MENU]));
    film("menu", 8, 40, 3);
    pressKey(SDLK_ESCAPE);
    film("menu closing", 10, 100, 1);
    setPuzzleSize(1);  // as the size buttons do
    leaveBoard();
    film("other size", 15, 100, 3);
    EXPECT_EQ(48, app.board.pieceCount);
    setPuzzleSize(0);
    leaveBoard();
    film("back", 15, 100, 1);
    EXPECT_TRUE(clickOn(pieceObject(20)) && clickOn(placeObject(20)));
    film("finished picture", 20, 100, 3);
    EXPECT_EQ(1, app.settings->completed[0]);
    observeDrawnFrames(nullptr, nullptr);
    partialFrames = app.frameCache.partialFrames - partialBefore;
    endScenario();
    return camera.shots;
}

TEST_F(FrameCacheTest, FramesDrawnFromTheKeptPictureEqualFullRedrawsPixelForPixel)
{
    uint64_t partialFast = 0, partialFull = 0;
    std::vector<FrameShot> fast = play(false, partialFast);
    std::vector<FrameShot> full = play(true, partialFull);
    EXPECT_EQ(0u, partialFull);
    EXPECT_GT(partialFast, 20u) << "the kept picture was hardly used: the comparison proves little";
    ASSERT_EQ(full.size(), fast.size());
    EXPECT_GE(fast.size(), 22u);
    for (size_t i = 0; i < fast.size(); i++) {
        ASSERT_EQ(full[i].step, fast[i].step);
        int differing = 0, first = -1;
        for (size_t y = 0; y < fast[i].rows.size(); y++)
            if (fast[i].rows[y] != full[i].rows[y]) {
                differing++;
                first = first < 0 ? (int)y : first;
            }
        EXPECT_EQ(0, differing) << fast[i].step << ", shot " << i << ": first differing row " << first
                                << " (GL rows, from the bottom)";
    }
}

// A start shows its first frame without keeping it (the copy would hold the
// picture back); the second frame, drawn in full, keeps, and the third can
// already come from the kept picture.
TEST_F(FrameCacheTest, AStartKeepsFromItsSecondFrameNotItsFirst)
{
    for (int start = 0; start < 2; start++) {
        Settings s;
        s.showWelcome = 0;
        startScenario(clock, s, Progress());
        uint64_t full = app.frameCache.fullFrames, partial = app.frameCache.partialFrames;
        playScenario(1, 16);
        EXPECT_EQ(full + 1, app.frameCache.fullFrames) << "start " << start;
        EXPECT_FALSE(app.frameCache.kept) << "start " << start << ": the first frame was kept";
        playScenario(1, 16);
        EXPECT_EQ(full + 2, app.frameCache.fullFrames) << "start " << start;
        EXPECT_TRUE(app.frameCache.kept) << "start " << start << ": the second frame was not kept";
        EXPECT_EQ(partial, app.frameCache.partialFrames) << "start " << start;
        endScenario();
    }
}

// Rectangles of the draws that changed, and only those.
TEST(ChangedRectTest, CoversTheOldAndNewPlaceOfAMovedDrawAndNothingElse)
{
    DrawRecord still, moved;
    still.box.everywhere = moved.box.everywhere = false;
    still.box.low[0] = -1, still.box.high[0] = 0, still.box.low[1] = -1, still.box.high[1] = 1;
    moved.box.low[0] = 0.5f, moved.box.high[0] = 0.625f, moved.box.low[1] = 0, moved.box.high[1] = 0.125f;
    moved.mesh = (const Mesh *)&moved;
    std::vector<DrawRecord> before = {still, moved};
    std::vector<DrawRecord> now = before;
    PixelRect r;
    ASSERT_TRUE(changedRect(before, now, 1000, 500, r));
    EXPECT_TRUE(r.empty());
    now[1].modelView[12] = 1;
    now[1].box.low[0] = -0.25f, now[1].box.high[0] = -0.125f;
    ASSERT_TRUE(changedRect(before, now, 1000, 500, r));
    EXPECT_EQ(374, r.x0);  // (-0.25 + 1) / 2 * 1000, one pixel out
    EXPECT_EQ(814, r.x1);  // 812.5 rounded out, one more
    EXPECT_EQ(249, r.y0);
    EXPECT_EQ(283, r.y1);
    // A draw that appears, or one reaching behind the eye, cannot be kept apart.
    now.push_back(still);
    ASSERT_TRUE(changedRect(before, now, 1000, 500, r));
    EXPECT_EQ(0, r.x0);
    now.back().box.everywhere = true;
    EXPECT_FALSE(changedRect(before, now, 1000, 500, r));
}
