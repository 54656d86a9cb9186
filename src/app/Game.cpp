#include "app/Game.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/Input.h"
#include "app/StartupScene.h"
#include "app/Switches.h"
#include "audio/Mixer.h"
#include "platform/Platform.h"
#include "puzzle/PhotoPictures.h"
#include "resources/AheadDecoding.h"
#include "resources/DeferredDecoding.h"
#include "resources/Language.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

const char GAME_CAPTION[] = "lumbrik";

void chooseLanguageAtStart(int argc, char **argv)
{
    app.pakCache.language = startLanguage(languageOption(argc, argv), environmentLocale());
}

void loadSettingsAtStart()
{
    app.settingsPath = platformSettingsPath();
    if (!app.settings)
        app.settings = new Settings;
    if (!app.settingsPath.empty())
        *app.settings = loadSettings(app.settingsPath.c_str(), &app.settingsFound);
    loadProgressAtStart(progressPathBeside(app.settingsPath));
}

void loadProgressAtStart(const std::string &path)
{
    ProgressFound found = PROGRESS_MISSING;
    app.progress = loadProgress(path.c_str(), &found);
    app.progressPath = found == PROGRESS_UNREADABLE ? std::string() : path;
}

// Without a desktop session there is nowhere to play: one line and status 1,
// before anything else starts.
static void requireDesktopSession()
{
    std::string why;
    if (platformDesktopSession(why))
        return;
    fprintf(stderr, "lumbrik: needs a desktop session to open its window (%s)\n", why.c_str());
    exit(1);
}

void openGameDisplay(int argc, char **argv)
{
    app.display = new Display;
    std::string error;
    if (!readMultisampleChoice(getenv("LUMBRIK_MULTISAMPLE"), argc, argv, app.display->multisample, error))
        fprintf(stderr, "%s\n", error.c_str());
    app.display->open(0, 0, 0);
    // Full screen already holds the keyboard; the lock asks for it outright,
    // so that the window manager's keys (Super, Alt+Tab, Alt+F4) reach the
    // game, which ignores them.
    if (app.childLock)
        SDL_WM_GrabInput(SDL_GRAB_ON);
}

// The ways to play chosen on the command line; a malformed value is named
// and the game starts without it.
//   --scan=SECONDS  the highlight steps by itself every SECONDS (0.5 to 5); any key or button chooses
//   --child-lock    keys cannot leave the game; leaving needs the exit confirm held for 2 seconds
const char CHILD_LOCK_OPTION[] = "--child-lock";

void readPlayOptions(int argc, char **argv)
{
    std::string error;
    if (!readScanOption(argc, argv, app.scan.scanMs, error))
        fprintf(stderr, "%s\n", error.c_str());
    for (int i = 1; i < argc; i++)
        app.childLock = app.childLock || strcmp(argv[i], CHILD_LOCK_OPTION) == 0;
}

void startGame(int argc, char **argv)
{
    platformKeepLargeBlocksOutOfHeap();
    requireDesktopSession();
    readPlayOptions(argc, argv);
    loadSettingsAtStart();
    startPhotoPictures(platformPhotoFolder(), platformCacheFolder());
    // The first screen's images decode on the other cores while the window opens.
    if (beginDeferredDecoding())
        prefetchFirstScreen(*app.settings);
    openGameDisplay(argc, argv);
    // No sound device is no reason to stop: the game then runs silently.
    app.mixer = new Mixer;
    app.mixer->archives = &app.pakCache;
    app.mixer->settings = app.settings;
    app.mixer->open();
    // SDL turns SIGTERM and SIGINT into a quit event, which the game ignores;
    // our own handlers make them save and close instead.
    platformInstallQuitSignals();
    SDL_WM_SetCaption(GAME_CAPTION, GAME_CAPTION);
    app.root = new SceneObject;
    buildFirstScene();
}

DecodeCounts buildFirstScene()
{
    app.frameTicks = readFrameClock(app.clock);
    // Images the scene asks for decode on the other cores while it is built;
    // all of them are in their textures before the first frame.
    beginDeferredDecoding();
    buildStartupScene();
    DecodeCounts decodes = finishDeferredDecoding();
    app.frameTicks = readFrameClock(app.clock);
    restartClocks(app.root, app.frameTicks);
    app.frameCache.awaitingFirst = true;
    return decodes;
}

bool playFrame()
{
    gatherInput();
    if (app.mixer && app.settings)
        app.mixer->syncSwitches(*app.settings);
    if (platformQuitRequested()) {
        platformClearQuitRequest();
        saveAndClose();
    }
    applySwitches();
    updatePhotoPictures();
    bool drawn = runFrame();
    finishScanFrame();
    return drawn;
}

int waitWhileIdle(uint32_t ms)
{
    int slices = 0;
    for (uint32_t waited = 0; slices == 0 || waited < ms; waited += IDLE_WAIT_MS) {
        SDL_Delay(IDLE_WAIT_MS);
        slices++;
        SDL_PumpEvents();
        SDL_Event next;
        if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0 || platformQuitRequested())
            break;
    }
    return slices;
}

void playLoopTurn()
{
    if (!playFrame())
        waitWhileIdle(IDLE_WALK_MS);
}

void shutDownGame()
{
    stopPhotoPictures();
    stopAheadDecoding();
    delete app.root;
    app.root = nullptr;
    app.gameLayer = nullptr;
    app.frameCache.release();  // its texture goes with the window
    delete app.display;
    app.display = nullptr;
}

int runGame(int argc, char **argv)
{
    startGame(argc, argv);
    while (!app.root->dead)
        playLoopTurn();
    shutDownGame();
    return 0;
}
