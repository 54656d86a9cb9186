// The pick through the real frame: the nearest registered object under the
// mouse is hovered in the frame after it was drawn. The two-stage pick, and
// the kept image of object numbers checked against it on the real board.
#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Picker.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"
#include "support/SceneTest.h"

// These cases are about the two passes; the kept image is compared with
// them on the real board below.
class PickTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        app.picker.image.enabled = false;
    }
    void TearDown() override
    {
        app.picker.image.enabled = true;
        SceneTest::TearDown();
    }
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

// Picks at window pixel (x, y) from the image, then with the two passes,
// over the same registered objects; expects the same answer, and the first
// one taken from the image. Returns the answer.
static SceneObject *expectImageAnswersAsPasses(const std::vector<SceneObject *> &registered, int x, int y)
{
    app.mouseX = x;
    app.mouseY = y;
    uint64_t lookUps = app.picker.image.lookUps;
    app.picker.pickables = registered;
    app.picker.pick();
    SceneObject *fromImage = app.picker.hovered;
    EXPECT_EQ(lookUps + 1, app.picker.image.lookUps) << "not answered from the image at " << x << "," << y;
    app.picker.image.enabled = false;
    app.picker.pickables = registered;
    app.picker.pick();
    app.picker.image.enabled = true;
    EXPECT_EQ(app.picker.hovered, fromImage) << "at " << x << "," << y;
    return fromImage;
}

class PickImageTest : public testing::Test {
protected:
    void SetUp() override
    {
        Settings s;
        s.showWelcome = 0;
        s.puzzleSize = 1;
        startScenario(clock, s);
        playScenario(30, 50);  // the pieces fly in and land
    }
    void TearDown() override
    {
        app.picker.image.enabled = true;
        endScenario();
    }
    // Walks and draws a frame stepMs later; keeps what registered for the pick.
    void walk(uint32_t stepMs)
    {
        drawFrameForReading(stepMs);
        registered = app.picker.pickables;
    }
    void expectSameAt(int x, int y) { expectImageAnswersAsPasses(registered, x, y); }
    ManualClock clock;
    std::vector<SceneObject *> registered;
};

TEST_F(PickImageTest, ImageAnswersAsTheTwoPassesOverAStillBoardAndAroundAPulsingPiece)
{
    walk(16);
    app.picker.pickables = registered;
    app.picker.pick();  // sees the objects stand still: the image is made at the next pick
    const int w = app.display->width, h = app.display->height;
    for (int gy = 0; gy < 10; gy++)
        for (int gx = 0; gx < 14; gx++)
            expectSameAt(w * (2 * gx + 1) / 28, h * (2 * gy + 1) / 20);
    SceneObject *piece = pieceObject(5);
    int px = 0, py = 0;
    ASSERT_TRUE(pointOn(piece, px, py));
    ASSERT_TRUE(clickOn(piece));  // selected: it pulses for 300 ms
    walk(16);
    app.picker.pickables = registered;
    app.picker.pick();
    for (int frame = 0; frame < 4; frame++) {
        walk(40);  // the piece has grown or shrunk: the image is mended around it
        for (int dy = -60; dy <= 60; dy += 20)
            for (int dx = -60; dx <= 60; dx += 20)
                expectSameAt(px + dx, py + dy);
    }
}

// Over 255 pickables the ids take two bytes; the image is drawn and read
// back in bands of rows. A grid of 20 x 15 squares covers the whole screen;
// the image must answer as the two passes on both sides of every band's
// edge, and for squares whose number needs the second byte.
class PickImageBandTest : public SceneTest {
};

TEST_F(PickImageBandTest, ImageOfOver255ObjectsAnswersAsThePassesAcrossBandEdgesAndOnTheLastSquares)
{
    const int columns = 20, rows = 15;
    const double halfW = app.display->halfWidthAt(100), halfH = app.display->halfHeightAt(100);
    std::vector<SceneObject *> squares;
    for (int i = 0; i < columns * rows; i++) {
        double x = -halfW + (2 * (i % columns) + 1) * halfW / columns;
        double y = -halfH + (2 * (i / columns) + 1) * halfH / rows;
        // 10 units wide, scaled to overlap their neighbours a little: no gap
        // anywhere, and the later square is the nearer.
        squares.push_back(addSquare(archive, "white", x, y, 0.01 * i, true));
        squares.back()->setScale(0.22 * halfW / columns, 0.22 * halfH / rows, 1);
    }
    drawFrameForReading();
    std::vector<SceneObject *> registered = app.picker.pickables;
    ASSERT_EQ(squares.size(), registered.size());
    app.picker.pick();  // sees them stand still: the image is made at the next pick
    const int w = app.display->width, h = app.display->height;
    const int bandRows = PICK_BAND_PIXELS / w;
    ASSERT_LT(bandRows, h) << "one band covers the window: no edge to test";
    for (int edge = bandRows; edge < h; edge += bandRows)
        for (int glRow = edge - 1; glRow <= edge; glRow++)
            for (int x = w / 80; x < w; x += w / 40)
                expectImageAnswersAsPasses(registered, x, h - 1 - glRow);
    for (size_t k = 250; k < squares.size(); k++) {
        int x = 0, y = 0;
        ASSERT_TRUE(windowPointOf(squares[k], x, y));
        EXPECT_EQ(squares[k], expectImageAnswersAsPasses(registered, x, y)) << "square " << k;
    }
}
