#include "app/Display.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL.h>

#include "app/GL.h"
#include "platform/Platform.h"

static void fatalVideo(const char *format)
{
    char message[512];
    snprintf(message, sizeof message, format, SDL_GetError());
    fputs(message, stderr);
    fflush(stderr);
    platformShowFatal(message);
    SDL_Quit();
    exit(1);
}

static void requestAttributes(bool multisample)
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, multisample ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, multisample ? 4 : 0);
    SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, multisample ? 1 : 0);
    // Wait for the display at the swap instead of spinning (where the driver can).
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
}

bool hasExtension(const char *name)
{
    const char *all = (const char *)glGetString(GL_EXTENSIONS);
    if (!all)
        return false;
    size_t length = strlen(name);
    for (const char *p = strstr(all, name); p; p = strstr(p + 1, name)) {
        bool starts = p == all || p[-1] == ' ';
        bool ends = p[length] == '\0' || p[length] == ' ';
        if (starts && ends)
            return true;
    }
    return false;
}

// The fixed state, set once; blending and alpha testing are switched per mesh.
static void setFixedState()
{
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_GREATER, ALPHA_TEST_REFERENCE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_NORMALIZE);
    if (hasExtension("GL_EXT_separate_specular_color"))
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

static bool trySetMode(int32_t width, int32_t height, bool multisample)
{
    Uint32 flags = SDL_OPENGL | SDL_FULLSCREEN | SDL_HWSURFACE | SDL_ASYNCBLIT;
    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    if (info && info->blit_hw)
        flags |= SDL_HWACCEL;
    requestAttributes(multisample);
    return SDL_SetVideoMode(width, height, 32, flags) != nullptr;
}

static bool rendererIsSoftware()
{
    return isSoftwareRenderer((const char *)glGetString(GL_RENDERER));
}

// SDL 1.2 keeps the window, its visual and its GL context when the mode is
// set again with the same flags, so dropping multisampling takes a fresh start
// of SDL's video.
static void restartVideo()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) < 0)
        fatalVideo("Video initialization failed: %s\n");
}

// A plain mode; its failure is fatal.
static void openPlain(Display &d)
{
    if (!trySetMode(d.width, d.height, false))
        fatalVideo("Video mode set failed: %s\n");
    d.softwareRenderer = rendererIsSoftware();
    d.multisampled = false;
}

// Opens the mode as the display's choice asks. AUTO opens a plain mode first
// and keeps it on a software rasterizer, where a multisampled mode costs
// about half a second to open and a third more memory before it draws at a
// third of the speed; on any other renderer it opens again with 4x
// multisampling. Where no multisampled mode exists, the plain one is used.
// Runs before any GL state or texture exists, so a fresh context loses nothing.
static void openMode(Display &d)
{
    if (d.multisample != MULTISAMPLE_ON) {
        openPlain(d);
        if (d.multisample == MULTISAMPLE_OFF || d.softwareRenderer)
            return;
        restartVideo();
    }
    if (!trySetMode(d.width, d.height, true)) {
        openPlain(d);
        return;
    }
    d.softwareRenderer = rendererIsSoftware();
    glEnable(GL_MULTISAMPLE);
    d.multisampled = true;
}

void Display::open(int32_t w, int32_t h, int32_t d)
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        fatalVideo("Video initialization failed: %s\n");
    if (w != 0 || h != 0 || d != 0) {
        width = w;
        height = h;
        depth = d;
    } else {
        const SDL_VideoInfo *info = SDL_GetVideoInfo();
        width = info->current_w;
        height = info->current_h;
        depth = info->vfmt->BitsPerPixel;
    }
    openMode(*this);
    setFixedState();
    setProjection(width, height);
    useBlankCursor();
}

// The game draws its own cursor. Hiding the system one with SDL_ShowCursor(0)
// would make SDL 1.2 read the grabbed pointer as relative motion and warp it
// back to the centre near the edges, so absolute positions (touch screens,
// pen tablets) would land elsewhere. A visible but empty cursor keeps them.
void useBlankCursor()
{
    Uint8 blank[8] = {0};
    SDL_Cursor *cursor = SDL_CreateCursor(blank, blank, 8, 8, 0, 0);
    if (cursor)
        SDL_SetCursor(cursor);
    SDL_ShowCursor(1);
}

void Display::setProjection(int32_t w, int32_t h)
{
    if (h == 0)
        h = 1;
    float aspect = (float)w / (float)h;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, aspect, (double)0.1f, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    GLdouble modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluUnProject(0, 0, -1, modelView, projection, viewport, &rayCorner[0], &rayCorner[1], &rayCorner[2]);
}

// The corner ray gives x/z and y/z; the sign of z makes both extents positive.
double Display::halfWidthAt(double d) const
{
    return rayCorner[0] * d / rayCorner[2];
}

double Display::halfHeightAt(double d) const
{
    return rayCorner[1] * d / rayCorner[2];
}

Display::~Display()
{
    SDL_Quit();
}

// Case-insensitive search for `word` (lower case) in `text`.
static bool containsWord(const char *text, const char *word)
{
    for (const char *p = text; *p; p++) {
        size_t n = 0;
        while (word[n] && p[n] && tolower((unsigned char)p[n]) == word[n])
            n++;
        if (word[n] == '\0')
            return true;
    }
    return false;
}

bool isSoftwareRenderer(const char *renderer)
{
    // Mesa's gallium rasterizers name themselves; classic swrast says
    // "Software Rasterizer".
    static const char *const NAMES[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer"};
    if (!renderer)
        return false;
    for (const char *name : NAMES)
        if (containsWord(renderer, name))
            return true;
    return false;
}

static const char MULTISAMPLE_OPTION[] = "--multisample";

// One --multisample argument; false (choice unchanged) for a value other than on|off.
static bool readMultisampleArgument(const char *arg, MultisampleChoice &choice, std::string &error)
{
    const char *value = arg + sizeof MULTISAMPLE_OPTION - 1;
    if (strcmp(value, "=on") == 0) {
        choice = MULTISAMPLE_ON;
        return true;
    }
    if (strcmp(value, "=off") == 0) {
        choice = MULTISAMPLE_OFF;
        return true;
    }
    error = std::string("lumbrik: ") + arg + " is not --multisample=on or --multisample=off";
    return false;
}

bool readMultisampleChoice(const char *environment, int argc, char **argv, MultisampleChoice &choice,
                           std::string &error)
{
    bool ok = true;
    if (environment && *environment) {
        if (strcmp(environment, "0") == 0 || strcmp(environment, "1") == 0) {
            choice = environment[0] == '1' ? MULTISAMPLE_ON : MULTISAMPLE_OFF;
        } else {
            error = std::string("lumbrik: LUMBRIK_MULTISAMPLE=") + environment + " is neither 0 nor 1";
            ok = false;
        }
    }
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], MULTISAMPLE_OPTION, sizeof MULTISAMPLE_OPTION - 1) != 0)
            continue;
        ok = readMultisampleArgument(argv[i], choice, error) && ok;
    }
    return ok;
}
