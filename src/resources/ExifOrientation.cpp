#include "resources/ExifOrientation.h"

#include <cstdint>
#include <cstring>

namespace {

const uint16_t ORIENTATION_TAG = 0x0112;
const uint16_t TIFF_SHORT = 3;
const size_t EXIF_HEADER = 6;  // "Exif\0\0"
const size_t IFD_ENTRY = 12;

// The TIFF block after the Exif header, in its own byte order.
struct Tiff {
    const unsigned char *data;
    size_t size;
    bool bigEndian;

    bool u16(size_t at, uint16_t &out) const
    {
        if (at > size || size - at < 2)
            return false;
        out = bigEndian ? (uint16_t)(data[at] << 8 | data[at + 1]) : (uint16_t)(data[at + 1] << 8 | data[at]);
        return true;
    }
    bool u32(size_t at, uint32_t &out) const
    {
        uint16_t a, b;
        if (!u16(at, a) || !u16(at + 2, b))
            return false;
        out = bigEndian ? (uint32_t)a << 16 | b : (uint32_t)b << 16 | a;
        return true;
    }
};

} // namespace

int exifOrientation(const unsigned char *data, size_t size)
{
    if (!data || size < EXIF_HEADER + 8 || memcmp(data, "Exif\0\0", EXIF_HEADER) != 0)
        return EXIF_UPRIGHT;
    Tiff tiff{data + EXIF_HEADER, size - EXIF_HEADER, data[EXIF_HEADER] == 'M'};
    uint16_t magic, count;
    uint32_t ifd;
    bool orderKnown = memcmp(tiff.data, "II", 2) == 0 || memcmp(tiff.data, "MM", 2) == 0;
    if (!orderKnown || !tiff.u16(2, magic) || magic != 42 || !tiff.u32(4, ifd) || !tiff.u16(ifd, count))
        return EXIF_UPRIGHT;
    for (uint32_t i = 0; i < count; i++) {
        size_t entry = (size_t)ifd + 2 + (size_t)i * IFD_ENTRY;
        uint16_t tag, type, value;
        uint32_t values;
        if (!tiff.u16(entry, tag) || !tiff.u16(entry + 2, type) || !tiff.u32(entry + 4, values) ||
            !tiff.u16(entry + 8, value))
            return EXIF_UPRIGHT;
        if (tag != ORIENTATION_TAG)
            continue;
        bool valid = type == TIFF_SHORT && values == 1 && value >= 1 && value <= 8;
        return valid ? value : EXIF_UPRIGHT;
    }
    return EXIF_UPRIGHT;
}

bool orientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}
