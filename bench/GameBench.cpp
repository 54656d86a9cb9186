// Start-up time, frame times, peak memory and per-frame heap allocations of
// the real game scene with a 48-piece picture in play.
//
// The bench starts the game as its entry routine does (settings, window,
// mixer, caption, root, start-up scene) but with settings of its own: no
// welcome screen, 48 pieces, and no settings file read or written. Once every
// piece has flown in, each measured frame puts the mouse over a piece (so the
// pick has candidates) and now and then clicks one, so that a piece is
// selected, pulsing and then resting with its shadow.
//
// Usage: lumbrik_bench_game [DATA_DIR] [--frames N] [--no-scissor]
// DATA_DIR holds the game's archives (default build/data).

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <unistd.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include "AllocationCounter.h"
#include "BenchCommon.h"
#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/Game.h"
#include "app/Input.h"
#include "app/Picker.h"
#include "app/StartupScene.h"
#include "audio/Mixer.h"
#include "platform/Platform.h"
#include "puzzle/PuzzleBoard.h"
#include "resources/Mesh.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

// Measured frames alternate: move onto a piece, then stay on it for a second
// frame. Every CLICK_PERIOD pairs the second frame carries a click.
const int CLICK_PERIOD = 20;
// Pieces are visited with a stride coprime with 48 and 20.
const int PIECE_STRIDE = 7;
// At least this many frames after every piece has landed, before measuring.
const int SETTLE_FRAMES = 30;
// Frames played stage by stage after the measured ones.
const int STAGE_FRAMES = 50;
// Give up waiting for the pieces after this long.
const double FLY_IN_LIMIT_MS = 30000;

struct BenchOptions {
    int frames = 300;
    bool scissor = true;
    const char *dataDir = "build/data";
};


// ---------------------------------------------------------------- options

static bool parseOptions(int argc, char **argv, BenchOptions &options)
{
    bool haveDir = false;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(arg, "--frames") == 0 && hasValue && parseCount(argv[i + 1], options.frames))
            i++;
        else if (strcmp(arg, "--no-scissor") == 0)
            options.scissor = false;
        else if (arg[0] != '-' && !haveDir) {
            options.dataDir = arg;
            haveDir = true;
        } else
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- start-up

// Milestones of the start-up, each taken right after its step.
struct StartupTimes {
    BenchClock::time_point mainEntered;
    BenchClock::time_point settingsLoaded;
    BenchClock::time_point displayOpen;
    BenchClock::time_point mixerOpen;
    BenchClock::time_point rootReady;   // signals, caption and root
    BenchClock::time_point sceneBuilt;
    BenchClock::time_point firstFrame;
    timespec firstFrameBoot = {};       // CLOCK_BOOTTIME at the first frame's end
    bool mixerOpened = false;
    uint32_t firstFrameTicks = 0;       // App::frameTicks of the first frame
    double firstPieceZ = 0;             // board depth of piece 1 after it: -50 unflown, 0 landed
};

// As loadSettingsAtStart, but nothing read from or written to the user's file.
static void loadBenchSettings()
{
    app.settingsPath.clear();
    if (!app.settings)
        app.settings = new Settings;
    app.settings->showWelcome = 0;
    app.settings->puzzleSize = 1;
}

// The entry routine's start-up, step by step, timed; then the first frame.
static void startTimed(StartupTimes &t)
{
    loadBenchSettings();
    t.settingsLoaded = BenchClock::now();
    app.display = new Display;
    app.display->open(0, 0, 0);
    t.displayOpen = BenchClock::now();
    app.mixer = new Mixer;
    t.mixerOpened = app.mixer->open();
    t.mixerOpen = BenchClock::now();
    platformInstallQuitSignals();
    SDL_WM_SetCaption(GAME_CAPTION, GAME_CAPTION);
    app.root = new SceneObject;
    t.rootReady = BenchClock::now();
    buildStartupScene();
    t.sceneBuilt = BenchClock::now();
    playFrame();
    t.firstFrame = BenchClock::now();
    clock_gettime(CLOCK_BOOTTIME, &t.firstFrameBoot);
    t.firstFrameTicks = app.frameTicks;
    SceneObject *board = app.board.boardObject;
    if (board && board->children.size() > 1)
        t.firstPieceZ = board->children[1]->transform.position[2];
}

// Age of the process at `when` (boot clock), from its start time in
// /proc/self/stat (clock ticks since boot, so 1/CLK_TCK resolution); -1 when
// it cannot be read.
static double processAgeMs(const timespec &when)
{
    FILE *in = fopen("/proc/self/stat", "r");
    if (!in)
        return -1;
    char text[1024] = {};
    size_t n = fread(text, 1, sizeof text - 1, in);
    fclose(in);
    text[n] = '\0';
    const char *p = strrchr(text, ')');  // the command name may hold spaces
    unsigned long long start = 0;
    // Each step lands on the space before field 3, 4, ... 22 (the start time).
    for (int field = 3; p && field <= 22; field++)
        p = strchr(p + 1, ' ');
    if (!p || sscanf(p + 1, "%llu", &start) != 1)
        return -1;
    double startMs = 1000.0 * (double)start / (double)sysconf(_SC_CLK_TCK);
    double nowMs = (double)when.tv_sec * 1000.0 + (double)when.tv_nsec / 1e6;
    return nowMs - startMs;
}

// ---------------------------------------------------------------- pieces

// The pieces now on the board: children 1, 3, 5, ... (the background is
// child 0, each piece's outline follows it).
struct PieceSet {
    SceneObject *pieces[MAX_PIECES] = {};  // Borrowed: children of the board
    int count = 0;
};

static void collectPieces(PieceSet &set)
{
    set.count = 0;
    SceneObject *board = app.board.boardObject;
    if (!board)
        return;
    for (size_t i = 1; i < board->children.size() && set.count < MAX_PIECES; i += 2)
        set.pieces[set.count++] = board->children[i];
}

static bool isPiece(const PieceSet &set, const SceneObject *object)
{
    for (int i = 0; i < set.count; i++)
        if (set.pieces[i] == object)
            return true;
    return false;
}

// Landed: turned face up at the board's depth, the fly-in over.
static bool allLanded(const PieceSet &set)
{
    if (set.count == 0)
        return false;
    for (int i = 0; i < set.count; i++) {
        const Transform &t = set.pieces[i]->transform;
        if (std::fabs(t.position[2]) > 1e-3)
            return false;
    }
    return true;
}

static double readDouble(const unsigned char *p)
{
    double v;
    memcpy(&v, p, sizeof v);
    return v;
}

// The window pixel (origin top left) of the centre of the piece's first
// triangle as last drawn: inside what the pick sees of the piece.
static bool windowPixelOf(const SceneObject *piece, int32_t &x, int32_t &y)
{
    if (piece->meshCount == 0 || piece->meshes[0]->triangleCount == 0)
        return false;
    const Mesh *mesh = piece->meshes[0];
    double c[3] = {0, 0, 0};
    for (int v = 0; v < 3; v++)
        for (int k = 0; k < 3; k++)
            c[k] += readDouble(mesh->vertices + (v * 3 + k) * 8) / 3;
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx, wy, wz;
    if (!gluProject(c[0], c[1], c[2], mesh->modelView, projection, viewport, &wx, &wy, &wz))
        return false;
    x = (int32_t)wx;
    y = viewport[3] - 1 - (int32_t)wy;
    return x >= 0 && y >= 0 && x < viewport[2] && y < viewport[3];
}

// ---------------------------------------------------------------- events

static void pushLeftButton(bool down)
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.type = event.type;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
}

// What frame `f` of a run does: which piece the mouse goes to, and whether
// the frame reads a click (the pick of the frame before saw the same piece).
static int targetOf(const PieceSet &set, int f)
{
    return (f / 2) * PIECE_STRIDE % set.count;
}

static bool clickFrame(int f)
{
    return f % 2 == 1 && (f / 2) % CLICK_PERIOD == 0;
}

// Queues frame f's input; true when it includes a click (only when `clicks`).
static bool queueInput(const PieceSet &set, int f, bool clicks)
{
    int32_t x = 0, y = 0;
    if (windowPixelOf(set.pieces[targetOf(set, f)], x, y))
        pushMouseMotion(x, y);
    if (!clicks || !clickFrame(f))
        return false;
    pushLeftButton(true);
    pushLeftButton(false);
    return true;
}

// ---------------------------------------------------------------- frames

// Until every piece has landed (the mouse over pieces, no clicks while they
// fly), then SETTLE_FRAMES more driven like measured ones, clicks included,
// so that the first selection's loading is done here.
static bool warmUp(PieceSet &set, int &warmupFrames)
{
    BenchClock::time_point start = BenchClock::now();
    warmupFrames = 0;
    collectPieces(set);
    while (!allLanded(set)) {
        if (set.count > 0)
            queueInput(set, warmupFrames, false);
        playFrame();
        warmupFrames++;
        collectPieces(set);
        if (msBetween(start, BenchClock::now()) > FLY_IN_LIMIT_MS)
            return false;
    }
    for (int f = 0; f < SETTLE_FRAMES; f++, warmupFrames++) {
        queueInput(set, f, true);
        playFrame();
    }
    return true;
}

// One measured frame's record.
struct FrameSample {
    double ms = 0;
    AllocationCounts allocations;
    bool clicked = false;
    bool hoveredPiece = false;
    bool shadowShown = false;
    bool pulsing = false;
    size_t candidates = 0;
};

struct RunResults {
    std::vector<FrameSample> samples;  // reserved up front
    double totalMs = 0;
    AllocationCounts allocations;      // all measured frames, input queueing included
};

static void sampleFrame(const PieceSet &set, FrameSample &s)
{
    const PuzzleBoard &b = app.board;
    s.hoveredPiece = isPiece(set, app.picker.hovered);
    s.candidates = app.picker.candidates.size();
    s.shadowShown = b.shadowObject != nullptr;
    s.pulsing = b.selectedPiece && std::fabs(b.selectedPiece->scaleX() - 1.0) > 1e-4;
}

static void measureFrames(const PieceSet &set, int frames, RunResults &results)
{
    results.samples.assign((size_t)frames, FrameSample());
    AllocationCounts first = readAllocationCounts();
    BenchClock::time_point start = BenchClock::now();
    for (int f = 0; f < frames; f++) {
        FrameSample &s = results.samples[(size_t)f];
        AllocationCounts before = readAllocationCounts();
        s.clicked = queueInput(set, f, true);
        BenchClock::time_point t0 = BenchClock::now();
        playFrame();
        BenchClock::time_point t1 = BenchClock::now();
        s.allocations = allocationsBetween(before, readAllocationCounts());
        s.ms = msBetween(t0, t1);
        sampleFrame(set, s);
    }
    results.totalMs = msBetween(start, BenchClock::now());
    results.allocations = allocationsBetween(first, readAllocationCounts());
}

// The steps of playFrame and runFrame, played one by one so each can be
// timed and counted. The draw only submits: llvmpipe rasterises in its own
// threads and the swap waits for them.
enum { STAGE_INPUT, STAGE_DRAW, STAGE_SWAP, STAGE_PICK, STAGE_COUNT };
static const char *const STAGE_NAMES[STAGE_COUNT] = {"input", "draw", "swap", "pick"};

struct StageResults {
    std::vector<double> ms[STAGE_COUNT];  // reserved up front
    AllocationCounts allocations[STAGE_COUNT];
    int frames = 0;
};

static void addCounts(AllocationCounts &total, const AllocationCounts &a)
{
    total.newCalls += a.newCalls;
    total.newCallsMain += a.newCallsMain;
    total.mallocCalls += a.mallocCalls;
    total.mallocCallsMain += a.mallocCallsMain;
}

static void runStage(int stage)
{
    switch (stage) {
    case STAGE_INPUT:
        gatherInput();
        if (app.mixer && app.settings)
            app.mixer->syncSwitches(*app.settings);
        break;
    case STAGE_DRAW:
        drawScene();
        break;
    case STAGE_SWAP:
        SDL_GL_SwapBuffers();
        break;
    default:
        app.picker.pick();
        break;
    }
}

// Frames without clicks, continuing the measured run's mouse path.
static void measureStages(const PieceSet &set, int firstFrame, StageResults &r)
{
    for (int k = 0; k < STAGE_COUNT; k++)
        r.ms[k].reserve(STAGE_FRAMES);
    for (int f = 0; f < STAGE_FRAMES; f++) {
        queueInput(set, firstFrame + f, false);
        for (int k = 0; k < STAGE_COUNT; k++) {
            AllocationCounts before = readAllocationCounts();
            BenchClock::time_point t0 = BenchClock::now();
            runStage(k);
            BenchClock::time_point t1 = BenchClock::now();
            addCounts(r.allocations[k], allocationsBetween(before, readAllocationCounts()));
            r.ms[k].push_back(msBetween(t0, t1));
        }
    }
    r.frames = STAGE_FRAMES;
}

// ---------------------------------------------------------------- report

// Peak resident set of this process in MiB, or -1.
static double peakMemoryMiB()
{
    FILE *in = fopen("/proc/self/status", "r");
    if (!in)
        return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, in))
        if (sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    fclose(in);
    return kb < 0 ? -1 : kb / 1024.0;
}

static void printStartup(const StartupTimes &t)
{
    double age = processAgeMs(t.firstFrameBoot);
    printf("%-24s %.1f ms from main's first line", "first frame:", msBetween(t.mainEntered, t.firstFrame));
    if (age >= 0)
        printf("; %.0f ms from process start (/proc start time, 1/%ld s steps)", age, sysconf(_SC_CLK_TCK));
    printf("\n");
    printf("%-24s settings %.2f, display %.1f, mixer %.1f (%s), signals+caption+root %.2f,\n", "  of which (ms):",
           msBetween(t.mainEntered, t.settingsLoaded), msBetween(t.settingsLoaded, t.displayOpen),
           msBetween(t.displayOpen, t.mixerOpen), t.mixerOpened ? "open" : "failed, silent",
           msBetween(t.mixerOpen, t.rootReady));
    printf("%-24s start-up scene %.1f, first playFrame %.1f\n", "", msBetween(t.rootReady, t.sceneBuilt),
           msBetween(t.sceneBuilt, t.firstFrame));
    printf("%-24s frameTicks %u ms; piece 1 at depth %.2f after it (-50 = not yet flying, 0 = landed)\n",
           "  first frame's clock:", (unsigned)t.firstFrameTicks, t.firstPieceZ);
}

static void printFrameTimes(const RunResults &r)
{
    std::vector<double> ms;
    ms.reserve(r.samples.size());
    for (const FrameSample &s : r.samples)
        ms.push_back(s.ms);
    std::sort(ms.begin(), ms.end());
    printf("%-24s median %.3f  p95 %.3f  worst %.3f\n", "ms per frame:", percentile(ms, 0.5), percentile(ms, 0.95),
           ms.back());
    printf("%-24s %.1f\n", "frames per second:", 1000.0 * (double)ms.size() / r.totalMs);
}

static void printActivity(const RunResults &r)
{
    int hovered = 0, clicks = 0, shadow = 0, pulsing = 0;
    size_t candidates = 0;
    for (const FrameSample &s : r.samples) {
        hovered += s.hoveredPiece;
        clicks += s.clicked;
        shadow += s.shadowShown;
        pulsing += s.pulsing;
        candidates += s.candidates;
    }
    int n = (int)r.samples.size();
    printf("%-24s %d of %d frames hovered a piece; %.2f candidates per pick\n", "pick:", hovered, n,
           (double)candidates / n);
    printf("%-24s %d clicks; a piece selected with its shadow in %d frames, pulsing in %d\n", "selection:", clicks,
           shadow, pulsing);
}

// Totals over the frames of one kind (with or without a click).
static AllocationCounts sumAllocations(const RunResults &r, bool clicked, int &frames)
{
    AllocationCounts total;
    frames = 0;
    for (const FrameSample &s : r.samples) {
        if (s.clicked != clicked)
            continue;
        frames++;
        addCounts(total, s.allocations);
    }
    return total;
}

static void printAllocationLine(const char *label, const AllocationCounts &a, int frames)
{
    double n = frames > 0 ? frames : 1;
    printf("%-24s operator new %.2f/frame (%llu; main thread %llu), malloc %.2f/frame (%llu; main thread %llu)\n",
           label, (double)a.newCalls / n, (unsigned long long)a.newCalls, (unsigned long long)a.newCallsMain,
           (double)a.mallocCalls / n, (unsigned long long)a.mallocCalls, (unsigned long long)a.mallocCallsMain);
}

// The first few frames without a click in which the main thread called operator new.
static void printNewFrames(const RunResults &r)
{
    int listed = 0, total = 0;
    for (size_t f = 0; f < r.samples.size(); f++) {
        const FrameSample &s = r.samples[f];
        if (s.clicked || s.allocations.newCallsMain == 0)
            continue;
        if (listed == 0)
            printf("%-24s", "  frames with new:");
        if (listed < 12)
            printf(" %zu(%llu)", f, (unsigned long long)s.allocations.newCallsMain);
        listed++;
        total++;
    }
    if (total > 0)
        printf("%s (%d frames; frame(calls))\n", total > 12 ? " ..." : "", total);
}

static void printAllocations(const RunResults &r)
{
    if (!allocationCountingActive()) {
        printf("%-24s not counted in this build (sanitizers)\n", "allocations:");
        return;
    }
    int steadyFrames = 0, clickFrames = 0;
    AllocationCounts steady = sumAllocations(r, false, steadyFrames);
    AllocationCounts clicks = sumAllocations(r, true, clickFrames);
    char label[64];
    snprintf(label, sizeof label, "allocs, %d plain frames:", steadyFrames);
    printAllocationLine(label, steady, steadyFrames);
    printNewFrames(r);
    snprintf(label, sizeof label, "allocs, %d click frames:", clickFrames);
    printAllocationLine(label, clicks, clickFrames);
    printAllocationLine("allocs, all frames:", r.allocations, (int)r.samples.size());
}

static void printStages(StageResults &r)
{
    printf("%-24s %d more frames, no clicks; median ms and allocations per frame (main thread)\n",
           "by stage:", r.frames);
    for (int k = 0; k < STAGE_COUNT; k++) {
        std::sort(r.ms[k].begin(), r.ms[k].end());
        const AllocationCounts &a = r.allocations[k];
        printf("  %-22s %8.3f ms   operator new %.2f   malloc %.2f\n", STAGE_NAMES[k], percentile(r.ms[k], 0.5),
               (double)a.newCallsMain / r.frames, (double)a.mallocCallsMain / r.frames);
    }
}

static void printReport(const BenchOptions &options, const StartupTimes &t, const RunResults &r, int warmupFrames)
{
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    const Display &d = *app.display;
    printf("lumbrik game bench\n");
    printf("%-24s %s\n", "renderer:", (const char *)glGetString(GL_RENDERER));
    printf("%-24s %dx%d, desktop %d bits per pixel\n", "resolution:", d.width, d.height, d.depth);
    printf("%-24s %s (GL_SAMPLES %d)\n", "multisampled:", d.multisampled ? "yes" : "no", samples);
    printf("%-24s %s\n", "pick colour scissor:", app.picker.scissorColourPass ? "on" : "off");
    printf("%-24s %d of picture %d (size %d)\n", "pieces:", app.board.pieceCount, app.board.pictureIndex + 1,
           app.board.puzzleSize);
    printStartup(t);
    printf("%-24s %d measured after %d warm-up (fly-in and %d settling)\n", "frames:", options.frames, warmupFrames,
           SETTLE_FRAMES);
    printFrameTimes(r);
    printActivity(r);
    printAllocations(r);
}

// ---------------------------------------------------------------- main

// As the game ends: the tree empties over a few frames, then the window goes.
static void shutDown()
{
    app.root->close();
    while (!app.root->dead)
        playFrame();
    shutDownGame();
}

int main(int argc, char **argv)
{
    StartupTimes times;
    times.mainEntered = BenchClock::now();
    markMainThread();
    BenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: %s [DATA_DIR] [--frames N] [--no-scissor]\n", argv[0]);
        return 2;
    }
    if (chdir(options.dataDir) != 0) {
        perror("lumbrik_bench_game: chdir to the data folder");
        return 1;
    }
    app.picker.scissorColourPass = options.scissor;
    startTimed(times);
    if (allocationCountingActive() && !countersSeeAllocations()) {
        fprintf(stderr, "lumbrik_bench_game: the allocation counters do not see allocations\n");
        return 1;
    }
    PieceSet pieces;
    int warmupFrames = 0;
    if (!warmUp(pieces, warmupFrames) || pieces.count != app.board.pieceCount) {
        fprintf(stderr, "lumbrik_bench_game: the pieces did not land (%d found)\n", pieces.count);
        return 1;
    }
    RunResults results;
    measureFrames(pieces, options.frames, results);
    StageResults stages;
    measureStages(pieces, options.frames, stages);
    double peakMiB = peakMemoryMiB();
    printReport(options, times, results, warmupFrames);
    printStages(stages);
    printf("%-24s %.1f MiB (VmHWM, after every frame above)\n", "peak memory:", peakMiB);
    fflush(stdout);
    shutDown();
    return 0;
}
