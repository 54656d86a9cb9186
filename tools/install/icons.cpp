// icons: renders the game's icon into a hicolor icon tree, each size from
// the SVG drawn for it (small sizes have their own, simpler drawings: a
// large drawing scaled down to 16 or 24 pixels turns to mud).
//
//   icons OUTPUT_DIR SIZE=SVG [SIZE=SVG ...]
//
// Writes OUTPUT_DIR/<SIZE>x<SIZE>/apps/lumbrik.png for every pair.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "datagen/SvgRender.h"
#include "pakwriter/PakWriter.h"

// One SIZE=SVG argument rendered and written; false after a message.
static bool renderOne(const std::string &outDir, const std::string &arg)
{
    std::string::size_type eq = arg.find('=');
    int size = eq == std::string::npos ? 0 : atoi(arg.substr(0, eq).c_str());
    if (size < 1 || size > 1024) {
        fprintf(stderr, "icons: expected SIZE=SVG, got %s\n", arg.c_str());
        return false;
    }
    RenderedImage image;
    std::string error;
    if (!renderSvgFile(arg.substr(eq + 1), size, size, image, error)) {
        fprintf(stderr, "icons: %s\n", error.c_str());
        return false;
    }
    std::string folder = outDir + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    if (!writeFileAtomic(folder + "/lumbrik.png", encodeRenderedPng(image, false))) {
        fprintf(stderr, "icons: cannot write %s/lumbrik.png\n", folder.c_str());
        return false;
    }
    return true;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: icons OUTPUT_DIR SIZE=SVG [SIZE=SVG ...]\n");
        return 2;
    }
    for (int i = 2; i < argc; i++)
        if (!renderOne(argv[1], argv[i]))
            return 1;
    return 0;
}
