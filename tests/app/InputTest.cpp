// One frame's input: click latches and the consume-once key query.
#include <cstring>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Input.h"

static SDL_Event buttonEvent(Uint8 type, Uint8 button)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = type;
    e.button.type = type;
    e.button.button = button;
    return e;
}

static SDL_Event keyEvent(SDLKey sym)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.keysym.sym = sym;
    return e;
}

class InputTest : public testing::Test {
protected:
    void SetUp() override
    {
        app.leftDown = app.rightDown = app.leftLatch = app.rightLatch = false;
        beginFrameInput();
    }
};

TEST_F(InputTest, PressAndReleaseInOneFrameIsOneClickWithTheButtonUp)
{
    handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    handleEvent(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT));
    EXPECT_TRUE(app.leftClicked);
    EXPECT_FALSE(app.leftDown);
    beginFrameInput();
    EXPECT_FALSE(app.leftClicked);
}

TEST_F(InputTest, HeldButtonClicksOnceAndRepeatedDownsWithoutUpDoNot)
{
    handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    EXPECT_TRUE(app.leftClicked);
    for (int frame = 0; frame < 3; frame++) {
        beginFrameInput();
        handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
        EXPECT_FALSE(app.leftClicked);
        EXPECT_TRUE(app.leftDown);
    }
    handleEvent(buttonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT));
    beginFrameInput();
    handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    EXPECT_TRUE(app.leftClicked);
}

TEST_F(InputTest, RightButtonHasItsOwnLatchAndOtherButtonsAreIgnored)
{
    handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE));
    handleEvent(buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP));
    EXPECT_TRUE(app.rightClicked);
    EXPECT_FALSE(app.leftClicked);
    EXPECT_FALSE(app.leftDown);
}

TEST_F(InputTest, OnlyTheLaterOfTwoKeysCanBeReadAndOnlyByTheFirstReader)
{
    handleEvent(keyEvent(SDLK_LEFT));
    handleEvent(keyEvent(SDLK_ESCAPE));
    EXPECT_FALSE(keyPressed(SDLK_LEFT));
    EXPECT_TRUE(keyPressed(SDLK_ESCAPE));
    EXPECT_FALSE(keyPressed(SDLK_ESCAPE));
    beginFrameInput();
    EXPECT_FALSE(keyPressed(SDLK_ESCAPE));
}

TEST_F(InputTest, WindowCloseRequestChangesNothing)
{
    SDL_Event quit;
    memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    app.mouseX = 12;
    handleEvent(quit);
    EXPECT_FALSE(app.keyPending);
    EXPECT_FALSE(app.leftClicked);
    EXPECT_EQ(12, app.mouseX);
}

TEST_F(InputTest, MotionSetsThePositionAndButtonEventsDoNot)
{
    SDL_Event motion;
    memset(&motion, 0, sizeof motion);
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 1919;
    motion.motion.y = 1079;
    handleEvent(motion);
    SDL_Event down = buttonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    down.button.x = 3;
    down.button.y = 4;
    handleEvent(down);
    EXPECT_EQ(1919, app.mouseX);
    EXPECT_EQ(1079, app.mouseY);
}
