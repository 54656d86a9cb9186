// The entry routine's pieces: start-up, one turn of the main loop, shut-down.
#pragma once

#include <cstdint>
#include <string>

#include "resources/DeferredDecoding.h"

// While nothing moves the loop looks for input every IDLE_WAIT_MS but walks
// the tree (runs the actions) only every IDLE_WALK_MS: on a software
// rasterizer's machine even a walk without a draw costs about 1% of a core
// at 100 a second. Input ends the wait within IDLE_WAIT_MS; a change an
// action makes by itself on a still screen shows at most IDLE_WALK_MS late.
const uint32_t IDLE_WAIT_MS = 10;
const uint32_t IDLE_WALK_MS = 50;

// Caption of the window, also its icon title.
extern const char GAME_CAPTION[];

// The language of the game's words, from --language=CODE or the locale, set
// on the archive cache before any archive opens (resources/Language.h).
void chooseLanguageAtStart(int argc, char **argv);
// Settings path and settings, and what was found there; defaults unless a
// file was read and understood. Then the progress beside them.
void loadSettingsAtStart();
// The pictures in progress stored at `path` (a damaged or foreign file kept
// aside); App::progressPath is `path`, or empty when the file there must not
// be written over.
void loadProgressAtStart(const std::string &path);
// Creates and opens App::display with the multisampling that
// LUMBRIK_MULTISAMPLE and --multisample=on|off ask for (a malformed value is
// reported on stderr and ignored). A video failure ends the process with status 1.
void openGameDisplay(int argc, char **argv);
// Everything before the main loop: settings, window, signals, caption, root,
// start-up scene. A video failure ends the process with status 1.
void startGame(int argc, char **argv);
// Builds the start-up scene under a new root and starts every object's
// clock now, so the first frame does not swallow the start-up time. Every
// image it shows is in its texture on return. Returns how the start-up's
// image decoding went (decoding deferred by startGame ends here).
DecodeCounts buildFirstScene();
// One frame of the main loop: input, quit signals, runFrame. True when the
// frame was drawn, false when it would have shown the same as the last.
bool playFrame();
// One turn of the main loop: playFrame, then waitWhileIdle when nothing was
// drawn, so that a game left alone does not keep the processor busy.
void playLoopTurn();
// Sleeps in IDLE_WAIT_MS slices, up to `ms` in all, until an event is queued
// or a quit signal came. Returns the slices slept (at least 1).
int waitWhileIdle(uint32_t ms);
// Frees the scene tree and the window (which ends SDL).
void shutDownGame();
// The whole program; returns the exit status (0 after a normal shut-down).
int runGame(int argc, char **argv);
