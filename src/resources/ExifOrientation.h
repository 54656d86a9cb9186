// The orientation a camera records in a JPEG's Exif block (APP1), so that a
// phone photo taken sideways can be shown upright.
#pragma once

#include <cstddef>

// Exif orientation values: 1 upright, 2 mirrored, 3 turned 180 degrees,
// 4 flipped, 5 transposed, 6 turned 90 clockwise to view, 7 transversed,
// 8 turned 90 counter-clockwise to view.
const int EXIF_UPRIGHT = 1;

// The orientation tag of IFD0 in an APP1 payload ("Exif\0\0" then a TIFF
// header, either byte order); EXIF_UPRIGHT when the block is not Exif, is
// damaged or carries no valid tag. Reads only inside [data, data + size).
int exifOrientation(const unsigned char *data, size_t size);
// True when the orientation turns the picture by 90 degrees (5 to 8): its
// width and height swap on the way to upright.
bool orientationSwapsSides(int orientation);
