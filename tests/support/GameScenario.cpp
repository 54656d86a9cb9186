#include "support/GameScenario.h"

#include <cstring>
#include <vector>

#include "app/App.h"
#include "app/Game.h"
#include "audio/Mixer.h"
#include "resources/AheadDecoding.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"

static Settings scenarioSettings;

DecodeCounts startScenario(ManualClock &clock, const Settings &settings, const Progress &progress)
{
    resetScene();
    useManualClock(&clock);
    scenarioSettings = settings;
    app.settings = &scenarioSettings;
    app.settingsPath.clear();
    app.settingsFound = SETTINGS_MISSING;
    app.progress = progress;
    app.progressPath.clear();
    app.board = PuzzleBoard();
    app.playField = app.panel = nullptr;
    app.topScreen = app.screenRoot = app.blocker = nullptr;
    app.onTopScreen = app.closeBelow = false;
    app.mixer = new Mixer;  // never opened: channels fill, drainAudio empties them
    app.mixer->archives = &app.pakCache;
    app.mixer->settings = &scenarioSettings;
    app.mixer->syncSwitches(scenarioSettings);
    return buildFirstScene();
}

void endScenario()
{
    stopAheadDecoding();
    resetScene();
    delete app.mixer;
    app.mixer = nullptr;
    app.settings = nullptr;
    app.progress = Progress();
    app.progressPath.clear();
    app.playField = app.panel = nullptr;
    app.topScreen = app.screenRoot = app.blocker = nullptr;
    app.board = PuzzleBoard();
    useManualClock(nullptr);
}

void drainAudio(uint32_t ms)
{
    if (!app.mixer)
        return;
    static std::vector<Uint8> buffer;
    buffer.assign((size_t)ms * SOUND_DEVICE_RATE / 1000 * SOUND_FRAME_BYTES, 0);
    mixChannels(app.mixer->channels, app.mixer->musicOn.load(), buffer.data(), (int)buffer.size());
}

static long framesPlayed = 0;

void playScenario(int frames, uint32_t stepMs)
{
    for (int i = 0; i < frames; i++) {
        playFrames(1, stepMs);
        drainAudio(stepMs);
        framesPlayed++;
    }
}

long scenarioFramesPlayed()
{
    return framesPlayed;
}

// Centre of triangle t of the object's first mesh, in window pixels.
static bool triangleCentre(const SceneObject *object, int t, int &x, int &y)
{
    const Mesh *mesh = object->meshes[0];
    double c[3] = {0, 0, 0};
    for (int v = 0; v < 3; v++)
        for (int k = 0; k < 3; k++) {
            double value;
            memcpy(&value, mesh->vertices + ((size_t)(t * 3 + v) * 3 + k) * 8, 8);
            c[k] += value / 3;
        }
    return projectToWindow(mesh, c, x, y);
}

bool pointOn(const SceneObject *object, int &x, int &y)
{
    if (!object || object->meshCount == 0)
        return false;
    int triangles = object->meshes[0]->triangleCount;
    // Large shapes have small triangles along their edges: step through them all.
    for (int t = 0; t < triangles; t++) {
        if (!triangleCentre(object, t, x, y))
            continue;
        pushMotion(x, y);
        playScenario(1);
        if (app.picker.hovered == object)
            return true;
    }
    return false;
}

bool hoverOn(const SceneObject *object)
{
    int x, y;
    return pointOn(object, x, y);
}

void moveAndClick(int x, int y)
{
    pushMotion(x, y);
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playScenario(1);
}

bool clickOn(const SceneObject *object)
{
    if (!hoverOn(object))
        return false;
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playScenario(1);
    return true;
}

void pressKey(SDLKey sym)
{
    pushKey(sym);
    playScenario(1);
}

int channelsPlaying(const char *name)
{
    if (!app.mixer)
        return 0;
    int clip = app.mixer->findClip(name);
    if (clip < 0)
        return 0;
    int count = 0;
    for (const MixerChannel &c : app.mixer->channels)
        if (c.data == app.mixer->clips[clip].clip->buffer && !mixerChannelFree(c))
            count++;
    return count;
}

// Board children: the board image, then piece 1, outline 1, piece 2, ...
SceneObject *pieceObject(int n)
{
    SceneObject *board = app.board.boardObject;
    size_t i = 1 + 2 * (size_t)(n - 1);
    return board && i < board->children.size() ? board->children[i] : nullptr;
}

SceneObject *placeObject(int n)
{
    SceneObject *board = app.board.boardObject;
    size_t i = 2 + 2 * (size_t)(n - 1);
    return board && i < board->children.size() ? board->children[i] : nullptr;
}

bool showsImage(const SceneObject *object, const std::string &archive)
{
    if (!object)
        return false;
    for (const std::string &a : object->archives)
        if (a == archive)
            return object->meshCount > 0;
    return false;
}
