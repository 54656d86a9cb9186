// A small RGBA canvas with anti-aliased shapes, for art drawn in code.
#pragma once

#include <vector>

#include "pakwriter/PngWriter.h"

struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;  // 0..1
};

// Invariant: pixels.size() == width * height, rows top to bottom.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // straight (not premultiplied) alpha
};

struct Point2 {
    double x = 0, y = 0;  // canvas pixels, y down
};

Canvas makeCanvas(int width, int height, Rgba fill);
// Blends colour over the pixel with the given coverage (0..1).
void blendPixel(Canvas &c, int x, int y, Rgba colour, double coverage);
// Fills a disc, anti-aliased.
void fillCircle(Canvas &c, double cx, double cy, double radius, Rgba colour);
// Fills a polygon (even-odd), 4x4 supersampled.
void fillPolygon(Canvas &c, const std::vector<Point2> &points, Rgba colour);
// A thick line segment with round ends, anti-aliased.
void strokeLine(Canvas &c, Point2 a, Point2 b, double width, Rgba colour);
// Vertical gradient from top colour to bottom colour over the whole canvas.
void fillVerticalGradient(Canvas &c, Rgba top, Rgba bottom);
// The canvas as an RGBA (or RGB when opaque is set) PNG.
Bytes canvasToPng(const Canvas &c, bool opaque);
