// Archives, models and images written by the tests themselves.
#pragma once

#include <string>

#include "pakwriter/PakWriter.h"
#include "resources/PngWriter.h"

// A fresh folder under the test temp dir, unique per call; removed with its
// contents when the process that made it exits.
std::string makeTempFolder(const char *tag);
// Writes the archive into a fresh temp folder and returns its absolute path,
// usable as an archive name (the cache opens names as given).
std::string writeTestArchive(const char *fileName, const PakFile &pak);
// Writes raw bytes as a file in a fresh temp folder; returns its path.
std::string writeTestFile(const char *fileName, const Bytes &bytes);
// A solid-colour PNG of w x h, RGBA (alpha a) or RGB when a is negative.
Bytes solidPng(int w, int h, int r, int g, int b, int a);
// A one-mesh model (square of side `size` in the x-y plane, facing the eye).
Bytes squareModel(double size, const std::string &texture, bool transparent = false, double z = 0);
