#include "app/Input.h"

#include "app/App.h"
#include "app/Switches.h"

void beginFrameInput()
{
    app.keyPending = false;
    app.leftClicked = false;
    app.rightClicked = false;
}

static void pressButton(bool &down, bool &clicked, bool &latch)
{
    down = true;
    if (!latch)
        clicked = latch = true;
}

static void handleButtonDown(const SDL_MouseButtonEvent &e)
{
    if (e.button == SDL_BUTTON_LEFT)
        pressButton(app.leftDown, app.leftClicked, app.leftLatch);
    else if (e.button == SDL_BUTTON_RIGHT)
        pressButton(app.rightDown, app.rightClicked, app.rightLatch);
}

static void handleButtonUp(const SDL_MouseButtonEvent &e)
{
    if (e.button == SDL_BUTTON_LEFT)
        app.leftDown = app.leftLatch = false;
    else if (e.button == SDL_BUTTON_RIGHT)
        app.rightDown = app.rightLatch = false;
}

void handleEvent(const SDL_Event &event)
{
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
        handleButtonDown(event.button);
        break;
    case SDL_MOUSEBUTTONUP:
        handleButtonUp(event.button);
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.x != app.mouseX || event.motion.y != app.mouseY)
            hideScanHighlight();
        app.mouseX = event.motion.x;
        app.mouseY = event.motion.y;
        break;
    case SDL_KEYDOWN:
        app.keyPending = true;
        app.keyConsumed = false;
        app.keyEvent = event.key;
        if (event.key.keysym.sym == SDLK_RETURN)
            app.returnDown = true;
        break;
    case SDL_KEYUP:
        if (event.key.keysym.sym == SDLK_RETURN)
            app.returnDown = false;
        break;
    case SDL_ACTIVEEVENT:
        // Without the keyboard no key-up would tell that Return was let go.
        if ((event.active.state & SDL_APPINPUTFOCUS) && !event.active.gain)
            app.returnDown = false;
        app.shownFrame = 0;  // the window's picture may be lost: draw it again
        break;
    case SDL_VIDEOEXPOSE:
        app.shownFrame = 0;
        break;
    default:
        break;  // SDL_QUIT included: closing the window does not end the game
    }
}

bool pressWaitsForPick(const SDL_Event &event)
{
    if (event.type != SDL_MOUSEBUTTONDOWN)
        return false;
    if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT)
        return false;
    return app.mouseX != app.pickX || app.mouseY != app.pickY;
}

bool keyWaitsForNextFrame(const SDL_Event &event)
{
    return event.type == SDL_KEYDOWN && app.keyPending;
}

// A move and a press that reach us in the same frame (a slow frame rate) would
// otherwise be judged against the pick at the old position and the click lost.
// Leaving the press queued lets this frame's pick look at the new position;
// the next frame takes the press, then the rest, in their order.
void gatherInput()
{
    beginFrameInput();
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0) {
        if (pressWaitsForPick(event) || keyWaitsForNextFrame(event))
            break;
        SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS);
        handleEvent(event);
    }
}
