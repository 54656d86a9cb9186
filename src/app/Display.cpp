#include "app/Display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL.h>

#include "app/GL.h"

static void fatalVideo(const char *format)
{
    fprintf(stderr, format, SDL_GetError());
    fflush(stderr);
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
}

static bool hasExtension(const char *name)
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
    glAlphaFunc(GL_GREATER, 0.9f);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_NORMALIZE);
    if (hasExtension("GL_EXT_separate_specular_color"))
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

// Tries 4x multisampling first, then a plain mode; the second failure is fatal.
static bool setMode(int32_t width, int32_t height)
{
    Uint32 flags = SDL_OPENGL | SDL_FULLSCREEN | SDL_HWSURFACE | SDL_ASYNCBLIT;
    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    if (info && info->blit_hw)
        flags |= SDL_HWACCEL;
    requestAttributes(true);
    if (SDL_SetVideoMode(width, height, 32, flags)) {
        glEnable(GL_MULTISAMPLE);
        return true;
    }
    requestAttributes(false);
    if (!SDL_SetVideoMode(width, height, 32, flags))
        fatalVideo("Video mode set failed: %s\n");
    return false;
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
    multisampled = setMode(width, height);
    setFixedState();
    setProjection(width, height);
    SDL_ShowCursor(0);
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
