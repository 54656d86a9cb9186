#include "datagen/Jigsaw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "datagen/Xorshift.h"
#include "puzzle/PuzzleLayouts.h"

namespace {

// Grid lines keep at least this much room around every home point.
const double kGridClearance = 0.5;
// A knob or a wave must stay this far from either neighbour's home point.
const double kHomeClearance = 0.45;
// Outline coordinates are rounded to this grid (binary, so exact in floats
// and doubles): the files come out the same even where libraries differ in
// the last bit.
const double kQuantum = 1.0 / 65536;
// A cut line leaves out the points it can do without: the polyline stays this
// close to every computed point (a fifteenth of a pixel at 1080p), with a
// sixth fewer vertices for every model drawn from the cut.
const double kCurveTolerance = 0.002;

bool validLayout(int size, int layout)
{
    return size >= 0 && size < kJigsawSizes && layout >= 0 && layout < kJigsawLayouts;
}

double quantize(double v)
{
    return std::nearbyint(v / kQuantum) * kQuantum;
}

// Uniform in [-1, 1].
double rngSigned(Xorshift32 &r)
{
    return xorshiftNext(r) / 4294967295.0 * 2 - 1;
}

Xorshift32 layoutRng(int size, int layout)
{
    Xorshift32 r;
    r.state = 0x9E3779B9u * (uint32_t)(1 + size * kJigsawLayouts + layout) ^ 0x5BD1E995u;
    if (r.state == 0)
        r.state = 1;
    for (int i = 0; i < 8; i++)  // let the small seeds spread out
        xorshiftNext(r);
    return r;
}

}  // namespace

int layoutPieceCount(int size)
{
    return size == 0 || size == 1 ? PUZZLE_SIZE_INFO[size].pieceCount : 0;
}

int layoutColumns(int size)
{
    return size == 0 ? 5 : size == 1 ? 8 : 0;
}

int layoutRows(int size)
{
    return size == 0 ? 4 : size == 1 ? 6 : 0;
}

Vec2 layoutHome(int size, int layout, int piece)
{
    if (!validLayout(size, layout) || piece < 1 || piece > layoutPieceCount(size))
        return Vec2{};
    Vec2 home;
    pieceHome(size, layout, piece, home.x, home.y);
    return home;
}

namespace {

// Internal lines between the sorted clusters of one home coordinate. An equal
// division is kept where it clears every home point; otherwise the line is
// pulled just far enough into the gap between the clusters.
std::vector<double> gridLines(std::vector<double> coords, int cells, double half)
{
    std::sort(coords.begin(), coords.end());
    size_t perCell = coords.size() / cells;
    std::vector<double> lines{-half};
    for (int k = 1; k < cells; k++) {
        double lo = coords[k * perCell - 1], hi = coords[k * perCell];
        double even = -half + 2 * half * k / cells;
        double line = (lo + hi) / 2;
        if (lo + kGridClearance <= hi - kGridClearance)
            line = std::clamp(even, lo + kGridClearance, hi - kGridClearance);
        lines.push_back(quantize(line));
    }
    lines.push_back(half);
    return lines;
}

// Index of the cell between consecutive lines that holds v, or -1.
int cellOf(const std::vector<double> &lines, double v)
{
    for (size_t i = 0; i + 1 < lines.size(); i++)
        if (v > lines[i] && v < lines[i + 1])
            return (int)i;
    return -1;
}

// Piece number (1-based) of each cell, row-major from the bottom left; empty
// unless every cell holds exactly one home point.
std::vector<int> cellPieces(int size, int layout, const JigsawGrid &g)
{
    int cols = layoutColumns(size);
    std::vector<int> cells(layoutPieceCount(size), 0);
    for (int n = 1; n <= layoutPieceCount(size); n++) {
        Vec2 h = layoutHome(size, layout, n);
        int c = cellOf(g.columns, h.x), r = cellOf(g.rows, h.y);
        if (c < 0 || r < 0 || cells[r * cols + c] != 0)
            return {};
        cells[r * cols + c] = n;
    }
    return cells;
}

}  // namespace

JigsawGrid jigsawGrid(int size, int layout)
{
    if (!validLayout(size, layout))
        return JigsawGrid{};
    std::vector<double> xs, ys;
    for (int n = 1; n <= layoutPieceCount(size); n++) {
        xs.push_back(layoutHome(size, layout, n).x);
        ys.push_back(layoutHome(size, layout, n).y);
    }
    JigsawGrid g;
    g.columns = gridLines(xs, layoutColumns(size), kBoardHalfWidth);
    g.rows = gridLines(ys, layoutRows(size), kBoardHalfHeight);
    if (cellPieces(size, layout, g).empty())
        return JigsawGrid{};
    return g;
}

namespace {

// One knob, in fractions of its edge's length: u along the edge, v across it
// towards the side the knob sticks out to.
struct KnobShape {
    double centre = 0.5;   // u of the knob's axis
    double height = 0.235; // v of the knob's top
    double head = 0.105;   // radius of the round head
    double neck = 0.07;    // half width at the narrowest point
    int side = 1;          // +1: knob to the left of the edge's direction
};

// A gentle bend of the whole cut line, in fractions of the edge's length.
struct EdgeWave {
    double bow = 0;    // middle pushed sideways
    double swing = 0;  // S-shaped component
};

// Half the knob's footprint on the edge: base of the neck's fillets.
const double kKnobFootprint = 0.16;
// Height at which the neck is narrowest.
const double kNeckHeight = 0.055;

double waveAt(const EdgeWave &w, double u)
{
    double s = u * (1 - u) * (1 - 2 * u) * 10.4;  // peaks near +-1
    return w.bow * 4 * u * (1 - u) + w.swing * s;
}

// A key point of the knob profile with its tangent (scaled for Hermite).
struct ProfileKey {
    Vec2 p, t;
};

Vec2 hermite(const ProfileKey &a, const ProfileKey &b, double s)
{
    double s2 = s * s, s3 = s2 * s;
    double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s;
    double h01 = -2 * s3 + 3 * s2, h11 = s3 - s2;
    return Vec2{h00 * a.p.x + h10 * a.t.x + h01 * b.p.x + h11 * b.t.x,
                h00 * a.p.y + h10 * a.t.y + h01 * b.p.y + h11 * b.t.y};
}

// The knob from its left foot to its right foot, in (u, v) before the side is
// applied. Seven keys: foot, neck, widest point of the head, top, and back.
// The head quarters use the circle's Hermite handle (1.657 r), so it is round.
std::vector<Vec2> knobProfile(const KnobShape &k)
{
    double c = k.centre, r = k.head, top = k.height, mid = top - r;
    double f = kKnobFootprint, arc = 1.657 * r;
    double fillet = 1.2 * std::hypot(f - k.neck, kNeckHeight);
    double flare = 1.1 * (mid - kNeckHeight);
    ProfileKey keys[7] = {
        {{c - f, 0}, {fillet, 0}},          {{c - k.neck, kNeckHeight}, {0, fillet}},
        {{c - r, mid}, {0, arc}},           {{c, top}, {arc, 0}},
        {{c + r, mid}, {0, -arc}},          {{c + k.neck, kNeckHeight}, {0, -fillet}},
        {{c + f, 0}, {fillet, 0}},
    };
    // Tangent lengths differ per segment: fillet, flare, arc, arc, flare, fillet.
    const double lengths[6][2] = {{fillet, fillet}, {flare, flare}, {arc, arc},
                                  {arc, arc},       {flare, flare}, {fillet, fillet}};
    const int steps[6] = {4, 3, 4, 4, 3, 4};
    std::vector<Vec2> out{keys[0].p};
    for (int s = 0; s < 6; s++) {
        ProfileKey a = keys[s], b = keys[s + 1];
        double la = std::hypot(a.t.x, a.t.y), lb = std::hypot(b.t.x, b.t.y);
        a.t = Vec2{a.t.x / la * lengths[s][0], a.t.y / la * lengths[s][0]};
        b.t = Vec2{b.t.x / lb * lengths[s][1], b.t.y / lb * lengths[s][1]};
        for (int i = 1; i <= steps[s]; i++)
            out.push_back(hermite(a, b, (double)i / steps[s]));
    }
    return out;
}

// Marks the points of line[from..to] (exclusive) that keep the polyline within
// kCurveTolerance of every point between its ends (Douglas-Peucker).
void keepPoints(const std::vector<Vec2> &line, size_t from, size_t to, std::vector<bool> &keep)
{
    Vec2 a = line[from], b = line[to];
    double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    size_t far = from;
    double farthest = kCurveTolerance;
    for (size_t i = from + 1; i < to; i++) {
        double d = len > 0 ? std::fabs(dx * (line[i].y - a.y) - dy * (line[i].x - a.x)) / len
                           : std::hypot(line[i].x - a.x, line[i].y - a.y);
        if (d > farthest)
            farthest = d, far = i;
    }
    if (far == from)
        return;
    keep[far] = true;
    keepPoints(line, from, far, keep);
    keepPoints(line, far, to, keep);
}

// The line with the points it can do without left out; its ends stay.
std::vector<Vec2> simplifiedCurve(const std::vector<Vec2> &line)
{
    std::vector<bool> keep(line.size(), false);
    keep.front() = keep.back() = true;
    keepPoints(line, 0, line.size() - 1, keep);
    std::vector<Vec2> out;
    for (size_t i = 0; i < line.size(); i++)
        if (keep[i])
            out.push_back(line[i]);
    return out;
}

// Points of one cut line from corner a to corner b, both included; without a
// knob the line is a straight border edge.
std::vector<Vec2> edgeCurve(Vec2 a, Vec2 b, const EdgeWave &w, const KnobShape *knob)
{
    if (!knob)  // exactly on the board's border, not rounded off it
        return {a, b};
    double len = std::hypot(b.x - a.x, b.y - a.y);
    Vec2 d{(b.x - a.x) / len, (b.y - a.y) / len}, left{-d.y, d.x};
    std::vector<Vec2> uv;  // v already includes the knob's side
    const int baseSteps = 6;
    double from = knob->centre - kKnobFootprint, to = knob->centre + kKnobFootprint;
    for (int i = 0; i < baseSteps; i++)
        uv.push_back(Vec2{from * i / baseSteps, 0});
    for (Vec2 q : knobProfile(*knob))
        uv.push_back(Vec2{q.x, q.y * knob->side});
    for (int i = 1; i < baseSteps; i++)
        uv.push_back(Vec2{to + (1 - to) * i / baseSteps, 0});
    std::vector<Vec2> out{a};
    for (size_t i = 1; i < uv.size(); i++) {
        double u = uv[i].x, v = (uv[i].y + waveAt(w, u)) * len;
        Vec2 p{quantize(a.x + d.x * u * len + left.x * v), quantize(a.y + d.y * u * len + left.y * v)};
        if (p.x != out.back().x || p.y != out.back().y)
            out.push_back(p);
    }
    if (out.back().x != b.x || out.back().y != b.y)
        out.push_back(b);
    return simplifiedCurve(out);
}

// How far an internal cut keeps from both neighbours' home points (0 when the
// home on the knob's side would end up inside the knob).
double edgeClearance(const std::vector<Vec2> &curve, Vec2 leftHome, Vec2 rightHome, int side)
{
    double clear = std::min(distanceToPolyline(curve, leftHome), distanceToPolyline(curve, rightHome));
    Vec2 receiving = side > 0 ? leftHome : rightHome;
    if (pointInPolygon(curve, receiving))  // curve closed by its chord
        return 0;
    return clear;
}

// The cut between two neighbours. The knob's side and shape come from the
// layout's generator; when the knob would crowd a home point, the other side
// and then shifted positions are tried, keeping the clearest as a last resort.
std::vector<Vec2> internalEdge(Vec2 a, Vec2 b, Vec2 leftHome, Vec2 rightHome, Xorshift32 &rng)
{
    KnobShape base;
    base.centre = 0.5 + 0.04 * rngSigned(rng);
    base.height = 0.235 + 0.01 * rngSigned(rng);
    base.head = 0.105 + 0.007 * rngSigned(rng);
    base.neck = 0.07 + 0.006 * rngSigned(rng);
    base.side = rngSigned(rng) >= 0 ? 1 : -1;
    EdgeWave wave;
    wave.bow = 0.02 * rngSigned(rng);
    wave.swing = 0.015 * rngSigned(rng);
    const double shifts[5] = {0, 0.06, -0.06, 0.1, -0.1};
    std::vector<Vec2> best;
    double bestClear = -1;
    for (double shift : shifts)
        for (int flip = 0; flip < 2; flip++) {
            KnobShape k = base;
            k.centre = std::clamp(base.centre + shift, 0.38, 0.62);
            k.side = flip ? -base.side : base.side;
            std::vector<Vec2> curve = edgeCurve(a, b, wave, &k);
            double clear = edgeClearance(curve, leftHome, rightHome, k.side);
            if (clear >= kHomeClearance)
                return curve;
            if (clear > bestClear) {
                bestClear = clear;
                best = curve;
            }
        }
    return best;
}

// Appends an edge's points except its last one (the next edge starts there).
void appendEdge(std::vector<Vec2> &outline, const std::vector<Vec2> &edge, bool reversed)
{
    size_t n = edge.size();
    for (size_t i = 0; i + 1 < n; i++)
        outline.push_back(reversed ? edge[n - 1 - i] : edge[i]);
}

// All cut lines of a grid, shared by the pieces on both sides.
struct CutLines {
    std::vector<std::vector<Vec2>> across;  // horizontal: (row line j) * cols + col
    std::vector<std::vector<Vec2>> upward;  // vertical: row * (cols + 1) + column line i
};

CutLines cutLines(const JigsawGrid &g, const std::vector<int> &cells, int size, int layout)
{
    int cols = (int)g.columns.size() - 1, rows = (int)g.rows.size() - 1;
    auto homeAt = [&](int c, int r) { return layoutHome(size, layout, cells[r * cols + c]); };
    Xorshift32 rng = layoutRng(size, layout);
    CutLines cut;
    EdgeWave none;
    for (int j = 0; j <= rows; j++)
        for (int i = 0; i < cols; i++) {
            Vec2 a{g.columns[i], g.rows[j]}, b{g.columns[i + 1], g.rows[j]};
            bool border = j == 0 || j == rows;  // left of a->b is the cell above
            cut.across.push_back(border ? edgeCurve(a, b, none, nullptr)
                                        : internalEdge(a, b, homeAt(i, j), homeAt(i, j - 1), rng));
        }
    for (int j = 0; j < rows; j++)
        for (int i = 0; i <= cols; i++) {
            Vec2 a{g.columns[i], g.rows[j]}, b{g.columns[i], g.rows[j + 1]};
            bool border = i == 0 || i == cols;  // left of a->b is the cell to the left
            cut.upward.push_back(border ? edgeCurve(a, b, none, nullptr)
                                        : internalEdge(a, b, homeAt(i - 1, j), homeAt(i, j), rng));
        }
    return cut;
}

}  // namespace

std::vector<JigsawPiece> cutBoard(int size, int layout)
{
    JigsawGrid g = jigsawGrid(size, layout);
    if (g.columns.empty())
        return {};
    std::vector<int> cells = cellPieces(size, layout, g);
    CutLines cut = cutLines(g, cells, size, layout);
    int cols = layoutColumns(size), rows = layoutRows(size);
    std::vector<JigsawPiece> pieces(layoutPieceCount(size));
    for (int j = 0; j < rows; j++)
        for (int i = 0; i < cols; i++) {
            JigsawPiece &p = pieces[cells[j * cols + i] - 1];
            p.number = cells[j * cols + i];
            Vec2 home = layoutHome(size, layout, p.number);
            p.homeX = home.x;
            p.homeY = home.y;
            // Counter-clockwise: bottom, right, top (backwards), left (backwards).
            appendEdge(p.outline, cut.across[j * cols + i], false);
            appendEdge(p.outline, cut.upward[j * (cols + 1) + i + 1], false);
            appendEdge(p.outline, cut.across[(j + 1) * cols + i], true);
            appendEdge(p.outline, cut.upward[j * (cols + 1) + i], true);
        }
    return pieces;
}

namespace {

// Share of the outline hint's line that is solid, from the cut line inwards.
const double kLineSolid = 0.3;

// Texels across a band texture: the band's own profile, with as many copies
// of its end texels on either side. The band maps its two edges onto the
// centres of the profile's first and last texel. With multisampling, a pixel
// the band covers only in part takes its colour at the pixel's centre, up to
// half a pixel beyond the band's edge; the margins keep that reading on the
// band's own end colour (instead of the other end, wrapped round) for bands
// down to half a pixel wide.
const int kBandTexels = 16;
const int kBandMargin = 16;

ModelMaterial whiteMaterial(bool transparent)
{
    ModelMaterial m;
    m.transparent = transparent;
    for (int i = 0; i < 4; i++) {
        m.ambient[i] = 1;
        m.diffuse[i] = 1;
    }
    return m;
}

ModelVertex vertexAt(const JigsawPiece &p, Vec2 board, double z)
{
    ModelVertex v;
    v.x = board.x - p.homeX;
    v.y = board.y - p.homeY;
    v.z = z;
    v.s = 0.5;
    v.t = 0.5;
    return v;
}

// A filled polygon given in board coordinates; pictured fills map board
// coordinates onto the whole picture, solid-coloured ones sample the
// texture's middle.
ModelMesh fillMesh(const JigsawPiece &p, const std::vector<Vec2> &polygon, const std::string &texture,
                   bool pictured, bool transparent)
{
    ModelMesh mesh;
    mesh.texture = texture;
    mesh.material = whiteMaterial(transparent);
    for (Triangle t : triangulate(polygon))
        for (int i : {t.a, t.b, t.c}) {
            Vec2 q = polygon[i];
            ModelVertex v = vertexAt(p, q, 0);
            if (pictured) {
                v.s = (q.x + kBoardHalfWidth) / (2 * kBoardHalfWidth);
                v.t = (kBoardHalfHeight - q.y) / (2 * kBoardHalfHeight);
            }
            mesh.vertices.push_back(v);
        }
    return mesh;
}

// A strip between two outlines of the same point count, one quad (two
// triangles) per segment. The texture is sampled across the strip: its
// first texel at `from`, its last at `to`.
ModelMesh bandMesh(const JigsawPiece &p, const std::vector<Vec2> &from, const std::vector<Vec2> &to,
                   double z, const std::string &texture, bool transparent)
{
    ModelMesh mesh;
    mesh.texture = texture;
    mesh.material = whiteMaterial(transparent);
    const double width = kBandTexels + 2 * kBandMargin;
    const double s0 = (kBandMargin + 0.5) / width, s1 = 1 - s0;
    size_t n = from.size();
    for (size_t i = 0; i < n; i++) {
        size_t j = (i + 1) % n;
        const Vec2 *q[6] = {&from[i], &from[j], &to[j], &from[i], &to[j], &to[i]};
        for (int k = 0; k < 6; k++) {
            ModelVertex v = vertexAt(p, *q[k], z);
            v.s = k == 2 || k == 4 || k == 5 ? s1 : s0;
            mesh.vertices.push_back(v);
        }
    }
    return mesh;
}

// A band texture, one texel high: colour and alpha as functions of u, the
// position across the band from 0 (first profile texel) to 1 (last).
PngImage bandImage(const unsigned char from[3], const unsigned char to[3], double (*mix)(double),
                   double (*alpha)(double))
{
    PngImage image;
    image.width = kBandTexels + 2 * kBandMargin;
    image.height = 1;
    image.kind = PNG_RGBA;
    for (int i = 0; i < image.width; i++) {
        int k = std::clamp(i - kBandMargin, 0, kBandTexels - 1);
        double u = (double)k / (kBandTexels - 1), m = mix(u);
        for (int c = 0; c < 3; c++)
            image.pixels.push_back((unsigned char)std::lround(from[c] + (to[c] - from[c]) * m));
        image.pixels.push_back((unsigned char)std::lround(255 * std::clamp(alpha(u), 0.0, 1.0)));
    }
    return image;
}

double smoothStep(double a, double b, double u)
{
    double t = std::clamp((u - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Rim, from the cut line inwards: a dark cut, then light wood.
double rimMix(double u)
{
    return smoothStep(0.3, 0.45, u);
}

// Soft edges fade from their opacity at the outline to nothing outside it.
double fadeOut(double u)
{
    return 1 - smoothStep(0, 1, u);
}

double opaque(double)
{
    return 1;
}

double noMix(double)
{
    return 0;
}

// The outline hint's line: solid at the cut line, where it meets the line of
// the neighbouring outline, and fading towards the middle of the piece.
double lineAlpha(double u)
{
    return 0.9 * (1 - smoothStep(kLineSolid, 1, u));
}

double shadowAlpha(double u)
{
    return kShadowAlpha / 255.0 * fadeOut(u);
}

double pieceEdgeAlpha(double u)
{
    return fadeOut(u);
}

const unsigned char kCutBrown[3] = {74, 44, 23};
const unsigned char kLightWood[3] = {255, 241, 208};
const unsigned char kLineBlue[3] = {70, 90, 160};
const unsigned char kShadowInk[3] = {20, 20, 40};
const unsigned char kWhite[3] = {255, 255, 255};

// The image with a second row of one colour below its first.
PngImage withSolidRow(PngImage image, const unsigned char rgb[3], unsigned char alpha)
{
    for (int i = 0; i < image.width; i++)
        image.pixels.insert(image.pixels.end(), {rgb[0], rgb[1], rgb[2], alpha});
    image.height = 2;
    return image;
}

PngImage solidImage(const unsigned char rgb[3], unsigned char alpha)
{
    PngImage image;
    image.width = image.height = 4;
    image.kind = PNG_RGBA;
    for (int i = 0; i < 16; i++)
        image.pixels.insert(image.pixels.end(), {rgb[0], rgb[1], rgb[2], alpha});
    return image;
}

}  // namespace

std::vector<Vec2> offsetOutline(const std::vector<Vec2> &outline, double width)
{
    size_t n = outline.size();
    std::vector<Vec2> moved(n);
    for (size_t i = 0; i < n; i++) {
        Vec2 a = outline[(i + n - 1) % n], b = outline[i], c = outline[(i + 1) % n];
        double l1 = std::hypot(b.x - a.x, b.y - a.y), l2 = std::hypot(c.x - b.x, c.y - b.y);
        Vec2 n1{-(b.y - a.y) / l1, (b.x - a.x) / l1}, n2{-(c.y - b.y) / l2, (c.x - b.x) / l2};
        Vec2 m{n1.x + n2.x, n1.y + n2.y};
        double ml = std::hypot(m.x, m.y);
        if (ml < 1e-9)
            m = n2, ml = 1;
        m = Vec2{m.x / ml, m.y / ml};
        double reach = width / std::max(m.x * n2.x + m.y * n2.y, 0.35);
        moved[i] = Vec2{b.x + m.x * reach, b.y + m.y * reach};
    }
    // A segment shorter than the offset eats up at a bend runs backwards once
    // moved, and its neighbours cross: it shrinks to the point where they meet.
    for (bool again = true; again;) {
        again = false;
        for (size_t i = 0; i < n; i++) {
            size_t j = (i + 1) % n;
            double along = (moved[j].x - moved[i].x) * (outline[j].x - outline[i].x) +
                           (moved[j].y - moved[i].y) * (outline[j].y - outline[i].y);
            if (along < 0) {
                moved[i] = moved[j] = Vec2{(moved[i].x + moved[j].x) / 2, (moved[i].y + moved[j].y) / 2};
                again = true;
            }
        }
    }
    return moved;
}

Model pieceModel(const JigsawPiece &p, const std::string &texture, const std::string &rimTexture,
                 const std::string &edgeTexture)
{
    std::vector<Vec2> core = offsetOutline(p.outline, kPieceRimWidth);
    std::vector<Vec2> fringe = offsetOutline(p.outline, -kSoftEdgeWidth);
    Model m;
    m.meshes.push_back(fillMesh(p, core, texture, true, false));
    m.meshes.push_back(bandMesh(p, p.outline, core, 0, rimTexture, false));
    m.meshes.push_back(bandMesh(p, p.outline, fringe, -kSoftEdgeDrop, edgeTexture, true));
    return m;
}

static void sampleRow(ModelMesh &mesh, double t)
{
    for (ModelVertex &v : mesh.vertices)
        v.t = t;
}

Model outlineModel(const JigsawPiece &p, const std::string &texture)
{
    std::vector<Vec2> inner = offsetOutline(p.outline, kOutlineBandWidth);
    Model m;
    // The fill's hard edge hides under the solid part of the line.
    std::vector<Vec2> fill = offsetOutline(p.outline, kOutlineBandWidth * kLineSolid / 2);
    m.meshes.push_back(fillMesh(p, fill, texture, false, true));
    m.meshes.push_back(bandMesh(p, p.outline, inner, kOutlineBandZ, texture, true));
    sampleRow(m.meshes[0], kOutlineFillRowT);
    sampleRow(m.meshes[1], kOutlineLineRowT);
    return m;
}

Model shadowModel(const JigsawPiece &p, const std::string &texture, const std::string &edgeTexture)
{
    Model m;
    m.meshes.push_back(fillMesh(p, p.outline, texture, false, true));
    m.meshes.push_back(bandMesh(p, p.outline, offsetOutline(p.outline, -kShadowSoftWidth), 0, edgeTexture, true));
    return m;
}

std::vector<CutTexture> cutTextures(const std::string &kind)
{
    if (kind == "piece")
        return {{"rim.png", bandImage(kCutBrown, kLightWood, rimMix, opaque)},
                {"edge.png", bandImage(kCutBrown, kCutBrown, noMix, pieceEdgeAlpha)}};
    if (kind == "outline")
        return {{"line.png", withSolidRow(bandImage(kLineBlue, kLineBlue, noMix, lineAlpha), kWhite, 90)}};
    if (kind == "shadow")
        return {{"shadow.png", solidImage(kShadowInk, kShadowAlpha)},
                {"shadow_edge.png", bandImage(kShadowInk, kShadowInk, noMix, shadowAlpha)}};
    return {};
}
