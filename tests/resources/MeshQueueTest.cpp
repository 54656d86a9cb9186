// Grouping queued draws into batches: fewer draw calls, never a different
// picture. A pixel's fragments must reach it in queue order, so two entries
// whose boxes meet must be drawn in queue order, whatever batches they join.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "resources/MeshQueue.h"

namespace {

ScreenBox boxAt(float x, float y, float w, float h)
{
    ScreenBox b;
    b.low[0] = x, b.low[1] = y, b.high[0] = x + w, b.high[1] = y + h;
    b.everywhere = false;
    return b;
}

// Where each entry is drawn: its batch's place, then its place in the batch.
std::vector<int> drawingOrder(const DrawGroups &g, int count)
{
    std::vector<int> order((size_t)count, -1);
    int position = 0;
    for (int32_t first : g.batchFirst)
        for (int32_t j = first; j >= 0; j = g.nextInBatch[j])
            order[(size_t)j] = position++;
    return order;
}

}  // namespace

TEST(DrawGroupsTest, AlternatingStatesApartShareTwoBatchesAndTouchingOnesKeepTheirOrder)
{
    // Pieces side by side: picture, rim, picture, rim... States 0 and 1.
    std::vector<int32_t> state = {0, 1, 0, 1, 0, 1};
    std::vector<ScreenBox> apart = {boxAt(0, 0, 1, 1), boxAt(0, 0, 1, 1), boxAt(2, 0, 1, 1),
                                    boxAt(2, 0, 1, 1), boxAt(4, 0, 1, 1), boxAt(4, 0, 1, 1)};
    DrawGroups g;
    g.group(state.data(), apart.data(), 6);
    ASSERT_EQ(g.batchFirst.size(), 2u);
    EXPECT_EQ(drawingOrder(g, 6), (std::vector<int>{0, 3, 1, 4, 2, 5}));

    // The third piece now overlaps the first's rim: it may not jump it.
    std::vector<ScreenBox> touching = apart;
    touching[4] = touching[5] = boxAt(0.5f, 0.5f, 1, 1);
    g.group(state.data(), touching.data(), 6);
    std::vector<int> order = drawingOrder(g, 6);
    EXPECT_EQ(g.batchFirst.size(), 4u);
    EXPECT_LT(order[1], order[4]);
}

TEST(DrawGroupsTest, UnboundedBoxAndUnsharedStateStopEveryJump)
{
    std::vector<int32_t> state = {0, -1, 0, 2, 0};
    std::vector<ScreenBox> boxes = {boxAt(0, 0, 1, 1), boxAt(5, 5, 1, 1), boxAt(2, 2, 1, 1), ScreenBox(),
                                    boxAt(8, 8, 1, 1)};
    DrawGroups g;
    g.group(state.data(), boxes.data(), 5);
    // Entry 2 passes the unshared entry 1 (apart); entry 4 cannot pass entry 3, which is everywhere.
    EXPECT_EQ(drawingOrder(g, 5), (std::vector<int>{0, 2, 1, 3, 4}));
    EXPECT_EQ(g.batchFirst.size(), 4u);
}

// Random scenes of few states and crowded boxes: every pair whose boxes meet
// keeps its order, every entry is drawn once, and entries of one batch share a state.
TEST(DrawGroupsTest, RandomScenesDrawEveryMeetingPairInQueueOrder)
{
    srand(12345);
    DrawGroups g;
    size_t batches = 0, entries = 0;
    for (int scene = 0; scene < 500; scene++) {
        int n = 1 + rand() % 60, states = 1 + rand() % 4;
        std::vector<int32_t> state((size_t)n);
        std::vector<ScreenBox> boxes((size_t)n);
        for (int i = 0; i < n; i++) {
            state[(size_t)i] = rand() % 10 == 0 ? -1 : rand() % states;
            if (rand() % 30 != 0)
                boxes[(size_t)i] = boxAt((float)(rand() % 100), (float)(rand() % 100), (float)(rand() % 15),
                                         (float)(rand() % 15));
        }
        g.group(state.data(), boxes.data(), n);
        std::vector<int> order = drawingOrder(g, n);
        for (int i = 0; i < n; i++) {
            ASSERT_GE(order[(size_t)i], 0) << "scene " << scene << ": entry " << i << " never drawn";
            for (int j = i + 1; j < n; j++) {
                if (boxesMeet(boxes[(size_t)i], boxes[(size_t)j])) {
                    ASSERT_LT(order[(size_t)i], order[(size_t)j]) << "scene " << scene << ": " << i << ", " << j;
                }
            }
        }
        for (int32_t first : g.batchFirst)
            for (int32_t j = g.nextInBatch[first]; j >= 0; j = g.nextInBatch[j]) {
                ASSERT_GE(state[(size_t)first], 0);
                ASSERT_EQ(state[(size_t)j], state[(size_t)first]);
            }
        batches += g.batchFirst.size();
        entries += (size_t)n;
    }
    EXPECT_LT(batches, entries * 3 / 4) << "the scenes leave room to share";
}
