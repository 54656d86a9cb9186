// Starts the real game scene under test (the real start-up scene, archives
// from the build's data folder) and plays it as a child would: clicks on
// objects through the real pick, keys, and the audio drained as the sound
// card would drain it.
#pragma once

#include <cstdint>
#include <string>

#include "resources/DeferredDecoding.h"
#include "resources/Progress.h"
#include "resources/Settings.h"
#include "support/GameRig.h"

struct SceneObject;
struct Mixer;

// Tool-bar buttons: children of the root, in the order the start-up scene
// adds them after the background, the game layer and the cursor.
enum ToolButton { TOOL_CLOSE = 3, TOOL_VIEW, TOOL_BREAK, TOOL_MENU, TOOL_GET_PUZZ, TOOL_HELP };

// Main menu items: children of its screen, in their order on the screen.
enum MenuItem {
    MENU_BACKGROUND, MENU_BAND, MENU_SIZE, MENU_SOUND, MENU_MUSIC, MENU_CLOSE,
    MENU_ABOUT, MENU_VISIT, MENU_BREAK, MENU_REC1, MENU_REC2, MENU_REC3
};

// A fresh game with these settings and pictures in progress (none written),
// a mixer without a device (its channels work; drainAudio plays them out)
// and the hand-stepped clock. Returns how its start-up images were decoded.
DecodeCounts startScenario(ManualClock &clock, const Settings &settings, const Progress &progress = Progress());
// Frees the scene and the mixer; restores the real clock.
void endScenario();
// Frames of stepMs each, draining the audio as it would play meanwhile.
void playScenario(int frames, uint32_t stepMs = 16);
// Frames played through playScenario since the program started.
long scenarioFramesPlayed();
// Moves the pointer onto a visible part of the object (trying its triangles
// until the pick says it is under the pointer); false when none is.
bool hoverOn(const SceneObject *object);
// hoverOn, also giving the window pixel where the pick found the object.
bool pointOn(const SceneObject *object, int &x, int &y);
// A move to (x, y), a left press and its release reaching the game in one
// frame, as a slow frame rate delivers them; plays that frame.
void moveAndClick(int x, int y);
// hoverOn, then a left click read in the next frame.
bool clickOn(const SceneObject *object);
// Presses a key and plays the frame that reads it.
void pressKey(SDLKey sym);
// Plays out `ms` of audio from the mixer's channels, as the device would.
void drainAudio(uint32_t ms);
// Channels currently playing the clip loaded under `name` (0 when none).
int channelsPlaying(const char *name);
// Piece n (1-based) of the board in play, and its outline.
SceneObject *pieceObject(int n);
SceneObject *placeObject(int n);
// True when the object's model came from this archive and entry.
bool showsImage(const SceneObject *object, const std::string &archive);
