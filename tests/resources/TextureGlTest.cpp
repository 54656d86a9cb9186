// Textures shared per archive entry and counted; uploaded as RGB or RGBA.
#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"
#include "support/SceneTest.h"

class TextureTest : public SceneTest {
protected:
    // The listed archive, without taking a use.
    OpenArchive *open()
    {
        for (OpenArchive &listed : app.pakCache.archives)
            if (listed.name == archive)
                return &listed;
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
    OpenArchive *pak = open();
    int entry = pak->archive->find("red.png");
    EXPECT_EQ(3, pak->textures.usesOf(entry));
    b->close();
    playFrames(2);
    EXPECT_EQ(1, pak->textures.usesOf(entry));
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
    OpenArchive *pak = open();
    for (const EntryTexture &made : pak->textures.made)
        EXPECT_GT(made.uses, 0) << pak->archive->entries[made.entry].name;
    EXPECT_EQ(1, pak->textures.usesOf(pak->archive->find("white.png")));
    EXPECT_EQ(0, pak->textures.usesOf(pak->archive->find("white")));
    (void)held;
}

TEST_F(TextureTest, MeshWithoutTrianglesStillRequestsItsTexture)
{
    SceneObject *object = addSquare(archive, "empty", 0, 0, 0, true);
    ASSERT_EQ(1, object->meshCount);
    EXPECT_EQ(0, object->meshes[0]->triangleCount);
    EXPECT_EQ(1, open()->textures.usesOf(open()->archive->find("white.png")));
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
    EXPECT_TRUE(app.generatedTextures.textures.empty());
}

// A picture drawn whole must not show its opposite edge along its borders:
// the last texels of a row are filtered against the row's own last texel,
// not against its first (which is how a faint line came to follow the cursor).
TEST_F(TextureTest, ImageEdgesDoNotBleedTheOppositeEdge)
{
    // Red, except a green first row and first column: the opposite edges of
    // the bottom-right quarter.
    PngImage image;
    image.width = image.height = 4;
    image.kind = PNG_RGB;
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) {
            bool edge = x == 0 || y == 0;
            image.pixels.insert(image.pixels.end(), {(unsigned char)(edge ? 0 : 255),
                                                     (unsigned char)(edge ? 255 : 0), 0});
        }
    PakFile pak;
    pakAdd(pak, "edges.png", encodePng(image));
    pakAdd(pak, "edges", squareModel(10, "edges.png"));
    SceneObject *square = addSquare(writeTestArchive("edges.pak", pak), "edges", 0, 0, 0, false);
    drawFrameForReading();
    const double centre[3] = {0, 0, 0}, corner[3] = {5, -5, 0};
    int x0, y0, x1, y1;
    ASSERT_TRUE(projectToWindow(square->meshes[0], centre, x0, y0));
    ASSERT_TRUE(projectToWindow(square->meshes[0], corner, x1, y1));
    // One read of the quarter and a pixel beyond, rows bottom-up as GL keeps them.
    int w = x1 - x0 + 2, h = y1 - y0 + 2;
    std::vector<unsigned char> rgb((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x0, app.display->height - 1 - (y1 + 1), w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    int reddish = 0, greenish = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        reddish += rgb[i] > 20;
        greenish += rgb[i] > 20 && rgb[i + 1] > 8;
    }
    EXPECT_GT(reddish, (x1 - x0) * (y1 - y0) / 2);
    EXPECT_EQ(0, greenish);
}
