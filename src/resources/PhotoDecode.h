// Photos a parent gives the game, decoded safely: PNG or JPEG, sizes read
// from the header before any pixel is allocated, the camera's orientation
// applied so that the picture stands upright.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Larger photos are refused before their pixels are allocated.
const int64_t PHOTO_MAX_PIXELS = 50000000;
// A photo whose short side is below this is too small to make a puzzle of.
const int PHOTO_MIN_SIDE = 400;
// A JPEG with more scans than any camera writes is refused (a crafted file
// could otherwise keep the decoder busy for minutes).
const int PHOTO_MAX_SCANS = 200;

// Invariant: rgb.size() == width * height * 3; rows top to bottom, upright.
struct PhotoImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Decodes PNG or JPEG bytes into an upright image. A JPEG is decoded at the
// smallest of 1/8, 2/8 ... 8/8 of its size whose centre crop of shape
// `aspect` (width / height) is still at least `needWidth` pixels wide.
// False, with a short reason in `why`, for anything unusable: not PNG or
// JPEG, damaged, over PHOTO_MAX_PIXELS or under PHOTO_MIN_SIDE.
bool decodePhoto(const unsigned char *data, size_t size, int needWidth, double aspect, PhotoImage &out,
                 std::string &why);
// The image turned and mirrored as the Exif orientation (1..8) says.
PhotoImage orientPhoto(const PhotoImage &image, int orientation);
// Reads a whole regular file of at most `limit` bytes; false, with the
// reason, for a folder, a link loop, an unreadable or larger file.
bool readPhotoFile(const std::string &path, size_t limit, std::vector<unsigned char> &out, std::string &why);
