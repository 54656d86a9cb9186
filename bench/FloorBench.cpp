// The renderer's floor: the least work that gives a picture like the game's,
// in the same window with the same GL set-up (the game's own display code),
// so that the game's figures can be read as ratios to what the machine and
// its driver cost anyway. Each frame: one full-screen textured quad, then 48
// small blended quads with depth writes off, then the swap. Textures are made
// in memory (nothing to read or decode).
//
// Usage: lumbrik_bench_floor [--frames N] [--overdraw] [--multisample=on|off] [--memory] [--first-frame]
// (--memory: the memory at milestones of the run, as the game's bench prints it)
// --first-frame stops after the first frame and reports only its times.
// (LUMBRIK_MULTISAMPLE=0|1 works as for the game).

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <GL/gl.h>
#include <SDL.h>

#include "BenchCommon.h"
#include "app/App.h"
#include "app/Display.h"
#include "app/Game.h"
#include "platform/Platform.h"

const int QUAD_COUNT = 48;
const int QUAD_COLUMNS = 8;
const double QUAD_SIDE_SHARE = 0.16;  // of the screen's height, about a piece
const int BACKGROUND_WIDTH = 2048, BACKGROUND_HEIGHT = 1024;
const int QUAD_TEXTURE_SIZE = 256;
const double EYE_DISTANCE = 100;  // the plane the game lays its screen out in

struct FloorOptions {
    int frames = 200;
    bool overdraw = false;
    bool firstFrameOnly = false;
};

// Two triangles (s, t, normal, position per vertex: the game's layout) of a
// w x h rectangle centred on the origin in the x-y plane.
struct Quad {
    float vertices[6 * 8] = {};
};

struct FloorScene {
    Quad background, piece;
    unsigned backgroundTexture = 0, pieceTexture = 0;
    float pieceCentres[QUAD_COUNT][2] = {};
};

static bool parseOptions(int argc, char **argv, FloorOptions &options)
{
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (strcmp(arg, "--frames") == 0 && i + 1 < argc && parseCount(argv[i + 1], options.frames))
            i++;
        else if (strcmp(arg, "--overdraw") == 0)
            options.overdraw = true;
        else if (strcmp(arg, "--memory") == 0)
            enableMemoryMilestones();
        else if (strcmp(arg, "--first-frame") == 0)
            options.firstFrameOnly = true;
        else if (strncmp(arg, "--multisample=", 14) != 0)
            return false;
    }
    return true;
}

static void makeQuad(Quad &q, float w, float h)
{
    static const float CORNERS[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (int v = 0; v < 6; v++) {
        float *p = q.vertices + v * 8;
        float s = CORNERS[v][0], t = CORNERS[v][1];
        float vertex[8] = {s, t, 0, 0, 1, (s - 0.5f) * w, (t - 0.5f) * h, 0};
        memcpy(p, vertex, sizeof vertex);
    }
}

static unsigned uploadPixels(int w, int h, bool alpha, const std::vector<unsigned char> &pixels)
{
    GLuint id = 0;
    GLenum format = alpha ? GL_RGBA : GL_RGB;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, format, w, h, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return id;
}

// A sky-to-meadow gradient, and a disc that fades out at its rim.
static void makeTextures(FloorScene &scene)
{
    std::vector<unsigned char> sky((size_t)BACKGROUND_WIDTH * BACKGROUND_HEIGHT * 3);
    for (int y = 0; y < BACKGROUND_HEIGHT; y++)
        for (int x = 0; x < BACKGROUND_WIDTH; x++) {
            unsigned char *p = &sky[((size_t)y * BACKGROUND_WIDTH + x) * 3];
            p[0] = (unsigned char)(120 + y / 16);
            p[1] = (unsigned char)(180 + (x ^ y) % 40);
            p[2] = (unsigned char)(250 - y / 8);
        }
    scene.backgroundTexture = uploadPixels(BACKGROUND_WIDTH, BACKGROUND_HEIGHT, false, sky);
    const int n = QUAD_TEXTURE_SIZE;
    std::vector<unsigned char> disc((size_t)n * n * 4);
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n; x++) {
            unsigned char *p = &disc[((size_t)y * n + x) * 4];
            int dx = x - n / 2, dy = y - n / 2, r2 = dx * dx + dy * dy;
            p[0] = (unsigned char)x;
            p[1] = (unsigned char)y;
            p[2] = 200;
            p[3] = r2 < (n / 2 - 8) * (n / 2 - 8) ? 255 : (r2 < n * n / 4 ? 128 : 0);
        }
    scene.pieceTexture = uploadPixels(n, n, true, disc);
}

static void buildScene(FloorScene &scene)
{
    const Display &d = *app.display;
    float w = (float)(2 * d.halfWidthAt(EYE_DISTANCE)), h = (float)(2 * d.halfHeightAt(EYE_DISTANCE));
    makeQuad(scene.background, w, h);
    float side = (float)QUAD_SIDE_SHARE * h;
    makeQuad(scene.piece, side, side);
    int rows = QUAD_COUNT / QUAD_COLUMNS;
    for (int i = 0; i < QUAD_COUNT; i++) {
        scene.pieceCentres[i][0] = ((float)(i % QUAD_COLUMNS) + 0.5f) / QUAD_COLUMNS * w - w / 2;
        scene.pieceCentres[i][1] = ((float)(i / QUAD_COLUMNS) + 0.5f) / (float)rows * h - h / 2;
    }
    makeTextures(scene);
}

static void drawQuad(const Quad &q, unsigned texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexCoordPointer(2, GL_FLOAT, 32, q.vertices);
    glNormalPointer(GL_FLOAT, 32, q.vertices + 2);
    glVertexPointer(3, GL_FLOAT, 32, q.vertices + 5);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

static void drawFloor(const FloorScene &scene)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -(float)EYE_DISTANCE);
    glColor3f(1, 1, 1);
    drawQuad(scene.background, scene.backgroundTexture);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    for (int i = 0; i < QUAD_COUNT; i++) {
        glPushMatrix();
        glTranslatef(scene.pieceCentres[i][0], scene.pieceCentres[i][1], 1);
        drawQuad(scene.piece, scene.pieceTexture);
        glPopMatrix();
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

int main(int argc, char **argv)
{
    BenchClock::time_point mainEntered = BenchClock::now();
    FloorOptions options;
    if (!parseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: %s [--frames N] [--overdraw] [--multisample=on|off] [--memory] [--first-frame]\n", argv[0]);
        return 2;
    }
    if (options.overdraw)
        requestCountingStencil();
    memoryMilestone("main entered");
    platformKeepLargeBlocksOutOfHeap();  // as the game does
    openGameDisplay(argc, argv);
    BenchClock::time_point displayOpen = BenchClock::now();
    memoryMilestone("display open");
    FloorScene scene;
    buildScene(scene);
    memoryMilestone("scene built");
    BenchClock::time_point built = BenchClock::now();
    drawFloor(scene);
    BenchClock::time_point drawn = BenchClock::now();
    SDL_GL_SwapBuffers();
    FirstFrameMoment first = markFirstFrame();
    memoryMilestone("first frame");
    if (options.firstFrameOnly) {
        // Nothing to pick here: the floor's first frame is shown and picked at once.
        double shown = launchAgeMs(first);
        printf("summary shown_ms=%.1f picked_ms=%.1f main_ms=%.1f display_ms=%.1f build_ms=%.1f draw_ms=%.1f "
               "swap_ms=%.1f first_frame_ms=%.0f\n", shown, shown, msBetween(mainEntered, first.steady),
               msBetween(mainEntered, displayOpen), msBetween(displayOpen, built), msBetween(built, drawn),
               msBetween(drawn, first.steady), processAgeMs(first));
        delete app.display;
        app.display = nullptr;
        return 0;
    }

    std::vector<double> ms;
    ms.reserve((size_t)options.frames);
    double cpu0 = processCpuMs();
    BenchClock::time_point start = BenchClock::now();
    for (int f = 0; f < options.frames; f++) {
        BenchClock::time_point t0 = BenchClock::now();
        drawFloor(scene);
        SDL_GL_SwapBuffers();
        ms.push_back(msBetween(t0, BenchClock::now()));
    }
    double totalMs = msBetween(start, BenchClock::now());
    double cpuMs = (processCpuMs() - cpu0) / options.frames;
    double peak = peakMemoryMiB();
    memoryMilestone("measured frames");
    std::sort(ms.begin(), ms.end());

    const Display &d = *app.display;
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    printf("lumbrik floor bench: 1 full-screen textured quad + %d blended quads per frame\n", QUAD_COUNT);
    printf("%-24s %s\n", "renderer:", (const char *)glGetString(GL_RENDERER));
    printf("%-24s %dx%d\n", "resolution:", d.width, d.height);
    printf("%-24s %s (GL_SAMPLES %d)\n", "multisampled:", d.multisampled ? "yes" : "no", samples);
    double age = processAgeMs(first);
    printf("%-24s %.1f ms from main's first line; %.0f ms from process start; %.0f ms of CPU\n", "first frame:",
           msBetween(mainEntered, first.steady), age, first.cpuMs);
    printf("%-24s median %.3f  p95 %.3f  worst %.3f\n", "ms per frame:", percentile(ms, 0.5), percentile(ms, 0.95),
           ms.back());
    printf("%-24s %.1f\n", "frames per second:", 1000.0 * (double)ms.size() / totalMs);
    printf("%-24s %.3f (all threads)\n", "CPU ms per frame:", cpuMs);
    printf("%-24s %.1f MiB (VmHWM)\n", "peak memory:", peak);
    double writes = -1;
    if (options.overdraw) {
        beginCountingWrites();
        drawFloor(scene);
        writes = endCountingWrites(d.width, d.height) / ((double)d.width * d.height);
        printf("%-24s %.3f per screen pixel\n", "pixel writes:", writes);
    }
    printf("summary first_frame_ms=%.0f first_cpu_ms=%.0f median_ms=%.3f cpu_ms=%.3f peak_mib=%.1f fps=%.2f "
           "writes_per_pixel=%.3f\n",
           age, first.cpuMs, percentile(ms, 0.5), cpuMs, peak, 1000.0 * (double)ms.size() / totalMs, writes);
    fflush(stdout);
    delete app.display;
    app.display = nullptr;
    return 0;
}
