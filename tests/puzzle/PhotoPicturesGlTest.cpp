// A parent's photos in the real game: the ring shows them before the
// built-in pictures, a photo puzzle is played through the real pick, the
// cache is reused and follows the folder.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/App.h"
#include "puzzle/PhotoPictures.h"
#include "puzzle/PuzzleFlow.h"
#include "puzzle/PuzzleLayouts.h"
#include "resources/Mesh.h"
#include "resources/PhotoCache.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"
#include "support/StderrCapture.h"
#include "support/TestPhotos.h"

// Long enough for a zoom out and in (2 s); the animations follow the clock,
// so few big steps do.
static const int SETTLE_FRAMES = 22;
static const uint32_t SETTLE_STEP_MS = 100;

// The three photos as the child sees them: left half, right half.
static const TwoColours GARDEN = {{20, 160, 20}, {240, 220, 20}, true};
static const TwoColours SIDEWAYS = {{230, 20, 20}, {20, 20, 230}, false};  // stored red over blue, turned
static const TwoColours BALLOONS = {{220, 30, 220}, {30, 220, 220}, true};
static const unsigned char *const SEEN[3][2] = {
    {GARDEN.first, GARDEN.second}, {SIDEWAYS.second, SIDEWAYS.first}, {BALLOONS.first, BALLOONS.second}};

class PhotoPicturesTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = makeTempFolder("photos");
        cache = makeTempFolder("cache");
        writeFileBytes(folder + "/a-garden.jpg", testJpeg(1000, 700, GARDEN));
        writeFileBytes(folder + "/b-sideways.jpg", testJpeg(480, 800, SIDEWAYS, 6));
        writeFileBytes(folder + "/c-balloons.png", testPng(700, 500, BALLOONS));
    }
    void TearDown() override
    {
        endScenario();
        stopPhotoPictures();
        app.pakCache.overlays.clear();
        app.settings = nullptr;
        removeTree(folder);
        removeTree(cache);
    }
    // Starts the photos and waits (between frames, as the game would) until
    // every place is decided and laid.
    PhotoProgress startPhotos()
    {
        stopPhotoPictures();
        startPhotoPictures(folder, cache);
        PhotoProgress p;
        for (int i = 0; i < 3000 && !(p = photoProgress()).settled; i++) {
            SDL_Delay(10);
            updatePhotoPictures();
        }
        updatePhotoPictures();
        return photoProgress();
    }
    void startGame(int picture, bool finished)
    {
        Settings s;
        s.showWelcome = 0;
        s.puzzleSize = 0;
        s.menuExpanded = 0;  // the panel shows the picture's card
        for (int i = 0; finished && i < PUZZLE_PICTURES; i++)
            s.completed[i] = 1;
        startScenario(clock, s);
        playScenario(SETTLE_FRAMES, SETTLE_STEP_MS);
        if (picture != 0)
            turnTo(picture);
    }
    // As the ring's arrows do.
    void turnTo(int picture)
    {
        app.board.pictureIndex = picture;
        leaveBoard();
        buildPanel();
        playScenario(SETTLE_FRAMES, SETTLE_STEP_MS);
    }
    // Colour on screen at model point (x, y, z) of the object's last mesh.
    void colourAt(const SceneObject *object, double x, double y, double z, unsigned char rgb[3])
    {
        double point[3] = {x, y, z};
        int wx = 0, wy = 0;
        ASSERT_TRUE(projectToWindow(object->meshes.back(), point, wx, wy));
        readPixel(wx, wy, rgb);
    }
    void expectColour(const unsigned char *want, const unsigned char *got, const char *where)
    {
        for (int c = 0; c < 3; c++)
            EXPECT_NEAR(want[c], got[c], 40) << where << " channel " << c;
    }
    bool placeHasPhoto(int place)
    {
        return findNamed(app.pakCache.overlays, PUZZLE_SIZE_INFO[0].commonArchives[place]) >= 0 &&
               findNamed(app.pakCache.overlays, PUZZLE_SIZE_INFO[1].pictureArchives[place]) >= 0;
    }
    std::string folder, cache;
    ManualClock clock;
};

TEST_F(PhotoPicturesTest, RingShowsTheThreePhotosUprightThenTwoBuiltInPictures)
{
    writeFileBytes(folder + "/b0-notes.jpg", Bytes{'h', 'i', '\n'});
    StderrCapture errors;
    PhotoProgress p = startPhotos();
    std::string lines = errors.text();
    EXPECT_EQ(3, p.usable);
    EXPECT_EQ(3, p.shown);
    EXPECT_EQ(1, p.skipped);
    EXPECT_NE(std::string::npos, lines.find("lumbrik: photo \"b0-notes.jpg\" skipped: neither PNG nor JPEG\n"))
        << lines;
    startGame(0, true);
    for (int picture = 0; picture < PUZZLE_PICTURES; picture++) {
        SCOPED_TRACE(picture);
        turnTo(picture);
        EXPECT_EQ(picture < 3, placeHasPhoto(picture));
        EXPECT_TRUE(showsImage(app.board.boardObject, PUZZLE_SIZE_INFO[0].commonArchives[picture]));
        drawFrameForReading();
        unsigned char board[2][3], thumbnail[2][3];
        // The finished picture over the board (xy, 19.7 wide) and the
        // preview on the panel's card (xz, 18.5 x 11.46, centred at x -5.85,
        // z -15.5), near its top edge, which the board does not cover.
        colourAt(app.board.boardObject, -5, 0, 0, board[0]);
        colourAt(app.board.boardObject, 5, 0, 0, board[1]);
        colourAt(app.panel, -5.85 - 3, -0.05, -10.3, thumbnail[0]);
        colourAt(app.panel, -5.85 + 3, -0.05, -10.3, thumbnail[1]);
        for (int side = 0; side < 2 && picture < 3; side++) {
            expectColour(SEEN[picture][side], board[side], side ? "board right" : "board left");
            expectColour(SEEN[picture][side], thumbnail[side], side ? "card right" : "card left");
        }
    }
}

TEST_F(PhotoPicturesTest, SidewaysPhotoPuzzleIsSolvedThroughTheRealPick)
{
    ASSERT_EQ(3, startPhotos().shown);
    startGame(1, false);
    ASSERT_EQ(1, app.board.pictureIndex);
    ASSERT_TRUE(showsImage(pieceObject(1), "puzzle1.pak"));
    for (int n = 1; n <= 20; n++) {
        SCOPED_TRACE(n);
        drainAudio(3000);
        ASSERT_TRUE(clickOn(pieceObject(n)) && clickOn(placeObject(n)));
    }
    playScenario(SETTLE_FRAMES, SETTLE_STEP_MS);
    EXPECT_EQ(1, app.settings->completed[1]);
    EXPECT_TRUE(showsImage(app.board.boardObject, "common1.pak"));
    drawFrameForReading();
    unsigned char left[3];
    colourAt(app.board.boardObject, -5, 0, 0, left);
    expectColour(SEEN[1][0], left, "finished picture, left");
}

static long long modifiedAt(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (long long)info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec : -1;
}

TEST_F(PhotoPicturesTest, CacheIsReusedChangedPhotoRemadeAndMarksFollowThePictures)
{
    Settings marks;
    app.settings = &marks;
    ASSERT_EQ(3, startPhotos().made);
    std::vector<PhotoFile> files = listPhotoFolder(folder);
    std::string gardenCache = photoCacheStem(cache, files[0].key) + PHOTO_COMMON_SUFFIX;
    long long gardenMade = modifiedAt(gardenCache);
    for (int i = 0; i < PUZZLE_PICTURES; i++)
        marks.completed[i] = 1;

    PhotoProgress again = startPhotos();
    EXPECT_EQ(0, again.made);
    EXPECT_EQ(3, again.shown);
    EXPECT_EQ(gardenMade, modifiedAt(gardenCache));
    EXPECT_EQ(1, marks.completed[0]);  // the same photos keep their marks

    writeFileBytes(folder + "/c-balloons.png", testPng(720, 500, GARDEN));
    PhotoProgress changed = startPhotos();
    EXPECT_EQ(1, changed.made);
    EXPECT_EQ(0, marks.completed[2]);  // a new photo starts unsolved
    EXPECT_EQ(1, marks.completed[0]);
    EXPECT_EQ(1, marks.completed[3]);

    remove((folder + "/a-garden.jpg").c_str());
    PhotoProgress fewer = startPhotos();
    EXPECT_EQ(2, fewer.shown);
    EXPECT_EQ(0, fewer.made);
    EXPECT_FALSE(placeHasPhoto(2));  // the built-in picture is back
    EXPECT_EQ(0, marks.completed[0]);
    EXPECT_EQ(0, marks.completed[1]);
    EXPECT_EQ(1, marks.completed[3]);
    EXPECT_EQ(-1, modifiedAt(gardenCache));  // pruned with its photo
}
