// Textures shared per archive entry and counted; uploaded as RGB or RGBA.
#include <gtest/gtest.h>

#include "app/App.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"
#include "support/SceneTest.h"

class TextureTest : public SceneTest {
protected:
    // The listed archive, without taking a use.
    PakArchive *open()
    {
        for (size_t i = 0; i < app.pakCache.names.size(); i++)
            if (app.pakCache.names[i] == archive)
                return app.pakCache.archives[i];
        return nullptr;
    }
};

static GLint internalFormatOf(uint32_t texture)
{
    GLint format = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    return format;
}

TEST_F(TextureTest, MeshesNamingOneEntryShareOneCountedTexture)
{
    SceneObject *a = addSquare(archive, "red", 0, 0, 0, false);
    SceneObject *b = addSquare(archive, "twoshare", 0, 0, 0, false);
    uint32_t id = a->meshes[0]->textureId;
    ASSERT_NE(0u, id);
    EXPECT_EQ(id, b->meshes[0]->textureId);
    EXPECT_EQ(id, b->meshes[1]->textureId);
    PakArchive *pak = open();
    int entry = pak->find("red.png");
    EXPECT_EQ(3, pak->textureUses[entry]);
    b->close();
    playFrames(2);
    EXPECT_EQ(1, pak->textureUses[entry]);
    EXPECT_EQ(GL_TRUE, glIsTexture(id));
    a->close();
    playFrames(2);
    EXPECT_EQ(0, app.pakCache.useCount(archive.c_str()));
    EXPECT_EQ(GL_FALSE, glIsTexture(id));
}

TEST_F(TextureTest, AlphaImagesBecomeRgbaAndOpaqueImagesRgb)
{
    SceneObject *opaque = addSquare(archive, "white", 0, 0, 0, false);
    SceneObject *clear = addSquare(archive, "clear", 0, 0, 0, false);
    EXPECT_EQ(GL_RGB, internalFormatOf(opaque->meshes[0]->textureId));
    EXPECT_EQ(GL_RGBA, internalFormatOf(clear->meshes[0]->textureId));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(GL_MODULATE, mode);
}

TEST_F(TextureTest, NonPowerOfTwoImageIsUploadedAtItsOwnSize)
{
    PakFile pak;
    pakAdd(pak, "odd.png", solidPng(30, 17, 9, 9, 9, -1));
    pakAdd(pak, "odd", squareModel(4, "odd.png"));
    std::string path = writeTestArchive("odd.pak", pak);
    SceneObject *object = addSquare(path, "odd", 0, 0, 0, false);
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, object->meshes[0]->textureId);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(30, w);
    EXPECT_EQ(17, h);
}

TEST_F(TextureTest, MissingTextureGivesZeroAndItsReleaseLeavesOtherCountsAlone)
{
    SceneObject *held = addSquare(archive, "white", 0, 0, 0, false);
    SceneObject *untextured = addSquare(archive, "notexture", 0, 0, 0, false);
    EXPECT_EQ(0u, untextured->meshes[0]->textureId);
    untextured->close();
    playFrames(2);
    PakArchive *pak = open();
    for (size_t i = 0; i < pak->textureUses.size(); i++)
        EXPECT_GE(pak->textureUses[i], 0) << pak->names[i];
    EXPECT_EQ(1, pak->textureUses[pak->find("white.png")]);
    EXPECT_EQ(0, pak->textureUses[pak->find("white")]);
    (void)held;
}

TEST_F(TextureTest, MeshWithoutTrianglesStillRequestsItsTexture)
{
    SceneObject *object = addSquare(archive, "empty", 0, 0, 0, true);
    ASSERT_EQ(1, object->meshCount);
    EXPECT_EQ(0, object->meshes[0]->triangleCount);
    EXPECT_EQ(1, open()->textureUses[open()->find("white.png")]);
    playFrames(2);  // draws and picks nothing, and does not crash
}

TEST_F(TextureTest, GeneratedTexturesAreSharedPerExactDescription)
{
    uint32_t a = app.generatedTextures.acquire("?#Fire30,17");
    uint32_t b = app.generatedTextures.acquire("?#Fire30,17");
    uint32_t c = app.generatedTextures.acquire("!#Fire30,17");
    EXPECT_NE(0u, a);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    app.generatedTextures.release("?#Fire30,17");
    EXPECT_EQ(GL_TRUE, glIsTexture(a));
    app.generatedTextures.release("?#Fire30,17");
    EXPECT_EQ(GL_FALSE, glIsTexture(a));
    app.generatedTextures.release("!#Fire30,17");
    EXPECT_TRUE(app.generatedTextures.names.empty());
}
