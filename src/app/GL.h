// The OpenGL and GLU headers as the game uses them (fixed-function 1.x).
// Only app/, scene/ and resources/ include this.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

// The gl.h of Windows stops at OpenGL 1.1; the drivers have these values.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_LIGHT_MODEL_COLOR_CONTROL
#define GL_LIGHT_MODEL_COLOR_CONTROL 0x81F8
#define GL_SEPARATE_SPECULAR_COLOR 0x81FA
#endif
#ifndef GL_MULTISAMPLE
#define GL_MULTISAMPLE 0x809D
#endif
#ifndef GL_SAMPLE_BUFFERS
#define GL_SAMPLE_BUFFERS 0x80A8
#endif

// Alpha-tested meshes draw only texels whose alpha exceeds this (the fixed
// state the display sets, and every alpha-tested material).
const float ALPHA_TEST_REFERENCE = 0.9f;
