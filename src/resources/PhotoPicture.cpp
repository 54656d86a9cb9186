#include "resources/PhotoPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "resources/PictureDetail.h"

int boardHeightFor(int width)
{
    return (int)std::lround(width / PHOTO_BOARD_ASPECT);
}

// The source pixels [first[i], end[i]) that output cell i of `count` covers,
// over `span` pixels from `start`. Every cell covers at least one pixel, so
// that small photos are enlarged too, and none reaches past the span.
struct Cells {
    std::vector<int> first, end;
};

static Cells cellsOver(int start, int span, int count)
{
    Cells cells;
    for (int i = 0; i < count; i++) {
        int a = start + (int)((int64_t)span * i / count);
        cells.first.push_back(a);
        cells.end.push_back(std::max(start + (int)((int64_t)span * (i + 1) / count), a + 1));
    }
    return cells;
}

PhotoImage boardCrop(const PhotoImage &image, int width)
{
    PhotoImage out;
    if (image.width <= 0 || image.height <= 0 || width <= 0)
        return out;
    int cropW = std::min(image.width, (int)std::lround(image.height * PHOTO_BOARD_ASPECT));
    int cropH = std::min(image.height, (int)std::lround(cropW / PHOTO_BOARD_ASPECT));
    out.width = width;
    out.height = boardHeightFor(width);
    out.rgb.resize((size_t)out.width * out.height * 3);
    Cells xs = cellsOver((image.width - cropW) / 2, cropW, out.width);
    Cells ys = cellsOver((image.height - cropH) / 2, cropH, out.height);
    std::vector<uint32_t> sums((size_t)out.width * 3);
    for (int oy = 0; oy < out.height; oy++) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = ys.first[oy]; y < ys.end[oy]; y++) {
            const unsigned char *row = &image.rgb[(size_t)y * image.width * 3];
            for (int ox = 0; ox < out.width; ox++)
                for (int x = xs.first[ox]; x < xs.end[ox]; x++)
                    for (int c = 0; c < 3; c++)
                        sums[ox * 3 + c] += row[x * 3 + c];
        }
        for (int ox = 0; ox < out.width; ox++) {
            uint32_t area = (uint32_t)(xs.end[ox] - xs.first[ox]) * (ys.end[oy] - ys.first[oy]);
            for (int c = 0; c < 3; c++)
                out.rgb[((size_t)oy * out.width + ox) * 3 + c] = (unsigned char)((sums[ox * 3 + c] + area / 2) / area);
        }
    }
    return out;
}

static Bytes rgbPng(const PhotoImage &image)
{
    PngImage png;
    png.width = image.width;
    png.height = image.height;
    png.kind = PNG_RGB;
    png.pixels = image.rgb;
    return encodePng(png);
}

PhotoPicture makePhotoPicture(const PhotoImage &image)
{
    PhotoPicture made;
    PhotoImage picture = boardCrop(image, PHOTO_PICTURE_WIDTH);
    PhotoImage preview = boardCrop(picture, PHOTO_PREVIEW_WIDTH);
    made.picturePng = rgbPng(picture);
    made.previewPng = rgbPng(preview);
    // Read on the picture the pieces are cut from, as the built-in art is.
    made.plainPieces =
        plainCells(picture.rgb.data(), picture.width, picture.height, PHOTO_DETAIL_COLUMNS, PHOTO_DETAIL_ROWS);
    return made;
}
