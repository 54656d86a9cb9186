// Writes the game's archives into a folder. Usage: datagen OUTPUT_DIR
//
// Every picture is drawn in code (Canvas) and every model is generated, so
// the archives are rebuilt byte for byte the same on every run.
#include <cmath>
#include <cstdio>
#include <string>

#include "datagen/Canvas.h"
#include "pakwriter/PakWriter.h"

static const Rgba WHITE{1, 1, 1, 1};
static const Rgba INK{0.16, 0.18, 0.30, 1};

// Blended, unlit material for art with soft edges.
static ModelMaterial softMaterial()
{
    ModelMaterial m;
    m.transparent = true;
    return m;
}

static void translate(ModelMesh &mesh, double dx, double dy, double dz)
{
    for (ModelVertex &v : mesh.vertices) {
        v.x += dx;
        v.y += dy;
        v.z += dz;
    }
}

static Bytes modelOf(const ModelMesh &mesh)
{
    Model model;
    model.meshes.push_back(mesh);
    return encodeModel(model);
}

// Sky, sun, clouds and two rows of hills; wide enough for 21:9 at distance 100.
static Canvas drawBackground()
{
    Canvas c = makeCanvas(1024, 440, WHITE);
    fillVerticalGradient(c, Rgba{0.45, 0.75, 0.98, 1}, Rgba{0.86, 0.95, 1.0, 1});
    fillCircle(c, 840, 90, 52, Rgba{1.0, 0.86, 0.30, 1});
    const double clouds[][3] = {{180, 80, 30}, {220, 70, 38}, {262, 84, 28}, {600, 120, 24}, {634, 110, 32}, {668, 122, 22}};
    for (const auto &k : clouds)
        fillCircle(c, k[0], k[1], k[2], Rgba{1, 1, 1, 0.95});
    std::vector<Point2> far, near;
    for (int x = 0; x <= 1024; x += 8) {
        far.push_back(Point2{(double)x, 300 - 40 * std::sin(x / 150.0) - 20 * std::sin(x / 61.0)});
        near.push_back(Point2{(double)x, 360 - 30 * std::sin(x / 110.0 + 1.3)});
    }
    far.push_back(Point2{1024, 440}); far.push_back(Point2{0, 440});
    near.push_back(Point2{1024, 440}); near.push_back(Point2{0, 440});
    fillPolygon(c, far, Rgba{0.55, 0.82, 0.42, 1});
    fillPolygon(c, near, Rgba{0.36, 0.70, 0.30, 1});
    return c;
}

// An arrow pointer with its tip in the top-left corner of the canvas.
static Canvas drawCursor()
{
    Canvas c = makeCanvas(64, 64, Rgba{0, 0, 0, 0});
    std::vector<Point2> outer = {{2, 2}, {2, 50}, {14, 39}, {23, 60}, {33, 56}, {24, 36}, {41, 36}};
    std::vector<Point2> inner = {{6, 11}, {6, 41}, {15, 33}, {25, 53}, {28, 52}, {19, 32}, {31, 32}};
    fillPolygon(c, outer, INK);
    fillPolygon(c, inner, Rgba{1.0, 0.85, 0.25, 1});
    return c;
}

static Canvas drawCloseButton()
{
    Canvas c = makeCanvas(128, 128, Rgba{0, 0, 0, 0});
    fillCircle(c, 64, 64, 60, WHITE);
    fillCircle(c, 64, 64, 52, Rgba{0.93, 0.33, 0.30, 1});
    strokeLine(c, Point2{44, 44}, Point2{84, 84}, 14, WHITE);
    strokeLine(c, Point2{84, 44}, Point2{44, 84}, 14, WHITE);
    return c;
}

// Visible area at distance 100 is 82.8 units high; 200 x 86 covers 5:4 to 21:9.
static PakFile interfaceArchive()
{
    PakFile pak;
    ModelMesh fon = quadXZ(200, 86, "fon.png", 1);
    pakAdd(pak, "fon", modelOf(fon));
    pakAdd(pak, "fon.png", canvasToPng(drawBackground(), true));
    // 1.7 units drawn at 0.64 scale, 26 units from the eye: about 5% of the height.
    ModelMesh cursor = quadXZ(1.7, 1.7, "cursor.png");
    cursor.material = softMaterial();
    translate(cursor, 0.85, 0, -0.85);
    pakAdd(pak, "cursor", modelOf(cursor));
    pakAdd(pak, "cursor.png", canvasToPng(drawCursor(), false));
    return pak;
}

static PakFile buttonsArchive()
{
    PakFile pak;
    ModelMesh close = quadXZ(6, 6, "close.png");
    close.material = softMaterial();
    pakAdd(pak, "close", modelOf(close));
    pakAdd(pak, "close.png", canvasToPng(drawCloseButton(), false));
    return pak;
}

static bool writeArchive(const std::string &folder, const char *name, const PakFile &pak)
{
    std::string path = folder + "/" + name;
    if (!writeFileAtomic(path, encodePak(pak))) {
        fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
        return false;
    }
    printf("datagen: %s (%zu entries)\n", name, pak.names.size());
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: datagen OUTPUT_DIR\n");
        return 2;
    }
    std::string out = argv[1];
    bool ok = writeArchive(out, "interface_my.pak", interfaceArchive()) &&
              writeArchive(out, "buttons.pak", buttonsArchive());
    return ok ? 0 : 1;
}
