// pakview: renders model entries through the game's own renderer to a PNG,
// so art can be checked before the screens that use it exist. Opens the
// game's full-screen display, so run it on an X display (Xvfb) of the size
// wanted.
//
//   pakview OUT.png ITEM...
//   ITEM = ARCHIVE:ENTRY[@x,y,z[,rx,ry,rz[,scale]]]
//
// Positions are scene units in the frame of the scene root (the eye at
// z = 100 looking down -z); rotations in degrees; interface images usually
// want a rotation of -90 about x. Items are drawn in the order given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/GL.h"
#include "app/Game.h"
#include "pakwriter/PakWriter.h"
#include "resources/PngWriter.h"
#include "scene/SceneObject.h"

struct ViewItem {
    std::string archive, entry;
    double values[7] = {0, 0, 0, 0, 0, 0, 1};  // x, y, z, rx, ry, rz, scale
};

static bool parseItem(const std::string &text, ViewItem &item)
{
    size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    size_t at = text.find('@', colon);
    item.archive = text.substr(0, colon);
    item.entry = text.substr(colon + 1, at == std::string::npos ? std::string::npos : at - colon - 1);
    if (at == std::string::npos)
        return true;
    std::string rest = text.substr(at + 1);
    char *p = &rest[0];
    for (int i = 0; i < 7 && *p; i++) {
        item.values[i] = strtod(p, &p);
        if (*p == ',')
            p++;
    }
    return true;
}

static void addItem(const ViewItem &item)
{
    SceneObject *object = new SceneObject;
    object->setImage(item.archive.c_str(), item.entry.c_str());
    object->setPosition(item.values[0], item.values[1], item.values[2]);
    object->setRotation(item.values[3], item.values[4], item.values[5]);
    if (item.values[6] != 1)
        object->setScale(item.values[6], item.values[6], item.values[6]);
    app.root->addChild(object);
}

// The back buffer as an RGB PNG, top row first.
static Bytes readFrame(int width, int height)
{
    PngImage image;
    image.width = width;
    image.height = height;
    image.kind = PNG_RGB;
    image.pixels.resize((size_t)width * height * 3);
    std::vector<unsigned char> rows((size_t)width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < height; y++)
        memcpy(&image.pixels[(size_t)y * width * 3], &rows[(size_t)(height - 1 - y) * width * 3], (size_t)width * 3);
    return encodePng(image);
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: pakview OUT.png ARCHIVE:ENTRY[@x,y,z[,rx,ry,rz[,scale]]]...\n");
        return 2;
    }
    std::vector<ViewItem> items(argc - 2);
    for (int i = 2; i < argc; i++) {
        if (!parseItem(argv[i], items[i - 2])) {
            fprintf(stderr, "pakview: \"%s\" is not ARCHIVE:ENTRY[@...]\n", argv[i]);
            return 2;
        }
    }
    openGameDisplay(0, nullptr);  // LUMBRIK_MULTISAMPLE picks the mode
    app.root = new SceneObject;
    for (const ViewItem &item : items)
        addItem(item);
    drawScene();
    drawScene();  // the second frame runs every object's actions once more
    Bytes png = readFrame(app.display->width, app.display->height);
    bool ok = writeFileAtomic(argv[1], png);
    if (!ok)
        fprintf(stderr, "pakview: cannot write %s\n", argv[1]);
    printf("pakview: %s (%dx%d)\n", argv[1], app.display->width, app.display->height);
    delete app.display;  // ends SDL; the tree goes with the process
    app.display = nullptr;
    return ok ? 0 : 1;
}
