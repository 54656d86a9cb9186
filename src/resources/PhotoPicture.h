// What a photo becomes in the game: the picture the pieces are cut from (also
// the finished picture) and the preview on the panel's card, in the sizes
// and shape of the built-in pictures. The cut itself (pieces, rims,
// outlines, shadows) is the built-in archives' own and is not remade.
#pragma once

#include <string>

#include "resources/PhotoDecode.h"
#include "resources/PngWriter.h"

// The board's shape (width / height), as the cut and the art have it.
const double PHOTO_BOARD_ASPECT = 19.7 / 12.2;
// Widths of the picture (picture.png, final.png) and preview (prev.png).
const int PHOTO_PICTURE_WIDTH = 1280;
const int PHOTO_PREVIEW_WIDTH = 512;
// The cut grid of the 20-piece size, whose cells the detail figure reads.
const int PHOTO_DETAIL_COLUMNS = 5;
const int PHOTO_DETAIL_ROWS = 4;

struct PhotoPicture {
    Bytes picturePng;  // PHOTO_PICTURE_WIDTH wide, RGB
    Bytes previewPng;  // PHOTO_PREVIEW_WIDTH wide, RGB
    int plainPieces = 0;  // cells of the 20-piece grid that read as one plain colour
};

// The height that goes with a width in the board's shape.
int boardHeightFor(int width);
// The centre of the image cropped to the board's shape and scaled to
// `width` x boardHeightFor(width), each pixel the mean of those it covers.
PhotoImage boardCrop(const PhotoImage &image, int width);
// The picture, preview and detail figure of an upright photo.
PhotoPicture makePhotoPicture(const PhotoImage &image);
