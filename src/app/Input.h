// Gathers one frame's input into App: mouse position, buttons with their
// click latches, and the frame's last key-down.
#pragma once

#include <SDL.h>

// Clears the one-frame flags (clicks, pending key).
void beginFrameInput();
// Applies one event; window-manager quit requests are deliberately ignored.
void handleEvent(const SDL_Event &event);
// True for a button press that must wait for the next frame: the pointer is
// no longer where the last pick looked, so that pick cannot judge the press.
bool pressWaitsForPick(const SDL_Event &event);
// True for a key-down in a frame that already has one: a frame reads one key,
// so a second (two switches pressed in one slow frame) waits for the next.
bool keyWaitsForNextFrame(const SDL_Event &event);
// beginFrameInput, then the pending SDL events up to a press that waits for
// the pick or a second key-down; that event and everything after it stay
// queued for the next frame.
void gatherInput();
