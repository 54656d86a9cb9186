#include "app/Game.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/Input.h"
#include "app/StartupScene.h"
#include "audio/Mixer.h"
#include "platform/Platform.h"
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
}

void openGameDisplay(int argc, char **argv)
{
    app.display = new Display;
    std::string error;
    if (!readMultisampleChoice(getenv("LUMBRIK_MULTISAMPLE"), argc, argv, app.display->multisample, error))
        fprintf(stderr, "%s\n", error.c_str());
    app.display->open(0, 0, 0);
}

void startGame(int argc, char **argv)
{
    loadSettingsAtStart();
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
    return runFrame();
}

void playLoopTurn()
{
    if (!playFrame())
        SDL_Delay(IDLE_WAIT_MS);
}

void shutDownGame()
{
    delete app.root;
    app.root = nullptr;
    app.gameLayer = nullptr;
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
