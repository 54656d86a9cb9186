// Gathers one frame's input into App: mouse position, buttons with their
// click latches, and the frame's last key-down.
#pragma once

#include <SDL.h>

// Clears the one-frame flags (clicks, pending key).
void beginFrameInput();
// Applies one event; window-manager quit requests are ignored by design.
void handleEvent(const SDL_Event &event);
// beginFrameInput, then every pending SDL event.
void gatherInput();
