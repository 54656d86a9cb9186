// Image decoding and conversion to upload-ready rows (no GL needed).
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include "resources/Texture.h"
#include "support/TestArchives.h"

static bool decode(const Bytes &file, TexturePixels &out)
{
    return decodeImage(file.data(), (uint32_t)file.size(), out);
}

static const unsigned char *pixelAt(const TexturePixels &t, int x, int y)
{
    return t.pixels.data() + (size_t)y * t.rowBytes + x * (t.hasAlpha ? 4 : 3);
}

// A 3 x 2 image whose pixels all differ, so any mix-up of rows, channels or
// padding shows.
static PngImage distinctRgb()
{
    PngImage image;
    image.width = 3;
    image.height = 2;
    image.kind = PNG_RGB;
    for (int i = 0; i < 6; i++) {
        image.pixels.push_back((unsigned char)(10 + i));
        image.pixels.push_back((unsigned char)(100 + i));
        image.pixels.push_back((unsigned char)(200 + i));
    }
    return image;
}

TEST(TextureConvertTest, RgbRowsOfOddWidthArePaddedToFourBytes)
{
    TexturePixels t;
    ASSERT_TRUE(decode(encodePng(distinctRgb()), t));
    EXPECT_FALSE(t.hasAlpha);
    EXPECT_EQ(12, t.rowBytes);  // 9 bytes of pixels, padded to 12
    ASSERT_EQ(24u, t.pixels.size());
    const unsigned char *last = pixelAt(t, 2, 1);
    EXPECT_EQ(15, last[0]);
    EXPECT_EQ(105, last[1]);
    EXPECT_EQ(205, last[2]);
    EXPECT_EQ(13, pixelAt(t, 0, 1)[0]);  // the second row starts after the padding
}

TEST(TextureConvertTest, RgbaKeepsAlphaAndChannelOrder)
{
    TexturePixels t;
    ASSERT_TRUE(decode(solidPng(5, 3, 1, 2, 3, 77), t));
    EXPECT_TRUE(t.hasAlpha);
    EXPECT_EQ(20, t.rowBytes);
    const unsigned char *p = pixelAt(t, 4, 2);
    EXPECT_EQ(1, p[0]);
    EXPECT_EQ(2, p[1]);
    EXPECT_EQ(3, p[2]);
    EXPECT_EQ(77, p[3]);
}

TEST(TextureConvertTest, GreyAndPalettedImagesBecomeRgb)
{
    PngImage grey;
    grey.width = 2;
    grey.height = 1;
    grey.kind = PNG_GREY;
    grey.pixels = {0, 200};
    TexturePixels t;
    ASSERT_TRUE(decode(encodePng(grey), t));
    EXPECT_FALSE(t.hasAlpha);
    EXPECT_EQ(200, pixelAt(t, 1, 0)[0]);
    EXPECT_EQ(200, pixelAt(t, 1, 0)[2]);

    PngImage paletted;
    paletted.width = 2;
    paletted.height = 1;
    paletted.kind = PNG_PALETTE;
    paletted.palette = {255, 0, 0, 0, 0, 255};
    paletted.pixels = {1, 0};
    ASSERT_TRUE(decode(encodePng(paletted), t));
    EXPECT_FALSE(t.hasAlpha);
    EXPECT_EQ(0, pixelAt(t, 0, 0)[0]);
    EXPECT_EQ(255, pixelAt(t, 0, 0)[2]);
    EXPECT_EQ(255, pixelAt(t, 1, 0)[0]);
}

TEST(TextureConvertTest, PaletteTransparencyBecomesAlpha)
{
    PngImage paletted;
    paletted.width = 2;
    paletted.height = 1;
    paletted.kind = PNG_PALETTE;
    paletted.palette = {10, 20, 30, 40, 50, 60};
    paletted.paletteAlpha = {0, 255};
    paletted.pixels = {0, 1};
    TexturePixels t;
    ASSERT_TRUE(decode(encodePng(paletted), t));
    ASSERT_TRUE(t.hasAlpha);
    EXPECT_EQ(0, pixelAt(t, 0, 0)[3]);
    EXPECT_EQ(255, pixelAt(t, 1, 0)[3]);
    EXPECT_EQ(40, pixelAt(t, 1, 0)[0]);
}

TEST(TextureConvertTest, BgrBitmapIsReorderedToRgb)
{
    // SDL's own BMP writer stores B, G, R; the upload must still be R, G, B.
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 1, 24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    ASSERT_NE(nullptr, s);
    Uint8 *p = (Uint8 *)s->pixels;
    for (int x = 0; x < 3; x++) {
        Uint32 v = SDL_MapRGB(s->format, (Uint8)(50 + x), (Uint8)(150 + x), (Uint8)(250 - x));
        p[x * 3 + 0] = (Uint8)(v & 0xff);
        p[x * 3 + 1] = (Uint8)((v >> 8) & 0xff);
        p[x * 3 + 2] = (Uint8)((v >> 16) & 0xff);
    }
    Bytes bmp(4096);
    SDL_RWops *out = SDL_RWFromMem(bmp.data(), (int)bmp.size());
    ASSERT_EQ(0, SDL_SaveBMP_RW(s, out, 0));
    bmp.resize((size_t)SDL_RWtell(out));
    SDL_RWclose(out);
    SDL_FreeSurface(s);

    TexturePixels t;
    ASSERT_TRUE(decode(bmp, t));
    EXPECT_FALSE(t.hasAlpha);
    const unsigned char *q = pixelAt(t, 2, 0);
    EXPECT_EQ(52, q[0]);
    EXPECT_EQ(152, q[1]);
    EXPECT_EQ(248, q[2]);
}

TEST(TextureConvertTest, UndecodableOrEmptyDataGivesNoPixels)
{
    TexturePixels t;
    Bytes garbage = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(decode(garbage, t));
    EXPECT_FALSE(decodeImage(nullptr, 0, t));
    Bytes png = solidPng(4, 4, 1, 1, 1, 1);
    png.resize(png.size() / 2);  // cut in the middle of the pixel data
    EXPECT_FALSE(decode(png, t));
}

// SDL_image's PNG reader ignores short reads: a chunk declared longer than
// the bytes left made it read the same stale header again and again, for
// ever. Such an entry is refused before the decoder sees it.
TEST(TextureConvertTest, PngWhoseChunkRunsPastItsEntryIsRefusedInsteadOfHanging)
{
    Bytes png = solidPng(4, 4, 1, 1, 1, 1);
    // After the signature and IHDR: a background chunk declaring 7 MB.
    const unsigned char chunk[] = {0x00, 0x6d, 0x00, 0x06, 'b', 'K', 'G', 'D', 0, 0xff, 0, 0xff, 0, 0xff, 1, 2, 3, 4};
    png.insert(png.begin() + 33, chunk, chunk + sizeof chunk);
    EXPECT_EXIT(
        {
            alarm(10);  // a hang ends the child with SIGALRM
            TexturePixels t;
            exit(decode(png, t) ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}
