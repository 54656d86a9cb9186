// Scene objects drawn for real: scale applied twice to meshes, models loaded
// in order, archive uses given back exactly once.
#include <gtest/gtest.h>

#include "app/App.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"
#include "support/SceneTest.h"

class SceneObjectTest : public SceneTest {
protected:
};

TEST_F(SceneObjectTest, NewObjectDrawsNothingAndHoldsNoArchive)
{
    size_t openBefore = app.pakCache.archives.size();
    SceneObject *object = new SceneObject;
    app.root->addChild(object);
    playFrames(1);
    EXPECT_FALSE(object->hasImage);
    EXPECT_EQ(openBefore, app.pakCache.archives.size());
    EXPECT_FALSE(object->transform.hasScale);
    EXPECT_EQ(1, object->transform.scale[0]);
}

TEST_F(SceneObjectTest, ParentScaleReachesItsMeshesTwiceAndItsChildrenOnce)
{
    SceneObject *parent = addSquare(archive, "white", 0, 0, 0, false);
    parent->setScale(0.5, 0.5, 0.5);
    SceneObject *child = new SceneObject;
    child->setImage(archive.c_str(), "red");
    parent->addChild(child);
    playFrames(1);
    EXPECT_NEAR(0.25, parent->meshes[0]->modelView[0], 1e-6);
    EXPECT_NEAR(0.5, child->meshes[0]->modelView[0], 1e-6);
    parent->resetTransform();
    playFrames(1);
    EXPECT_NEAR(1.0, parent->meshes[0]->modelView[0], 1e-6);
}

TEST_F(SceneObjectTest, TwoImagesDrawBothInOrderAndReleaseTwoUses)
{
    SceneObject *object = addSquare(archive, "white", 0, 0, 0, false);
    object->setImage(archive.c_str(), "twoshare");
    ASSERT_EQ(3, object->meshCount);
    EXPECT_EQ(2u, object->archives.size());
    // Two models and three texture requests.
    EXPECT_EQ(5, app.pakCache.useCount(archive.c_str()));
    object->close();
    playFrames(2);
    EXPECT_EQ(0, app.pakCache.useCount(archive.c_str()));
}

TEST_F(SceneObjectTest, MalformedOrMissingModelLoadsNoMeshesButHoldsItsUse)
{
    PakFile pak;
    Bytes cut = squareModel(10, "t.png");
    cut.resize(cut.size() - 8);
    pakAdd(pak, "cut", cut);
    std::string broken = writeTestArchive("broken-model.pak", pak);
    SceneObject *object = addSquare(broken, "cut", 0, 0, 0, true);
    object->setImage(broken.c_str(), "absent");
    EXPECT_EQ(0, object->meshCount);
    EXPECT_TRUE(object->hasImage);
    EXPECT_EQ(2, app.pakCache.useCount(broken.c_str()));
    playFrames(2);
    object->close();
    playFrames(2);
    EXPECT_EQ(0, app.pakCache.useCount(broken.c_str()));
}

TEST_F(SceneObjectTest, MarkerByte255ModelLoadsLikeAnyOther)
{
    SceneObject *object = addSquare(archive, "marker255", 0, 0, 0, false);
    ASSERT_EQ(1, object->meshCount);
    EXPECT_EQ(2, object->meshes[0]->triangleCount);
    EXPECT_NE(0u, object->meshes[0]->textureId);
}

TEST_F(SceneObjectTest, ObjectAttachedLateGetsTheWholeIntervalAsItsFirstDelta)
{
    playFrames(1);
    SceneObject *object = new SceneObject;  // built at the current frame time
    double seen = -1;
    object->script.addStep();
    object->script.addAction(makeAction(1, ACTION_ENDLESS, [](void *u) { *(double *)u = app.currentAction->elapsed; }, &seen));
    object->script.trigger(0);
    playFrames(5, 20);
    app.root->addChild(object);
    playFrames(1, 20);
    EXPECT_EQ(120, seen);
}
