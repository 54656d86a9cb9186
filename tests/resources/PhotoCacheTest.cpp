// The photo folder and the cache: which files count, what is made of them,
// what a bad file says, and that the cache follows the folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "resources/PakArchive.h"
#include "resources/PhotoCache.h"
#include "support/TestPhotos.h"

static const TwoColours GREEN_YELLOW = {{20, 160, 20}, {240, 220, 20}, true};
static const TwoColours STRIPES = {{20, 160, 20}, {240, 220, 20}, true, 8};
static const TwoColours WHITE_WALL = {{245, 245, 245}, {240, 240, 240}, true};

class PhotoCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = makeTempFolder("photos");
        cache = makeTempFolder("cache");
    }
    void TearDown() override
    {
        removeTree(folder);
        removeTree(cache);
    }
    std::string put(const std::string &name, const Bytes &bytes)
    {
        writeFileBytes(folder + "/" + name, bytes);
        return folder + "/" + name;
    }
    // Makes the named photo; the line it gives.
    std::string make(const std::string &name, bool expectUsable)
    {
        std::vector<PhotoFile> files = listPhotoFolder(folder);
        for (const PhotoFile &file : files) {
            if (file.name != name)
                continue;
            std::string line;
            EXPECT_EQ(expectUsable, makePhotoCache(file, photoCacheStem(cache, file.key), line)) << name;
            return line;
        }
        ADD_FAILURE() << name << " not listed";
        return "";
    }
    std::string folder, cache;
};

TEST_F(PhotoCacheTest, FolderListsPngAndJpegByNameAndNothingElse)
{
    put("b.JPG", Bytes{1});
    put("a.png", Bytes{1});
    put("c.jpeg", Bytes{1});
    put("notes.txt", Bytes{1});
    put(".hidden.jpg", Bytes{1});
    put("png", Bytes{1});
    std::vector<PhotoFile> files = listPhotoFolder(folder);
    ASSERT_EQ(3u, files.size());
    EXPECT_EQ("a.png", files[0].name);
    EXPECT_EQ("b.JPG", files[1].name);
    EXPECT_EQ("c.jpeg", files[2].name);
    EXPECT_TRUE(listPhotoFolder(folder + "/missing").empty());
}

TEST_F(PhotoCacheTest, UnusableFilesAreSkippedWithOneLineNamingThemAndWhy)
{
    Bytes jpeg = testJpeg(640, 480, GREEN_YELLOW);
    put("text.jpg", Bytes{'h', 'i', '\n'});
    put("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 3));
    put("small.png", testPng(300, 200, GREEN_YELLOW));
    mkdir((folder + "/x.jpg").c_str(), 0755);
    ASSERT_EQ(0, symlink("loop.jpg", (folder + "/loop.jpg").c_str()));
    ASSERT_EQ(0, symlink("nowhere.png", (folder + "/gone.png").c_str()));
    struct Case {
        const char *name;
        const char *reason;
    } cases[] = {
        {"text.jpg", "neither PNG nor JPEG"}, {"cut.jpg", "damaged JPEG"},
        {"small.png", "under 400 pixels"},   {"x.jpg", "a folder, not a photo"},
        {"loop.jpg", "symbolic links"},      {"gone.png", "No such file"},
    };
    for (const Case &c : cases) {
        std::string line = make(c.name, false);
        EXPECT_EQ(0u, line.find(std::string("lumbrik: photo \"") + c.name + "\" skipped: ")) << line;
        EXPECT_NE(std::string::npos, line.find(c.reason)) << line;
        EXPECT_EQ(std::string::npos, line.find('\n')) << line;
    }
    struct stat info;
    EXPECT_NE(0, stat((cache + "/photo-").c_str(), &info));
}

TEST_F(PhotoCacheTest, PhotoBecomesPictureAndPreviewArchivesAndPlainPhotoIsCalledPoor)
{
    put("garden.jpg", testJpeg(1600, 1000, STRIPES));
    put("wall.png", testPng(800, 600, WHITE_WALL));
    EXPECT_EQ("", make("garden.jpg", true));
    EXPECT_EQ("lumbrik: photo \"wall.png\" makes a poor puzzle: 20 of 20 pieces are nearly one colour",
              make("wall.png", true));
    PhotoFile garden = listPhotoFolder(folder)[0];
    std::string stem = photoCacheStem(cache, garden.key);
    ASSERT_TRUE(photoCached(stem));
    PakArchive pieces, common;
    ASSERT_EQ(PAK_OK, loadPakArchive(pieces, (stem + PHOTO_PIECES_SUFFIX).c_str()));
    ASSERT_EQ(PAK_OK, loadPakArchive(common, (stem + PHOTO_COMMON_SUFFIX).c_str()));
    EXPECT_GE(pieces.find("picture.png"), 0);
    EXPECT_GE(common.find("final.png"), 0);
    EXPECT_GE(common.find("prev.png"), 0);
}

TEST_F(PhotoCacheTest, KeyFollowsNameSizeAndTimeAndPruningKeepsOnlyPhotosInUse)
{
    std::string path = put("a.png", testPng(640, 480, GREEN_YELLOW));
    std::string first = listPhotoFolder(folder)[0].key;
    EXPECT_EQ(first, listPhotoFolder(folder)[0].key);
    struct utimbuf times = {1000000, 1000000};
    utime(path.c_str(), &times);
    std::string touched = listPhotoFolder(folder)[0].key;
    EXPECT_NE(first, touched);
    put("a.png", testPng(640, 490, GREEN_YELLOW));
    utime(path.c_str(), &times);
    EXPECT_NE(touched, listPhotoFolder(folder)[0].key);

    make("a.png", true);
    std::string kept = photoCacheStem(cache, listPhotoFolder(folder)[0].key);
    writeFileBytes(cache + "/photo-0123456789abcdef.pieces.pak", Bytes{0});
    writeFileBytes(cache + "/places", Bytes{'\n'});
    prunePhotoCache(cache, {kept});
    EXPECT_TRUE(photoCached(kept));
    EXPECT_TRUE(readFileBytes(cache + "/photo-0123456789abcdef.pieces.pak").empty());
    EXPECT_FALSE(readFileBytes(cache + "/places").empty());
}
