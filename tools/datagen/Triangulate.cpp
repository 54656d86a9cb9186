#include "datagen/Triangulate.h"

#include <algorithm>
#include <cmath>

namespace {

double cross(Vec2 o, Vec2 a, Vec2 b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool samePoint(Vec2 a, Vec2 b)
{
    return a.x == b.x && a.y == b.y;
}

double segmentDistance(Vec2 a, Vec2 b, Vec2 p)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

// Inside or on the border of the counter-clockwise triangle abc.
bool inTriangleInclusive(Vec2 a, Vec2 b, Vec2 c, Vec2 p)
{
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

// Working state of one clipping run: the remaining ring of indices.
struct EarRing {
    const std::vector<Vec2> *points = nullptr;
    std::vector<int> ring;
    double convexEpsilon = 0;  // cross products below this count as flat
};

Vec2 ringPoint(const EarRing &r, size_t k)
{
    return (*r.points)[r.ring[k % r.ring.size()]];
}

bool isConvex(const EarRing &r, size_t k)
{
    size_t n = r.ring.size();
    return cross(ringPoint(r, k + n - 1), ringPoint(r, k), ringPoint(r, k + 1)) > r.convexEpsilon;
}

// An ear must not hold any other remaining vertex, not even on its border:
// a vertex on the new diagonal would leave a crack. Only non-convex vertices
// can lie inside, so the caller passes just those.
bool isEar(const EarRing &r, size_t k, const std::vector<size_t> &reflex)
{
    size_t n = r.ring.size();
    Vec2 a = ringPoint(r, k + n - 1), b = ringPoint(r, k), c = ringPoint(r, k + 1);
    for (size_t j : reflex) {
        Vec2 p = ringPoint(r, j);
        if (samePoint(p, a) || samePoint(p, b) || samePoint(p, c))
            continue;
        if (inTriangleInclusive(a, b, c, p))
            return false;
    }
    return true;
}

// Rises with the triangle's smallest angle: 1 for equilateral, 0 for flat.
double earQuality(const EarRing &r, size_t k)
{
    size_t n = r.ring.size();
    Vec2 a = ringPoint(r, k + n - 1), b = ringPoint(r, k), c = ringPoint(r, k + 1);
    double sumLen2 = 0;
    Vec2 e[3] = {{b.x - a.x, b.y - a.y}, {c.x - b.x, c.y - b.y}, {a.x - c.x, a.y - c.y}};
    for (Vec2 v : e)
        sumLen2 += v.x * v.x + v.y * v.y;
    return sumLen2 > 0 ? 2 * std::sqrt(3.0) * cross(a, b, c) / sumLen2 : 0;
}

// The best-shaped ear, or -1 when rounding has left none.
long bestEar(const EarRing &r)
{
    std::vector<size_t> reflex;
    for (size_t k = 0; k < r.ring.size(); k++)
        if (!isConvex(r, k))
            reflex.push_back(k);
    long best = -1;
    double bestQuality = -1;
    for (size_t k = 0; k < r.ring.size(); k++) {
        if (!isConvex(r, k) || !isEar(r, k, reflex))
            continue;
        double q = earQuality(r, k);
        if (q > bestQuality) {
            bestQuality = q;
            best = (long)k;
        }
    }
    return best;
}

// Last resort for outlines damaged by rounding: cut the most convex corner
// so that clipping always finishes with the full triangle count.
size_t mostConvexCorner(const EarRing &r)
{
    size_t n = r.ring.size(), best = 0;
    double bestCross = -1e300;
    for (size_t k = 0; k < n; k++) {
        double c = cross(ringPoint(r, k + n - 1), ringPoint(r, k), ringPoint(r, k + 1));
        if (c > bestCross) {
            bestCross = c;
            best = k;
        }
    }
    return best;
}

double extentOf(const std::vector<Vec2> &polygon)
{
    double lo = 1e300, hi = -1e300;
    for (Vec2 p : polygon) {
        lo = std::min({lo, p.x, p.y});
        hi = std::max({hi, p.x, p.y});
    }
    return hi - lo;
}

}  // namespace

double signedArea(const std::vector<Vec2> &polygon)
{
    double twice = 0;
    size_t n = polygon.size();
    for (size_t i = 0; i < n; i++) {
        Vec2 a = polygon[i], b = polygon[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

bool pointInPolygon(const std::vector<Vec2> &polygon, Vec2 p)
{
    bool inside = false;
    size_t n = polygon.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        Vec2 a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

double distanceToOutline(const std::vector<Vec2> &polygon, Vec2 p)
{
    double best = 1e300;
    size_t n = polygon.size();
    for (size_t i = 0; i < n; i++)
        best = std::min(best, segmentDistance(polygon[i], polygon[(i + 1) % n], p));
    return best;
}

double distanceToPolyline(const std::vector<Vec2> &line, Vec2 p)
{
    if (line.size() == 1)
        return std::hypot(line[0].x - p.x, line[0].y - p.y);
    double best = 1e300;
    for (size_t i = 0; i + 1 < line.size(); i++)
        best = std::min(best, segmentDistance(line[i], line[i + 1], p));
    return best;
}

std::vector<Triangle> triangulate(const std::vector<Vec2> &polygon)
{
    std::vector<Triangle> out;
    if (polygon.size() < 3)
        return out;
    EarRing r;
    r.points = &polygon;
    for (size_t i = 0; i < polygon.size(); i++)
        r.ring.push_back((int)i);
    if (signedArea(polygon) < 0)
        std::reverse(r.ring.begin(), r.ring.end());
    double extent = extentOf(polygon);
    r.convexEpsilon = 1e-14 * extent * extent;
    out.reserve(polygon.size() - 2);
    while (r.ring.size() > 3) {
        long ear = bestEar(r);
        size_t k = ear >= 0 ? (size_t)ear : mostConvexCorner(r);
        size_t n = r.ring.size();
        out.push_back(Triangle{r.ring[(k + n - 1) % n], r.ring[k], r.ring[(k + 1) % n]});
        r.ring.erase(r.ring.begin() + (long)k);
    }
    out.push_back(Triangle{r.ring[0], r.ring[1], r.ring[2]});
    return out;
}
