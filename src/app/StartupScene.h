// The scene built once at start: the music, the background, the game layer
// with its panel, the game's own cursor, the tool bar, then the welcome
// screen (first run) or the puzzle.
#pragma once

#include <cstdint>

// Distance from the eye of the plane the cursor moves in (scene units).
const double CURSOR_DISTANCE = 26.0;

struct Settings;

// While decoding is deferred, names the archive images the first screen will
// show with these settings, so that they decode while the window opens. Only
// speed depends on the list being right: any image it misses is decoded when
// asked for, and one it names in vain is dropped.
void prefetchFirstScreen(const Settings &settings);
// Builds the start-up scene under App::root.
void buildStartupScene();
// Per-frame action of the cursor: places it under the system pointer.
void followMouse(void *userData);
// Per-frame action of each tool-bar button: dimmed while a screen is open
// (the blocker takes its clicks), at full brightness otherwise.
void dimWhileScreenOpen(void *userData);
