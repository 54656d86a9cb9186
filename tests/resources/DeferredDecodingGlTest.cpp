// Images decoded on workers during start-up reach exactly the textures that
// asked for them, and nothing reaches a texture released in the meantime.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Display.h"
#include "app/GL.h"
#include "resources/AheadDecoding.h"
#include "resources/DeferredDecoding.h"
#include "resources/ArchiveTextures.h"
#include "resources/PakArchive.h"
#include "resources/PakCache.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"
#include "support/TestArchives.h"

namespace {

struct TextureImage {
    int width = 0, height = 0;
    unsigned char first[4] = {};  // RGBA of texel (0, 0)
};

TextureImage imageOf(uint32_t texture)
{
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    if (image.width == 0)
        return image;
    std::vector<unsigned char> texels((size_t)image.width * image.height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    for (int c = 0; c < 4; c++)
        image.first[c] = texels[c];
    return image;
}

class DeferredDecodingTest : public testing::Test {
protected:
    void SetUp() override
    {
        Bytes broken = solidPng(8, 8, 9, 9, 9, -1);
        broken[broken.size() - 20] ^= 0x5a;  // inside the image data: its checksum fails
        PakFile pak;
        pakAdd(pak, "red.png", solidPng(16, 8, 255, 0, 0, -1));
        pakAdd(pak, "green.png", solidPng(8, 16, 0, 255, 0, -1));
        pakAdd(pak, "blue.png", solidPng(4, 4, 0, 0, 255, 128));
        pakAdd(pak, "broken.png", broken);
        path = writeTestArchive("decodes.pak", pak);
        ASSERT_EQ(PAK_OK, loadPakArchive(archive, path.c_str()));
    }
    void TearDown() override
    {
        finishDeferredDecoding();
        const std::vector<EntryTexture> held = textures.made;
        for (const EntryTexture &made : held)
            for (int32_t use = 0; use < made.uses; use++)
                textures.release(made.texture);
    }
    std::string path;
    PakArchive archive;
    ArchiveTextures textures;
};

void expectImage(uint32_t texture, int width, int height, int r, int g, int b, int a)
{
    TextureImage image = imageOf(texture);
    EXPECT_EQ(width, image.width);
    EXPECT_EQ(height, image.height);
    const int want[4] = {r, g, b, a};
    for (int c = 0; c < 4; c++)
        EXPECT_EQ(want[c], image.first[c]) << "channel " << c << " of texture " << texture;
}

}  // namespace

TEST_F(DeferredDecodingTest, EachTextureGetsItsOwnImageWhetherPrefetchedOrAskedFor)
{
    ASSERT_TRUE(beginDeferredDecoding());
    prefetchImages({"no-such.pak", path}, {"red.png", "green.png", "broken.png"});
    // Asked for in another order than prefetched, one of them not prefetched.
    uint32_t blue = textures.acquire(archive, "blue.png");
    uint32_t green = textures.acquire(archive, "green.png");
    uint32_t red = textures.acquire(archive, "red.png");
    uint32_t broken = textures.acquire(archive, "broken.png");
    for (uint32_t id : {blue, green, red, broken})
        EXPECT_NE(0u, id);
    DecodeCounts counts = finishDeferredDecoding();
    EXPECT_EQ(3, counts.prefetched);
    EXPECT_EQ(3, counts.claimed);
    EXPECT_EQ(1, counts.requested);
    expectImage(red, 16, 8, 255, 0, 0, 255);
    expectImage(green, 8, 16, 0, 255, 0, 255);
    expectImage(blue, 4, 4, 0, 0, 255, 128);
    EXPECT_EQ(0, imageOf(broken).width);
    // Outside deferral the same bytes give no texture at all.
    PakArchive again;
    ASSERT_EQ(PAK_OK, loadPakArchive(again, path.c_str()));
    ArchiveTextures againTextures;
    EXPECT_EQ(0u, againTextures.acquire(again, "broken.png"));
}

TEST_F(DeferredDecodingTest, TextureReleasedBeforeTheFinishIsNeverFilled)
{
    ASSERT_TRUE(beginDeferredDecoding());
    uint32_t red = textures.acquire(archive, "red.png");
    textures.release(red);
    finishDeferredDecoding();
    EXPECT_EQ(GL_FALSE, glIsTexture(red));
    // A freed name may be handed to the next request, which must get its own image.
    ASSERT_TRUE(beginDeferredDecoding());
    textures.release(textures.acquire(archive, "red.png"));
    uint32_t green = textures.acquire(archive, "green.png");
    finishDeferredDecoding();
    expectImage(green, 8, 16, 0, 255, 0, 255);
}

TEST_F(DeferredDecodingTest, ReleaseWhileReadersAppendJobsCancelsOnlyItsOwn)
{
    // The release walks the jobs while reader threads may still append
    // theirs: it cancels the released texture's job and none of the readers'.
    ASSERT_TRUE(beginDeferredDecoding());
    uint32_t red = textures.acquire(archive, "red.png");
    const int reads = 8;
    for (int i = 0; i < reads; i++)
        prefetchImages({path}, {"red.png", "green.png"});
    textures.release(red);
    uint32_t green = textures.acquire(archive, "green.png");
    DecodeCounts counts = finishDeferredDecoding();
    EXPECT_EQ(2 * reads, counts.prefetched);
    EXPECT_EQ(1, counts.claimed);
    EXPECT_EQ(GL_FALSE, glIsTexture(red));
    expectImage(green, 8, 16, 0, 255, 0, 255);
}

TEST_F(DeferredDecodingTest, PrefetchWithNoArchiveOrOutsideDeferralDecodesNothing)
{
    prefetchImages({path}, {});  // deferral is off: ignored
    ASSERT_TRUE(beginDeferredDecoding());
    EXPECT_FALSE(beginDeferredDecoding());
    prefetchImages({"no-such.pak"}, {});
    uint32_t red = textures.acquire(archive, "red.png");
    DecodeCounts counts = finishDeferredDecoding();
    EXPECT_EQ(0, counts.prefetched);
    EXPECT_EQ(1, counts.requested);
    expectImage(red, 16, 8, 255, 0, 0, 255);
    EXPECT_FALSE(deferredDecodingActive());
}

TEST_F(DeferredDecodingTest, CacheTakesOnlyAnArchiveReadFromItsFirstPathAndOnlyOnce)
{
    ASSERT_TRUE(beginDeferredDecoding());
    prefetchImages({path}, {"red.png"});
    prefetchImages({"no-such.pak", path}, {"green.png"});
    // Read from a later path: the cache must load it itself (and say why).
    EXPECT_EQ(nullptr, takePrefetchedArchive({"no-such.pak", path}));
    PakArchive *taken = takePrefetchedArchive({path});
    ASSERT_NE(nullptr, taken);
    ASSERT_EQ(archive.entries.size(), taken->entries.size());
    for (size_t i = 0; i < archive.entries.size(); i++)
        EXPECT_EQ(archive.entries[i].name, taken->entries[i].name);
    EXPECT_EQ(nullptr, takePrefetchedArchive({path}));
    ArchiveTextures takenTextures;
    uint32_t red = takenTextures.acquire(*taken, "red.png");
    DecodeCounts counts = finishDeferredDecoding();
    EXPECT_EQ(2, counts.prefetched);
    EXPECT_EQ(1, counts.claimed);
    EXPECT_EQ(1, counts.archivesRead);
    EXPECT_EQ(1, counts.archivesTaken);
    expectImage(red, 16, 8, 255, 0, 0, 255);
    takenTextures.release(red);
    delete taken;
}

// ---------------------------------------------------------------- ahead of need

class DeferredDecodingAheadTest : public DeferredDecodingTest {
protected:
    void TearDown() override
    {
        stopAheadDecoding();
        switchAheadDecoding(true);
        DeferredDecodingTest::TearDown();
    }
    AheadArchive named(std::vector<std::string> entries, const std::string &overlay = "")
    {
        AheadArchive a;
        a.paths = {"no-such.pak", path};
        a.overlay = overlay;
        a.entries = entries;
        return a;
    }
    // Decodes since `from` on the main thread and on workers.
    static int onMain(const DecodeTally &from) { return decodeTally().onMainThread - from.onMainThread; }
    static int onWorkers(const DecodeTally &from) { return decodeTally().onWorkers - from.onWorkers; }
};

TEST_F(DeferredDecodingAheadTest, ImagesDecodedAheadReachTheirTexturesWithoutAMainThreadDecode)
{
    const DecodeTally start = decodeTally();
    decodeAhead(AHEAD_PICTURE, {named({"red.png", "green.png", "broken.png"})});
    waitForAheadDecodes();
    EXPECT_EQ(3, onWorkers(start));
    uint32_t green = textures.acquire(archive, "green.png");
    uint32_t red = textures.acquire(archive, "red.png");
    EXPECT_EQ(0u, textures.acquire(archive, "broken.png"));  // as when decoded here
    EXPECT_EQ(0, onMain(start));
    expectImage(red, 16, 8, 255, 0, 0, 255);
    expectImage(green, 8, 16, 0, 255, 0, 255);
    EXPECT_EQ(0, aheadImagesHeld(AHEAD_PICTURE));
    // Claimed once: the next request for the same bytes decodes here.
    ArchiveTextures other;
    uint32_t again = other.acquire(archive, "red.png");
    EXPECT_EQ(1, onMain(start));
    expectImage(again, 16, 8, 255, 0, 0, 255);
    other.release(again);
}

TEST_F(DeferredDecodingAheadTest, NewRequestDropsWhatItNoLongerNamesAndKeepsTheRest)
{
    const DecodeTally start = decodeTally();
    decodeAhead(AHEAD_PICTURE, {named({"red.png", "green.png"})});
    decodeAhead(AHEAD_MENU, {named({"blue.png"})});
    waitForAheadDecodes();
    decodeAhead(AHEAD_PICTURE, {named({"red.png", "green.png"})});  // the same: nothing new
    decodeAhead(AHEAD_PICTURE, {named({"green.png", "blue.png"})});
    waitForAheadDecodes();
    EXPECT_EQ(4, onWorkers(start));  // green kept, not decoded again
    EXPECT_EQ(2, aheadImagesHeld(AHEAD_PICTURE));
    EXPECT_EQ(1, aheadImagesHeld(AHEAD_MENU));  // another set's request is its own
    uint32_t red = textures.acquire(archive, "red.png");
    EXPECT_EQ(1, onMain(start));  // dropped: decoded when asked for
    expectImage(red, 16, 8, 255, 0, 0, 255);
    dropAhead(AHEAD_PICTURE);
    dropAhead(AHEAD_MENU);
    EXPECT_EQ(0, aheadImagesHeld(AHEAD_PICTURE) + aheadImagesHeld(AHEAD_MENU));
}

TEST_F(DeferredDecodingAheadTest, OverlaidEntryIsDecodedAsTheCacheWillShowIt)
{
    PakFile photo;
    pakAdd(photo, "red.png", solidPng(6, 6, 128, 0, 128, -1));
    const std::string overlay = writeTestArchive("decodes-photo.pak", photo);
    PakCache cache;
    cache.setOverlay(path.c_str(), overlay);
    const DecodeTally start = decodeTally();
    decodeAhead(AHEAD_PICTURE, {cache.aheadOf(path.c_str(), {"red.png", "green.png"})});
    waitForAheadDecodes();
    uint32_t red = cache.texture(path.c_str(), "red.png");
    uint32_t green = cache.texture(path.c_str(), "green.png");
    EXPECT_EQ(0, onMain(start));
    expectImage(red, 6, 6, 128, 0, 128, 255);
    expectImage(green, 8, 16, 0, 255, 0, 255);
    cache.releaseTexture(path.c_str(), red);
    cache.releaseTexture(path.c_str(), green);
}

TEST_F(DeferredDecodingAheadTest, RequestsDuringStartUpWaitForItsFinishAndOffIgnoresThem)
{
    const DecodeTally start = decodeTally();
    ASSERT_TRUE(beginDeferredDecoding());
    decodeAhead(AHEAD_PICTURE, {named({"red.png"})});
    EXPECT_EQ(0, aheadImagesHeld(AHEAD_PICTURE));
    finishDeferredDecoding();
    waitForAheadDecodes();
    EXPECT_EQ(1, aheadImagesHeld(AHEAD_PICTURE));
    switchAheadDecoding(false);
    EXPECT_EQ(0, aheadImagesHeld(AHEAD_PICTURE));
    decodeAhead(AHEAD_PICTURE, {named({"green.png"})});
    waitForAheadDecodes();
    EXPECT_EQ(0, aheadImagesHeld(AHEAD_PICTURE));
    EXPECT_EQ(1, onWorkers(start));
}

// ---------------------------------------------------------------- in play

namespace {

// What one play-through showed and decoded.
struct PlayRecord {
    std::vector<unsigned char> menuShot, turnShot;  // RGB of the whole window
    int menuMainDecodes = -1, turnMainDecodes = -1;  // in the frames that built them
    int turnedTo = -1;
};

std::vector<unsigned char> readWindow()
{
    drawFrameForReading(0);
    const int w = app.display->width, h = app.display->height;
    std::vector<unsigned char> rgb((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Rests the pointer on `object` until its images are ready (a child's
// pointer rests longer), then clicks it and plays `frames` frames; returns
// the main thread's decodes in them.
int restAndClick(const SceneObject *object, int frames)
{
    if (!hoverOn(object))
        return -1;
    playScenario(1);
    waitForAheadDecodes();
    const DecodeTally before = decodeTally();
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playScenario(frames);
    return decodeTally().onMainThread - before.onMainThread;
}

}  // namespace

class DeferredDecodingInPlayTest : public testing::Test {
protected:
    void TearDown() override
    {
        endScenario();
        switchAheadDecoding(true);
    }
    // Opens the main menu, closes it and turns to the next picture.
    PlayRecord play(bool ahead)
    {
        PlayRecord r;
        switchAheadDecoding(ahead);
        srand(24);  // the same scatter both times
        Settings s;
        s.showWelcome = 0;
        s.puzzleSize = 0;
        startScenario(clock, s);
        playScenario(16, 50);
        r.menuMainDecodes = restAndClick(app.root->children[TOOL_MENU], 1);
        playScenario(30);  // slid in
        r.menuShot = readWindow();
        pressKey(SDLK_ESCAPE);
        playScenario(30);
        // The board is replaced two frames after the click.
        r.turnMainDecodes = restAndClick(app.playField->children[2], 3);
        r.turnedTo = app.board.pictureIndex;
        playScenario(4);  // the pieces on their way in
        r.turnShot = readWindow();
        endScenario();
        return r;
    }
    ManualClock clock;
};

TEST_F(DeferredDecodingInPlayTest, MenuAndNextPictureShowTheSameImagesWithNoDecodeInTheFramesThatBuildThem)
{
    const PlayRecord plain = play(false);
    const PlayRecord ahead = play(true);
    EXPECT_GT(plain.menuMainDecodes, 0);  // the count sees what it is meant to
    EXPECT_GT(plain.turnMainDecodes, 0);
    EXPECT_EQ(0, ahead.menuMainDecodes);
    EXPECT_EQ(0, ahead.turnMainDecodes);
    EXPECT_EQ(1, ahead.turnedTo);
    EXPECT_EQ(1, plain.turnedTo);
    ASSERT_FALSE(ahead.menuShot.empty());
    EXPECT_TRUE(plain.menuShot == ahead.menuShot);
    EXPECT_TRUE(plain.turnShot == ahead.turnShot);
    EXPECT_EQ(0, aheadImagesHeld(AHEAD_MENU));  // the pointer left the menu button
}
