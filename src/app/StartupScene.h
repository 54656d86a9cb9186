// The scene built once at start: background, the game's own cursor and the
// close button. Escape or a click on the close button ends the game.
#pragma once

#include <cstdint>

// Distance from the eye of the plane the cursor moves in (scene units).
const double CURSOR_DISTANCE = 26.0;

// Builds the start-up scene under App::root.
void buildStartupScene();
// Per-frame action of the cursor: places it under the system pointer.
void followMouse(void *userData);
