// The frame's queues draw in batches; the picture must be the one drawn mesh
// by mesh in queue order, as the game drew before it batched.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/GL.h"
#include "scene/SceneObject.h"
#include "support/SceneTest.h"

class MeshQueueTest : public SceneTest {
protected:
    // A crowd of squares: translucent ones of three colours, alternating,
    // some overlapping their neighbours, some apart, some turned or
    // scaled; opaque ones of two textures underneath, just as crowded.
    void buildCrowd()
    {
        const char *blended[3] = {"red50", "green50", "blue50"};
        const char *opaque[2] = {"white", "red"};
        srand(4321);
        for (int i = 0; i < 60; i++) {
            double x = -60 + rand() % 120, y = -40 + rand() % 80;
            SceneObject *o = addSquare(archive, i % 2 ? blended[i % 3] : opaque[i % 4 / 2], x, y, rand() % 3, false);
            if (i % 7 == 0)
                o->setRotation(0, 0, rand() % 90);
            if (i % 5 == 0)
                o->setScale(0.5 + (rand() % 10) / 10.0, 1, 1);
            if (i % 11 == 0)
                o->setColour(0.5, 1, 0.25);
        }
    }

    std::vector<unsigned char> readScreen()
    {
        std::vector<unsigned char> rgb((size_t)app.display->width * app.display->height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, app.display->width, app.display->height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    // The tree walked and each queued mesh drawn on its own, in queue order.
    void drawMeshByMesh()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -100);
        app.root->draw();
        MeshQueue one;
        std::vector<QueuedMesh> opaque = app.opaqueQueue.entries, blended = app.transparentQueue.entries;
        app.opaqueQueue.clear();
        app.transparentQueue.clear();
        for (const QueuedMesh &e : opaque) {
            one.entries.assign(1, e);
            one.draw(false);
        }
        glDepthMask(GL_FALSE);
        for (const QueuedMesh &e : blended) {
            one.entries.assign(1, e);
            one.draw(true);
        }
        glDepthMask(GL_TRUE);
    }
};

TEST_F(MeshQueueTest, BatchedFrameIsPixelForPixelTheFrameDrawnMeshByMesh)
{
    buildCrowd();
    drawMeshByMesh();
    std::vector<unsigned char> alone = readScreen();
    drawScene();
    std::vector<unsigned char> batched = readScreen();
    size_t queued = 60, calls = app.opaqueQueue.groups.batchFirst.size() + app.transparentQueue.groups.batchFirst.size();
    EXPECT_LT(calls, queued / 2) << "the crowd leaves room to share draws";
    size_t differing = 0, worst = 0;
    for (size_t i = 0; i < alone.size(); i++) {
        size_t d = (size_t)abs(alone[i] - batched[i]);
        differing += d != 0;
        worst = d > worst ? d : worst;
    }
    EXPECT_EQ(differing, 0u) << "worst channel difference " << worst;
}
