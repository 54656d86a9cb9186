// The main loop's wait while nothing moves: input ends it at once, and
// without input it lasts the whole walk interval without walking the tree.
#include <gtest/gtest.h>

#include <SDL.h>

#include "app/Game.h"
#include "support/GameRig.h"

TEST(IdleWaitTest, QueuedEventEndsTheWaitAfterOneSlice)
{
    resetScene();
    pushMotion(10, 10);
    EXPECT_EQ(1, waitWhileIdle(IDLE_WALK_MS));
    resetScene();  // drops the motion
}

TEST(IdleWaitTest, WithoutInputTheWaitLastsTheWalkInterval)
{
    resetScene();
    EXPECT_EQ((int)(IDLE_WALK_MS / IDLE_WAIT_MS), waitWhileIdle(IDLE_WALK_MS));
}
