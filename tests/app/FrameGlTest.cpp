// Frames played through the real loop: the transparent pass, the cursor,
// clicks judged against the previous frame, closing and quitting.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Game.h"
#include "app/StartupScene.h"
#include "scene/SceneObject.h"
#include "support/SceneTest.h"

class FrameTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        cx = app.display->width / 2;
        cy = app.display->height / 2;
    }
    int cx = 0, cy = 0;
};

TEST_F(FrameTest, TransparentMeshBlendsOverOpaqueMeshDrawnLaterInTheTree)
{
    addSquare(archive, "blue50", 0, 0, 5, false);  // nearer, but first in the tree
    addSquare(archive, "red", 0, 0, 0, false);
    drawFrameForReading();
    unsigned char rgb[3];
    readPixel(cx, cy, rgb);
    EXPECT_NEAR(127, rgb[0], 3);  // red shows through the blue
    EXPECT_NEAR(128, rgb[2], 3);
    EXPECT_TRUE(app.transparentQueue.entries.empty());
}

TEST_F(FrameTest, TransparentMeshesBlendInTreeOrderWhateverTheirDepth)
{
    addSquare(archive, "green50", 0, 0, 5, false);  // near, first
    addSquare(archive, "red50", 0, 0, 0, false);    // far, second: blended on top
    drawFrameForReading();
    unsigned char rgb[3];
    readPixel(cx, cy, rgb);
    EXPECT_NEAR(128, rgb[0], 3);
    EXPECT_NEAR(64, rgb[1], 3);
}

TEST_F(FrameTest, ColourOverrideTintsTheTexture)
{
    SceneObject *square = addSquare(archive, "white", 0, 0, 0, false);
    square->setColour(0, 1, 0);
    drawFrameForReading();
    unsigned char rgb[3];
    readPixel(cx, cy, rgb);
    EXPECT_LT(rgb[0], 5);
    EXPECT_GT(rgb[1], 250);
}

TEST_F(FrameTest, CursorSitsUnderThePointer)
{
    SceneObject *cursor = addSquare(archive, "white", 0, 0, 74, false);
    cursor->script.addStep();
    cursor->script.addAction(makeAction(1, ACTION_ENDLESS, followMouse, nullptr));
    cursor->script.trigger(0);
    playFrames(1);  // no motion yet: the top-left corner
    EXPECT_NEAR(-app.display->halfWidthAt(26), cursor->x(), 1e-9);
    EXPECT_NEAR(app.display->halfHeightAt(26), cursor->y(), 1e-9);
    pushMotion(cx, cy);
    playFrames(1);
    EXPECT_NEAR(0, cursor->x(), 1e-9);
    EXPECT_NEAR(0, cursor->y(), 1e-9);
    EXPECT_EQ(74, cursor->transform.position[2]);
    EXPECT_NEAR(-90, cursor->transform.rotation[0], 1e-9);
    EXPECT_NEAR(0, cursor->transform.rotation[2], 1e-9);
}

// Counts clicks on the object it runs on.
static void countClicks(void *user)
{
    if (app.picker.isHovered() && app.leftClicked)
        (*(int *)user)++;
}

TEST_F(FrameTest, ClickReachesTheObjectUnderThePointerOnly)
{
    int clicks = 0, missed = 0;
    SceneObject *target = addSquare(archive, "white", -12, 0, 0, true);
    SceneObject *other = addSquare(archive, "red", 12, 0, 0, true);
    target->script.addStep();
    target->script.addAction(makeAction(1, ACTION_ENDLESS, countClicks, &clicks));
    target->script.trigger(0);
    other->script.addStep();
    other->script.addAction(makeAction(1, ACTION_ENDLESS, countClicks, &missed));
    other->script.trigger(0);
    playFrames(1);
    int x, y;
    ASSERT_TRUE(windowPointOf(target, x, y));
    clickAt(x, y);
    playFrames(3);
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(0, missed);
}

// Reads Escape for the object it runs on.
static void countEscapes(void *user)
{
    if (keyPressed(SDLK_ESCAPE))
        (*(int *)user)++;
}

TEST_F(FrameTest, ClickInTheSameFrameAsTheMoveWaitsForThePickAtItsPosition)
{
    int clicks = 0, escapes = 0;
    SceneObject *target = addSquare(archive, "white", 0, 0, 0, true);
    target->script.addStep();
    target->script.addAction(makeAction(1, ACTION_ENDLESS, countClicks, &clicks));
    target->script.addAction(makeAction(1, ACTION_ENDLESS, countEscapes, &escapes));
    target->script.trigger(0);
    pushMotion(2, 2);
    playFrames(2);
    // Move, press, release and a key, all reaching the game in one frame.
    pushMotion(cx, cy);
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    pushKey(SDLK_ESCAPE);
    playFrames(3);
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(1, escapes);
    EXPECT_FALSE(app.leftDown);
    EXPECT_FALSE(app.leftLatch);
}

TEST_F(FrameTest, WindowCloseRequestLeavesTheGameRunning)
{
    SDL_Event quit;
    memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    playFrames(3);
    EXPECT_FALSE(app.root->closing);
}

TEST_F(FrameTest, ClosedLeafVanishesNextFrameAndIsFreedTheFrameAfter)
{
    SceneObject *leaf = addSquare(archive, "white", 0, 0, 0, false);
    SceneObject *keep = addSquare(archive, "red", 20, 0, 0, false);
    playFrames(1);
    EXPECT_EQ(4, app.pakCache.useCount(archive.c_str()));  // two models, two textures
    leaf->close();
    drawFrameForReading();
    unsigned char rgb[3];
    readPixel(cx, cy, rgb);
    EXPECT_LT(rgb[0] + rgb[1] + rgb[2], 10);  // gone from the picture at once
    ASSERT_EQ(2u, app.root->children.size());
    EXPECT_TRUE(leaf->dead);
    playFrames(1);
    ASSERT_EQ(1u, app.root->children.size());
    EXPECT_EQ(keep, app.root->children[0]);
    EXPECT_EQ(2, app.pakCache.useCount(archive.c_str()));
}

TEST_F(FrameTest, ClosingTheRootEmptiesTheTreeFromTheLeavesAndEndsDead)
{
    SceneObject *parent = addSquare(archive, "white", 0, 0, 0, false);
    SceneObject *child = new SceneObject;
    child->setImage(archive.c_str(), "red");
    parent->addChild(child);
    playFrames(1);
    app.root->close();
    int frames = 0;
    while (!app.root->dead && frames < 10) {
        playFrames(1);
        frames++;
    }
    EXPECT_TRUE(app.root->dead);
    EXPECT_EQ(3, frames);  // child dead, parent dead, root dead
    EXPECT_EQ(0, app.pakCache.useCount(archive.c_str()));
}

// Without a GPU every drawn frame costs the processor; most frames show what
// the last one did. Each kind of change must still reach the screen.
TEST_F(FrameTest, UnchangedFrameIsNotDrawnAgainButEveryKindOfChangeIs)
{
    SceneObject *square = addSquare(archive, "red", 0, 0, 0, true);
    EXPECT_TRUE(playFrame());
    EXPECT_FALSE(playFrame());
    square->setPosition(1, 0, 0);
    EXPECT_TRUE(playFrame()) << "moved";
    EXPECT_FALSE(playFrame());
    square->setColour(0.5, 0.5, 0.5);
    EXPECT_TRUE(playFrame()) << "tinted";
    square->close();
    addSquare(archive, "white", 1, 0, 0, true);
    EXPECT_TRUE(playFrame()) << "replaced by another image in the same place";
    EXPECT_TRUE(playFrame()) << "the closed one freed";
    EXPECT_FALSE(playFrame());
    pushMotion(cx + 7, cy + 3);
    EXPECT_TRUE(playFrame()) << "the pick must look at the pointer's new pixel";
    EXPECT_EQ(cx + 7, app.pickX);
    EXPECT_FALSE(playFrame());
    SDL_Event expose;
    memset(&expose, 0, sizeof expose);
    expose.type = SDL_VIDEOEXPOSE;
    SDL_PushEvent(&expose);
    EXPECT_TRUE(playFrame()) << "exposed";
    EXPECT_FALSE(playFrame());
}

