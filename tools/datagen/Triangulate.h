// Plane polygons for the jigsaw cut: area, containment, and ear-clipping
// triangulation into index triples for the model writer.
#pragma once

#include <vector>

// A point or direction in board units (x right, y up).
struct Vec2 {
    double x = 0, y = 0;
};

// Indices into the polygon handed to triangulate(), counter-clockwise.
struct Triangle {
    int a = 0, b = 0, c = 0;
};

// Shoelace area; positive when the polygon runs counter-clockwise.
double signedArea(const std::vector<Vec2> &polygon);
// Even-odd containment; points exactly on the outline may go either way.
bool pointInPolygon(const std::vector<Vec2> &polygon, Vec2 p);
// Distance from p to the nearest point of the closed outline.
double distanceToOutline(const std::vector<Vec2> &polygon, Vec2 p);
// Distance from p to the open polyline (first point to last point).
double distanceToPolyline(const std::vector<Vec2> &line, Vec2 p);

// Triangulates a simple polygon (either winding, closed implicitly) into
// polygon.size() - 2 counter-clockwise triangles. Collinear and repeated
// points are kept as vertices. Among the valid ears the best-shaped one is cut
// first, so thin slivers are avoided where the outline allows.
std::vector<Triangle> triangulate(const std::vector<Vec2> &polygon);
