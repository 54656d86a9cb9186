// The hold-to-confirm button played through the real game: a press or Return
// held for two seconds confirms once while the ring fills; anything else in
// between empties the ring and starts the hold again.
#include <gtest/gtest.h>

#include "app/App.h"
#include "menus/HoldConfirm.h"
#include "menus/Screen.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"

static int confirmations = 0;

static void countConfirmation(void *user)
{
    confirmations++;
    EXPECT_EQ(&confirmations, user);
}

class HoldConfirmTest : public testing::Test {
protected:
    void SetUp() override
    {
        Settings s;
        s.showWelcome = 0;
        startScenario(clock, s);
        playScenario(16, 50);
        confirmations = 0;
        beginScreen();
        button = makeScreenItem("web_menu.pak", "ok", 0, 0, true);
        giveHoldConfirm(button, countConfirmation, &confirmations);
        app.topScreen->addChild(button);
        playScenario(16, 50);
        ASSERT_TRUE(hoverOn(button));
    }
    void TearDown() override
    {
        pushButton(SDL_BUTTON_LEFT, false);
        pushKeyUp(SDLK_RETURN);
        playScenario(1);
        endScenario();
    }
    // Ring parts drawn in the filled tint (green over red).
    int litParts()
    {
        int lit = 0;
        for (SceneObject *part : button->children)
            if (!part->meshes.empty() && part->meshes[0]->colour[1] > part->meshes[0]->colour[0])
                lit++;
        return lit;
    }
    void press() { pushButton(SDL_BUTTON_LEFT, true); }
    ManualClock clock;
    SceneObject *button = nullptr;
};

TEST_F(HoldConfirmTest, PressHeldTwoSecondsConfirmsOnceWhileTheRingFills)
{
    ASSERT_EQ(HOLD_RING_PARTS, (int)button->children.size());
    EXPECT_EQ(0, litParts());
    press();
    playScenario(11, 100);  // the press frame, then 1000 ms held
    EXPECT_NEAR(0.5, holdProgress(button), 0.01);
    EXPECT_EQ(HOLD_RING_PARTS / 2, litParts());
    EXPECT_EQ(0, confirmations);
    playScenario(9, 100);
    EXPECT_EQ(0, confirmations);  // 1900 ms: not yet
    playScenario(2, 100);
    EXPECT_EQ(1, confirmations);
    playScenario(30, 100);  // held on: no second confirmation
    EXPECT_EQ(1, confirmations);
}

TEST_F(HoldConfirmTest, ReturnHeldTwoSecondsConfirmsAndAReleaseBeforeDoesNot)
{
    pushKey(SDLK_RETURN);
    playScenario(16, 100);
    pushKeyUp(SDLK_RETURN);
    playScenario(1, 100);
    EXPECT_EQ(0, holdProgress(button));
    EXPECT_EQ(0, litParts());
    playScenario(10, 100);
    EXPECT_EQ(0, confirmations);
    pushKey(SDLK_RETURN);
    playScenario(22, 100);
    EXPECT_EQ(1, confirmations);
}

// Something that is not the hold, queued while it is under way.
struct Interruption {
    const char *name;
    void (*happen)(HoldConfirmTest *);
};

TEST_F(HoldConfirmTest, AnyOtherInputEmptiesTheRingAndStartsTheHoldAgain)
{
    const Interruption interruptions[] = {
        {"left button let go", [](HoldConfirmTest *) { pushButton(SDL_BUTTON_LEFT, false); }},
        {"another key", [](HoldConfirmTest *) { pushKey(SDLK_SPACE); }},
        {"right button", [](HoldConfirmTest *) {
             pushButton(SDL_BUTTON_RIGHT, true);
             pushButton(SDL_BUTTON_RIGHT, false);
         }},
        {"pointer leaves", [](HoldConfirmTest *) { pushMotion(2, 2); }},
    };
    for (const Interruption &i : interruptions) {
        SCOPED_TRACE(i.name);
        ASSERT_TRUE(hoverOn(button));
        press();
        playScenario(16, 100);
        ASSERT_GT(holdProgress(button), 0.7);
        i.happen(this);
        playScenario(2, 100);
        EXPECT_EQ(0, holdProgress(button));
        EXPECT_EQ(0, litParts());
        playScenario(10, 100);  // the first hold would have ended long ago
        EXPECT_EQ(0, confirmations);
        pushButton(SDL_BUTTON_LEFT, false);
        playScenario(1, 100);
    }
}

TEST_F(HoldConfirmTest, QuickClicksAndKeyMashingNeverConfirm)
{
    for (int i = 0; i < 40; i++) {
        press();
        playScenario(1, 60);
        pushButton(SDL_BUTTON_LEFT, false);
        pushKey(i % 2 ? SDLK_RETURN : SDLK_a);
        pushKeyUp(SDLK_RETURN);
        playScenario(1, 60);
    }
    EXPECT_EQ(0, confirmations);
}
