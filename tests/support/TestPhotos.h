// Photos for tests: real JPEG and PNG files, made in memory.
#pragma once

#include <string>
#include <vector>

#include "support/FileBytes.h"
#include "support/TestArchives.h"

// A photo of two colours: the first over the top half (or the left half when
// `leftRight`), the second over the rest, rgb each; or, when `stripe` is
// set, upright stripes that wide in turn (a photo with detail in every piece).
struct TwoColours {
    unsigned char first[3];
    unsigned char second[3];
    bool leftRight = true;
    int stripe = 0;
};

// A baseline JPEG (quality 90) of the two colours; with an Exif block giving
// `orientation` when it is not 0.
Bytes testJpeg(int width, int height, const TwoColours &colours, int orientation = 0);
// An RGB PNG of the two colours.
Bytes testPng(int width, int height, const TwoColours &colours);
// An Exif APP1 payload ("Exif\0\0" + TIFF) with one orientation entry.
Bytes exifPayload(int orientation, bool bigEndian);
// Removes a folder and everything in it.
void removeTree(const std::string &folder);
