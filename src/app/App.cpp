#include "app/App.h"

#include <cstdlib>
#include <ctime>

#include "resources/Settings.h"
#include "scene/SceneObject.h"

App::App()
{
    // Queue capacity is reused frame after frame.
    opaqueQueue.entries.reserve(256);
    transparentQueue.entries.reserve(256);
}

// The scatter of the puzzle pieces draws from rand(); every run differs.
static struct SeedRandom {
    SeedRandom() { srand((unsigned)time(nullptr)); }
} seedRandom;

App app;

void saveProgressNow()
{
    if (!app.progressPath.empty())
        saveProgress(app.progress, app.progressPath.c_str());
}

void saveAndClose()
{
    if (app.settings && !app.settingsPath.empty())
        saveLoadedSettings(*app.settings, app.settingsPath.c_str(), app.settingsFound);
    saveProgressNow();
    if (app.root)
        app.root->close();
}

bool keyPressed(SDLKey sym)
{
    if (!app.keyPending || app.keyConsumed || app.keyEvent.keysym.sym != sym)
        return false;
    app.keyConsumed = true;
    return true;
}
