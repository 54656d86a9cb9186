#include "app/Picker.h"

#include <cstring>

#include "app/App.h"
#include "app/Display.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "resources/MeshQueue.h"
#include "scene/SceneObject.h"

Picker::Picker()
{
    pickables.reserve(1024);
    candidates.reserve(64);
}

bool Picker::isHovered() const
{
    return hovered != nullptr && hovered == app.currentObject;
}

void pickableHook(int32_t phase, int32_t value)
{
    if (phase == PHASE_BEFORE_MESHES)
        app.picker.pickables.push_back(app.currentObject);
}

static void drawSilhouette(const SceneObject &object)
{
    for (int32_t i = 0; i < object.meshCount; i++)
        object.meshes[i]->drawGeometry();
}

// False when no mesh of the object can reach the region that `projection`
// (the pick matrix times the camera's) looks at: drawing it in selection
// mode could not make a hit, so it is left out. Each draw costs the driver
// a heap allocation or two and a pass over every vertex.
static bool mayHit(const SceneObject &object, const double projection[16])
{
    for (int32_t i = 0; i < object.meshCount; i++)
        if (!object.meshes[i]->outsideView(projection))
            return true;
    return false;
}

// Selection mode over every registered object, 2x2 pixels around the mouse.
static int selectionPass(Picker &picker, int mouseX, int mouseY)
{
    glSelectBuffer(PICK_BUFFER_WORDS, (GLuint *)picker.selectBuffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    GLint viewport[4];
    GLdouble projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Centred on the middle of the pixel under the mouse (GL rows count up).
    gluPickMatrix(mouseX + 0.5, viewport[3] - mouseY - 0.5, 2, 2, viewport);
    glMultMatrixd(projection);
    GLdouble region[16];
    glGetDoublev(GL_PROJECTION_MATRIX, region);
    glMatrixMode(GL_MODELVIEW);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (size_t i = 0; i < picker.pickables.size(); i++) {
        if (!mayHit(*picker.pickables[i], region))
            continue;
        glLoadName((GLuint)i);
        drawSilhouette(*picker.pickables[i]);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glFlush();
    int hits = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    return hits;
}

// Hit records: name count n, two depths, n names. A negative count means the
// buffer overflowed (over 63 hits) and yields no candidates.
static void collectCandidates(Picker &picker, int hits)
{
    size_t word = 0;
    for (int h = 0; h < hits && word < (size_t)PICK_BUFFER_WORDS; h++) {
        uint32_t names = picker.selectBuffer[word];
        word += 3;
        for (uint32_t n = 0; n < names && word < (size_t)PICK_BUFFER_WORDS; n++, word++) {
            uint32_t index = picker.selectBuffer[word];
            if (index < picker.pickables.size())
                picker.candidates.push_back(picker.pickables[index]);
        }
    }
}

// Flat colours (k + 2, 255, 255) for candidate k, nearest wins by depth test;
// read back at the mouse pixel. Never shown: the next frame clears it.
static int colourPass(Picker &picker, int mouseX, int mouseY, int windowHeight)
{
    // The pixel under the mouse: window row mouseY is GL row height - 1 - mouseY.
    int readY = windowHeight - 1 - mouseY;
    if (picker.scissorColourPass) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(mouseX, readY, 1, 1);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushAttrib(GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (size_t k = 0; k < picker.candidates.size(); k++) {
        glColor3ub((GLubyte)(k + 2), 255, 255);
        drawSilhouette(*picker.candidates[k]);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glPopAttrib();
    glFlush();
    unsigned char rgb[4] = {0, 0, 0, 0};
    glReadPixels(mouseX, readY, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    if (picker.scissorColourPass)
        glDisable(GL_SCISSOR_TEST);
    return rgb[0];
}

// ---------------------------------------------------------------- the kept image

// Past this share of the window the image is not mended but dropped: the
// objects are on the move, and the two passes cost less than redrawing it.
static const double IMAGE_MEND_SHARE = 0.125;

static void recordPickables(const Picker &p, std::vector<DrawRecord> &out)
{
    out.clear();
    BoxProjection projection = currentBoxProjection();
    for (SceneObject *object : p.pickables)
        for (int32_t i = 0; i < object->meshCount; i++) {
            const Mesh &m = *object->meshes[i];
            DrawRecord r;
            r.mesh = &m;
            r.loadedAt = m.loadedAt;
            memcpy(r.modelView, m.modelView, sizeof r.modelView);
            r.box = meshScreenBox(m, projection);
            out.push_back(r);
        }
}

// Object k's silhouette in the flat colour of number k + 1, nearest wins as
// in the colour pass (same depth test, same order), for every object that
// can reach `only`; drawn scissored to `r` without multisampling, read back.
static void drawIds(Picker &p, const std::vector<DrawRecord> &records, const PixelRect &r, const ScreenBox &only)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    if (app.display && app.display->multisampled)
        glDisable(GL_MULTISAMPLE);  // one colour per pixel: a blend of two numbers names neither
    glDisable(GL_DITHER);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    size_t next = 0;
    for (size_t k = 0; k < p.pickables.size(); k++) {
        const SceneObject &object = *p.pickables[k];
        bool reaches = false;
        for (int32_t i = 0; i < object.meshCount; i++)
            reaches = reaches || boxesMeet(records[next + (size_t)i].box, only);
        next += (size_t)object.meshCount;
        if (!reaches)
            continue;
        uint32_t id = (uint32_t)k + 1;
        glColor3ub((GLubyte)(id & 255), (GLubyte)(id >> 8 & 255), (GLubyte)(id >> 16 & 255));
        drawSilhouette(object);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopAttrib();
    glDisable(GL_SCISSOR_TEST);
    static std::vector<uint32_t> read;
    int32_t w = r.x1 - r.x0, h = r.y1 - r.y0;
    read.resize((size_t)w * h);
    glReadPixels(r.x0, r.y0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, read.data());
    PickImage &im = p.image;
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++) {
            const unsigned char *rgba = (const unsigned char *)&read[(size_t)y * w + x];
            im.ids[(size_t)(r.y0 + y) * im.width + r.x0 + x] = rgba[0] | rgba[1] << 8 | rgba[2] << 16;
        }
    // A whole window's worth is not kept for the small mends that follow.
    if (read.size() > (size_t)im.width * im.height / 8)
        std::vector<uint32_t>().swap(read);
}

// Mends the kept image where the pickables moved; false (and the image
// dropped) when they moved too much to be worth it.
static bool mendImage(Picker &p, const std::vector<DrawRecord> &now)
{
    PickImage &im = p.image;
    PixelRect r;
    if (!changedRect(im.records, now, im.width, im.height, r) ||
        (double)(r.x1 - r.x0) * (r.y1 - r.y0) > IMAGE_MEND_SHARE * im.width * im.height) {
        im.kept = false;
        return false;
    }
    if (!r.empty())
        drawIds(p, now, r, boxOfRect(r, im.width, im.height));
    return true;
}

// True when the image (kept, mended or made now) answers this pick. It is
// made only once the pickables stood still since the last pick.
static bool imageReady(Picker &p, int32_t width, int32_t height)
{
    static std::vector<DrawRecord> now;
    PickImage &im = p.image;
    recordPickables(p, now);
    bool sameObjects = im.width == width && im.height == height && im.objects == p.pickables;
    bool ready = false;
    PixelRect r;
    if (im.kept && sameObjects) {
        ready = mendImage(p, now);
    } else if (sameObjects && changedRect(im.fresh, now, width, height, r) && r.empty()) {
        im.ids.assign((size_t)width * height, 0);
        PixelRect all;
        all.x1 = width;
        all.y1 = height;
        ScreenBox everywhere;
        drawIds(p, now, all, everywhere);
        ready = im.kept = true;
    } else {
        im.kept = false;
    }
    im.objects = p.pickables;
    im.width = width;
    im.height = height;
    im.fresh.swap(now);
    if (im.kept)
        im.records = im.fresh;
    return ready;
}

// Numbers are written as 24-bit colours: fewer bits a channel would merge them.
static bool wholeBytes(PickImage &im)
{
    if (im.wholeBytes < 0) {
        GLint bits[3] = {0, 0, 0};
        glGetIntegerv(GL_RED_BITS, &bits[0]);
        glGetIntegerv(GL_GREEN_BITS, &bits[1]);
        glGetIntegerv(GL_BLUE_BITS, &bits[2]);
        im.wholeBytes = bits[0] >= 8 && bits[1] >= 8 && bits[2] >= 8;
    }
    return im.wholeBytes == 1;
}

static bool pickFromImage(Picker &p)
{
    int32_t width = app.display ? app.display->width : 0, height = app.display ? app.display->height : 0;
    if (!p.image.enabled || width <= 0 || height <= 0 || !wholeBytes(p.image) || !imageReady(p, width, height))
        return false;
    p.candidates.clear();
    p.hovered = nullptr;
    int32_t x = app.mouseX, y = height - 1 - app.mouseY;
    uint32_t id = x >= 0 && x < width && y >= 0 && y < height ? p.image.ids[(size_t)y * width + x] : 0;
    if (id != 0 && id - 1 < p.pickables.size()) {
        p.hovered = p.pickables[id - 1];
        p.candidates.push_back(p.hovered);
    }
    p.image.lookUps++;
    return true;
}

void Picker::pick()
{
    if (pickFromImage(*this)) {
        pickables.clear();
        return;
    }
    candidates.clear();
    int hits = selectionPass(*this, app.mouseX, app.mouseY);
    collectCandidates(*this, hits);
    pickables.clear();
    int height = app.display ? app.display->height : 0;
    int red = colourPass(*this, app.mouseX, app.mouseY, height);
    hovered = nullptr;
    if (red != 0 && red - 2 >= 0 && (size_t)(red - 2) < candidates.size())
        hovered = candidates[red - 2];
}
