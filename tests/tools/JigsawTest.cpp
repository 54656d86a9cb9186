#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "datagen/Jigsaw.h"
#include "datagen/Triangulate.h"

namespace {

const double kBoardW = 19.7, kBoardH = 12.2;

// Crossing-number containment, written independently of the code under test.
bool contains(const std::vector<Vec2> &poly, double x, double y)
{
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Vec2 &a = poly[i], &b = poly[j];
        if ((a.y > y) != (b.y > y) && x < a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y))
            in = !in;
    }
    return in;
}

double area(const std::vector<Vec2> &poly)
{
    double twice = 0;
    for (size_t i = 0; i < poly.size(); i++) {
        const Vec2 &a = poly[i], &b = poly[(i + 1) % poly.size()];
        twice += a.x * b.y - a.y * b.x;
    }
    return twice / 2;
}

double orient(Vec2 o, Vec2 a, Vec2 b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Proper or touching intersection of segments ab and cd.
bool segmentsMeet(Vec2 a, Vec2 b, Vec2 c, Vec2 d)
{
    double d1 = orient(c, d, a), d2 = orient(c, d, b), d3 = orient(a, b, c), d4 = orient(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    auto onSeg = [](Vec2 p, Vec2 q, Vec2 r, double o) {
        return o == 0 && std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) &&
               std::min(p.y, q.y) <= r.y && r.y <= std::max(p.y, q.y);
    };
    return onSeg(c, d, a, d1) || onSeg(c, d, b, d2) || onSeg(a, b, c, d3) || onSeg(a, b, d, d4);
}

// First pair of non-adjacent edges that meet, or -1 when the outline is simple.
int firstSelfIntersection(const std::vector<Vec2> &poly)
{
    size_t n = poly.size();
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 2; j < n; j++) {
            if (i == 0 && j == n - 1)
                continue;
            if (segmentsMeet(poly[i], poly[(i + 1) % n], poly[j], poly[(j + 1) % n]))
                return (int)i;
        }
    return -1;
}

double segmentDistance(Vec2 a, Vec2 b, Vec2 p)
{
    double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

double clearance(const std::vector<Vec2> &poly, Vec2 p)
{
    double best = 1e9;
    for (size_t i = 0; i < poly.size(); i++)
        best = std::min(best, segmentDistance(poly[i], poly[(i + 1) % poly.size()], p));
    return best;
}

struct Box {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
};

Box boxOf(const std::vector<Vec2> &poly)
{
    Box b;
    for (const Vec2 &p : poly) {
        b.x0 = std::min(b.x0, p.x), b.x1 = std::max(b.x1, p.x);
        b.y0 = std::min(b.y0, p.y), b.y1 = std::max(b.y1, p.y);
    }
    return b;
}

double triangleArea(const ModelVertex &a, const ModelVertex &b, const ModelVertex &c)
{
    return ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2;
}

}  // namespace

// ---------------------------------------------------------------------------
// The cut of every layout: pieces must tile the board and fit their homes.

class JigsawLayoutCut : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    void SetUp() override
    {
        size = std::get<0>(GetParam());
        layout = std::get<1>(GetParam());
        pieces = cutBoard(size, layout);
        ASSERT_EQ((int)pieces.size(), layoutPieceCount(size));
    }
    int size = 0, layout = 0;
    std::vector<JigsawPiece> pieces;
};

TEST_P(JigsawLayoutCut, PieceAreasAddUpToTheBoardWithoutGapOrOverlap)
{
    double sum = 0;
    for (const JigsawPiece &p : pieces)
        sum += area(p.outline);
    EXPECT_NEAR(sum, kBoardW * kBoardH, 1e-6);
}

TEST_P(JigsawLayoutCut, EveryBoardPointLiesInExactlyOnePiece)
{
    std::vector<Box> boxes;
    for (const JigsawPiece &p : pieces)
        boxes.push_back(boxOf(p.outline));
    const int nx = 400, ny = 250;
    int bad = 0;
    for (int iy = 0; iy < ny; iy++)
        for (int ix = 0; ix < nx; ix++) {
            // Irrational offsets keep samples off the outlines' vertices.
            double x = -kBoardW / 2 + kBoardW * (ix + 0.5 + 0.1234567) / (nx + 0.25);
            double y = -kBoardH / 2 + kBoardH * (iy + 0.5 + 0.0765432) / (ny + 0.25);
            int hits = 0;
            for (size_t k = 0; k < pieces.size(); k++) {
                const Box &b = boxes[k];
                if (x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1 && contains(pieces[k].outline, x, y))
                    hits++;
            }
            if (hits != 1 && bad++ < 5)
                ADD_FAILURE() << "point (" << x << ", " << y << ") lies in " << hits << " pieces";
        }
    EXPECT_EQ(bad, 0);
}

TEST_P(JigsawLayoutCut, PiecesStayOnTheBoard)
{
    for (const JigsawPiece &p : pieces) {
        Box b = boxOf(p.outline);
        EXPECT_GE(b.x0, -kBoardW / 2) << "piece " << p.number;
        EXPECT_LE(b.x1, kBoardW / 2) << "piece " << p.number;
        EXPECT_GE(b.y0, -kBoardH / 2) << "piece " << p.number;
        EXPECT_LE(b.y1, kBoardH / 2) << "piece " << p.number;
    }
}

TEST_P(JigsawLayoutCut, EachPieceHoldsItsOwnHomePointWithRoomToSpare)
{
    for (size_t i = 0; i < pieces.size(); i++) {
        const JigsawPiece &p = pieces[i];
        Vec2 home = layoutHome(size, layout, (int)i + 1);
        ASSERT_EQ(p.number, (int)i + 1);
        EXPECT_EQ(p.homeX, home.x);
        EXPECT_EQ(p.homeY, home.y);
        EXPECT_TRUE(contains(p.outline, home.x, home.y)) << "piece " << p.number;
        EXPECT_GT(clearance(p.outline, home), 0.3) << "piece " << p.number;
    }
}

TEST_P(JigsawLayoutCut, OutlinesAreSimpleAndCounterClockwise)
{
    for (const JigsawPiece &p : pieces) {
        EXPECT_GT(area(p.outline), 0) << "piece " << p.number << " runs clockwise";
        EXPECT_EQ(firstSelfIntersection(p.outline), -1) << "piece " << p.number << " crosses itself";
    }
}

TEST_P(JigsawLayoutCut, GridGivesEveryHomePointACellOfItsOwn)
{
    JigsawGrid g = jigsawGrid(size, layout);
    ASSERT_EQ((int)g.columns.size(), layoutColumns(size) + 1);
    ASSERT_EQ((int)g.rows.size(), layoutRows(size) + 1);
    EXPECT_EQ(g.columns.front(), -kBoardW / 2);
    EXPECT_EQ(g.rows.back(), kBoardH / 2);
    std::set<std::pair<int, int>> used;
    for (const JigsawPiece &p : pieces) {
        int c = (int)(std::upper_bound(g.columns.begin(), g.columns.end(), p.homeX) - g.columns.begin()) - 1;
        int r = (int)(std::upper_bound(g.rows.begin(), g.rows.end(), p.homeY) - g.rows.begin()) - 1;
        EXPECT_TRUE(used.insert({c, r}).second) << "piece " << p.number << " shares cell " << c << "," << r;
    }
}

// Each internal grid edge carries one knob: counting, per piece and side,
// knobs reaching at least a fifth of the edge across the grid line must give
// exactly the number of internal edges (a missing knob, or a blank with no
// knob opposite, changes the count).
TEST_P(JigsawLayoutCut, EveryInternalEdgeCarriesExactlyOneKnob)
{
    JigsawGrid g = jigsawGrid(size, layout);
    int cols = layoutColumns(size), rows = layoutRows(size);
    int knobs = 0;
    for (const JigsawPiece &p : pieces) {
        int c = (int)(std::upper_bound(g.columns.begin(), g.columns.end(), p.homeX) - g.columns.begin()) - 1;
        int r = (int)(std::upper_bound(g.rows.begin(), g.rows.end(), p.homeY) - g.rows.begin()) - 1;
        double w = g.columns[c + 1] - g.columns[c], h = g.rows[r + 1] - g.rows[r];
        Box b = boxOf(p.outline);
        knobs += c > 0 && g.columns[c] - b.x0 >= 0.2 * h;
        knobs += c < cols - 1 && b.x1 - g.columns[c + 1] >= 0.2 * h;
        knobs += r > 0 && g.rows[r] - b.y0 >= 0.2 * w;
        knobs += r < rows - 1 && b.y1 - g.rows[r + 1] >= 0.2 * w;
    }
    EXPECT_EQ(knobs, (cols - 1) * rows + cols * (rows - 1));
}

TEST_P(JigsawLayoutCut, CuttingTwiceGivesIdenticalOutlines)
{
    std::vector<JigsawPiece> again = cutBoard(size, layout);
    ASSERT_EQ(again.size(), pieces.size());
    for (size_t i = 0; i < pieces.size(); i++) {
        ASSERT_EQ(again[i].outline.size(), pieces[i].outline.size());
        for (size_t k = 0; k < pieces[i].outline.size(); k++) {
            EXPECT_EQ(again[i].outline[k].x, pieces[i].outline[k].x);
            EXPECT_EQ(again[i].outline[k].y, pieces[i].outline[k].y);
        }
    }
}

TEST_P(JigsawLayoutCut, TriangulationCoversEachPieceExactly)
{
    for (const JigsawPiece &p : pieces) {
        std::vector<Triangle> tris = triangulate(p.outline);
        ASSERT_EQ(tris.size(), p.outline.size() - 2) << "piece " << p.number;
        double sum = 0;
        for (const Triangle &t : tris) {
            const Vec2 &a = p.outline[t.a], &b = p.outline[t.b], &c = p.outline[t.c];
            double twice = orient(a, b, c);
            EXPECT_GT(twice, 0) << "piece " << p.number << " has a flipped or flat triangle";
            Vec2 mid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3};
            EXPECT_TRUE(contains(p.outline, mid.x, mid.y)) << "piece " << p.number << " triangle outside";
            sum += twice / 2;
        }
        EXPECT_NEAR(sum, area(p.outline), 1e-9) << "piece " << p.number;
    }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, JigsawLayoutCut,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(0, 1, 2)));

// ---------------------------------------------------------------------------
// Layout tables and arguments.

TEST(JigsawLayouts, LayoutsOfOneSizeAreCutDifferently)
{
    for (int size = 0; size < kJigsawSizes; size++)
        for (int a = 0; a < kJigsawLayouts; a++)
            for (int b = a + 1; b < kJigsawLayouts; b++) {
                // Compare shapes around the home point, so only the cut counts.
                std::vector<JigsawPiece> pa = cutBoard(size, a), pb = cutBoard(size, b);
                int differing = 0;
                for (size_t i = 0; i < pa.size(); i++)
                    differing += std::fabs(area(pa[i].outline) - area(pb[i].outline)) > 1e-3;
                EXPECT_GT(differing, (int)pa.size() / 2) << "size " << size << " layouts " << a << ", " << b;
            }
}

TEST(JigsawLayouts, OutOfRangeArgumentsGiveNothing)
{
    EXPECT_TRUE(cutBoard(2, 0).empty());
    EXPECT_TRUE(cutBoard(0, 3).empty());
    EXPECT_TRUE(cutBoard(-1, 0).empty());
    EXPECT_EQ(layoutPieceCount(2), 0);
    Vec2 none = layoutHome(0, 0, 21);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
    EXPECT_EQ(layoutHome(1, 2, 48).y, -1.3013);  // last entry still reachable
    EXPECT_EQ(layoutHome(0, 0, 1).x, -7.923);    // piece numbers are 1-based
}

// ---------------------------------------------------------------------------
// Ear clipping on awkward outlines.

namespace {

double trianglesArea(const std::vector<Vec2> &poly, const std::vector<Triangle> &tris, double *smallest)
{
    double sum = 0;
    *smallest = 1e9;
    for (const Triangle &t : tris) {
        double a = orient(poly[t.a], poly[t.b], poly[t.c]) / 2;
        *smallest = std::min(*smallest, a);
        sum += a;
    }
    return sum;
}

}  // namespace

TEST(Triangulate, CollinearRunsAreKeptWithoutFlatTriangles)
{
    // A triangle with extra points along every side.
    std::vector<Vec2> poly{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {2, 2}, {1, 1}};
    std::vector<Triangle> tris = triangulate(poly);
    ASSERT_EQ(tris.size(), poly.size() - 2);
    double smallest = 0;
    EXPECT_NEAR(trianglesArea(poly, tris, &smallest), 4.0, 1e-12);
    EXPECT_GT(smallest, 0);
}

TEST(Triangulate, DeepNotchIsNotBridged)
{
    // A comb: two deep slots a naive fan from vertex 0 would cover.
    std::vector<Vec2> poly{{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 0.5}, {3, 0.5}, {3, 3},
                           {2, 3}, {2, 0.5}, {1, 0.5}, {1, 3}, {0, 3}};
    std::vector<Triangle> tris = triangulate(poly);
    ASSERT_EQ(tris.size(), poly.size() - 2);
    double smallest = 0;
    EXPECT_NEAR(trianglesArea(poly, tris, &smallest), area(poly), 1e-12);
    EXPECT_GT(smallest, 0);
    for (const Triangle &t : tris) {
        Vec2 m{(poly[t.a].x + poly[t.b].x + poly[t.c].x) / 3, (poly[t.a].y + poly[t.b].y + poly[t.c].y) / 3};
        EXPECT_TRUE(contains(poly, m.x, m.y)) << "triangle centred at " << m.x << ", " << m.y;
    }
}

TEST(Triangulate, ClockwiseInputStillGivesFrontFacingTriangles)
{
    std::vector<Vec2> poly{{0, 0}, {0, 2}, {1, 1}, {2, 2}, {2, 0}};  // clockwise, one reflex corner
    std::vector<Triangle> tris = triangulate(poly);
    ASSERT_EQ(tris.size(), 3u);
    double smallest = 0;
    EXPECT_NEAR(trianglesArea(poly, tris, &smallest), 3.0, 1e-12);
    EXPECT_GT(smallest, 0);
}

TEST(Triangulate, TooFewPointsGiveNoTriangles)
{
    EXPECT_TRUE(triangulate({{0, 0}, {1, 1}}).empty());
}

// ---------------------------------------------------------------------------
// Models the game draws for a piece.

namespace {

double meshArea(const ModelMesh &mesh, double *smallest = nullptr)
{
    double sum = 0;
    if (smallest)
        *smallest = 1e9;
    for (size_t i = 0; i + 2 < mesh.vertices.size(); i += 3) {
        double a = triangleArea(mesh.vertices[i], mesh.vertices[i + 1], mesh.vertices[i + 2]);
        sum += a;
        if (smallest)
            *smallest = std::min(*smallest, a);
    }
    return sum;
}

double perimeter(const std::vector<Vec2> &poly)
{
    double sum = 0;
    for (size_t i = 0; i < poly.size(); i++) {
        const Vec2 &a = poly[i], &b = poly[(i + 1) % poly.size()];
        sum += std::hypot(b.x - a.x, b.y - a.y);
    }
    return sum;
}

Vec2 atHome(const JigsawPiece &p, const ModelVertex &v)
{
    return Vec2{v.x + p.homeX, v.y + p.homeY};
}

const CutTexture *textureNamed(const std::vector<CutTexture> &textures, const std::string &name)
{
    for (const CutTexture &t : textures)
        if (t.name == name)
            return &t;
    return nullptr;
}

// The RGBA texel nearest to (s, t), wrapping round in s as the game's
// textures do; t must fall in the image.
const unsigned char *texelAt(const PngImage &image, double s, double t = 0.5)
{
    int x = (int)std::floor(s * image.width) % image.width;
    int y = std::clamp((int)std::floor(t * image.height), 0, image.height - 1);
    return &image.pixels[((size_t)y * image.width + (size_t)(x < 0 ? x + image.width : x)) * 4];
}

}  // namespace

class JigsawModels : public ::testing::Test {
protected:
    void SetUp() override
    {
        pieces = cutBoard(1, 2);
        ASSERT_FALSE(pieces.empty());
    }
    // For every vertex of a band mesh that starts on the outline and ends
    // `offset` away from it (inside when positive): the texel its s reads,
    // and the texel read half a band width beyond either edge (where a
    // multisampled pixel the band only grazes takes its colour).
    void checkBand(const JigsawPiece &p, const ModelMesh &band, const PngImage &image, double offset,
                   void (*check)(const unsigned char *onOutline, const unsigned char *atOffset))
    {
        double sOutline = -1, sOffset = -1;
        for (const ModelVertex &v : band.vertices) {
            Vec2 q = atHome(p, v);
            double d = clearance(p.outline, q);
            bool inside = contains(p.outline, q.x, q.y);
            if (d < 1e-9) {
                sOutline = v.s;
            } else {
                ASSERT_EQ(inside, offset > 0) << "piece " << p.number << ": band on the wrong side";
                ASSERT_LT(d, std::fabs(offset) / 0.35 + 1e-9) << "piece " << p.number;
                sOffset = v.s;
            }
        }
        ASSERT_GE(sOutline, 0);
        ASSERT_GE(sOffset, 0);
        double overshoot = (sOffset - sOutline) / 2, t = band.vertices[0].t;
        check(texelAt(image, sOutline, t), texelAt(image, sOffset, t));
        check(texelAt(image, sOutline - overshoot, t), texelAt(image, sOffset + overshoot, t));
    }
    std::vector<JigsawPiece> pieces;
};

// The picture and the rim are opaque and tile the piece exactly, without
// folds; the soft edge lies just outside, a little below the face.
TEST_F(JigsawModels, PieceIsPictureInsideARimWithASoftEdgeOutside)
{
    for (int size = 0; size < kJigsawSizes; size++)
        for (int layout = 0; layout < kJigsawLayouts; layout++)
            for (const JigsawPiece &p : cutBoard(size, layout)) {
                Model m = pieceModel(p, "picture.png", "rim.png", "edge.png");
                ASSERT_EQ(m.meshes.size(), 3u);
                const ModelMesh &picture = m.meshes[0], &rim = m.meshes[1], &edge = m.meshes[2];
                EXPECT_FALSE(picture.material.transparent);
                EXPECT_FALSE(rim.material.transparent);
                EXPECT_TRUE(edge.material.transparent);
                EXPECT_EQ(rim.texture, "rim.png");
                EXPECT_EQ(edge.texture, "edge.png");
                double smallestPicture = 0, smallestRim = 0;
                double covered = meshArea(picture, &smallestPicture) + meshArea(rim, &smallestRim);
                ASSERT_NEAR(covered, area(p.outline), 1e-9) << "size " << size << " piece " << p.number;
                // Flat triangles are harmless where a tight bend shrinks the rim's inner edge.
                ASSERT_GT(smallestPicture, -1e-12) << "size " << size << " piece " << p.number;
                ASSERT_GT(smallestRim, -1e-12) << "size " << size << " piece " << p.number << ": the rim folds over";
                for (const ModelVertex &q : picture.vertices) {
                    double d = clearance(p.outline, atHome(p, q));
                    ASSERT_TRUE(contains(p.outline, q.x + p.homeX, q.y + p.homeY));
                    // The mitre puts inner corners further off, never nearer.
                    ASSERT_GE(d, 0.95 * kPieceRimWidth) << "size " << size << " piece " << p.number;
                    ASSERT_LE(d, kPieceRimWidth / 0.35) << "size " << size << " piece " << p.number;
                }
                for (const ModelVertex &q : edge.vertices)
                    ASSERT_EQ(q.z, -kSoftEdgeDrop);
                // A band of about its width all the way round, not a hairline.
                EXPECT_NEAR(std::fabs(meshArea(edge)) / perimeter(p.outline), kSoftEdgeWidth, 0.15 * kSoftEdgeWidth)
                    << "size " << size << " piece " << p.number;
            }
}

// Every soft edge fades to nothing away from its shape and is at its full
// strength at the outline; the rim is dark at the cut and light inside.
TEST_F(JigsawModels, SoftEdgesFadeOutAndTheRimIsDarkThenLight)
{
    std::vector<CutTexture> pieceTextures = cutTextures("piece"), outlineTextures = cutTextures("outline"),
                            shadowTextures = cutTextures("shadow");
    ASSERT_NE(textureNamed(pieceTextures, "rim.png"), nullptr);
    ASSERT_NE(textureNamed(pieceTextures, "edge.png"), nullptr);
    ASSERT_NE(textureNamed(outlineTextures, "line.png"), nullptr);
    ASSERT_NE(textureNamed(shadowTextures, "shadow_edge.png"), nullptr);
    const PngImage &rimImage = textureNamed(pieceTextures, "rim.png")->image;
    const PngImage &edgeImage = textureNamed(pieceTextures, "edge.png")->image;
    const PngImage &lineImage = textureNamed(outlineTextures, "line.png")->image;
    const PngImage &shadowImage = textureNamed(shadowTextures, "shadow_edge.png")->image;
    auto fadesOutwards = [](const unsigned char *onOutline, const unsigned char *outside) {
        EXPECT_GE(onOutline[3], 100);
        EXPECT_EQ(outside[3], 0);
    };
    auto fadesInwards = [](const unsigned char *onOutline, const unsigned char *inside) {
        EXPECT_GE(onOutline[3], 200);
        EXPECT_EQ(inside[3], 0);
    };
    auto darkThenLight = [](const unsigned char *cut, const unsigned char *inside) {
        EXPECT_EQ(cut[3], 255);
        EXPECT_EQ(inside[3], 255);
        EXPECT_LT(cut[0] + cut[1] + cut[2] + 300, inside[0] + inside[1] + inside[2]);
    };
    for (const JigsawPiece &p : pieces) {
        Model piece = pieceModel(p, "picture.png", "rim.png", "edge.png");
        checkBand(p, piece.meshes[1], rimImage, kPieceRimWidth, darkThenLight);
        checkBand(p, piece.meshes[2], edgeImage, -kSoftEdgeWidth, fadesOutwards);
        checkBand(p, outlineModel(p, "line.png").meshes[1], lineImage, kOutlineBandWidth, fadesInwards);
        checkBand(p, shadowModel(p, "shadow.png", "shadow_edge.png").meshes[1], shadowImage, -kShadowSoftWidth,
                  fadesOutwards);
        if (HasFailure())
            return;
    }
}

TEST_F(JigsawModels, PictureMapsBoardPointsOntoTheUprightPicture)
{
    double sMin = 1, sMax = 0, tMin = 1, tMax = 0;
    for (const JigsawPiece &p : pieces) {
        Model model = pieceModel(p, "picture.png", "rim.png", "edge.png");
        for (const ModelVertex &q : model.meshes[0].vertices) {
            Vec2 b = atHome(p, q);
            EXPECT_NEAR(q.s, (b.x + kBoardW / 2) / kBoardW, 1e-12);
            EXPECT_NEAR(q.t, (kBoardH / 2 - b.y) / kBoardH, 1e-12);  // row 0 at the top
            sMin = std::min(sMin, q.s), sMax = std::max(sMax, q.s);
            tMin = std::min(tMin, q.t), tMax = std::max(tMax, q.t);
        }
    }
    // The whole picture is used, but for the rim along the board's edge.
    EXPECT_NEAR(sMin, kPieceRimWidth / kBoardW, 1e-9);
    EXPECT_NEAR(sMax, 1 - kPieceRimWidth / kBoardW, 1e-9);
    EXPECT_NEAR(tMin, kPieceRimWidth / kBoardH, 1e-9);
    EXPECT_NEAR(tMax, 1 - kPieceRimWidth / kBoardH, 1e-9);
}

TEST_F(JigsawModels, OutlineBandLiesInsideThePieceAboveItsFill)
{
    for (const JigsawPiece &p : pieces) {
        Model m = outlineModel(p, "line");
        ASSERT_EQ(m.meshes.size(), 2u);
        EXPECT_TRUE(m.meshes[0].material.transparent);
        EXPECT_TRUE(m.meshes[1].material.transparent);
        EXPECT_EQ(m.meshes[0].texture, "line");
        EXPECT_EQ(m.meshes[1].texture, "line");
        const std::vector<ModelVertex> &band = m.meshes[1].vertices;
        ASSERT_EQ(band.size() % 3, 0u);
        // Roughly a 0.06 wide strip all the way round, not a hairline or a fill.
        EXPECT_NEAR(meshArea(m.meshes[1]) / perimeter(p.outline), kOutlineBandWidth, 0.15 * kOutlineBandWidth)
            << "piece " << p.number;
        for (const ModelVertex &q : band) {
            EXPECT_EQ(q.z, kOutlineBandZ);
            double x = q.x + p.homeX, y = q.y + p.homeY;
            bool onOutline = clearance(p.outline, Vec2{x, y}) < 1e-9;
            ASSERT_TRUE(onOutline || contains(p.outline, x, y)) << "piece " << p.number << " band leaks out";
        }
        // The fill reaches under the band, so no gap shows between them.
        for (const ModelVertex &q : m.meshes[0].vertices)
            ASSERT_LT(clearance(p.outline, atHome(p, q)), kOutlineBandWidth / 2) << "piece " << p.number;
    }
}

// The outline's fill and line share one texture (so the board's outlines are
// one draw); each samples its own row at texel centres, where linear
// filtering takes nothing from the other row.
TEST_F(JigsawModels, OutlineFillAndLineEachSampleOnlyTheirOwnRow)
{
    std::vector<CutTexture> textures = cutTextures("outline");
    ASSERT_EQ(textures.size(), 1u);
    const PngImage &image = textures[0].image;
    ASSERT_EQ(image.height, 2);
    Model m = outlineModel(pieces[0], textures[0].name);
    for (int mesh = 0; mesh < 2; mesh++)
        for (const ModelVertex &q : m.meshes[mesh].vertices) {
            double texels = q.t * image.height - 0.5;
            ASSERT_EQ(texels, std::floor(texels)) << "mesh " << mesh << " samples between rows";
            ASSERT_EQ((int)texels, mesh == 0 ? 1 : 0);
        }
    for (int x = 0; x < image.width; x++) {
        const unsigned char *fill = &image.pixels[((size_t)image.width + x) * 4];
        EXPECT_EQ(fill[0] + fill[1] + fill[2], 3 * 255);
        EXPECT_EQ(fill[3], 90);
    }
}

TEST_F(JigsawModels, ShadowIsTheTranslucentSilhouetteWithAFadingEdge)
{
    for (const JigsawPiece &p : pieces) {
        Model m = shadowModel(p, "shadow", "shadow_edge");
        ASSERT_EQ(m.meshes.size(), 2u);
        EXPECT_TRUE(m.meshes[0].material.transparent);
        EXPECT_TRUE(m.meshes[1].material.transparent);
        EXPECT_EQ(m.meshes[0].texture, "shadow");
        EXPECT_EQ(m.meshes[1].texture, "shadow_edge");
        EXPECT_NEAR(meshArea(m.meshes[0]), area(p.outline), 1e-9);
        for (const ModelVertex &q : m.meshes[0].vertices)
            ASSERT_LT(clearance(p.outline, atHome(p, q)), 1e-9) << "piece " << p.number;
    }
}
