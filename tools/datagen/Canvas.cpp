#include "datagen/Canvas.h"

#include <algorithm>
#include <cmath>

Canvas makeCanvas(int width, int height, Rgba fill)
{
    Canvas c;
    c.width = width;
    c.height = height;
    c.pixels.assign((size_t)width * height, fill);
    return c;
}

void blendPixel(Canvas &c, int x, int y, Rgba colour, double coverage)
{
    if (x < 0 || y < 0 || x >= c.width || y >= c.height || coverage <= 0)
        return;
    Rgba &d = c.pixels[(size_t)y * c.width + x];
    double a = colour.a * std::min(coverage, 1.0);
    double outA = a + d.a * (1 - a);
    if (outA <= 0) {
        d = Rgba{0, 0, 0, 0};
        return;
    }
    d.r = (colour.r * a + d.r * d.a * (1 - a)) / outA;
    d.g = (colour.g * a + d.g * d.a * (1 - a)) / outA;
    d.b = (colour.b * a + d.b * d.a * (1 - a)) / outA;
    d.a = outA;
}

void fillCircle(Canvas &c, double cx, double cy, double radius, Rgba colour)
{
    int x0 = (int)std::floor(cx - radius - 1), x1 = (int)std::ceil(cx + radius + 1);
    int y0 = (int)std::floor(cy - radius - 1), y1 = (int)std::ceil(cy + radius + 1);
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            blendPixel(c, x, y, colour, std::clamp(radius - d + 0.5, 0.0, 1.0));
        }
}

static bool insidePolygon(const std::vector<Point2> &p, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].y > y) != (p[j].y > y) &&
            x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            inside = !inside;
    }
    return inside;
}

void fillPolygon(Canvas &c, const std::vector<Point2> &points, Rgba colour)
{
    if (points.size() < 3)
        return;
    double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const Point2 &p : points) {
        minX = std::min(minX, p.x); maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y); maxY = std::max(maxY, p.y);
    }
    for (int y = (int)std::floor(minY); y <= (int)std::ceil(maxY); y++)
        for (int x = (int)std::floor(minX); x <= (int)std::ceil(maxX); x++) {
            int hits = 0;
            for (int sy = 0; sy < 4; sy++)
                for (int sx = 0; sx < 4; sx++)
                    hits += insidePolygon(points, x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
            blendPixel(c, x, y, colour, hits / 16.0);
        }
}

static double distanceToSegment(Point2 a, Point2 b, double x, double y)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0) : 0;
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

void strokeLine(Canvas &c, Point2 a, Point2 b, double width, Rgba colour)
{
    double r = width / 2;
    int x0 = (int)std::floor(std::min(a.x, b.x) - r - 1), x1 = (int)std::ceil(std::max(a.x, b.x) + r + 1);
    int y0 = (int)std::floor(std::min(a.y, b.y) - r - 1), y1 = (int)std::ceil(std::max(a.y, b.y) + r + 1);
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            double d = distanceToSegment(a, b, x + 0.5, y + 0.5);
            blendPixel(c, x, y, colour, std::clamp(r - d + 0.5, 0.0, 1.0));
        }
}

void fillVerticalGradient(Canvas &c, Rgba top, Rgba bottom)
{
    for (int y = 0; y < c.height; y++) {
        double t = c.height > 1 ? (double)y / (c.height - 1) : 0;
        Rgba v{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
               top.b + (bottom.b - top.b) * t, top.a + (bottom.a - top.a) * t};
        for (int x = 0; x < c.width; x++)
            c.pixels[(size_t)y * c.width + x] = v;
    }
}

static unsigned char toByte(double v)
{
    return (unsigned char)std::lround(std::clamp(v, 0.0, 1.0) * 255);
}

Bytes canvasToPng(const Canvas &c, bool opaque)
{
    PngImage image;
    image.width = c.width;
    image.height = c.height;
    image.kind = opaque ? PNG_RGB : PNG_RGBA;
    for (const Rgba &p : c.pixels) {
        image.pixels.push_back(toByte(p.r));
        image.pixels.push_back(toByte(p.g));
        image.pixels.push_back(toByte(p.b));
        if (!opaque)
            image.pixels.push_back(toByte(p.a));
    }
    return encodePng(image);
}
