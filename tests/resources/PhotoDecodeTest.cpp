// Photo decoding: the camera's orientation, the size limits read from the
// header, DCT scaling, and everything a damaged file can throw at it.
#include <gtest/gtest.h>

#include "resources/ExifOrientation.h"
#include "resources/PhotoDecode.h"
#include "resources/PhotoPicture.h"
#include "support/TestPhotos.h"

static const TwoColours RED_OVER_BLUE = {{230, 20, 20}, {20, 20, 230}, false};

static void expectNear(const unsigned char *rgb, const unsigned char *want, const char *where)
{
    for (int c = 0; c < 3; c++)
        EXPECT_NEAR(want[c], rgb[c], 12) << where << " channel " << c;
}

static const unsigned char *pixel(const PhotoImage &image, int x, int y)
{
    return &image.rgb[((size_t)y * image.width + x) * 3];
}

TEST(ExifOrientationTest, ReadsTheTagInEitherByteOrderAndFallsBackToUprightOnAnyDamage)
{
    for (bool big : {false, true})
        for (int o = 1; o <= 8; o++) {
            Bytes exif = exifPayload(o, big);
            EXPECT_EQ(o, exifOrientation(exif.data(), exif.size())) << o << (big ? " MM" : " II");
        }
    Bytes good = exifPayload(6, true);
    struct Case {
        const char *what;
        size_t at;       // byte changed (or the length cut, for "cut")
        int value;
    } cases[] = {
        {"not Exif", 0, 'X'},        {"unknown byte order", 6, 'X'}, {"magic not 42", 9, 43},
        {"IFD past the end", 13, 200}, {"no entries", 15, 0}, {"type not SHORT", 19, 4},
        {"value 9", 25, 9},          {"value 0", 25, 0},
    };
    for (const Case &c : cases) {
        Bytes bad = good;
        bad[c.at] = (unsigned char)c.value;
        EXPECT_EQ(EXIF_UPRIGHT, exifOrientation(bad.data(), bad.size())) << c.what;
    }
    const size_t entryEnd = 6 + 8 + 2 + 10;  // Exif header, TIFF header, count, the entry up to its value
    for (size_t cut = 0; cut < entryEnd; cut++)
        EXPECT_EQ(EXIF_UPRIGHT, exifOrientation(good.data(), cut)) << "cut at " << cut;
}

TEST(PhotoDecodeTest, SidewaysPhoneJpegStandsUpright)
{
    // Stored red over blue; orientation 6 asks for a quarter turn clockwise,
    // so the viewer sees blue on the left and red on the right.
    Bytes jpeg = testJpeg(480, 800, RED_OVER_BLUE, 6);
    PhotoImage image;
    std::string why;
    ASSERT_TRUE(decodePhoto(jpeg.data(), jpeg.size(), PHOTO_PICTURE_WIDTH, PHOTO_BOARD_ASPECT, image, why)) << why;
    EXPECT_EQ(800, image.width);
    EXPECT_EQ(480, image.height);
    expectNear(pixel(image, 100, 240), RED_OVER_BLUE.second, "left");
    expectNear(pixel(image, 700, 240), RED_OVER_BLUE.first, "right");
}

TEST(PhotoDecodeTest, EveryOrientationMapsTheCornersWhereTheCameraMeant)
{
    // A 3 x 2 image whose pixels are numbered; the upright top-left pixel
    // for each orientation, per the Exif table.
    PhotoImage stored;
    stored.width = 3, stored.height = 2;
    for (int i = 0; i < 6; i++)
        stored.rgb.insert(stored.rgb.end(), {(unsigned char)i, 0, 0});
    const int topLeft[9] = {0, 0, 2, 5, 3, 0, 3, 5, 2};
    for (int o = 1; o <= 8; o++) {
        PhotoImage up = orientPhoto(stored, o);
        EXPECT_EQ(o >= 5 ? 2 : 3, up.width) << o;
        EXPECT_EQ(topLeft[o], up.rgb[0]) << "orientation " << o;
    }
}

TEST(PhotoDecodeTest, LargeJpegIsScaledDownByTheDecoderYetCoversTheBoard)
{
    Bytes jpeg = testJpeg(2800, 1800, RED_OVER_BLUE);
    PhotoImage image;
    std::string why;
    ASSERT_TRUE(decodePhoto(jpeg.data(), jpeg.size(), PHOTO_PICTURE_WIDTH, PHOTO_BOARD_ASPECT, image, why)) << why;
    EXPECT_EQ(1400, image.width);  // 1/2: 1/4 would leave 700 px across
    EXPECT_EQ(900, image.height);
    PhotoImage board = boardCrop(image, PHOTO_PICTURE_WIDTH);
    EXPECT_EQ(793, board.height);
    expectNear(pixel(board, 640, 10), RED_OVER_BLUE.first, "top");
    expectNear(pixel(board, 640, 780), RED_OVER_BLUE.second, "bottom");
}

// A PNG or JPEG header that claims `width` x `height`, with nothing behind it.
static Bytes claimedSize(bool png, unsigned width, unsigned height)
{
    Bytes bytes = png ? testPng(400, 400, RED_OVER_BLUE) : testJpeg(400, 400, RED_OVER_BLUE);
    if (png) {
        for (int i = 0; i < 4; i++) {
            bytes[16 + i] = (unsigned char)(width >> (24 - 8 * i));
            bytes[20 + i] = (unsigned char)(height >> (24 - 8 * i));
        }
        return bytes;
    }
    for (size_t i = 2; i + 9 < bytes.size(); i++)
        if (bytes[i] == 0xff && bytes[i + 1] == 0xc0) {  // SOF0: length, precision, height, width
            bytes[i + 5] = (unsigned char)(height >> 8), bytes[i + 6] = (unsigned char)height;
            bytes[i + 7] = (unsigned char)(width >> 8), bytes[i + 8] = (unsigned char)width;
            break;
        }
    return bytes;
}

TEST(PhotoDecodeTest, UnusableBytesAreRefusedWithTheirReason)
{
    Bytes jpeg = testJpeg(640, 480, RED_OVER_BLUE);
    Bytes png = testPng(640, 480, RED_OVER_BLUE);
    Bytes text = {'h', 'e', 'l', 'l', 'o', '\n'};
    Bytes cutJpeg(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    Bytes cutPng(png.begin(), png.begin() + png.size() / 2);
    Bytes garbledJpeg = jpeg;
    for (size_t i = 600; i < 700; i++)
        garbledJpeg[i] = 0xff;
    struct Case {
        const char *what;
        Bytes bytes;
        const char *reason;
    } cases[] = {
        {"a text file", text, "neither PNG nor JPEG"},
        {"an empty file", Bytes(), "neither PNG nor JPEG"},
        {"a JPEG cut in half", cutJpeg, "damaged JPEG"},
        {"a garbled JPEG", garbledJpeg, "damaged JPEG"},
        {"a PNG cut in half", cutPng, "damaged PNG"},
        {"a small JPEG", testJpeg(600, 399, RED_OVER_BLUE), "under 400 pixels"},
        {"a small PNG", testPng(399, 600, RED_OVER_BLUE), "under 400 pixels"},
        {"a 60 MP PNG header", claimedSize(true, 10000, 6000), "over 50 megapixels"},
        {"a 60 MP JPEG header", claimedSize(false, 10000, 6000), "over 50 megapixels"},
        {"a PNG header 4 billion pixels a side", claimedSize(true, 0xffffffffu, 0xffffffffu), "over 50 megapixels"},
    };
    for (const Case &c : cases) {
        PhotoImage image;
        std::string why;
        EXPECT_FALSE(decodePhoto(c.bytes.data(), c.bytes.size(), 100, PHOTO_BOARD_ASPECT, image, why)) << c.what;
        EXPECT_NE(std::string::npos, why.find(c.reason)) << c.what << ": " << why;
        EXPECT_TRUE(image.rgb.empty()) << c.what;
    }
}
