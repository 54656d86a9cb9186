#include "support/GameRig.h"

#include <cstring>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/GL.h"
#include "app/Game.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"

static uint32_t readManualClock(void *user)
{
    return ((ManualClock *)user)->now;
}

static ManualClock *rigClock = nullptr;

void useManualClock(ManualClock *clock)
{
    rigClock = clock;
    app.clock.source = clock ? readManualClock : nullptr;
    app.clock.user = clock;
}

void resetScene()
{
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    destroyTree(app.root);
    app.root = new SceneObject;
    app.gameLayer = nullptr;
    app.picker.pickables.clear();
    app.picker.candidates.clear();
    app.picker.hovered = nullptr;
    app.opaqueQueue.clear();
    app.transparentQueue.clear();
    app.mouseX = app.mouseY = 0;
    app.pickX = app.pickY = -1;
    app.frameCache.forget();  // its draws name meshes of the old tree
    app.leftDown = app.rightDown = app.leftLatch = app.rightLatch = false;
    app.leftClicked = app.rightClicked = app.keyPending = app.keyConsumed = false;
    app.scan = SwitchScan();
    app.returnDown = false;
}

void playFrames(int count, uint32_t stepMs)
{
    for (int i = 0; i < count; i++) {
        if (rigClock)
            rigClock->now += stepMs;
        playFrame();
    }
}

void pushMotion(int x, int y)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = (Uint16)x;
    e.motion.y = (Uint16)y;
    SDL_PushEvent(&e);
}

void pushButton(uint8_t button, bool down)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.type = e.type;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

void clickAt(int x, int y)
{
    pushMotion(x, y);
    playFrames(1);
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playFrames(1);
}

static void pushKeyEvent(SDLKey sym, bool down)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.type = e.type;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
}

void pushKey(SDLKey sym)
{
    pushKeyEvent(sym, true);
}

void pushKeyUp(SDLKey sym)
{
    pushKeyEvent(sym, false);
}

static double readDouble(const unsigned char *p)
{
    double v;
    memcpy(&v, p, sizeof v);
    return v;
}

bool projectToWindow(const Mesh *mesh, const double point[3], int &x, int &y)
{
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx, wy, wz;
    if (!gluProject(point[0], point[1], point[2], mesh->modelView, projection, viewport, &wx, &wy, &wz))
        return false;
    x = (int)wx;
    y = viewport[3] - 1 - (int)wy;  // GL rows count up from the bottom
    return x >= 0 && y >= 0 && x < viewport[2] && y < viewport[3];
}

bool windowPointOf(const SceneObject *object, int &x, int &y)
{
    if (!object || object->meshCount == 0 || object->meshes[0]->triangleCount == 0)
        return false;
    const Mesh *mesh = object->meshes[0];
    double c[3] = {0, 0, 0};
    for (int v = 0; v < 3; v++)
        for (int k = 0; k < 3; k++)
            c[k] += readDouble(mesh->vertices + (v * 3 + k) * 8) / 3;
    return projectToWindow(mesh, c, x, y);
}

void drawFrameForReading(uint32_t stepMs)
{
    if (rigClock)
        rigClock->now += stepMs;
    drawScene();
}

void readPixel(int x, int y, unsigned char rgb[3])
{
    unsigned char buf[4] = {0, 0, 0, 0};
    glReadPixels(x, app.display->height - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, buf);
    memcpy(rgb, buf, 3);
}

void destroyTree(SceneObject *object)
{
    if (!object)
        return;
    for (SceneObject *child : object->children)
        destroyTree(child);
    object->children.clear();
    delete object;
}
