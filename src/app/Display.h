// The game's only window: a full-screen OpenGL mode at the desktop's size,
// the fixed GL state every draw relies on, and the camera (eye at z = 100
// looking down -z, 45 degree vertical field of view).
#pragma once

#include <cstdint>

// Invariant: after open, rayCorner lies on the line from the eye through the
// window's bottom-left corner, in eye coordinates (z < 0).
struct Display {
    int32_t width = 0;   // pixels
    int32_t height = 0;  // pixels
    int32_t depth = 0;   // desktop bits per pixel, recorded only
    bool multisampled = false;
    double rayCorner[3] = {0, 0, -1};

    // Starts SDL video and opens the mode; (0, 0, 0) takes the desktop's.
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
