#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "scene/ActionScript.h"
#include "scene/Scheduler.h"

static void countCall(void *user)
{
    (*(int *)user)++;
}

class ActionScriptTest : public testing::Test {
protected:
    void SetUp() override
    {
        app.frameTicks = 100;
        scheduler.now = 100;
        script.scheduler = &scheduler;
    }
    void frame()
    {
        app.frameTicks += 16;
        scheduler.advance(app.frameTicks, app.currentAction);
    }
    Scheduler scheduler;
    ActionScript script;
    int calls = 0;
};

TEST_F(ActionScriptTest, TriggeringAStepTwiceRunsTwoIndependentCopies)
{
    script.addStep();
    script.addStep();
    int step = script.addStep();
    ASSERT_EQ(2, step);
    script.addAction(makeAction(1, ACTION_ENDLESS, countCall, &calls));
    script.trigger(2);
    script.trigger(2);
    frame();
    EXPECT_EQ(2, calls);
    EXPECT_EQ(2u, scheduler.actions.size());
    EXPECT_EQ(&scheduler.offsetTransform, scheduler.actions[0].offset);
}

static void addI0(void *user)
{
    (*(int *)user) += app.currentAction->i0;
}

TEST_F(ActionScriptTest, StepAddedWithItsActionBecomesCurrentAndKeepsTheParameter)
{
    script.addStep(makeAction(1, ACTION_ONE_SHOT, addI0, &calls, 10));
    int step = script.addStep(makeAction(1, ACTION_ONE_SHOT, addI0, &calls, 100));
    ASSERT_EQ(1, step);
    script.addAction(makeAction(1, ACTION_ONE_SHOT, addI0, &calls, 1000));  // joins step 1, not 0
    script.trigger(step);
    frame();
    EXPECT_EQ(1100, calls);
    script.trigger(0);
    frame();
    EXPECT_EQ(1110, calls);
}

TEST_F(ActionScriptTest, ActionAddedAfterTriggerRunsOnlyWhenTriggeredAgain)
{
    script.addStep();
    script.addAction(makeAction(1, ACTION_ONE_SHOT, countCall, &calls));
    script.trigger(0);
    script.addAction(makeAction(1, ACTION_ONE_SHOT, countCall, &calls));
    frame();
    EXPECT_EQ(1, calls);
    script.trigger(0);
    frame();
    EXPECT_EQ(3, calls);
}

TEST_F(ActionScriptTest, EmptyUnknownAndDisabledStepsDoNothing)
{
    script.trigger(0);  // before any step
    script.addAction(makeAction(1, ACTION_ENDLESS, countCall, &calls));  // no current step: ignored
    script.addStep();
    script.trigger(0);
    script.trigger(5);
    script.trigger(-1);
    EXPECT_TRUE(scheduler.actions.empty());
    script.addStep();
    script.addAction(makeAction(1, ACTION_ENDLESS, countCall, &calls));
    script.steps[1].enabled = 0;
    script.trigger(1);
    EXPECT_TRUE(scheduler.actions.empty());
}

TEST_F(ActionScriptTest, SelectStepRefusesDisabledStepsAndKeepsTheCurrentOne)
{
    script.addStep();
    script.addStep();
    script.steps[0].enabled = 0;
    EXPECT_FALSE(script.selectStep(0));
    EXPECT_EQ(1, script.currentStep);
    EXPECT_FALSE(script.selectStep(9));
    EXPECT_TRUE(script.selectStep(1));
}

TEST_F(ActionScriptTest, TogglesActOnActionsScheduledInTheSameTrigger)
{
    script.addStep();
    script.addAction(makeAction(4, ACTION_ENDLESS, countCall, &calls));
    script.addToggle(4, TOGGLE_DISABLE);
    script.trigger(0);
    frame();
    EXPECT_EQ(0, calls);
    script.addStep();
    script.addToggle(4, TOGGLE_ENABLE);
    script.trigger(1);
    frame();
    EXPECT_EQ(1, calls);
    script.addStep();
    script.addToggle(4, TOGGLE_STOP);
    script.addToggle(4, 99);  // unknown kinds are ignored
    script.trigger(2);
    frame();  // stopped between frames: removed before it could run again
    EXPECT_EQ(1, calls);
    EXPECT_TRUE(scheduler.actions.empty());
}

TEST_F(ActionScriptTest, ChainsTriggerOtherScriptsDepthFirst)
{
    Scheduler otherScheduler;
    otherScheduler.now = 100;
    ActionScript other;
    other.scheduler = &otherScheduler;
    int otherCalls = 0;
    other.addStep();
    other.addStep();
    other.addAction(makeAction(1, ACTION_ENDLESS, countCall, &otherCalls));
    script.addStep();
    script.addChain(&other, 1);
    script.trigger(0);
    EXPECT_TRUE(scheduler.actions.empty());
    EXPECT_EQ(1u, otherScheduler.actions.size());
}

TEST(ActionBuilderTest, CallbackFormsSetOnlyTheirParameters)
{
    int user = 0;
    Action a;
    a.setTiming(3, false, 0);
    EXPECT_TRUE(a.endless);
    EXPECT_FALSE(a.enabled);
    a.setCallback(countCall, &user, 1, 2, 3, 4.0, 5.0, 6.0);
    a.setCallback(countCall, 7, 8.0, 9.0, 10.0);
    EXPECT_EQ(nullptr, a.userData);
    EXPECT_EQ(7, a.i0);
    EXPECT_EQ(2, a.i1);  // untouched
    EXPECT_EQ(3, a.i2);
    EXPECT_EQ(8.0, a.d0);
    a.setCallback(countCall, &user);
    EXPECT_EQ(0, a.i0);
    EXPECT_EQ(0.0, a.d2);
    a.setTiming(1, true, 1400);
    EXPECT_FALSE(a.endless);
    EXPECT_EQ(1400, a.duration);
    EXPECT_EQ(0, a.elapsed);
}
