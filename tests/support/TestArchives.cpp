#include "support/TestArchives.h"

#include <cstdlib>
#include <ftw.h>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sys/stat.h>

// Folders this process made, removed with all they hold when it exits.
static std::vector<std::string> madeFolders;
static pid_t madeBy = 0;

static int removeEntry(const char *path, const struct stat *, int, struct FTW *)
{
    remove(path);
    return 0;
}

// A child forked by a death test exits through here too; only the process
// that made the folders may take them away.
static void removeMadeFolders()
{
    if (getpid() != madeBy)
        return;
    for (const std::string &folder : madeFolders)
        nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

static void rememberFolder(const std::string &folder)
{
    if (madeFolders.empty()) {
        madeBy = getpid();
        atexit(removeMadeFolders);
    }
    madeFolders.push_back(folder);
}

std::string makeTempFolder(const char *tag)
{
    static int counter = 0;
    std::string base = testing::TempDir();
    if (base.empty() || base.back() != '/')
        base += "/";
    std::string pattern = base + "lumbrik-" + tag + "-" + std::to_string(counter++) + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char *made = mkdtemp(buf.data());
    if (!made)
        return base;
    rememberFolder(made);
    return made;
}

std::string writeTestFile(const char *fileName, const Bytes &bytes)
{
    std::string path = makeTempFolder("file") + "/" + fileName;
    writeFileAtomic(path, bytes);
    return path;
}

std::string writeTestArchive(const char *fileName, const PakFile &pak)
{
    return writeTestFile(fileName, encodePak(pak));
}

Bytes solidPng(int w, int h, int r, int g, int b, int a)
{
    PngImage image;
    image.width = w;
    image.height = h;
    image.kind = a < 0 ? PNG_RGB : PNG_RGBA;
    for (int i = 0; i < w * h; i++) {
        image.pixels.push_back((unsigned char)r);
        image.pixels.push_back((unsigned char)g);
        image.pixels.push_back((unsigned char)b);
        if (a >= 0)
            image.pixels.push_back((unsigned char)a);
    }
    return encodePng(image);
}

Bytes squareModel(double size, const std::string &texture, bool transparent, double z)
{
    Model model;
    ModelMesh mesh = quadXY(size, size, texture, z);
    mesh.material.transparent = transparent;
    model.meshes.push_back(mesh);
    return encodeModel(model);
}
