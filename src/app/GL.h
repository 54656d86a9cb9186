// The OpenGL and GLU headers as the game uses them (fixed-function 1.x).
// Only app/, scene/ and resources/ include this.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

// Alpha-tested meshes draw only texels whose alpha exceeds this (the fixed
// state the display sets, and every alpha-tested material).
const float ALPHA_TEST_REFERENCE = 0.9f;
