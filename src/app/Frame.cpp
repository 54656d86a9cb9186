#include "app/Frame.h"

#include <SDL.h>

#include "app/App.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"

void drawQueuedMeshes()
{
    app.opaqueQueue.draw(false);
    glDepthMask(GL_FALSE);
    app.transparentQueue.draw(true);
    glDepthMask(GL_TRUE);
}

void drawScene()
{
    app.frameTicks = readFrameClock(app.clock);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -100);  // the eye sits 100 units in front of z = 0
    if (app.root)
        app.root->draw();
    drawQueuedMeshes();
}

void runFrame()
{
    drawScene();
    SDL_GL_SwapBuffers();
    app.picker.pick();
    app.pickX = app.mouseX;
    app.pickY = app.mouseY;
}
