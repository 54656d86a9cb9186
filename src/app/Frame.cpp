#include "app/Frame.h"

#include <cstring>

#include <SDL.h>

#include "app/App.h"
#include "app/FrameCache.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"

static void (*drawnObserver)(void *) = nullptr;
static void *drawnObserverUser = nullptr;

void observeDrawnFrames(void (*drawn)(void *user), void *user)
{
    drawnObserver = drawn;
    drawnObserverUser = user;
}

void drawQueuedMeshes(const ScreenBox *only)
{
    app.opaqueQueue.draw(false, only);
    glDepthMask(GL_FALSE);
    app.transparentQueue.draw(true, only);
    glDepthMask(GL_TRUE);
}

// The tree walk: runs every object's actions and queues its meshes.
static void walkScene()
{
    glLoadIdentity();
    glTranslatef(0, 0, -100);  // the eye sits 100 units in front of z = 0
    if (app.root)
        app.root->draw();
}

void drawScene()
{
    app.frameTicks = readFrameClock(app.clock);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    walkScene();
    drawQueuedMeshes();
}

// FNV-1a over 64-bit words, with a shift so that high bits reach low ones.
static uint64_t mixWord(uint64_t h, uint64_t word)
{
    h ^= word;
    h *= 0x100000001b3ULL;
    return h ^ (h >> 29);
}

static uint64_t mixBytes(uint64_t h, const void *data, size_t size)
{
    const unsigned char *p = (const unsigned char *)data;
    for (; size >= 8; p += 8, size -= 8) {
        uint64_t word;
        memcpy(&word, p, 8);
        h = mixWord(h, word);
    }
    uint64_t rest = 0;
    memcpy(&rest, p, size);
    return mixWord(h, rest ^ (uint64_t)size << 56);
}

static uint64_t mixQueue(uint64_t h, const MeshQueue &queue)
{
    for (const QueuedMesh &e : queue.entries) {
        h = mixWord(h, (uint64_t)(uintptr_t)e.mesh << 32 ^ e.mesh->textureId);
        h = mixBytes(h, e.mesh->modelView, sizeof e.mesh->modelView);
        h = mixBytes(h, e.colour, sizeof e.colour);
        h = mixWord(h, (uint64_t)e.depthTest << 8 | e.lights);
    }
    return mixWord(h, queue.entries.size());
}

uint64_t frameDigest()
{
    uint64_t h = 0xcbf29ce484222325ULL;
    h = mixQueue(h, app.opaqueQueue);
    h = mixQueue(h, app.transparentQueue);
    for (SceneObject *object : app.picker.pickables)
        h = mixWord(h, (uint64_t)(uintptr_t)object);
    h = mixWord(h, app.picker.pickables.size());
    h = mixWord(h, app.meshChanges);
    return h | 1;  // never 0, which stands for "nothing shown"
}

bool drawFrame()
{
    app.frameTicks = readFrameClock(app.clock);
    walkScene();
    uint64_t digest = frameDigest();
    bool pickCurrent = app.pickX == app.mouseX && app.pickY == app.mouseY;
    if (digest == app.shownFrame && pickCurrent) {
        app.opaqueQueue.clear();
        app.transparentQueue.clear();
        app.picker.pickables.clear();
        return false;
    }
    app.shownFrame = digest;
    drawFrameFromCache(app.frameCache);
    if (drawnObserver)
        drawnObserver(drawnObserverUser);
    return true;
}

void pickFrame()
{
    app.picker.pick();
    app.pickX = app.mouseX;
    app.pickY = app.mouseY;
}

bool runFrame()
{
    if (!drawFrame())
        return false;
    SDL_GL_SwapBuffers();
    pickFrame();
    return true;
}
