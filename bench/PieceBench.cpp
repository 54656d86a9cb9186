// How well the puzzle pieces read: run by hand, never by ctest.
//
//   lumbrik_bench_pieces edges DATA_DIR --size S --picture P [--collapsed]
//                        [--placed K] [--select N] [--seed N] [--single-sample]
//                        [--shot OUT.png] [--marks OUT.bmp]
//   lumbrik_bench_pieces detail DATA_DIR [--verbose]
//
// edges: starts the real game scene (no welcome screen, puzzle size S,
// picture P, the panel collapsed so the preview shows when asked), lets the
// pieces fly in (the pictures are a parent's photos when the photo folder
// holds some), optionally sends the first K pieces home through real
// clicks (all of them: only the finished picture's screenshot), takes a screenshot of the X screen with xwd and measures, on that
// screenshot, the outer edge of every loose piece. The cut outline of each
// piece is projected with the modelview its mesh was last drawn with. Every
// pixel step along a visible stretch of outline gives one sample: the
// piece's edge zone (pixels 0.5 to 3 px inside the cut line) against what
// lies behind it (2.5 px outside, beyond any soft fringe). A sample is clear
// when some edge-zone pixel differs from the outside one by CIEDE2000 >= 10;
// the strict figure compares single pixels 1.5 px either side. Stretches
// covered by a piece drawn later are not visible and are skipped; samples
// whose outside lies on another piece are also counted apart (overlaps).
//
// detail: for every picture archive of both sizes, decodes the picture the
// pieces are cut from and reports, per picture, the piece with the least
// colour spread (RMS CIE76 distance of its pixels from their mean, in Lab)
// and the piece with the smallest feature share (pixels farther than 20 from
// the piece's median colour).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <SDL_image.h>
#include <unistd.h>

#include "BenchCommon.h"
#include "support/GameRig.h"
#include "app/App.h"
#include "app/Display.h"
#include "app/Game.h"
#include "datagen/Jigsaw.h"
#include "puzzle/PuzzleBoard.h"
#include "puzzle/PuzzleLayouts.h"
#include "resources/Mesh.h"
#include "resources/PakArchive.h"
#include "resources/PictureDetail.h"
#include "platform/Platform.h"
#include "puzzle/PhotoPictures.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

// CIEDE2000 at or above this is a difference a child sees at a glance.
const double CLEAR_DELTA_E = 10;
// Pixels inside the cut line that make up a piece's edge zone, and the
// distance outside at which the backdrop is read.
const double EDGE_ZONE_PX = 3.0;
const double OUTSIDE_PX = 2.5;
const double STRICT_PX = 1.5;
// Wall time the scene gets after the fly-in (the panel unfolds in 1.3 s).
const double SETTLE_MS = 2500;
const double FLY_IN_LIMIT_MS = 60000;

struct Options {
    std::string mode;
    std::string dataDir;
    int size = 0, picture = 0, placed = 0;
    int seed = 1;  // edges: the scatter's seed, so that runs can be compared
    int select = 0;  // edges: piece number clicked before the screenshot (shadow shown), 0 = none
    bool collapsed = false;
    bool singleSample = false;  // edges: draw without multisampling even in a multisampled mode
    bool verbose = false;  // detail: also list every piece with little on it
    std::string shot;  // where the screenshot goes; a temporary file when empty
    std::string marks; // edges: the screenshot again, each sample's edge point marked (BMP)
};

// ---------------------------------------------------------------- colour

static double deg(double rad)
{
    return rad * 180 / M_PI;
}

static double rad(double d)
{
    return d * M_PI / 180;
}

// Hue angle in degrees, 0..360.
static double hueOf(double b, double a)
{
    if (a == 0 && b == 0)
        return 0;
    double h = deg(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
}

// CIEDE2000 (Sharma, Wu, Dalal 2005), unit weights.
static double deltaE2000(const Lab &p, const Lab &q)
{
    double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b), cm = (c1 + c2) / 2;
    double cm7 = std::pow(cm, 7), g = 0.5 * (1 - std::sqrt(cm7 / (cm7 + std::pow(25.0, 7))));
    double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
    double cp1 = std::hypot(a1, p.b), cp2 = std::hypot(a2, q.b);
    double h1 = hueOf(p.b, a1), h2 = hueOf(q.b, a2);
    double dl = q.l - p.l, dc = cp2 - cp1, dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        dh += dh > 180 ? -360 : dh < -180 ? 360 : 0;
    }
    double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(rad(dh / 2));
    double lm = (p.l + q.l) / 2, cpm = (cp1 + cp2) / 2, hm = h1 + h2;
    if (cp1 * cp2 != 0)
        hm = std::fabs(h1 - h2) <= 180 ? hm / 2 : (hm < 360 ? (hm + 360) / 2 : (hm - 360) / 2);
    double t = 1 - 0.17 * std::cos(rad(hm - 30)) + 0.24 * std::cos(rad(2 * hm)) +
               0.32 * std::cos(rad(3 * hm + 6)) - 0.20 * std::cos(rad(4 * hm - 63));
    double sl = 1 + 0.015 * (lm - 50) * (lm - 50) / std::sqrt(20 + (lm - 50) * (lm - 50));
    double sc = 1 + 0.045 * cpm, sh = 1 + 0.015 * cpm * t;
    double cpm7 = std::pow(cpm, 7);
    double rt = -2 * std::sqrt(cpm7 / (cpm7 + std::pow(25.0, 7))) *
                std::sin(rad(60 * std::exp(-std::pow((hm - 275) / 25, 2))));
    double x = dl / sl, y = dc / sc, z = dH / sh;
    return std::sqrt(x * x + y * y + z * z + rt * y * z);
}

// ---------------------------------------------------------------- images

// Pixel (x, y) of a decoded image, top-left origin; false outside it.
static bool pixelAt(SDL_Surface *s, int x, int y, unsigned char rgb[3])
{
    if (x < 0 || y < 0 || x >= s->w || y >= s->h)
        return false;
    const Uint8 *p = (const Uint8 *)s->pixels + y * s->pitch + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    memcpy(&v, p, s->format->BytesPerPixel);  // little-endian host
    SDL_GetRGB(v, s->format, &rgb[0], &rgb[1], &rgb[2]);
    return true;
}

static bool pixelAtPoint(SDL_Surface *s, double x, double y, unsigned char rgb[3])
{
    return pixelAt(s, (int)std::floor(x), (int)std::floor(y), rgb);
}

// ---------------------------------------------------------------- detail

static PieceDetail detailOf(SDL_Surface *picture, const JigsawPiece &p)
{
    double sx = picture->w / (2 * kBoardHalfWidth), sy = picture->h / (2 * kBoardHalfHeight);
    std::vector<Vec2> texels;
    for (const Vec2 &q : p.outline)
        texels.push_back(Vec2{(q.x + kBoardHalfWidth) * sx, (kBoardHalfHeight - q.y) * sy});
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const Vec2 &q : texels)
        x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
    std::vector<Lab> labs;
    for (int y = (int)y0; y <= (int)y1; y++)
        for (int x = (int)x0; x <= (int)x1; x++) {
            unsigned char rgb[3];
            if (pointInPolygon(texels, Vec2{x + 0.5, y + 0.5}) && pixelAt(picture, x, y, rgb))
                labs.push_back(toLab(rgb));
        }
    PieceDetail d = detailOfColours(labs);
    d.piece = p.number;
    return d;
}

static SDL_Surface *decodeEntry(const PakArchive &archive, const char *name)
{
    PakEntry e = archive.entry(name);
    if (!e.data)
        return nullptr;
    return IMG_Load_RW(SDL_RWFromConstMem(e.data, (int)e.size), 1);
}

// One line for the picture archive of (size, picture), then, when verbose,
// every piece with little on it. False when the picture cannot be read.
static bool reportDetail(const Options &o, int size, int picture)
{
    const char *name = PUZZLE_SIZE_INFO[size].pictureArchives[picture];
    std::string path = o.dataDir + "/" + name;
    PakArchive archive;
    SDL_Surface *image = nullptr;
    if (loadPakArchive(archive, path.c_str()) != PAK_OK || !(image = decodeEntry(archive, "picture.png"))) {
        fprintf(stderr, "pieces: cannot read the picture of %s\n", path.c_str());
        return false;
    }
    std::vector<JigsawPiece> cut = cutBoard(size, pictureLayout(picture));
    std::vector<PieceDetail> details;
    PieceDetail leastSpread, leastFeature;
    leastSpread.spread = leastFeature.feature = 1e9;
    int plain = 0;
    for (const JigsawPiece &p : cut) {
        details.push_back(detailOf(image, p));
        const PieceDetail &d = details.back();
        leastSpread = d.spread < leastSpread.spread ? d : leastSpread;
        leastFeature = d.feature < leastFeature.feature ? d : leastFeature;
        plain += d.feature < PLAIN_FEATURE_SHARE;
    }
    SDL_FreeSurface(image);
    printf("%-16s %5d | %8.1f (%2d)            | %8.1f%% (%2d)          | %d\n", name,
           PUZZLE_SIZE_INFO[size].pieceCount, leastSpread.spread, leastSpread.piece, 100 * leastFeature.feature,
           leastFeature.piece, plain);
    for (size_t k = 0; o.verbose && k < cut.size(); k++)
        if (details[k].feature < 0.15 || details[k].spread < 15)
            printf("    piece %2d at (%6.2f, %5.2f): spread %5.1f, feature %5.1f%%\n", cut[k].number,
                   cut[k].homeX, cut[k].homeY, details[k].spread, 100 * details[k].feature);
    return true;
}

static int runDetail(const Options &o)
{
    printf("%-16s %5s | %-22s | %-22s | %s\n", "archive", "size", "least spread (piece)",
           "least feature (piece)", "pieces with feature share < 5%");
    for (int size = 0; size < PUZZLE_SIZES; size++)
        for (int picture = 0; picture < PUZZLE_PICTURES; picture++)
            if (!reportDetail(o, size, picture))
                return 1;
    return 0;
}

// ---------------------------------------------------------------- the game

// The pieces now on the board: children 1, 3, 5, ... each followed by its place.
static std::vector<SceneObject *> boardPieces()
{
    std::vector<SceneObject *> out;
    SceneObject *board = app.board.boardObject;
    for (size_t i = 1; board && i < board->children.size(); i += 2)
        out.push_back(board->children[i]);
    return out;
}

static SceneObject *placeOf(int index)
{
    return app.board.boardObject->children[2 + 2 * index];
}

// Window pixel (top-left origin) of a point (x, y, 0) of an object's model,
// as its first mesh was last drawn.
static Vec2 toWindow(const SceneObject *object, Vec2 model)
{
    double projection[16], wx = 0, wy = 0, wz = 0;
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(model.x, model.y, 0, object->meshes[0]->modelView, projection, viewport, &wx, &wy, &wz);
    return Vec2{wx, viewport[3] - wy};
}

// The cut outline of a piece in window pixels, as its object was last drawn.
static std::vector<Vec2> windowOutline(const SceneObject *object, const JigsawPiece &p)
{
    std::vector<Vec2> out;
    for (const Vec2 &q : p.outline)
        out.push_back(toWindow(object, Vec2{q.x - p.homeX, q.y - p.homeY}));
    return out;
}

// Every piece's cut outline in window pixels, in draw order (later on top).
static std::vector<std::vector<Vec2>> windowOutlines(const std::vector<JigsawPiece> &cut)
{
    std::vector<SceneObject *> pieces = boardPieces();
    std::vector<std::vector<Vec2>> outlines;
    for (size_t k = 0; k < pieces.size() && k < cut.size(); k++)
        outlines.push_back(windowOutline(pieces[k], cut[k]));
    return outlines;
}

static bool landed(const std::vector<SceneObject *> &pieces)
{
    for (SceneObject *p : pieces)
        if (std::fabs(p->transform.position[2]) > 1e-3)
            return false;
    return !pieces.empty();
}

// Moves to (x, y), lets the pick see it, then clicks there.
static void clickAt(Vec2 at)
{
    pushMotion((int32_t)at.x, (int32_t)at.y);
    playFrame();
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playFrame();
}

static void playFor(double ms)
{
    BenchClock::time_point start = BenchClock::now();
    while (msBetween(start, BenchClock::now()) < ms)
        playFrame();
}

// A point inside outline `k` that no later outline covers, or (-1, -1).
static Vec2 uncoveredPoint(const std::vector<std::vector<Vec2>> &outlines, size_t k)
{
    const std::vector<Vec2> &o = outlines[k];
    for (Triangle t : triangulate(o)) {
        Vec2 c{(o[t.a].x + o[t.b].x + o[t.c].x) / 3, (o[t.a].y + o[t.b].y + o[t.c].y) / 3};
        bool covered = false;
        for (size_t j = k + 1; j < outlines.size() && !covered; j++)
            covered = pointInPolygon(outlines[j], c);
        if (!covered)
            return c;
    }
    return Vec2{-1, -1};
}

// Clicks piece `index` where nothing covers it, so that it is selected.
static void selectPiece(const std::vector<JigsawPiece> &cut, int index)
{
    Vec2 at = uncoveredPoint(windowOutlines(cut), (size_t)index);
    if (at.x >= 0)
        clickAt(at);
}

// Sends the first `count` pieces home as a child would: the piece, then its place.
static void placePieces(const std::vector<JigsawPiece> &cut, int count)
{
    for (int i = 0; i < count; i++) {
        for (int attempt = 0; attempt < 20 && app.board.placedCount <= i; attempt++) {
            Vec2 at = uncoveredPoint(windowOutlines(cut), (size_t)i);
            if (at.x < 0)
                break;
            clickAt(at);
            clickAt(toWindow(placeOf(i), Vec2{0, 0}));  // the place's home point
            if (app.board.placedCount <= i)
                playFor(400);  // something flew over the place; try again
        }
    }
    playFor(1500);  // the last ones land
}

// ---------------------------------------------------------------- edges

struct EdgeCounts {
    SDL_Surface *marks = nullptr;  // Borrowed: a copy of the screenshot to mark, or null
    long samples = 0, clear = 0, strictClear = 0;
    long overPiece = 0, overPieceClear = 0;  // outside lies on another piece
    long clearAt[3] = {0, 0, 0};             // at CIEDE2000 >= 5, 10, 20
};

struct ScreenPieces {
    std::vector<std::vector<Vec2>> outlines;  // window pixels, draw order
    std::vector<bool> loose;
};

static bool coveredByLater(const ScreenPieces &s, size_t k, double x, double y)
{
    for (size_t j = k + 1; j < s.outlines.size(); j++)
        if (pointInPolygon(s.outlines[j], Vec2{x, y}))
            return true;
    return false;
}

static bool onOtherPiece(const ScreenPieces &s, size_t k, double x, double y)
{
    for (size_t j = 0; j < s.outlines.size(); j++)
        if (j != k && pointInPolygon(s.outlines[j], Vec2{x, y}))
            return true;
    return false;
}

// Paints the edge point green (clear) or red (not clear).
static void mark(SDL_Surface *marks, double x, double y, bool clear)
{
    int px = (int)std::floor(x), py = (int)std::floor(y);
    if (!marks || px < 0 || py < 0 || px >= marks->w || py >= marks->h)
        return;
    Uint32 colour = clear ? SDL_MapRGB(marks->format, 0, 220, 0) : SDL_MapRGB(marks->format, 255, 0, 0);
    Uint8 *p = (Uint8 *)marks->pixels + py * marks->pitch + px * marks->format->BytesPerPixel;
    memcpy(p, &colour, marks->format->BytesPerPixel);
}

// One sample at point (x, y) of outline k with outward normal (nx, ny).
static void sampleAt(SDL_Surface *shot, const ScreenPieces &s, size_t k, double x, double y, double nx,
                     double ny, EdgeCounts &c)
{
    double ox = x + nx * OUTSIDE_PX, oy = y + ny * OUTSIDE_PX;
    if (coveredByLater(s, k, x, y) || coveredByLater(s, k, x - nx * EDGE_ZONE_PX, y - ny * EDGE_ZONE_PX))
        return;
    unsigned char out[3], in[3], strictIn[3], strictOut[3];
    if (!pixelAtPoint(shot, ox, oy, out) || !pixelAtPoint(shot, x - nx * EDGE_ZONE_PX, y - ny * EDGE_ZONE_PX, in) ||
        !pixelAtPoint(shot, x - nx * STRICT_PX, y - ny * STRICT_PX, strictIn) ||
        !pixelAtPoint(shot, x + nx * STRICT_PX, y + ny * STRICT_PX, strictOut))
        return;
    Lab outside = toLab(out);
    double best = 0;
    for (double d = 0.5; d <= EDGE_ZONE_PX + 1e-9; d += 0.5)
        if (pixelAtPoint(shot, x - nx * d, y - ny * d, in))
            best = std::max(best, deltaE2000(toLab(in), outside));
    bool clear = best >= CLEAR_DELTA_E;
    c.samples++;
    c.clear += clear;
    c.clearAt[0] += best >= 5, c.clearAt[1] += best >= 10, c.clearAt[2] += best >= 20;
    c.strictClear += deltaE2000(toLab(strictIn), toLab(strictOut)) >= CLEAR_DELTA_E;
    if (onOtherPiece(s, k, ox, oy)) {
        c.overPiece++;
        c.overPieceClear += clear;
    }
    mark(c.marks, x, y, clear);
}

static void measureOutline(SDL_Surface *shot, const ScreenPieces &s, size_t k, EdgeCounts &c)
{
    const std::vector<Vec2> &o = s.outlines[k];
    // Window pixels have y down: a piece that runs counter-clockwise on the
    // board has a negative area here, and its outside lies to the left.
    double turn = signedArea(o) < 0 ? 1 : -1;
    for (size_t i = 0; i < o.size(); i++) {
        Vec2 a = o[i], b = o[(i + 1) % o.size()];
        double len = std::hypot(b.x - a.x, b.y - a.y);
        if (len < 1e-9)
            continue;
        double dx = (b.x - a.x) / len, dy = (b.y - a.y) / len;
        double nx = -dy * turn, ny = dx * turn;  // outward
        for (double t = 0.5; t < len; t += 1)
            sampleAt(shot, s, k, a.x + dx * t, a.y + dy * t, nx, ny, c);
    }
}

// The X screen as it is now, decoded; null when xwd or convert failed. The
// file stays at `path` unless it is empty (then a temporary one is used).
static SDL_Surface *takeScreenshot(const std::string &path)
{
    std::string file = path.empty() ? "/tmp/lumbrik_pieces_" + std::to_string(getpid()) + ".png" : path;
    std::string command = "xwd -root -silent | /usr/bin/convert xwd:- '" + file + "'";
    SDL_Surface *shot = system(command.c_str()) == 0 ? IMG_Load(file.c_str()) : nullptr;
    if (path.empty())
        remove(file.c_str());
    return shot;
}

static void startScene(const Options &o)
{
    app.settingsPath.clear();
    app.settings = new Settings;
    app.settings->showWelcome = 0;
    app.settings->soundOn = app.settings->musicOn = 0;
    app.settings->menuExpanded = o.collapsed ? 0 : 1;
    app.settings->puzzleSize = o.size;
    app.board.pictureIndex = o.picture;
    app.display = new Display;
    app.display->open(0, 0, 0);
    if (o.singleSample)  // one sample per pixel, as a mode without multisampling draws
        glDisable(GL_MULTISAMPLE);
    app.root = new SceneObject;
    srand((unsigned)o.seed);
    // A parent's photos, as the game would find them.
    startPhotoPictures(platformPhotoFolder(), platformCacheFolder());
    for (PhotoProgress p; !(p = photoProgress()).settled || p.shown < p.usable; updatePhotoPictures())
        SDL_Delay(10);
    buildFirstScene();
}

// Plays frames until every piece has flown in and the panel has unfolded.
static bool waitForTheBoard()
{
    BenchClock::time_point start = BenchClock::now();
    while (!landed(boardPieces()) || msBetween(start, BenchClock::now()) < SETTLE_MS) {
        playFrame();
        if (msBetween(start, BenchClock::now()) > FLY_IN_LIMIT_MS)
            return false;
    }
    return true;
}

// Counts the samples along every loose piece's edge on the screenshot.
static EdgeCounts measureEdges(SDL_Surface *shot, const std::vector<JigsawPiece> &cut, const Options &o)
{
    ScreenPieces s;
    s.outlines = windowOutlines(cut);
    for (size_t k = 0; k < s.outlines.size(); k++)
        s.loose.push_back((int)k >= app.board.placedCount);  // pieces are sent home in order
    EdgeCounts c;
    if (!o.marks.empty())
        c.marks = SDL_ConvertSurface(shot, shot->format, SDL_SWSURFACE);
    for (size_t k = 0; k < s.outlines.size(); k++)
        if (s.loose[k])
            measureOutline(shot, s, k, c);
    if (c.marks) {
        SDL_SaveBMP(c.marks, o.marks.c_str());
        SDL_FreeSurface(c.marks);
        c.marks = nullptr;
    }
    return c;
}

// --placed with every piece: the finished picture, shot once its zoom is
// over; no loose piece is left to measure.
static int showFinished(const std::vector<JigsawPiece> &cut, const Options &o)
{
    placePieces(cut, (int)cut.size());
    playFor(2500);
    SDL_Surface *shot = takeScreenshot(o.shot);
    bool finished = app.settings->completed[o.picture] == 1;
    printf("finished picture=%d pieces=%d shown=%d\n", o.picture, (int)cut.size(), finished && shot ? 1 : 0);
    if (shot)
        SDL_FreeSurface(shot);
    shutDownGame();
    return finished && shot ? 0 : 1;
}

static int runEdges(const Options &o)
{
    startScene(o);
    pushMotion(app.display->width / 2, app.display->height / 2);
    if (!waitForTheBoard()) {
        fprintf(stderr, "pieces: the pieces never landed\n");
        return 1;
    }
    std::vector<JigsawPiece> cut = cutBoard(o.size, pictureLayout(o.picture));
    if (o.placed >= (int)cut.size())
        return showFinished(cut, o);
    placePieces(cut, o.placed);
    if (o.select > app.board.placedCount && o.select <= (int)cut.size())
        selectPiece(cut, o.select - 1);
    pushMotion(app.display->width / 2, app.display->height / 2);
    for (int i = 0; i < 5; i++)  // the cursor over the empty board, the pulse over
        playFrame();
    playFor(300);
    SDL_Surface *shot = takeScreenshot(o.shot);
    if (!shot) {
        fprintf(stderr, "pieces: no screenshot (xwd and /usr/bin/convert are needed)\n");
        return 1;
    }
    EdgeCounts c = measureEdges(shot, cut, o);
    SDL_FreeSurface(shot);
    // key=value, so that bench/run-piece-bench.sh can add runs up.
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    printf("edges picture=%d pieces=%d screen=%dx%d multisample=%d depth=%d samples=%ld clear=%ld clear5=%ld "
           "clear20=%ld strict=%ld over=%ld overclear=%ld\n",
           o.picture, PUZZLE_SIZE_INFO[o.size].pieceCount, app.display->width, app.display->height,
           app.display->multisampled && !o.singleSample ? 1 : 0, (int)depthBits, c.samples, c.clear, c.clearAt[0], c.clearAt[2], c.strictClear,
           c.overPiece, c.overPieceClear);
    shutDownGame();
    return 0;
}

// ---------------------------------------------------------------- options

static bool parseOptions(int argc, char **argv, Options &o)
{
    if (argc < 3)
        return false;
    o.mode = argv[1];
    o.dataDir = argv[2];
    for (int i = 3; i < argc; i++) {
        std::string arg = argv[i];
        bool value = i + 1 < argc;
        if (arg == "--size" && value)
            o.size = atoi(argv[++i]);
        else if (arg == "--picture" && value)
            o.picture = atoi(argv[++i]);
        else if (arg == "--seed" && value)
            o.seed = atoi(argv[++i]);
        else if (arg == "--select" && value)
            o.select = atoi(argv[++i]);
        else if (arg == "--placed" && value)
            o.placed = atoi(argv[++i]);
        else if (arg == "--shot" && value)
            o.shot = argv[++i];
        else if (arg == "--collapsed")
            o.collapsed = true;
        else if (arg == "--marks" && value)
            o.marks = argv[++i];
        else if (arg == "--single-sample")
            o.singleSample = true;
        else if (arg == "--verbose")
            o.verbose = true;
        else
            return false;
    }
    bool known = o.mode == "edges" || o.mode == "detail";
    return known && o.size >= 0 && o.size < PUZZLE_SIZES && o.picture >= 0 && o.picture < PUZZLE_PICTURES;
}

int main(int argc, char **argv)
{
    Options o;
    if (!parseOptions(argc, argv, o)) {
        fprintf(stderr, "usage: lumbrik_bench_pieces edges DATA_DIR --size S --picture P [--collapsed] "
                        "[--placed K] [--select N] [--seed N] [--single-sample] [--shot OUT.png] [--marks OUT.bmp]\n"
                        "       lumbrik_bench_pieces detail DATA_DIR [--verbose]\n");
        return 2;
    }
    if (o.mode == "detail")
        return runDetail(o);
    // The game opens its archives relative to the working folder.
    if (chdir(o.dataDir.c_str()) != 0) {
        fprintf(stderr, "pieces: no data folder %s\n", o.dataDir.c_str());
        return 1;
    }
    return runEdges(o);
}
