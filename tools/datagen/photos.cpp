// lumbrik-photos: turns five photos (PNG or JPEG, any size) into the game's
// five puzzles, both sizes. Each photo is cropped to the board's shape around
// its centre; the cuts, outlines and shadows stay those of the game.
//
//   lumbrik-photos [--data DATA_DIR] OUTPUT_DIR PHOTO1 PHOTO2 PHOTO3 PHOTO4 PHOTO5
//
// Writes the picture archives of both sizes and the five common archives into
// OUTPUT_DIR (the game's data folder, to replace the pictures there).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <SDL_image.h>

#include "datagen/DataBuild.h"
#include "resources/Texture.h"

#ifndef LUMBRIK_SOURCE_DATA_DIR
#define LUMBRIK_SOURCE_DATA_DIR "data"
#endif

// The photo as straight RGBA, cropped around its centre to the board's shape.
static bool loadPhoto(const char *path, RenderedImage &out)
{
    SDL_Surface *surface = IMG_Load(path);
    if (!surface) {
        fprintf(stderr, "lumbrik-photos: cannot read %s: %s\n", path, IMG_GetError());
        return false;
    }
    TexturePixels pixels;
    bool ok = convertSurface(surface, pixels);
    SDL_FreeSurface(surface);
    if (!ok)
        return false;
    double aspect = BOARD_WIDTH / BOARD_HEIGHT;
    int w = pixels.width, h = pixels.height;
    int cropW = std::min(w, (int)std::lround(h * aspect));
    int cropH = std::min(h, (int)std::lround(cropW / aspect));
    int x0 = (w - cropW) / 2, y0 = (h - cropH) / 2;
    int channels = pixels.hasAlpha ? 4 : 3;
    out.width = cropW;
    out.height = cropH;
    out.rgba.assign((size_t)cropW * cropH * 4, 255);
    for (int y = 0; y < cropH; y++)
        for (int x = 0; x < cropW; x++) {
            const unsigned char *s = &pixels.pixels[(size_t)(y0 + y) * pixels.rowBytes + (x0 + x) * channels];
            unsigned char *d = &out.rgba[((size_t)y * cropW + x) * 4];
            memcpy(d, s, 3);
        }
    return true;
}

// Archives that show a picture: those with a row whose source is picture n.
static bool showsPictures(const std::vector<InventoryRow> &rows, const std::string &archive)
{
    for (const InventoryRow &row : rows)
        if (row.archive == archive && row.source.find("pictures/picture") == 0)
            return true;
    return false;
}

int main(int argc, char **argv)
{
    DataBuild build;
    build.dataDir = LUMBRIK_SOURCE_DATA_DIR;
    int first = 1;
    if (argc > 2 && strcmp(argv[1], "--data") == 0) {
        build.dataDir = argv[2];
        first = 3;
    }
    if (argc - first != 6) {
        fprintf(stderr, "usage: lumbrik-photos [--data DATA_DIR] OUTPUT_DIR PHOTO1 ... PHOTO5\n");
        return 2;
    }
    std::string out = argv[first];
    for (int i = 0; i < 5; i++) {
        RenderedImage photo;
        if (!loadPhoto(argv[first + 1 + i], photo))
            return 1;
        build.overrides["pictures/picture" + std::to_string(i) + ".svg"] = photo;
    }
    std::vector<InventoryRow> rows;
    std::string error;
    if (!loadInventory(build.dataDir + "/inventory.tsv", rows, error) || !loadTexts(build, "en")) {
        fprintf(stderr, "lumbrik-photos: %s\n", error.empty() ? build.error.c_str() : error.c_str());
        return 1;
    }
    for (const std::string &archive : inventoryArchives(rows)) {
        if (!showsPictures(rows, archive))
            continue;
        PakFile pak;
        if (!buildArchive(build, rows, archive, pak) || !writeFileAtomic(out + "/" + archive, encodePak(pak))) {
            fprintf(stderr, "lumbrik-photos: %s: %s\n", archive.c_str(), build.error.c_str());
            return 1;
        }
        printf("lumbrik-photos: %s\n", archive.c_str());
    }
    return 0;
}
