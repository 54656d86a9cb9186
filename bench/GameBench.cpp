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
// After the measured frames it re-measures where the start-up's time went
// (archive reads, image decoding, uploads, the music), plays idle frames to
// see the CPU they take, and with --overdraw counts the pixel writes of one
// frame (stencil increments: every fragment that passes the alpha and depth
// tests) in all and for each mesh drawn alone.
//
// --scenario chooses what the measured frames play (default play, as above):
//   hover  the pointer moves in small steps over the still play screen, no clicks
//   pulse  one selected piece pulsing: each time its pulse ends another is clicked
//   glide  one piece at a time selected, sent to its outline, gliding and landing
//
// Usage: lumbrik_bench_game [DATA_DIR] [--frames N] [--no-scissor] [--overdraw]
//                           [--idle-ms N] [--multisample=on|off]
//                           [--scenario play|hover|pulse|glide] [--full-redraw]
//                           [--no-pick-image] [--memory] [--first-frame]
// --full-redraw draws every frame in full, never from the kept picture;
// --no-pick-image answers every pick with the two passes; --memory prints
// the memory at milestones of the run and what the cached layer holds.
// --first-frame stops after the first frame, its pick and one more frame and
// pick, and reports only those (a start-up round of bench/run-game-bench.sh).
// DATA_DIR holds the game's archives (default build/data); LUMBRIK_MULTISAMPLE
// and --multisample choose the mode as they do for the game.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <unistd.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include "support/AllocationCounter.h"
#include "BenchCommon.h"
#include "audio/SoundClip.h"
#include "support/GameRig.h"
#include "app/App.h"
#include "puzzle/PhotoPictures.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/GL.h"
#include "app/Game.h"
#include "app/Input.h"
#include "app/Picker.h"
#include "app/StartupScene.h"
#include "audio/Mixer.h"
#include "platform/Platform.h"
#include "puzzle/PuzzleBoard.h"
#include "resources/DeferredDecoding.h"
#include "resources/Mesh.h"
#include "resources/PakArchive.h"
#include "resources/Settings.h"
#include "resources/Texture.h"
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

// Idle frames (no input, nothing moving) played to measure CPU use.
const int DEFAULT_IDLE_MS = 3000;
// Meshes listed by the overdraw report.
const int OVERDRAW_LISTED = 12;

enum Scenario { SCENARIO_PLAY, SCENARIO_HOVER, SCENARIO_PULSE, SCENARIO_GLIDE, SCENARIO_COUNT };
static const char *const SCENARIO_NAMES[SCENARIO_COUNT] = {"play", "hover", "pulse", "glide"};

struct BenchOptions {
    int frames = 300;
    Scenario scenario = SCENARIO_PLAY;
    int idleMs = DEFAULT_IDLE_MS;
    bool scissor = true;
    bool overdraw = false;
    bool fullRedraw = false;  // never draw from the kept picture
    bool firstFrameOnly = false;
    const char *dataDir = "build/data";
};


// ---------------------------------------------------------------- options

static bool parseScenario(const char *name, Scenario &out)
{
    for (int k = 0; k < SCENARIO_COUNT; k++)
        if (strcmp(name, SCENARIO_NAMES[k]) == 0) {
            out = (Scenario)k;
            return true;
        }
    return false;
}

static bool parseOptions(int argc, char **argv, BenchOptions &options)
{
    bool haveDir = false;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(arg, "--frames") == 0 && hasValue && parseCount(argv[i + 1], options.frames))
            i++;
        else if (strcmp(arg, "--idle-ms") == 0 && hasValue && parseCount(argv[i + 1], options.idleMs))
            i++;
        else if (strcmp(arg, "--scenario") == 0 && hasValue && parseScenario(argv[i + 1], options.scenario))
            i++;
        else if (strcmp(arg, "--no-scissor") == 0)
            options.scissor = false;
        else if (strcmp(arg, "--overdraw") == 0)
            options.overdraw = true;
        else if (strcmp(arg, "--full-redraw") == 0)
            options.fullRedraw = true;
        else if (strcmp(arg, "--no-pick-image") == 0)
            app.picker.image.enabled = false;
        else if (strcmp(arg, "--memory") == 0)
            enableMemoryMilestones();
        else if (strcmp(arg, "--first-frame") == 0)
            options.firstFrameOnly = true;
        else if (strncmp(arg, "--multisample=", 14) == 0)
            continue;  // read by openGameDisplay
        else if (arg[0] != '-' && !haveDir) {
            options.dataDir = arg;
            haveDir = true;
        } else
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- start-up

// The steps of playFrame and runFrame, played one by one so each can be
// timed and counted. The draw only submits: llvmpipe rasterises in its own
// threads and the swap waits for them.
enum { STAGE_INPUT, STAGE_DRAW, STAGE_SWAP, STAGE_PICK, STAGE_COUNT };
static const char *const STAGE_NAMES[STAGE_COUNT] = {"input", "draw", "swap", "pick"};

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

// Milestones of the start-up, each taken right after its step.
struct StartupTimes {
    BenchClock::time_point mainEntered;
    BenchClock::time_point settingsLoaded;
    BenchClock::time_point displayOpen;
    BenchClock::time_point mixerOpen;
    BenchClock::time_point rootReady;   // signals, caption and root
    BenchClock::time_point sceneQueued;  // built, its images not all decoded yet
    BenchClock::time_point sceneBuilt;
    BenchClock::time_point firstDrawn;  // the first frame's draws submitted
    FirstFrameMoment firstFrame;        // its swap has returned: the picture is shown
    BenchClock::time_point firstPick;   // the pick that follows it
    timespec firstPickWall = {};
    DecodeCounts decodes;               // how the start-up's images were decoded
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
static void startTimed(StartupTimes &t, int argc, char **argv)
{
    platformKeepLargeBlocksOutOfHeap();
    loadBenchSettings();
    startPhotoPictures(platformPhotoFolder(), platformCacheFolder());
    t.settingsLoaded = BenchClock::now();
    if (beginDeferredDecoding())
        prefetchFirstScreen(*app.settings);
    openGameDisplay(argc, argv);
    t.displayOpen = BenchClock::now();
    memoryMilestone("display open");
    app.mixer = new Mixer;
    t.mixerOpened = app.mixer->open();
    t.mixerOpen = BenchClock::now();
    platformInstallQuitSignals();
    SDL_WM_SetCaption(GAME_CAPTION, GAME_CAPTION);
    app.root = new SceneObject;
    t.rootReady = BenchClock::now();
    beginDeferredDecoding();
    buildStartupScene();
    t.sceneQueued = BenchClock::now();
    t.decodes = finishDeferredDecoding();
    t.sceneBuilt = BenchClock::now();
    memoryMilestone("scene built");
    // The first frame as the main loop plays it (through the kept picture).
    runStage(STAGE_INPUT);
    drawFrame();
    t.firstDrawn = BenchClock::now();
    runStage(STAGE_SWAP);
    t.firstFrame = markFirstFrame();
    memoryMilestone("first frame");
    pickFrame();
    t.firstPick = BenchClock::now();
    t.firstPickWall = wallClockNow();
    t.firstFrameTicks = app.frameTicks;
    SceneObject *board = app.board.boardObject;
    if (board && board->children.size() > 1)
        t.firstPieceZ = board->children[1]->transform.position[2];
}

// ---------------------------------------------------------------- pieces

// The pieces now on the board: children 1, 3, 5, ... (the background is
// child 0, each piece's outline follows it).
struct PieceSet {
    SceneObject *pieces[MAX_PIECES] = {};  // Borrowed: children of the board
    SceneObject *places[MAX_PIECES] = {};  // Borrowed: each piece's outline
    int count = 0;
};

static void collectPieces(PieceSet &set)
{
    set.count = 0;
    SceneObject *board = app.board.boardObject;
    if (!board)
        return;
    for (size_t i = 1; i + 1 < board->children.size() && set.count < MAX_PIECES; i += 2) {
        set.places[set.count] = board->children[i + 1];
        set.pieces[set.count++] = board->children[i];
    }
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

// ---------------------------------------------------------------- events

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
    int x = 0, y = 0;
    if (windowPointOf(set.pieces[targetOf(set, f)], x, y))
        pushMotion(x, y);
    if (!clicks || !clickFrame(f))
        return false;
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    return true;
}

// The state a scenario keeps from frame to frame.
struct ScenarioState {
    int piece = 0;     // the piece the pulse or glide scenario works on
    int phase = 0;     // glide: 0 select it, 1 send it home, 2 wait for it to land
    int waited = 0;    // frames spent in the current phase
};

// Hover: small steps along a wave across the middle of the screen.
static void queueHover(int f)
{
    const Display &d = *app.display;
    int span = d.width * 3 / 4, step = 6;
    int x = d.width / 8 + (f * step) % span;
    int y = d.height / 2 + (int)(d.height / 6 * std::sin(f / 20.0));
    pushMotion(x, y);
}

static bool clickOnObject(const SceneObject *object)
{
    int x = 0, y = 0;
    if (!windowPointOf(object, x, y))
        return false;
    pushMotion(x, y);
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    return true;
}

// Pulse: whenever no piece is pulsing (its first frame, at scale 1, aside),
// the next loose piece is clicked.
static bool queuePulse(const PieceSet &set, ScenarioState &st)
{
    const PuzzleBoard &b = app.board;
    st.waited++;
    if (st.waited < 3 || (b.selectedPiece && std::fabs(b.selectedPiece->scaleX() - 1.0) > 1e-4))
        return false;
    st.waited = 0;
    st.piece = (st.piece + PIECE_STRIDE) % set.count;
    return clickOnObject(set.pieces[st.piece]);
}

// A click on the middle of the outline's box: the first triangle of an
// outline can lie under a neighbour's tab.
static bool clickOnPlace(const SceneObject *place)
{
    if (place->meshCount == 0)
        return false;
    const Mesh *mesh = place->meshes[0];
    double centre[3];
    for (int k = 0; k < 3; k++)
        centre[k] = 0.5 * ((double)mesh->lowCorner[k] + mesh->highCorner[k]);
    int x = 0, y = 0;
    if (!projectToWindow(mesh, centre, x, y))
        return false;
    pushMotion(x, y);
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    return true;
}

static bool atHome(const SceneObject *piece, const SceneObject *place)
{
    const Transform &t = piece->transform;
    return t.position[0] == place->x() && t.position[1] == place->y() && t.position[2] == 0;
}

// Glide: select a loose piece, click its outline, wait while it glides and lands.
static bool queueGlide(const PieceSet &set, ScenarioState &st)
{
    st.waited++;
    // A click that did not send it (the piece has not left) gives it up after a few frames.
    bool sent = app.board.selectedPiece != set.pieces[st.piece] || app.board.shadowObject == nullptr;
    if (st.phase == 2 && !atHome(set.pieces[st.piece], set.places[st.piece]) && (sent || st.waited < 4) &&
        st.waited < 200)
        return false;
    if (st.phase == 1) {
        st.phase = 2;
        st.waited = 0;
        return clickOnPlace(set.places[st.piece]);
    }
    for (int tries = 0; tries < set.count; tries++) {
        st.piece = (st.piece + 1) % set.count;
        if (!atHome(set.pieces[st.piece], set.places[st.piece]))
            break;
    }
    st.phase = 1;
    return clickOnObject(set.pieces[st.piece]);
}

// Queues frame f's input as the scenario plays it; true when it includes a click.
static bool queueScenario(Scenario scenario, const PieceSet &set, int f, ScenarioState &st, bool clicks)
{
    switch (scenario) {
    case SCENARIO_HOVER:
        queueHover(f);
        return false;
    case SCENARIO_PULSE:
        return queuePulse(set, st);
    case SCENARIO_GLIDE:
        return queueGlide(set, st);
    default:
        return queueInput(set, f, clicks);
    }
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
    bool drawn = false;
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
    double cpuMs = 0;                  // the process's, all threads, over the run
    AllocationCounts allocations;      // all measured frames, input queueing included
    uint64_t partialFrames = 0, fullFrames = 0;  // drawn from the kept picture, drawn in full
};

static void sampleFrame(const PieceSet &set, FrameSample &s)
{
    const PuzzleBoard &b = app.board;
    s.hoveredPiece = isPiece(set, app.picker.hovered);
    s.candidates = app.picker.candidates.size();
    s.shadowShown = b.shadowObject != nullptr;
    s.pulsing = b.selectedPiece && std::fabs(b.selectedPiece->scaleX() - 1.0) > 1e-4;
}

static void measureFrames(Scenario scenario, const PieceSet &set, int frames, RunResults &results)
{
    ScenarioState st;
    uint64_t partial0 = app.frameCache.partialFrames, full0 = app.frameCache.fullFrames;
    results.samples.assign((size_t)frames, FrameSample());
    AllocationCounts first = readAllocationCounts();
    double cpu0 = processCpuMs();
    BenchClock::time_point start = BenchClock::now();
    for (int f = 0; f < frames; f++) {
        FrameSample &s = results.samples[(size_t)f];
        AllocationCounts before = readAllocationCounts();
        s.clicked = queueScenario(scenario, set, f, st, true);
        BenchClock::time_point t0 = BenchClock::now();
        s.drawn = playFrame();
        BenchClock::time_point t1 = BenchClock::now();
        s.allocations = allocationsBetween(before, readAllocationCounts());
        s.ms = msBetween(t0, t1);
        sampleFrame(set, s);
    }
    results.totalMs = msBetween(start, BenchClock::now());
    results.partialFrames = app.frameCache.partialFrames - partial0;
    results.fullFrames = app.frameCache.fullFrames - full0;
    results.cpuMs = processCpuMs() - cpu0;
    results.allocations = allocationsBetween(first, readAllocationCounts());
}

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

// Frames without clicks, continuing the measured run's mouse path.
static void measureStages(Scenario scenario, const PieceSet &set, int firstFrame, StageResults &r)
{
    ScenarioState st;
    for (int k = 0; k < STAGE_COUNT; k++)
        r.ms[k].reserve(STAGE_FRAMES);
    for (int f = 0; f < STAGE_FRAMES; f++) {
        queueScenario(scenario, set, firstFrame + f, st, false);
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

// What the kept picture and the kept pick image hold now, in MiB. The
// texture's bytes per texel are the driver's (llvmpipe keeps RGB as 4).
static void printCachedLayer()
{
    const FrameCache &c = app.frameCache;
    const PickImage &im = app.picker.image;
    double mib = 1024.0 * 1024.0;
    printf("memory cached layer: kept picture %dx%d texture (%.1f at 4 bytes a texel), pick image %dx%d ids of %d "
           "bytes (%.1f held)\n",
           c.textureWidth, c.textureHeight, 4.0 * c.textureWidth * c.textureHeight / mib, im.width, im.height,
           im.idBytes, (double)(im.ids.capacity() * sizeof im.ids[0]) / mib);
}

static void printStartup(const StartupTimes &t)
{
    double age = processAgeMs(t.firstFrame);
    printf("%-24s %.1f ms from main's first line to its swap", "first frame:",
           msBetween(t.mainEntered, t.firstFrame.steady));
    if (age >= 0)
        printf("; %.0f ms from process start (/proc start time, 1/%ld s steps)", age, sysconf(_SC_CLK_TCK));
    printf("; %.0f ms of CPU\n", t.firstFrame.cpuMs);
    printf("%-24s settings %.2f, display %.1f, mixer %.1f (%s), signals+caption+root %.2f,\n", "  of which (ms):",
           msBetween(t.mainEntered, t.settingsLoaded), msBetween(t.settingsLoaded, t.displayOpen),
           msBetween(t.displayOpen, t.mixerOpen), t.mixerOpened ? "open" : "failed, silent",
           msBetween(t.mixerOpen, t.rootReady));
    printf("%-24s start-up scene %.1f (built %.1f, then waiting for decodes and uploading %.1f),\n", "",
           msBetween(t.rootReady, t.sceneBuilt), msBetween(t.rootReady, t.sceneQueued),
           msBetween(t.sceneQueued, t.sceneBuilt));
    printf("%-24s first frame's draw and swap %.1f; its pick %.1f more\n", "",
           msBetween(t.sceneBuilt, t.firstFrame.steady), msBetween(t.firstFrame.steady, t.firstPick));
    printf("%-24s %d prefetched while the window opened, %d of them used; %d decoded when asked for\n",
           "  start-up images:", t.decodes.prefetched, t.decodes.claimed, t.decodes.requested);
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
    printf("%-24s %.3f (all threads; steadier than wall time on a shared machine)\n", "CPU ms per frame:",
           r.cpuMs / (double)ms.size());
}

static double medianFrameMs(const RunResults &r)
{
    std::vector<double> ms;
    for (const FrameSample &s : r.samples)
        ms.push_back(s.ms);
    std::sort(ms.begin(), ms.end());
    return percentile(ms, 0.5);
}

// The stage's median; its list is sorted by printStages.
static double stageMedian(const StageResults &r, int stage)
{
    return percentile(r.ms[stage], 0.5);
}

static void printActivity(const RunResults &r)
{
    int hovered = 0, clicks = 0, shadow = 0, pulsing = 0, drawn = 0;
    size_t candidates = 0;
    for (const FrameSample &s : r.samples) {
        hovered += s.hoveredPiece;
        clicks += s.clicked;
        shadow += s.shadowShown;
        pulsing += s.pulsing;
        drawn += s.drawn;
        candidates += s.candidates;
    }
    int n = (int)r.samples.size();
    printf("%-24s %d of %d frames hovered a piece; %.2f candidates per pick\n", "pick:", hovered, n,
           (double)candidates / n);
    printf("%-24s %d of %d frames drawn (the rest showed nothing new): %llu from the kept picture, %llu in full\n",
           "drawn:", drawn, n, (unsigned long long)r.partialFrames, (unsigned long long)r.fullFrames);
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
    printf("%-24s %s (GL_SAMPLES %d)%s\n", "multisampled:", d.multisampled ? "yes" : "no", samples,
           d.softwareRenderer ? "; a software rasterizer" : "");
    printf("%-24s %s\n", "scenario:", SCENARIO_NAMES[options.scenario]);
    printf("%-24s %s\n", "pick colour scissor:", app.picker.scissorColourPass ? "on" : "off");
    int swapControl = -1;
    SDL_GL_GetAttribute(SDL_GL_SWAP_CONTROL, &swapControl);
    printf("%-24s %d (as SDL reports it; 1 = the swap waits for the display)\n", "swap control:", swapControl);
    printf("%-24s %d of picture %d (size %d)\n", "pieces:", app.board.pieceCount, app.board.pictureIndex + 1,
           app.board.puzzleSize);
    printStartup(t);
    printf("%-24s %d measured after %d warm-up (fly-in and %d settling)\n", "frames:", options.frames, warmupFrames,
           SETTLE_FRAMES);
    printFrameTimes(r);
    printActivity(r);
    printAllocations(r);
}

// ---------------------------------------------------------------- start-up breakdown

// What the first frame had loaded: the archives open and the images that
// had become textures, taken right after it.
struct StartupLoads {
    std::vector<std::string> archives;
    std::vector<std::string> textureArchives, textureEntries;  // parallel
};

static void snapshotLoads(StartupLoads &loads)
{
    const PakCache &cache = app.pakCache;
    for (const OpenArchive &open : cache.archives) {
        loads.archives.push_back(open.name);
        for (const EntryTexture &made : open.textures.made) {
            if (made.texture == 0)
                continue;
            loads.textureArchives.push_back(open.name);
            loads.textureEntries.push_back(open.archive->entries[made.entry].name);
        }
    }
}

struct StartupCosts {
    double readMs = 0, decodeMs = 0, uploadMs = 0, musicMs = 0;
    double archiveMiB = 0, megapixels = 0;
    int decoded = 0;
};

static void timeImage(const PakArchive &archive, const std::string &entry, StartupCosts &c)
{
    PakEntry bytes = archive.entry(entry.c_str());
    TexturePixels pixels;
    BenchClock::time_point t0 = BenchClock::now();
    bool ok = decodeImage(bytes.data, bytes.size, pixels);
    BenchClock::time_point t1 = BenchClock::now();
    if (!ok)
        return;
    uint32_t id = uploadTexture(pixels);
    glFinish();
    BenchClock::time_point t2 = BenchClock::now();
    GLuint name = id;
    glDeleteTextures(1, &name);
    c.decodeMs += msBetween(t0, t1);
    c.uploadMs += msBetween(t1, t2);
    c.megapixels += (double)pixels.width * pixels.height / 1e6;
    c.decoded++;
}

// The start-up's loading, done again now the same way (the files are in the
// page cache both times): reading each archive, decoding and uploading each
// image, converting the music.
static void remeasureLoads(const StartupLoads &loads, StartupCosts &c)
{
    for (const std::string &name : loads.archives) {
        PakArchive archive;
        BenchClock::time_point t0 = BenchClock::now();
        if (loadPakArchive(archive, name.c_str()) != PAK_OK)
            continue;
        c.readMs += msBetween(t0, BenchClock::now());
        for (const PakArchiveEntry &entry : archive.entries)
            c.archiveMiB += entry.size / 1048576.0;
        for (size_t i = 0; i < loads.textureEntries.size(); i++)
            if (loads.textureArchives[i] == name)
                timeImage(archive, loads.textureEntries[i], c);
        PakEntry music = archive.entry("music.wav");
        if (!music.data)
            continue;
        BenchClock::time_point m0 = BenchClock::now();
        delete decodeSoundClip(music.data, music.size);
        c.musicMs += msBetween(m0, BenchClock::now());
    }
}

static void printLoads(const StartupTimes &t, const StartupLoads &loads, const StartupCosts &c, double steadyMs)
{
    double firstFrameMs = msBetween(t.sceneBuilt, t.firstPick);
    printf("%-24s (re-measured after the run)\n", "start-up breakdown:");
    printf("  %-22s %8.1f ms  %zu archives, %.1f MiB\n", "archive reads", c.readMs, loads.archives.size(),
           c.archiveMiB);
    printf("  %-22s %8.1f ms  %d images, %.2f Mpixels\n", "image decoding", c.decodeMs, c.decoded, c.megapixels);
    printf("  %-22s %8.1f ms\n", "texture uploads", c.uploadMs);
    printf("  %-22s %8.1f ms\n", "music conversion", c.musicMs);
    printf("  %-22s %8.1f ms  (first frame with its pick %.1f minus a steady frame %.1f: the driver's first\n",
           "first-draw extra", firstFrameMs - steadyMs, firstFrameMs, steadyMs);
    printf("  %-22s             compilation of its shader variants, first use of each texture)\n", "");
    printf("  %-22s", "images at first frame:");
    for (size_t i = 0; i < loads.textureEntries.size(); i++)
        printf(" %s:%s", loads.textureArchives[i].c_str(), loads.textureEntries[i].c_str());
    printf("\n");
}

// ---------------------------------------------------------------- idle

// Frames with no input once everything has come to rest, as the main loop
// plays them; the process's CPU time over the wall time.
static double idleCpuShare(int ms)
{
    for (int f = 0; f < 10; f++)
        playLoopTurn();
    double cpu0 = processCpuMs();
    BenchClock::time_point start = BenchClock::now();
    while (msBetween(start, BenchClock::now()) < ms)
        playLoopTurn();
    double wall = msBetween(start, BenchClock::now());
    return (processCpuMs() - cpu0) / wall;
}

// ---------------------------------------------------------------- overdraw

// The archive entry a mesh's texture was made from, or the generated texture's name.
static std::string textureLabel(const Mesh &mesh)
{
    if (mesh.generated || mesh.textureId == 0)
        return mesh.textureSource + (mesh.textureId == 0 ? " (none)" : "");
    const PakCache &cache = app.pakCache;
    for (const OpenArchive &open : cache.archives) {
        for (const EntryTexture &made : open.textures.made)
            if (made.texture == mesh.textureId)
                return open.name + ":" + open.archive->entries[made.entry].name;
    }
    return mesh.textureSource;
}

struct MeshWrites {
    const Mesh *mesh = nullptr;
    double perPixel = 0;
};

// Writes of one mesh drawn alone where it was drawn last, with the alpha test
// the draw gives it (blended meshes drop fragments of alpha 0); depth ignored.
static double writesAlone(const Mesh &mesh, double pixels)
{
    glClear(GL_DEPTH_BUFFER_BIT);
    beginCountingWrites();
    glDisable(GL_DEPTH_TEST);
    if (mesh.material.alphaTest || mesh.material.transparent) {
        glAlphaFunc(GL_GREATER, mesh.material.alphaTest ? ALPHA_TEST_REFERENCE : 0.0f);
        glEnable(GL_ALPHA_TEST);
    }
    glLoadMatrixd(mesh.modelView);
    glBindTexture(GL_TEXTURE_2D, mesh.textureId);
    const float *v = mesh.arrays.data();
    glTexCoordPointer(2, GL_FLOAT, MESH_VERTEX_FLOATS * sizeof(float), v);
    glNormalPointer(GL_FLOAT, MESH_VERTEX_FLOATS * sizeof(float), v + MESH_NORMAL_OFFSET);
    glVertexPointer(3, GL_FLOAT, MESH_VERTEX_FLOATS * sizeof(float), v + MESH_POSITION_OFFSET);
    glDrawArrays(GL_TRIANGLES, 0, 3 * mesh.triangleCount);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, ALPHA_TEST_REFERENCE);
    glEnable(GL_DEPTH_TEST);
    return endCountingWrites(app.display->width, app.display->height) / pixels;
}

// Meshes of the objects the draw shows (not closing, with an image).
static void collectShown(const SceneObject *object, std::vector<MeshWrites> &out)
{
    if (object->closing)
        return;
    for (int32_t i = 0; object->hasImage && i < object->meshCount; i++) {
        MeshWrites m;
        m.mesh = object->meshes[i];
        out.push_back(m);
    }
    for (const SceneObject *child : object->children)
        collectShown(child, out);
}

static const char *materialName(const MeshMaterial &m)
{
    return m.transparent ? "blend" : (m.alphaTest ? "alphatest" : "opaque");
}

// One frame counted as drawn, then each mesh alone; returns writes per pixel.
static double reportOverdraw()
{
    const Display &d = *app.display;
    double pixels = (double)d.width * d.height;
    beginCountingWrites();
    drawScene();
    double total = endCountingWrites(d.width, d.height);
    if (total < 0) {
        printf("%-24s no stencil buffer, not counted\n", "pixel writes:");
        return -1;
    }
    std::vector<MeshWrites> meshes;
    collectShown(app.root, meshes);
    double byKind[3] = {0, 0, 0};
    for (MeshWrites &m : meshes) {
        m.perPixel = writesAlone(*m.mesh, pixels);
        byKind[m.mesh->material.transparent ? 2 : (m.mesh->material.alphaTest ? 1 : 0)] += m.perPixel;
    }
    std::sort(meshes.begin(), meshes.end(),
              [](const MeshWrites &a, const MeshWrites &b) { return a.perPixel > b.perPixel; });
    printf("%-24s %.3f per screen pixel in one frame (%zu meshes shown)\n", "pixel writes:", total / pixels,
           meshes.size());
    printf("%-24s opaque %.3f, alpha-tested %.3f, blended %.3f (each mesh alone, depth ignored)\n", "  by material:",
           byKind[0], byKind[1], byKind[2]);
    for (size_t i = 0; i < meshes.size() && i < (size_t)OVERDRAW_LISTED; i++)
        printf("  %8.3f  %-9s %5d triangles  %s\n", meshes[i].perPixel, materialName(meshes[i].mesh->material),
               meshes[i].mesh->triangleCount, textureLabel(*meshes[i].mesh).c_str());
    return total / pixels;
}

// ---------------------------------------------------------------- menu and turn

// How long the pointer rests on a button before clicking it, as a child's does.
static const double REST_MS = 500;

// The frames from a click until a change of screen has been built: the
// slowest one's time and the decoding the main thread did in all of them.
struct ChangeCost {
    double slowestMs = 0;
    int frames = 0;
    int mainDecodes = 0, workerDecodes = 0;
    double mainDecodeMs = 0;
};

// Rests the pointer on `object`, then clicks it and plays `frames` frames
// (the click's included), timing each.
static ChangeCost clickAndTime(const SceneObject *object, int frames)
{
    ChangeCost cost;
    int x = 0, y = 0;
    if (!windowPointOf(object, x, y))
        return cost;
    BenchClock::time_point arrived = BenchClock::now();
    for (int f = 0; f < 2 || msBetween(arrived, BenchClock::now()) < REST_MS; f++) {
        pushMotion(x, y);
        playFrame();
    }
    DecodeTally before = decodeTally();
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    for (int f = 0; f < frames; f++) {
        BenchClock::time_point t0 = BenchClock::now();
        playFrame();
        cost.slowestMs = std::max(cost.slowestMs, msBetween(t0, BenchClock::now()));
    }
    DecodeTally after = decodeTally();
    cost.frames = frames;
    cost.mainDecodes = after.onMainThread - before.onMainThread;
    cost.workerDecodes = after.onWorkers - before.onWorkers;
    cost.mainDecodeMs = (after.mainThreadMicros - before.mainThreadMicros) / 1000.0;
    return cost;
}

static void printChange(const char *label, const ChangeCost &c)
{
    printf("%-24s slowest of %d frames %.2f ms, main thread decoded %d images in %.2f ms, workers %d\n", label,
           c.frames, c.slowestMs, c.mainDecodes, c.mainDecodeMs, c.workerDecodes);
}

// Opens the main menu from the tool bar and closes it, then turns to the
// next picture (its board is rebuilt in the frames after the click).
static void measureMenuAndTurn()
{
    const int MENU_BUTTON = 6;  // the root's children: background, game layer, cursor, then the tool bar
    ChangeCost menu = clickAndTime(app.root->children[MENU_BUTTON], 3);
    pushKey(SDLK_ESCAPE);
    for (int f = 0; f < 60; f++)
        playFrame();
    const SceneObject *next = app.playField ? app.playField->children[2] : nullptr;
    const SceneObject *board = app.board.boardObject;
    ChangeCost turn = next ? clickAndTime(next, 4) : ChangeCost();
    if (app.board.boardObject == board)
        printf("turning the picture:     the board was not rebuilt in the frames measured\n");
    printChange("opening the main menu:", menu);
    printChange("turning the picture:", turn);
    printf("summary menu_ms=%.2f menu_main_decode_ms=%.2f turn_ms=%.2f turn_main_decode_ms=%.2f\n", menu.slowestMs,
           menu.mainDecodeMs, turn.slowestMs, turn.mainDecodeMs);
}

// ---------------------------------------------------------------- first frame only

// The first frame's time line, then a second frame and a pick by the same two
// passes (the kept pick image left out), whose pick has nothing left to
// compile: the first pick's extra is the driver's first use of its passes.
static void reportFirstFrame(const StartupTimes &t)
{
    BenchClock::time_point f0 = BenchClock::now();
    runStage(STAGE_INPUT);
    app.shownFrame = 0;  // drawn even if nothing moved yet
    drawFrame();
    runStage(STAGE_SWAP);
    BenchClock::time_point f1 = BenchClock::now();
    app.picker.image.enabled = false;
    pickFrame();
    BenchClock::time_point f2 = BenchClock::now();
    app.picker.image.enabled = true;
    double shown = launchAgeMs(t.firstFrame), picked = launchAgeMs(t.firstPickWall);
    printStartup(t);
    printf("%-24s %.1f ms from launch to its swap, %.1f to the end of its pick\n", "first frame, launched:", shown,
           picked);
    printf("%-24s draw %.1f, swap %.1f, pick %.1f; second frame %.1f, its pick %.1f\n", "  first frames (ms):",
           msBetween(t.sceneBuilt, t.firstDrawn), msBetween(t.firstDrawn, t.firstFrame.steady),
           msBetween(t.firstFrame.steady, t.firstPick), msBetween(f0, f1), msBetween(f1, f2));
    printf("summary shown_ms=%.1f picked_ms=%.1f main_ms=%.1f display_ms=%.1f before_scene_ms=%.1f build_ms=%.1f "
           "wait_ms=%.1f draw_ms=%.1f swap_ms=%.1f pick_ms=%.2f frame2_ms=%.1f pick2_ms=%.2f first_frame_ms=%.0f\n",
           shown, picked, msBetween(t.mainEntered, t.firstFrame.steady), msBetween(t.settingsLoaded, t.displayOpen),
           msBetween(t.mainEntered, t.rootReady),
           msBetween(t.rootReady, t.sceneQueued), msBetween(t.sceneQueued, t.sceneBuilt),
           msBetween(t.sceneBuilt, t.firstDrawn), msBetween(t.firstDrawn, t.firstFrame.steady),
           msBetween(t.firstFrame.steady, t.firstPick), msBetween(f0, f1), msBetween(f1, f2),
           processAgeMs(t.firstFrame));
    fflush(stdout);
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
        fprintf(stderr, "usage: %s [DATA_DIR] [--frames N] [--no-scissor] [--overdraw] [--idle-ms N] "
                        "[--multisample=on|off] [--scenario play|hover|pulse|glide] [--full-redraw] "
                        "[--no-pick-image] [--memory] [--first-frame]\n", argv[0]);
        return 2;
    }
    if (chdir(options.dataDir) != 0) {
        perror("lumbrik_bench_game: chdir to the data folder");
        return 1;
    }
    app.picker.scissorColourPass = options.scissor;
    app.frameCache.fullRedraw = options.fullRedraw;
    if (options.overdraw)
        requestCountingStencil();
    memoryMilestone("main entered");
    startTimed(times, argc, argv);
    memoryMilestone("first pick");
    if (options.firstFrameOnly) {
        reportFirstFrame(times);
        shutDown();
        return 0;
    }
    StartupLoads loads;
    snapshotLoads(loads);
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
    memoryMilestone("pieces landed");
    RunResults results;
    measureFrames(options.scenario, pieces, options.frames, results);
    memoryMilestone("measured frames");
    StageResults stages;
    measureStages(options.scenario, pieces, options.frames, stages);
    double peakMiB = peakMemoryMiB();
    memoryMilestone("stage frames");
    printCachedLayer();
    double idle = idleCpuShare(options.idleMs);
    printReport(options, times, results, warmupFrames);
    printStages(stages);
    printf("%-24s %.1f MiB (VmHWM, after every frame above)\n", "peak memory:", peakMiB);
    printf("%-24s %.0f%% of one core over %d ms of frames with nothing moving (%ld cores)\n", "CPU while idle:",
           100 * idle, options.idleMs, sysconf(_SC_NPROCESSORS_ONLN));
    StartupCosts costs;
    remeasureLoads(loads, costs);
    double steadyMs = medianFrameMs(results);
    printLoads(times, loads, costs, steadyMs);
    double writes = options.overdraw ? reportOverdraw() : -1;
    printf("summary first_frame_ms=%.0f first_cpu_ms=%.0f median_ms=%.3f cpu_ms=%.3f peak_mib=%.1f fps=%.2f "
           "writes_per_pixel=%.3f draw_ms=%.3f pick_ms=%.3f draw_mallocs=%.1f pick_mallocs=%.1f idle_cpu=%.2f\n",
           processAgeMs(times.firstFrame), times.firstFrame.cpuMs, steadyMs, results.cpuMs / (double)results.samples.size(), peakMiB,
           1000.0 * (double)results.samples.size() / results.totalMs,
           writes, stageMedian(stages, STAGE_DRAW), stageMedian(stages, STAGE_PICK),
           (double)stages.allocations[STAGE_DRAW].mallocCallsMain / stages.frames,
           (double)stages.allocations[STAGE_PICK].mallocCallsMain / stages.frames, idle);
    measureMenuAndTurn();
    fflush(stdout);
    shutDown();
    return 0;
}
