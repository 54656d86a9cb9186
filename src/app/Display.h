// The game's only window: a full-screen OpenGL mode at the desktop's size,
// the fixed GL state every draw relies on, and the camera (eye at z = 100
// looking down -z, 45 degree vertical field of view).
#pragma once

#include <cstdint>
#include <string>

// Shows an empty system cursor: the game's own is drawn, and a shown cursor
// keeps SDL from reading the grabbed pointer as relative motion.
// The cursor is SDL's from then on: SDL_Quit frees the current cursor.
void useBlankCursor();

// How the mode is chosen. Software rasterizers pay about 3x for 4x
// multisampling, so by default they draw without it.
enum MultisampleChoice {
    MULTISAMPLE_AUTO,  // 4x unless GL_RENDERER names a software rasterizer
    MULTISAMPLE_ON,    // 4x whatever the renderer (a plain mode where none exists)
    MULTISAMPLE_OFF    // never
};

// Invariant: after open, rayCorner lies on the line from the eye through the
// window's bottom-left corner, in eye coordinates (z < 0).
struct Display {
    int32_t width = 0;   // pixels
    int32_t height = 0;  // pixels
    int32_t depth = 0;   // desktop bits per pixel, recorded only
    MultisampleChoice multisample = MULTISAMPLE_AUTO;  // read by open
    bool multisampled = false;     // the mode in use has 4x multisampling
    bool softwareRenderer = false; // GL_RENDERER names a software rasterizer
    double rayCorner[3] = {0, 0, -1};

    // Starts SDL video and opens the mode as `multisample` asks; (0, 0, 0)
    // takes the desktop's. Under AUTO the renderer is asked right after a
    // plain mode opens, and only a hardware one gets the mode reopened with
    // multisampling, before anything is loaded.
    // Failure prints one line and ends the process with status 1.
    void open(int32_t width, int32_t height, int32_t depth);
    // Viewport, perspective and rayCorner for a window of that size.
    void setProjection(int32_t width, int32_t height);
    // Half width of the visible area at distance d from the eye (scene units).
    double halfWidthAt(double d) const;
    // Half height of the visible area at distance d from the eye (scene units).
    double halfHeightAt(double d) const;
    // Ends SDL (video and everything else).
    ~Display();
};

// True when the current GL context lists the extension `name` (a whole word
// of GL_EXTENSIONS).
bool hasExtension(const char *name);
// True when a GL_RENDERER string names a software rasterizer (llvmpipe,
// softpipe, swrast); null counts as not.
bool isSoftwareRenderer(const char *renderer);
// The choice from the LUMBRIK_MULTISAMPLE value (0 or 1; null when unset) and
// the program's arguments (--multisample=on|off, which wins). Other
// arguments are not looked at. False, with `error` set to one line, when a
// value is neither; the choice then keeps what the valid sources said.
bool readMultisampleChoice(const char *environment, int argc, char **argv, MultisampleChoice &choice,
                           std::string &error);
