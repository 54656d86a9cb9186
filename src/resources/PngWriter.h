// A small PNG encoder (8-bit channels, stored deflate blocks) for test images,
// tool output and the pictures made from photos. Not meant to compress well;
// meant to be exact, simple and fast. Safe to call from several threads.
#pragma once

#include <vector>

typedef std::vector<unsigned char> Bytes;

enum PngKind {
    PNG_GREY = 0,
    PNG_RGB = 2,
    PNG_PALETTE = 3,
    PNG_GREY_ALPHA = 4,
    PNG_RGBA = 6
};

// An image in the PNG's own channel layout.
// Invariant: pixels.size() == width * height * channels(kind).
struct PngImage {
    int width = 0;
    int height = 0;
    PngKind kind = PNG_RGBA;
    Bytes pixels;        // rows top to bottom, no padding
    Bytes palette;       // PNG_PALETTE only: R,G,B triples
    Bytes paletteAlpha;  // PNG_PALETTE only: optional alpha per palette index
};

// Bytes per pixel of a kind.
int pngChannels(PngKind kind);
// The PNG file's bytes.
Bytes encodePng(const PngImage &image);
