// The scheduler's clock and run order. No GL: nothing here touches the offset.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "scene/Scheduler.h"
#include "scene/Tween.h"

// What callbacks saw, in call order.
struct CallLog {
    std::vector<int> ids;
    std::vector<double> elapsed;
};

static void logCall(void *user)
{
    CallLog *log = (CallLog *)user;
    log->ids.push_back(app.currentAction->i0);
    log->elapsed.push_back(app.currentAction->elapsed);
}

static Action logged(CallLog *log, int id, double duration)
{
    Action a = makeAction(1, duration, logCall, log);
    a.i0 = id;
    return a;
}

class SchedulerAdvanceTest : public testing::Test {
protected:
    void SetUp() override { app.frameTicks = 5000; }
    void frameAt(uint32_t ticks)
    {
        app.frameTicks = ticks;
        scheduler.advance(app.frameTicks, app.currentAction);
    }
    Scheduler scheduler;  // each test sets its clock (now) before the first frame
    CallLog log;
};

TEST_F(SchedulerAdvanceTest, SameFrameTwiceGivesZeroDeltaButStillCalls)
{
    scheduler.now = 5000;
    scheduler.schedule(logged(&log, 1, ACTION_ENDLESS));
    frameAt(5016);
    frameAt(5016);
    ASSERT_EQ(2u, log.elapsed.size());
    EXPECT_EQ(16, log.elapsed[0]);
    EXPECT_EQ(16, log.elapsed[1]);
}

TEST_F(SchedulerAdvanceTest, WrappedTickCounterGivesTheTrueSmallDelta)
{
    scheduler.now = 0xfffffff0u;
    scheduler.schedule(logged(&log, 1, ACTION_ENDLESS));
    frameAt(0x00000010u);
    ASSERT_EQ(1u, log.elapsed.size());
    EXPECT_EQ(32, log.elapsed[0]);
    EXPECT_EQ(32u, schedulerDelta(0x10u, 0xfffffff0u, 1.0));
    EXPECT_EQ(16u, schedulerDelta(0x10u, 0xfffffff0u, 0.5));
}

TEST_F(SchedulerAdvanceTest, OneShotRunsExactlyOnceEvenWithZeroDelta)
{
    scheduler.now = 5000;
    scheduler.schedule(logged(&log, 7, ACTION_ONE_SHOT));
    frameAt(5000);
    frameAt(5000);
    frameAt(5100);
    EXPECT_EQ(std::vector<int>({7}), log.ids);
    EXPECT_TRUE(scheduler.actions.empty());
}

TEST_F(SchedulerAdvanceTest, TimedActionIsCalledInTheFrameItFinishesThenRemoved)
{
    scheduler.now = 5000;
    scheduler.schedule(logged(&log, 1, 100));
    frameAt(5060);
    frameAt(5120);  // run time 120 >= 100: finished, still called
    EXPECT_TRUE(scheduler.actions.front().finished);
    frameAt(5180);
    EXPECT_EQ(2u, log.ids.size());
    EXPECT_TRUE(scheduler.actions.empty());
}

TEST_F(SchedulerAdvanceTest, StoppedBeforeTheLoopReachesItStillRunsOnceMore)
{
    struct Stopper {
        Scheduler *scheduler;
    } stopper = {&scheduler};
    Action stopAll = makeAction(2, ACTION_ENDLESS, [](void *u) { ((Stopper *)u)->scheduler->stop(1); }, &stopper);
    scheduler.now = 5000;
    scheduler.schedule(stopAll);
    scheduler.schedule(logged(&log, 9, ACTION_ENDLESS));
    frameAt(5016);
    EXPECT_EQ(std::vector<int>({9}), log.ids);
    frameAt(5032);
    EXPECT_EQ(std::vector<int>({9}), log.ids);
    EXPECT_EQ(1u, scheduler.actions.size());  // only the stopper is left
}

TEST_F(SchedulerAdvanceTest, DisabledActionNeitherAgesNorRunsAndIsNeverRemoved)
{
    scheduler.now = 5000;
    scheduler.schedule(logged(&log, 1, 50));
    scheduler.disable(1);
    frameAt(5100);
    frameAt(5200);
    EXPECT_TRUE(log.ids.empty());
    ASSERT_EQ(1u, scheduler.actions.size());
    EXPECT_EQ(0, scheduler.actions.front().runTime);
    scheduler.enable(1);
    frameAt(5260);
    EXPECT_EQ(std::vector<double>({60}), log.elapsed);
}

// A callback that schedules another action on its own scheduler.
struct Spawner {
    Scheduler *scheduler;
    CallLog *log;
    int spawned;
};

static void spawnOnce(void *user)
{
    Spawner *s = (Spawner *)user;
    if (s->spawned++ == 0)
        s->scheduler->schedule(logged(s->log, 42, ACTION_ENDLESS));
    // The action that runs is still reachable after the list grew.
    app.currentAction->d1 += 1;
}

TEST_F(SchedulerAdvanceTest, ActionsAddedDuringAnAdvanceFirstRunInTheNext)
{
    Spawner spawner = {&scheduler, &log, 0};
    scheduler.now = 5000;
    scheduler.schedule(makeAction(1, ACTION_ENDLESS, spawnOnce, &spawner));
    frameAt(5016);
    EXPECT_TRUE(log.ids.empty());
    frameAt(5032);
    EXPECT_EQ(std::vector<int>({42}), log.ids);
    EXPECT_EQ(16, log.elapsed[0]);  // one frame of its own, not the frame it was made in
    EXPECT_EQ(2, scheduler.actions.front().d1);
}

// The incremental linear tween 0 -> -90 over 1300 ms inside a 1400 ms action.
struct Turn {
    double total = 0;
    double lastElapsed = 0;
    int calls = 0;
};

static void turnTween(void *user)
{
    Turn *t = (Turn *)user;
    TweenFrame f = tweenFrame(*app.currentAction, 1300);
    t->total += tweenChange(app.currentAction->d0, tweenLinear(f, -90));
    t->lastElapsed = f.e;
    t->calls++;
}

TEST_F(SchedulerAdvanceTest, IncrementalTweenAddsUpToItsTotalWhateverTheFrameDeltas)
{
    const uint32_t deltas[] = {1, 33, 7, 250, 16, 16, 400, 3, 99, 500, 17};
    Turn turn;
    scheduler.now = 5000;
    scheduler.schedule(makeAction(1, 1400, turnTween, &turn));
    uint32_t t = 5000;
    for (uint32_t d : deltas) {
        t += d;
        frameAt(t);
    }
    EXPECT_NEAR(-90.0, turn.total, 1e-9);
    EXPECT_EQ(1300, turn.lastElapsed);
    int calls = turn.calls;
    frameAt(t + 100);
    EXPECT_EQ(calls, turn.calls);  // retired: never called again
    EXPECT_TRUE(scheduler.actions.empty());  // and gone from the list
}

// A callback that appends far more actions than one block of the list holds,
// then retires its own action through App::currentAction.
struct Flood {
    Scheduler *scheduler;
    CallLog *log;
};

static void floodThenRetire(void *user)
{
    Flood *f = (Flood *)user;
    for (int i = 0; i < 1000; i++)
        f->scheduler->schedule(logged(f->log, i, ACTION_ENDLESS));
    app.currentAction->enabled = false;
}

TEST_F(SchedulerAdvanceTest, SelfRetiredActionLeavesAtTheNextAdvanceEvenAfterAppending)
{
    Flood flood = {&scheduler, &log};
    scheduler.now = 5000;
    scheduler.schedule(makeAction(1, ACTION_ENDLESS, floodThenRetire, &flood));
    frameAt(5016);
    EXPECT_EQ(1001u, scheduler.actions.size());
    frameAt(5032);
    ASSERT_EQ(1000u, scheduler.actions.size());  // only the retired one left
    EXPECT_EQ(0, scheduler.actions.front().i0);
    EXPECT_EQ(1000u, log.ids.size());  // every appended action ran once
    EXPECT_EQ(999, log.ids.back());
}
