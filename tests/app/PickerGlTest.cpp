// The two-stage pick through the real frame: the nearest registered object
// under the mouse is hovered in the frame after it was drawn.
#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "scene/SceneObject.h"
#include "support/SceneTest.h"

class PickTest : public SceneTest {
protected:
    // Mouse to the object's centre, then two frames: one to draw, one to pick.
    void hoverOver(const SceneObject *object)
    {
        playFrames(1);
        int x, y;
        ASSERT_TRUE(windowPointOf(object, x, y));
        pushMotion(x, y);
        playFrames(1);
    }
};

TEST_F(PickTest, EmptyBackgroundGivesNull)
{
    addSquare(archive, "white", 20, 20, 0, true);
    pushMotion(5, 5);
    playFrames(2);
    EXPECT_EQ(nullptr, app.picker.hovered);
}

TEST_F(PickTest, NearerObjectWinsWhicheverRegisteredFirst)
{
    SceneObject *nearFirst = addSquare(archive, "white", 0, 0, 5, true);
    SceneObject *far = addSquare(archive, "red", 1, 1, 0, true);
    hoverOver(nearFirst);
    EXPECT_EQ(nearFirst, app.picker.hovered);
    EXPECT_EQ(2u, app.picker.candidates.size());

    resetScene();
    SceneObject *farFirst = addSquare(archive, "red", 1, 1, 0, true);
    SceneObject *nearLater = addSquare(archive, "white", 0, 0, 5, true);
    hoverOver(nearLater);
    EXPECT_EQ(nearLater, app.picker.hovered);
    (void)far;
    (void)farFirst;
}

TEST_F(PickTest, ObjectsWithoutThePickableHookAreNeverHovered)
{
    SceneObject *under = addSquare(archive, "white", 0, 0, 0, true);
    SceneObject *cover = addSquare(archive, "red", 0, 0, 5, false);
    hoverOver(cover);
    EXPECT_EQ(under, app.picker.hovered);  // the cover does not register
}

TEST_F(PickTest, FullyTransparentRegionStillHovers)
{
    SceneObject *glass = addSquare(archive, "clear", 0, 0, 0, true);
    hoverOver(glass);
    EXPECT_EQ(glass, app.picker.hovered);
}

TEST_F(PickTest, ClosingObjectIsNotHoveredAfterTheNextPick)
{
    SceneObject *square = addSquare(archive, "white", 0, 0, 0, true);
    hoverOver(square);
    ASSERT_EQ(square, app.picker.hovered);
    square->close();
    playFrames(1);
    EXPECT_EQ(nullptr, app.picker.hovered);
}

TEST_F(PickTest, MoreThan63HitsGiveNullAnd63StillPick)
{
    std::vector<SceneObject *> stack;
    for (int i = 0; i < 63; i++)
        stack.push_back(addSquare(archive, "white", 0, 0, i * 0.1, true));
    hoverOver(stack[0]);
    EXPECT_EQ(stack.back(), app.picker.hovered);
    stack.push_back(addSquare(archive, "white", 0, 0, 6.4, true));
    playFrames(2);
    EXPECT_EQ(nullptr, app.picker.hovered);
    EXPECT_TRUE(app.picker.candidates.empty());
}

TEST_F(PickTest, ScissoredColourPassPicksTheSameObjects)
{
    SceneObject *a = addSquare(archive, "white", -3, 0, 2, true);
    SceneObject *b = addSquare(archive, "red", 3, 0, 1, true);
    hoverOver(a);
    SceneObject *withScissor = app.picker.hovered;
    app.picker.scissorColourPass = false;
    playFrames(1);
    SceneObject *without = app.picker.hovered;
    app.picker.scissorColourPass = true;
    EXPECT_EQ(a, withScissor);
    EXPECT_EQ(a, without);
    (void)b;
}

TEST_F(PickTest, EdgeRowsAndColumnsOfTheWindowPick)
{
    // A square much larger than the screen, under every pixel.
    SceneObject *wall = addSquare(archive, "white", 0, 0, 0, true);
    wall->setScale(20, 20, 1);
    const int w = app.display->width, h = app.display->height;
    const int corners[][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const auto &c : corners) {
        pushMotion(c[0], c[1]);
        playFrames(2);
        EXPECT_EQ(wall, app.picker.hovered) << "at " << c[0] << "," << c[1];
    }
}
