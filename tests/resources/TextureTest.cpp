// Image decoding and conversion to upload-ready rows (no GL needed).
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include "resources/Texture.h"
#include "support/TestArchives.h"

#include <vector>

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

static PngImage greyPair()
{
    PngImage grey;
    grey.width = 2;
    grey.height = 1;
    grey.kind = PNG_GREY;
    grey.pixels = {0, 200};
    return grey;
}

// Two palette pixels; with `alpha`, the first fully transparent.
static PngImage palettePair(bool alpha)
{
    PngImage paletted;
    paletted.width = 2;
    paletted.height = 1;
    paletted.kind = PNG_PALETTE;
    paletted.palette = alpha ? std::vector<unsigned char>{10, 20, 30, 40, 50, 60}
                             : std::vector<unsigned char>{255, 0, 0, 0, 0, 255};
    if (alpha)
        paletted.paletteAlpha = {0, 255};
    paletted.pixels = alpha ? std::vector<unsigned char>{0, 1} : std::vector<unsigned char>{1, 0};
    return paletted;
}

// A 3 x 1 bitmap as SDL's own BMP writer stores it: B, G, R; pixel x is
// (50 + x, 150 + x, 250 - x).
static Bytes bgrBitmap()
{
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 1, 24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    if (!s)
        return Bytes();
    Uint8 *p = (Uint8 *)s->pixels;
    for (int x = 0; x < 3; x++) {
        Uint32 v = SDL_MapRGB(s->format, (Uint8)(50 + x), (Uint8)(150 + x), (Uint8)(250 - x));
        p[x * 3 + 0] = (Uint8)(v & 0xff);
        p[x * 3 + 1] = (Uint8)((v >> 8) & 0xff);
        p[x * 3 + 2] = (Uint8)((v >> 16) & 0xff);
    }
    Bytes bmp(4096);
    SDL_RWops *out = SDL_RWFromMem(bmp.data(), (int)bmp.size());
    const bool saved = SDL_SaveBMP_RW(s, out, 0) == 0;
    bmp.resize(saved ? (size_t)SDL_RWtell(out) : 0);
    SDL_RWclose(out);
    SDL_FreeSurface(s);
    return bmp;
}

// Every kind of image the archives may hold comes out as R, G, B (and A when
// the image has alpha), rows padded to four bytes.
TEST(TextureConvertTest, EveryImageKindBecomesUploadReadyRows)
{
    struct Probe {
        int x, y;
        int rgba[4];  // -1: not checked
    };
    const struct {
        const char *why;
        Bytes file;
        bool hasAlpha;
        int rowBytes;  // 0: not checked
        std::vector<Probe> probes;
    } cases[] = {
        // 9 bytes of pixels, padded to 12; the second row starts after the padding.
        {"RGB of odd width", encodePng(distinctRgb()), false, 12, {{2, 1, {15, 105, 205, -1}}, {0, 1, {13, -1, -1, -1}}}},
        {"RGBA", solidPng(5, 3, 1, 2, 3, 77), true, 20, {{4, 2, {1, 2, 3, 77}}}},
        {"grey", encodePng(greyPair()), false, 0, {{1, 0, {200, -1, 200, -1}}}},
        {"paletted", encodePng(palettePair(false)), false, 0, {{0, 0, {0, -1, 255, -1}}, {1, 0, {255, -1, -1, -1}}}},
        {"palette transparency", encodePng(palettePair(true)), true, 0,
         {{0, 0, {-1, -1, -1, 0}}, {1, 0, {40, -1, -1, 255}}}},
        {"BGR bitmap", bgrBitmap(), false, 0, {{2, 0, {52, 152, 248, -1}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TexturePixels t;
        ASSERT_TRUE(decode(c.file, t));
        EXPECT_EQ(c.hasAlpha, t.hasAlpha);
        if (c.rowBytes) {
            EXPECT_EQ(c.rowBytes, t.rowBytes);
        }
        ASSERT_EQ(t.pixels.size(), (size_t)t.rowBytes * t.height);
        for (const Probe &probe : c.probes) {
            for (int k = 0; k < 4; k++) {
                if (probe.rgba[k] >= 0) {
                    EXPECT_EQ(probe.rgba[k], pixelAt(t, probe.x, probe.y)[k])
                        << "channel " << k << " at " << probe.x << "," << probe.y;
                }
            }
        }
    }
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
