// The scatter of loose pieces around the board, without a window.
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/App.h"
#include "puzzle/PuzzleBoard.h"

// A rand() seed whose 48-piece scatter fills the strips so that the last
// piece has no place 2.5 units from all the others (about 1 scatter in
// 8,000 does); drawing on for a place then never ends.
static const unsigned SEED_LEAVING_NO_PLACE = 6677;

static bool inStrips(int x, int y)
{
    return (x >= -20 && x <= -15 && y >= -15 && y <= 2) || (x >= 15 && x <= 20 && y >= -15 && y <= 11) ||
           (x >= -13 && x <= 12 && y >= -14 && y <= -10) || (x >= -1 && x <= 16 && y >= 10 && y <= 14);
}

static double closestPair(const PuzzleBoard &b)
{
    double closest = 1e9;
    for (int i = 0; i < b.pieceCount; i++)
        for (int j = 0; j < i; j++)
            closest = std::min(closest, std::hypot(b.startX[i] - b.startX[j], b.startY[i] - b.startY[j]));
    return closest;
}

class ScatterTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved = app.board;
        app.board.pieceCount = 48;
        app.board.minScatterDistance = 2.5;
    }
    void TearDown() override { app.board = saved; }
    PuzzleBoard saved;
};

TEST_F(ScatterTest, LayoutThatLeavesNoPlaceStartsOverAndKeepsTheDistance)
{
    srand(SEED_LEAVING_NO_PLACE);
    scatter();
    for (int i = 0; i < app.board.pieceCount; i++)
        EXPECT_TRUE(inStrips(app.board.startX[i], app.board.startY[i])) << "piece " << i;
    EXPECT_GE(closestPair(app.board), 2.5);
}

TEST_F(ScatterTest, DistanceNoLayoutCanKeepStillEndsWithEveryPieceInTheStrips)
{
    app.board.minScatterDistance = 100;  // wider than the strips: no second piece fits
    srand(1);
    scatter();
    for (int i = 0; i < app.board.pieceCount; i++)
        EXPECT_TRUE(inStrips(app.board.startX[i], app.board.startY[i])) << "piece " << i;
}

// Screens from 5:4 to 21:9: every fitted piece, with its knobs, lies on
// screen and below the tool bar, clear of the frame, and the distance holds.
TEST_F(ScatterTest, FittedPiecesStayWholeOnEveryScreenShape)
{
    const double aspects[] = {1280.0 / 1024, 1024.0 / 768, 1366.0 / 768, 1920.0 / 1080, 2560.0 / 1080};
    const double viewHalfHeight = 40 * std::tan(22.5 * M_PI / 180), toolBarLine = viewHalfHeight * (1 - 2 * 0.12);
    for (int size = 0; size < 2; size++) {
        for (double aspect : aspects) {
            SCOPED_TRACE(testing::Message() << "size " << size << " aspect " << aspect);
            double half = size ? 2.05 : 3.15;
            app.board.puzzleSize = size;
            app.board.pieceCount = size ? 48 : 20;
            app.board.minScatterDistance = size ? 2.5 : 4.0;
            app.board.screenAspect = aspect;
            for (unsigned seed = 1; seed <= 100; seed++) {
                srand(seed);
                scatter();
                const PuzzleBoard &b = app.board;
                for (int i = 0; i < b.pieceCount; i++) {
                    double x = b.placeX[i], y = b.placeY[i];
                    ASSERT_LE(std::fabs(x) + half, viewHalfHeight * aspect + 1e-9) << "seed " << seed;
                    ASSERT_GE(y - half, -viewHalfHeight - 1e-9) << "seed " << seed;
                    ASSERT_LE(y + half, toolBarLine + 1e-9) << "seed " << seed;
                    // Off the board: beside its frame and arrows, or above or below it.
                    ASSERT_TRUE(std::fabs(x) >= 12.4 || std::fabs(y) >= 7.3) << "seed " << seed;
                    for (int j = 0; j < i; j++)
                        ASSERT_GE(std::hypot(x - b.placeX[j], y - b.placeY[j]), b.minScatterDistance) << "seed " << seed;
                }
            }
        }
    }
}
