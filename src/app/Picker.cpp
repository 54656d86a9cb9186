#include "app/Picker.h"

#include <algorithm>
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

// The record at `index` of `last` when it is this very mesh, unmoved: its
// screen box still holds under the same projection.
static const DrawRecord *unmovedRecord(const std::vector<DrawRecord> &last, size_t index, const Mesh &m)
{
    if (index >= last.size())
        return nullptr;
    const DrawRecord &r = last[index];
    bool same = r.mesh == &m && r.loadedAt == m.loadedAt && memcmp(r.modelView, m.modelView, sizeof r.modelView) == 0;
    return same ? &r : nullptr;
}

// True when every pickable mesh is, in order, the one in `records`, unmoved.
static bool pickablesUnmoved(const Picker &p, const std::vector<DrawRecord> &records)
{
    size_t next = 0;
    for (const SceneObject *object : p.pickables)
        for (int32_t i = 0; i < object->meshCount; i++, next++)
            if (!unmovedRecord(records, next, *object->meshes[i]))
                return false;
    return next == records.size();
}

// Records every pickable mesh; with `reuse`, a mesh unmoved since `last`
// keeps its box there, and only moved ones are projected again.
static void recordPickables(const Picker &p, const std::vector<DrawRecord> &last, bool reuse,
                            const BoxProjection &projection, std::vector<DrawRecord> &out)
{
    out.clear();
    for (SceneObject *object : p.pickables)
        for (int32_t i = 0; i < object->meshCount; i++) {
            const Mesh &m = *object->meshes[i];
            const DrawRecord *before = reuse ? unmovedRecord(last, out.size(), m) : nullptr;
            if (before) {
                out.push_back(*before);
                continue;
            }
            DrawRecord r;
            r.mesh = &m;
            r.loadedAt = m.loadedAt;
            memcpy(r.modelView, m.modelView, sizeof r.modelView);
            r.box = meshScreenBox(m, projection);
            out.push_back(r);
        }
}

// Object k's silhouette in the flat colour of number k + 1 (low byte red,
// high byte green), nearest wins as in the colour pass (same depth test,
// same order), for every object that can reach the band; scissored to it.
static void drawBand(const Picker &p, const std::vector<DrawRecord> &records, const PixelRect &band)
{
    ScreenBox only = boxOfRect(band, p.image.width, p.image.height);
    glScissor(band.x0, band.y0, band.x1 - band.x0, band.y1 - band.y0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
        glColor3ub((GLubyte)(id & 255), (GLubyte)(id >> 8 & 255), 0);
        drawSilhouette(object);
    }
}

// Copies the band's read-back colours into the image as ids.
static void storeBand(PickImage &im, const uint32_t *read, const PixelRect &band)
{
    int32_t w = band.x1 - band.x0, bytes = im.idBytes;
    for (int32_t y = band.y0; y < band.y1; y++) {
        const unsigned char *rgba = (const unsigned char *)&read[(size_t)(y - band.y0) * w];
        uint8_t *out = &im.ids[((size_t)y * im.width + band.x0) * bytes];
        for (int32_t x = 0; x < w; x++)
            for (int32_t b = 0; b < bytes; b++)
                out[x * bytes + b] = rgba[x * 4 + b];
    }
}

// Draws the ids of rectangle `r` without multisampling, band by band, and
// reads each band back into the image. Never shown: the next frame clears it.
static void drawIds(Picker &p, const std::vector<DrawRecord> &records, const PixelRect &r)
{
    static std::vector<uint32_t> read;  // one band's pixels; Owns: at most PICK_BAND_PIXELS of them
    int32_t w = r.x1 - r.x0;
    int32_t bandRows = std::max(1, PICK_BAND_PIXELS / w);
    read.resize((size_t)w * std::min(bandRows, r.y1 - r.y0));
    glEnable(GL_SCISSOR_TEST);
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    if (app.display && app.display->multisampled)
        glDisable(GL_MULTISAMPLE);  // one colour per pixel: a blend of two numbers names neither
    glDisable(GL_DITHER);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (int32_t y = r.y0; y < r.y1; y += bandRows) {
        PixelRect band = r;
        band.y0 = y;
        band.y1 = std::min(y + bandRows, r.y1);
        drawBand(p, records, band);
        glReadPixels(band.x0, band.y0, w, band.y1 - band.y0, GL_RGBA, GL_UNSIGNED_BYTE, read.data());
        storeBand(p.image, read.data(), band);
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopAttrib();
    glDisable(GL_SCISSOR_TEST);
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
        drawIds(p, now, r);
    return true;
}

// Bytes an id needs for `count` objects (ids run to count); 0 past the widest kept.
static int32_t idBytesFor(size_t count)
{
    if (count <= 255)
        return 1;
    return count <= 65535 ? 2 : 0;
}

// Makes the whole image from scratch; false when the ids would not fit.
static bool makeImage(Picker &p, const std::vector<DrawRecord> &now)
{
    PickImage &im = p.image;
    im.idBytes = idBytesFor(p.pickables.size());
    if (im.idBytes == 0 || im.idBytes > PICK_ID_MAX_BYTES)
        return false;
    im.ids.assign((size_t)im.width * im.height * im.idBytes, 0);
    PixelRect all;
    all.x1 = im.width;
    all.y1 = im.height;
    drawIds(p, now, all);
    return true;
}

// True when the image (kept, mended or made now) answers this pick. It is
// made only once the pickables stood still since the last pick. While they
// still stand still, nothing is recorded, compared or drawn again.
static bool imageReady(Picker &p, int32_t width, int32_t height)
{
    static std::vector<DrawRecord> now;
    PickImage &im = p.image;
    BoxProjection projection = currentBoxProjection();
    bool sameView = im.width == width && im.height == height &&
                    memcmp(im.projection, projection.projection, sizeof im.projection) == 0;
    bool sameObjects = sameView && im.objects == p.pickables;
    if (im.kept && sameObjects && pickablesUnmoved(p, im.records))
        return true;
    recordPickables(p, im.fresh, sameView, projection, now);
    bool ready = false;
    PixelRect r;
    im.width = width;
    im.height = height;
    if (im.kept && sameObjects)
        ready = mendImage(p, now);
    else if (sameObjects && changedRect(im.fresh, now, width, height, r) && r.empty())
        ready = im.kept = makeImage(p, now);
    else
        im.kept = false;
    im.objects = p.pickables;
    memcpy(im.projection, projection.projection, sizeof im.projection);
    im.fresh.swap(now);
    if (im.kept)
        im.records = im.fresh;
    return ready;
}

// Numbers are written as whole bytes of red and green: fewer bits a channel would merge them.
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

static uint32_t idAt(const PickImage &im, int32_t x, int32_t y)
{
    const uint8_t *id = &im.ids[((size_t)y * im.width + x) * im.idBytes];
    return im.idBytes == 1 ? id[0] : (uint32_t)id[0] | (uint32_t)id[1] << 8;
}

static bool pickFromImage(Picker &p)
{
    int32_t width = app.display ? app.display->width : 0, height = app.display ? app.display->height : 0;
    if (!p.image.enabled || width <= 0 || height <= 0 || !wholeBytes(p.image) || !imageReady(p, width, height))
        return false;
    p.candidates.clear();
    p.hovered = nullptr;
    int32_t x = app.mouseX, y = height - 1 - app.mouseY;
    uint32_t id = x >= 0 && x < width && y >= 0 && y < height ? idAt(p.image, x, y) : 0;
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
