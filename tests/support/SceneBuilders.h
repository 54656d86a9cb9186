// Small scenes for GL tests, built from archives the tests write.
#pragma once

#include <string>

#include "support/TestArchives.h"

struct SceneObject;

// An archive of flat squares: "white" (opaque white RGB texture), "clear"
// (alpha-tested, fully transparent texture), "red50"/"green50"/"blue50"
// (transparent meshes, half-alpha textures), "red" (opaque red), "empty"
// (a mesh without triangles), "notexture" (names a missing image),
// "twoshare" (two meshes naming the same image), "marker255" (a "white"
// square stored with marker 255). Squares are 10 units across.
std::string writeSquaresArchive();
// A new object with that image at (x, y, z), added to App::root; pickable
// when asked.
SceneObject *addSquare(const std::string &archive, const char *entry, double x, double y,
                       double z, bool pickable);
