// The photo decoding path a parent's folder feeds: any bytes are refused
// with a reason or give an upright image of the size it reports, and its
// board crop has exactly the board's size. The same bytes also go through
// the Exif orientation reader.
#include <cstdlib>

#include "resources/ExifOrientation.h"
#include "resources/PhotoDecode.h"
#include "resources/PhotoPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int orientation = exifOrientation(data, size);
    if (orientation < 1 || orientation > 8)
        abort();
    PhotoImage image;
    std::string why;
    // A small board width lets JPEGs decode at 1/8: more inputs per second.
    if (!decodePhoto(data, size, 64, PHOTO_BOARD_ASPECT, image, why)) {
        if (why.empty() || !image.rgb.empty())
            abort();
        return 0;
    }
    if (image.width < 1 || image.height < 1 || image.rgb.size() != (size_t)image.width * image.height * 3)
        abort();
    PhotoImage board = boardCrop(image, 64);
    if (board.width != 64 || board.height != boardHeightFor(64) || board.rgb.size() != (size_t)64 * board.height * 3)
        abort();
    return 0;
}
