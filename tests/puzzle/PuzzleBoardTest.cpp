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
