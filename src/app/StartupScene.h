// The scene built once at start: the music, the background, the game layer
// with its panel, the game's own cursor, the tool bar, then the welcome
// screen (first run) or the puzzle.
#pragma once

#include <cstdint>

// Distance from the eye of the plane the cursor moves in (scene units).
const double CURSOR_DISTANCE = 26.0;

// Builds the start-up scene under App::root.
void buildStartupScene();
// Per-frame action of the cursor: places it under the system pointer.
void followMouse(void *userData);
