// The one process-wide record that every module reads: window, archives,
// frame clock and input of the current frame, the scene root and settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/FrameCache.h"
#include "app/FrameClock.h"
#include "app/Picker.h"
#include "app/Switches.h"
#include "platform/ProcessWatch.h"
#include "puzzle/PuzzleBoard.h"
#include "resources/GeneratedTexture.h"
#include "resources/MeshQueue.h"
#include "resources/PakCache.h"
#include "resources/Progress.h"
#include "resources/Settings.h"

struct Display;
struct Mesh;
struct SceneObject;
struct Action;
struct Mixer;

// Invariant: frameTicks changes only at the start of a frame; the one-frame
// flags (leftClicked, rightClicked, keyPending) hold for exactly one frame.
struct App {
    Display *display = nullptr;  // Owns (from start-up to shut-down)
    PakCache pakCache;
    GeneratedTextureRegistry generatedTextures;
    MeshQueue opaqueQueue;       // this frame's opaque meshes, drawn after the tree
    MeshQueue transparentQueue;  // this frame's blended meshes, drawn after the opaque ones
    Action *currentAction = nullptr;       // Borrowed: the action whose callback runs
    SceneObject *currentObject = nullptr;  // Borrowed: the object being drawn
    uint32_t frameTicks = 0;               // ms, taken once at the start of each frame
    FrameClock clock;
    Picker picker;
    FrameCache frameCache;       // the picture on screen, for frames where little changed

    int32_t mouseX = 0, mouseY = 0;  // window pixels, origin top left
    int32_t pickX = -1, pickY = -1;  // where the last pick looked (-1: no pick yet)
    uint64_t shownFrame = 0;    // digest of what is on screen and picked; 0: must draw
    uint32_t meshChanges = 0;   // meshes loaded or freed so far
    bool leftDown = false, rightDown = false;
    bool leftClicked = false, rightClicked = false;  // pressed during this frame
    bool leftLatch = false, rightLatch = false;      // press reported, not yet released
    bool keyPending = false;   // a key went down during this frame
    bool keyConsumed = false;  // ... and a reader has taken it
    bool returnDown = false;   // Return is held (down seen, up not yet)
    SDL_KeyboardEvent keyEvent = {};
    SwitchScan scan;           // play by keys and switches, forgiving aim
    bool childLock = false;    // --child-lock: keys cannot leave; leaving needs a held confirm

    SceneObject *root = nullptr;      // Owns: the scene tree
    Settings *settings = nullptr;     // Owns
    SceneObject *gameLayer = nullptr; // Borrowed: a child of root
    std::string settingsPath;
    SettingsFound settingsFound = SETTINGS_MISSING;  // what start-up found at settingsPath
    Progress progress;         // pieces at home of every picture in progress
    std::string progressPath;  // empty: progress is not written (none found, or not ours to write over)
    Mixer *mixer = nullptr;           // Owns (never freed: the process ends with it)

    // The puzzle screen.
    PuzzleBoard board;
    SceneObject *playField = nullptr;  // Borrowed: frame, picture buttons and board
    SceneObject *panel = nullptr;      // Borrowed: the panel under gameLayer

    // The screen stack of menus and dialogs.
    SceneObject *topScreen = nullptr;   // Borrowed: innermost open screen, or null
    SceneObject *screenRoot = nullptr;  // Borrowed: base of the stack while open
    SceneObject *blocker = nullptr;     // Borrowed: takes the pointer behind menus
    bool onTopScreen = false;  // the draw is inside the top screen this frame
    bool closeBelow = false;   // a confirmed dialog asks the screen beneath to close

    // The web page the grown-ups' dialog asks about, and its opener once started.
    std::string linkUrl;
    ChildProcess linkProcess;

    App();
};

extern App app;

// Writes the settings file (never over one that start-up could not read) and
// the progress file, and starts closing the root; the loop ends some frames
// later. The single way the game ends.
void saveAndClose();
// Writes the progress file at progressPath, when there is one.
void saveProgressNow();
// True (and the key taken) when this frame's pending key is `sym` and no
// reader has taken it yet; false and nothing changed otherwise.
bool keyPressed(SDLKey sym);
