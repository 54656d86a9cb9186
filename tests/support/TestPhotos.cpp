#include "support/TestPhotos.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <jpeglib.h>

#include "resources/PngWriter.h"

static std::vector<unsigned char> twoColourRgb(int width, int height, const TwoColours &colours)
{
    std::vector<unsigned char> rgb((size_t)width * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            bool first = colours.stripe ? x / colours.stripe % 2 == 0
                         : colours.leftRight ? x < width / 2 : y < height / 2;
            memcpy(&rgb[((size_t)y * width + x) * 3], first ? colours.first : colours.second, 3);
        }
    return rgb;
}

static void put16(Bytes &out, unsigned v, bool bigEndian)
{
    out.push_back(bigEndian ? v >> 8 : v & 0xff);
    out.push_back(bigEndian ? v & 0xff : v >> 8);
}

static void put32(Bytes &out, unsigned v, bool bigEndian)
{
    put16(out, bigEndian ? v >> 16 : v & 0xffff, bigEndian);
    put16(out, bigEndian ? v & 0xffff : v >> 16, bigEndian);
}

Bytes exifPayload(int orientation, bool bigEndian)
{
    Bytes out = {'E', 'x', 'i', 'f', 0, 0};
    out.push_back(bigEndian ? 'M' : 'I');
    out.push_back(bigEndian ? 'M' : 'I');
    put16(out, 42, bigEndian);
    put32(out, 8, bigEndian);
    put16(out, 1, bigEndian);       // one entry
    put16(out, 0x0112, bigEndian);  // orientation
    put16(out, 3, bigEndian);       // SHORT
    put32(out, 1, bigEndian);
    put16(out, orientation, bigEndian);
    put16(out, 0, bigEndian);
    put32(out, 0, bigEndian);       // no next IFD
    return out;
}

Bytes testJpeg(int width, int height, const TwoColours &colours, int orientation)
{
    std::vector<unsigned char> rgb = twoColourRgb(width, height, colours);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    if (orientation) {
        Bytes exif = exifPayload(orientation, true);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), (unsigned)exif.size());
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &rgb[(size_t)info.next_scanline * width * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return out;
}

Bytes testPng(int width, int height, const TwoColours &colours)
{
    PngImage png;
    png.width = width;
    png.height = height;
    png.kind = PNG_RGB;
    png.pixels = twoColourRgb(width, height, colours);
    return encodePng(png);
}

void removeTree(const std::string &folder)
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
