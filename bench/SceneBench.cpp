// Frame and pick timings of a busy scene driven through the game's own main
// loop, with the heap allocations of the steady frames counted.
//
// The scene: 200 overlapping textured squares (opaque, alpha-tested,
// transparent, and opaque with a transparent pane in front), every one
// pickable, a third of them circling and some spinning through endless
// actions. Each frame the mouse is put over another square, so the pick
// always has real candidates.
//
// Usage: lumbrik_bench_scene [--frames N] [--warmup N] [--no-scissor] [--multisample=on|off]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include <GL/gl.h>
#include <SDL.h>

#include "support/AllocationCounter.h"
#include "BenchCommon.h"
#include "support/GameRig.h"
#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/Game.h"
#include "app/Picker.h"
#include "pakwriter/PakWriter.h"
#include "resources/PngWriter.h"
#include "resources/Mesh.h"
#include "scene/Action.h"
#include "scene/SceneObject.h"

const int OBJECT_COUNT = 200;
const int TEXTURE_SIZE = 256;
const double SQUARE_SIDE = 10;
const double EYE_Z = 100;   // where the display puts the eye
const double DEPTH_SPREAD = 20;  // objects lie in z = -20 .. +20
const double SWAY_RADIUS = 1.5;

struct BenchOptions {
    int frames = 300;
    int warmup = 50;
    bool scissor = true;
};

// ---------------------------------------------------------------- options

static bool parseOptions(int argc, char **argv, BenchOptions &options)
{
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(arg, "--frames") == 0 && hasValue && parseCount(argv[i + 1], options.frames))
            i++;
        else if (strcmp(arg, "--warmup") == 0 && hasValue && parseCount(argv[i + 1], options.warmup))
            i++;
        else if (strcmp(arg, "--no-scissor") == 0)
            options.scissor = false;
        else if (strncmp(arg, "--multisample=", 14) != 0)  // that one is openGameDisplay's
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- archive

typedef void (*PixelFill)(int x, int y, unsigned char rgba[4]);

// Two-colour checkerboard of 32-pixel cells.
static void fillChecker(int x, int y, unsigned char rgba[4])
{
    bool dark = ((x / 32) + (y / 32)) % 2 != 0;
    rgba[0] = dark ? 40 : 230;
    rgba[1] = dark ? 90 : 200;
    rgba[2] = (unsigned char)(x ^ y);
    rgba[3] = 255;
}

// An opaque disc on fully clear ground, for the alpha test.
static void fillDisc(int x, int y, unsigned char rgba[4])
{
    int dx = x - TEXTURE_SIZE / 2, dy = y - TEXTURE_SIZE / 2;
    rgba[0] = (unsigned char)x;
    rgba[1] = 180;
    rgba[2] = (unsigned char)y;
    rgba[3] = dx * dx + dy * dy < 120 * 120 ? 255 : 0;
}

// A pane whose opacity grows from left to right, for the blended pass.
static void fillGlass(int x, int y, unsigned char rgba[4])
{
    rgba[0] = 120;
    rgba[1] = (unsigned char)(255 - y);
    rgba[2] = 250;
    rgba[3] = (unsigned char)(60 + x * 140 / (TEXTURE_SIZE - 1));
}

static Bytes texturePng(PngKind kind, PixelFill fill)
{
    PngImage image;
    image.width = TEXTURE_SIZE;
    image.height = TEXTURE_SIZE;
    image.kind = kind;
    int channels = pngChannels(kind);
    image.pixels.resize((size_t)TEXTURE_SIZE * TEXTURE_SIZE * channels);
    unsigned char *out = image.pixels.data();
    for (int y = 0; y < TEXTURE_SIZE; y++) {
        for (int x = 0; x < TEXTURE_SIZE; x++, out += channels) {
            unsigned char rgba[4];
            fill(x, y, rgba);
            memcpy(out, rgba, (size_t)channels);
        }
    }
    return encodePng(image);
}

static ModelMesh square(double side, const char *texture, bool alphaTest, bool transparent, double z)
{
    ModelMesh mesh = quadXY(side, side, texture, z);
    mesh.material.alphaTest = alphaTest;
    mesh.material.transparent = transparent;
    return mesh;
}

static Bytes modelOf(const ModelMesh &a)
{
    Model model;
    model.meshes.push_back(a);
    return encodeModel(model);
}

static Bytes modelOf(const ModelMesh &a, const ModelMesh &b)
{
    Model model;
    model.meshes.push_back(a);
    model.meshes.push_back(b);
    return encodeModel(model);
}

// The four kinds of square the scene cycles through, by entry name.
static const char *const MODEL_NAMES[4] = {"card.mdl", "disc.mdl", "glass.mdl", "framed.mdl"};

static bool writeBenchArchive(const std::string &path)
{
    PakFile pak;
    bool ok = pakAdd(pak, "checker.png", texturePng(PNG_RGB, fillChecker));
    ok = ok && pakAdd(pak, "disc.png", texturePng(PNG_RGBA, fillDisc));
    ok = ok && pakAdd(pak, "glass.png", texturePng(PNG_RGBA, fillGlass));
    ok = ok && pakAdd(pak, MODEL_NAMES[0], modelOf(square(SQUARE_SIDE, "checker.png", false, false, 0)));
    ok = ok && pakAdd(pak, MODEL_NAMES[1], modelOf(square(SQUARE_SIDE, "disc.png", true, false, 0)));
    ok = ok && pakAdd(pak, MODEL_NAMES[2], modelOf(square(SQUARE_SIDE, "glass.png", false, true, 0)));
    // A picture behind a pane: one object with an opaque and a queued mesh.
    ModelMesh picture = square(SQUARE_SIDE, "checker.png", false, false, 0);
    ModelMesh pane = square(SQUARE_SIDE * 0.8, "glass.png", false, true, 0.3);
    ok = ok && pakAdd(pak, MODEL_NAMES[3], modelOf(picture, pane));
    return ok && writeFileAtomic(path, encodePak(pak));
}

// ---------------------------------------------------------------- scene

// xorshift32: the same scene on every run (the game seeds rand() by time).
struct Rng {
    uint32_t state = 0x9e3779b9u;
};

static double nextUnit(Rng &rng)
{
    uint32_t s = rng.state;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    rng.state = s;
    return (double)s / 4294967296.0;
}

// Endless: circles the object around (d0, d1), starting at angle d2.
static void sway(void *)
{
    const Action &a = *app.currentAction;
    SceneObject &object = *app.currentObject;
    double angle = a.elapsed * 0.002 + a.d2;
    object.setPosition(a.d0 + SWAY_RADIUS * cos(angle), a.d1 + SWAY_RADIUS * sin(angle), object.transform.position[2]);
}

// Endless: turns the object about the view axis at d0 degrees per ms.
static void spin(void *)
{
    const Action &a = *app.currentAction;
    app.currentObject->setRotation(0, 0, a.elapsed * a.d0);
}

static void startEndless(SceneObject &object, ActionCallback callback, double d0, double d1, double d2)
{
    Action action = makeAction(1, ACTION_ENDLESS, callback, nullptr);
    action.setCallback(callback, nullptr, 0, 0, 0, d0, d1, d2);
    object.script.addStep();
    object.script.addAction(action);
    object.script.trigger(object.script.stepCount() - 1);
}

// Somewhere inside the visible area at a random depth, so squares overlap.
static void placeObject(SceneObject &object, Rng &rng)
{
    double z = DEPTH_SPREAD * (2 * nextUnit(rng) - 1);
    double distance = EYE_Z - z;
    double halfWidth = app.display->halfWidthAt(distance) - SQUARE_SIDE;
    double halfHeight = app.display->halfHeightAt(distance) - SQUARE_SIDE;
    double x = halfWidth * (2 * nextUnit(rng) - 1);
    double y = halfHeight * (2 * nextUnit(rng) - 1);
    object.setPosition(x, y, z);
}

struct BenchScene {
    std::vector<SceneObject *> objects;  // Borrowed: children of App::root
    int moving = 0;
    int transparentMeshes = 0;
};

static void buildScene(const std::string &archive, BenchScene &scene)
{
    Rng rng;
    for (int i = 0; i < OBJECT_COUNT; i++) {
        SceneObject *object = new SceneObject;
        object->addHook(pickableHook, 0);
        object->setImage(archive.c_str(), MODEL_NAMES[i % 4]);
        placeObject(*object, rng);
        if (i % 3 == 0)
            startEndless(*object, sway, object->x(), object->y(), i * 0.7);
        if (i % 7 == 0)
            startEndless(*object, spin, 0.03, 0, 0);
        scene.moving += (i % 3 == 0 || i % 7 == 0) ? 1 : 0;
        for (Mesh *mesh : object->meshes)
            scene.transparentMeshes += mesh->material.transparent ? 1 : 0;
        app.root->addChild(object);
        scene.objects.push_back(object);
    }
}

// ---------------------------------------------------------------- driving


// A stride coprime with the object count visits every square in turn.
static const SceneObject &targetOf(const BenchScene &scene, int step)
{
    return *scene.objects[(size_t)(step * 37) % scene.objects.size()];
}

struct FrameResults {
    std::vector<double> frameMs;  // reserved up front: no allocation while measuring
    double totalMs = 0;
    int hoveredFrames = 0;
    uint64_t candidates = 0;
    AllocationCounts allocations;
};

static void playFrames(const BenchScene &scene, int count, int firstStep, FrameResults *results)
{
    for (int f = 0; f < count; f++) {
        int x, y;
        if (windowPointOf(&targetOf(scene, firstStep + f), x, y))
            pushMotion(x, y);
        BenchClock::time_point start = BenchClock::now();
        playFrame();
        BenchClock::time_point end = BenchClock::now();
        if (!results)
            continue;
        results->frameMs.push_back(msBetween(start, end));
        results->hoveredFrames += app.picker.hovered ? 1 : 0;
        results->candidates += app.picker.candidates.size();
    }
}

static void measureFrames(const BenchScene &scene, const BenchOptions &options, FrameResults &results)
{
    results.frameMs.reserve((size_t)options.frames);
    AllocationCounts before = readAllocationCounts();
    BenchClock::time_point start = BenchClock::now();
    playFrames(scene, options.frames, options.warmup, &results);
    BenchClock::time_point end = BenchClock::now();
    results.allocations = allocationsBetween(before, readAllocationCounts());
    results.totalMs = msBetween(start, end);
}

// The frame's drawing without its swap, finished, so that a pick can follow
// with an idle pipeline (as it does after the swap in the real loop) and be
// timed on its own.
static void drawForPick()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -(float)EYE_Z);
    app.root->draw();
    drawQueuedMeshes();
    glFinish();
}

static void measurePicks(const BenchScene &scene, int count, std::vector<double> &pickMs)
{
    pickMs.reserve((size_t)count);
    for (int i = 0; i < count; i++) {
        int x, y;
        if (windowPointOf(&targetOf(scene, i), x, y)) {
            app.mouseX = x;
            app.mouseY = y;
        }
        drawForPick();
        BenchClock::time_point start = BenchClock::now();
        app.picker.pick();
        BenchClock::time_point end = BenchClock::now();
        pickMs.push_back(msBetween(start, end));
    }
}

// ---------------------------------------------------------------- report

static double sum(const std::vector<double> &values)
{
    double total = 0;
    for (double v : values)
        total += v;
    return total;
}

static void printAllocations(const char *label, uint64_t all, uint64_t main, int frames, const char *note)
{
    if (!allocationCountingActive()) {
        printf("%-22s not counted in this build (sanitizers)\n", label);
        return;
    }
    printf("%-22s %.2f per frame (%llu in %d frames; main thread %llu)%s\n", label, (double)all / frames,
           (unsigned long long)all, frames, (unsigned long long)main, note);
}

static void printReport(const BenchOptions &options, const BenchScene &scene, FrameResults &frames,
                        std::vector<double> &pickMs)
{
    std::sort(frames.frameMs.begin(), frames.frameMs.end());
    std::sort(pickMs.begin(), pickMs.end());
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    const Display &d = *app.display;
    int n = options.frames;
    printf("lumbrik scene bench\n");
    printf("%-22s %s\n", "renderer:", (const char *)glGetString(GL_RENDERER));
    printf("%-22s %dx%d, desktop %d bits per pixel\n", "resolution:", d.width, d.height, d.depth);
    printf("%-22s %s (GL_SAMPLES %d)\n", "multisampled:", d.multisampled ? "yes" : "no", samples);
    printf("%-22s %s\n", "pick colour scissor:", app.picker.scissorColourPass ? "on" : "off");
    printf("%-22s %zu (%d moving), %d transparent meshes per frame\n", "objects:", scene.objects.size(),
           scene.moving, scene.transparentMeshes);
    printf("%-22s %d measured after %d warm-up\n", "frames:", n, options.warmup);
    printf("%-22s median %.3f  p95 %.3f  worst %.3f\n", "ms per frame:", percentile(frames.frameMs, 0.5),
           percentile(frames.frameMs, 0.95), frames.frameMs.back());
    printf("%-22s %.1f (one pick each, so also the loop's picks per second)\n", "frames per second:",
           1000.0 * n / frames.totalMs);
    printf("%-22s %d of %d frames hovered an object; %.1f candidates per pick\n", "pick hits:",
           frames.hoveredFrames, n, (double)frames.candidates / n);
    printf("%-22s median %.3f ms, %.1f picks per second (%zu picks timed alone, after a finished draw)\n",
           "pick alone:", percentile(pickMs, 0.5), 1000.0 * pickMs.size() / sum(pickMs), pickMs.size());
    const AllocationCounts &a = frames.allocations;
    printAllocations("operator new calls:", a.newCalls, a.newCallsMain, n, "");
    printAllocations("malloc calls:", a.mallocCalls, a.mallocCallsMain, n,
                     ", malloc/calloc/realloc, operator new's not included");
}

// ---------------------------------------------------------------- main

static void removeTempFiles(const std::string &folder, const std::string &archive)
{
    unlink(archive.c_str());
    rmdir(folder.c_str());
}

int main(int argc, char **argv)
{
    BenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: %s [--frames N] [--warmup N] [--no-scissor] [--multisample=on|off]\n", argv[0]);
        return 2;
    }
    markMainThread();
    if (allocationCountingActive() && !countersSeeAllocations()) {
        fprintf(stderr, "lumbrik_bench_scene: the allocation counters do not see allocations\n");
        return 1;
    }
    const char *tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumbrik-bench-XXXXXX";
    std::vector<char> folderName(pattern.begin(), pattern.end());
    folderName.push_back('\0');
    if (!mkdtemp(folderName.data())) {
        perror("lumbrik_bench_scene: mkdtemp");
        return 1;
    }
    std::string folder = folderName.data();
    std::string archive = folder + "/scene.pak";
    if (!writeBenchArchive(archive)) {
        fprintf(stderr, "lumbrik_bench_scene: cannot write %s\n", archive.c_str());
        removeTempFiles(folder, archive);
        return 1;
    }

    openGameDisplay(argc, argv);
    app.picker.scissorColourPass = options.scissor;
    app.root = new SceneObject;
    BenchScene scene;
    buildScene(archive, scene);

    playFrames(scene, options.warmup, 0, nullptr);
    FrameResults frames;
    measureFrames(scene, options, frames);
    std::vector<double> pickMs;
    measurePicks(scene, options.frames, pickMs);
    printReport(options, scene, frames, pickMs);

    // As the game ends: the tree empties over a few frames, then the window goes.
    app.root->close();
    while (!app.root->dead)
        playFrame();
    shutDownGame();
    removeTempFiles(folder, archive);
    if (frames.hoveredFrames == 0) {
        fprintf(stderr, "lumbrik_bench_scene: no frame hovered an object; the pick was not measured\n");
        return 1;
    }
    return 0;
}
