#include "app/FrameCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/App.h"
#include "app/Display.h"
#include "app/Frame.h"
#include "app/GL.h"
#include "resources/Mesh.h"

// Past this share of the window a partial frame saves little: showing the
// kept picture and copying the new one each cost about a full-screen pass.
static const double PARTIAL_SHARE_LIMIT = 0.6;
// Rows copied at a time through memory.
static const int32_t KEEP_BAND_ROWS = 64;

void FrameCache::release()
{
    if (texture != 0) {
        GLuint name = texture;
        glDeleteTextures(1, &name);
    }
    texture = 0;
    width = height = 0;
    kept = false;
    records.clear();
}

// ---------------------------------------------------------------- comparing

static void recordQueue(const MeshQueue &q, bool blended, std::vector<DrawRecord> &out)
{
    for (size_t i = 0; i < q.entries.size(); i++) {
        const QueuedMesh &e = q.entries[i];
        DrawRecord r;
        r.mesh = e.mesh;
        r.loadedAt = e.mesh->loadedAt;
        r.texture = e.mesh->textureId;
        memcpy(r.modelView, e.mesh->modelView, sizeof r.modelView);
        memcpy(r.colour, e.colour, sizeof r.colour);
        r.depthTest = e.depthTest;
        r.lights = e.lights;
        r.blended = blended;
        r.box = q.boxes[i];
        out.push_back(r);
    }
}

static bool sameDraw(const DrawRecord &a, const DrawRecord &b)
{
    return a.mesh == b.mesh && a.loadedAt == b.loadedAt && a.texture == b.texture && a.depthTest == b.depthTest && a.lights == b.lights &&
           a.blended == b.blended && memcmp(a.colour, b.colour, sizeof a.colour) == 0 &&
           memcmp(a.modelView, b.modelView, sizeof a.modelView) == 0;
}

// Grows `u` to hold `box`; false when the box cannot be bounded.
static bool growBox(ScreenBox &u, bool &any, const ScreenBox &box)
{
    for (int k = 0; k < 2; k++)
        if (!std::isfinite(box.low[k]) || !std::isfinite(box.high[k]))
            return false;
    if (box.everywhere)
        return false;
    for (int k = 0; k < 2 && any; k++) {
        u.low[k] = std::min(u.low[k], box.low[k]);
        u.high[k] = std::max(u.high[k], box.high[k]);
    }
    if (!any)
        u = box;
    any = true;
    return true;
}

// Normalized device coordinate to the pixel edge at or beyond it, clamped.
static int32_t pixelEdge(float ndc, int32_t size, bool upper)
{
    double p = (std::min(std::max(ndc, -2.0f), 2.0f) + 1.0) * 0.5 * size;
    // One pixel more on each side: rounding in the rasterizer's snapping.
    int32_t edge = upper ? (int32_t)std::ceil(p) + 1 : (int32_t)std::floor(p) - 1;
    return std::min(std::max(edge, 0), size);
}

bool changedRect(const std::vector<DrawRecord> &before, const std::vector<DrawRecord> &now, int32_t width,
                 int32_t height, PixelRect &out)
{
    ScreenBox u;
    bool any = false;
    size_t common = std::min(before.size(), now.size());
    for (size_t i = 0; i < common; i++) {
        if (sameDraw(before[i], now[i]))
            continue;
        if (!growBox(u, any, before[i].box) || !growBox(u, any, now[i].box))
            return false;
    }
    for (size_t i = common; i < before.size(); i++)
        if (!growBox(u, any, before[i].box))
            return false;
    for (size_t i = common; i < now.size(); i++)
        if (!growBox(u, any, now[i].box))
            return false;
    out = PixelRect();
    if (!any)
        return true;
    out.x0 = pixelEdge(u.low[0], width, false);
    out.x1 = pixelEdge(u.high[0], width, true);
    out.y0 = pixelEdge(u.low[1], height, false);
    out.y1 = pixelEdge(u.high[1], height, true);
    return true;
}

ScreenBox boxOfRect(const PixelRect &r, int32_t width, int32_t height)
{
    ScreenBox b;
    b.everywhere = false;
    b.low[0] = 2.0f * (float)r.x0 / (float)width - 1;
    b.high[0] = 2.0f * (float)r.x1 / (float)width - 1;
    b.low[1] = 2.0f * (float)r.y0 / (float)height - 1;
    b.high[1] = 2.0f * (float)r.y1 / (float)height - 1;
    return b;
}

// ---------------------------------------------------------------- the texture

static int32_t powerOfTwoAtLeast(int32_t n)
{
    int32_t p = 1;
    while (p < n && p < (1 << 30))
        p <<= 1;
    return p;
}

// Asks the driver once: copying into a texture needs GL 1.1; a texture of the
// window's size needs non-power-of-two textures, else a larger one must fit.
static void checkDriver(FrameCache &c)
{
    c.checked = true;
    const char *version = (const char *)glGetString(GL_VERSION);
    bool npot = (version && version[0] >= '2' && version[1] == '.') || hasExtension("GL_ARB_texture_non_power_of_two");
    c.powerOfTwo = !npot;
    c.usable = version != nullptr;
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    // Mesa's software rasterizer compiles a blit for the first copy into a
    // texture, which costs the frame that first keeps 60-300 ms; read back
    // and uploaded, the copy costs about the same without it.
    c.throughMemory = sampleBuffers > 0 || (app.display && app.display->softwareRenderer);
}

// A texture of the window's size; false when the driver cannot give one.
static bool ensureTexture(FrameCache &c, int32_t width, int32_t height)
{
    if (!c.checked)
        checkDriver(c);
    if (!c.usable || width <= 0 || height <= 0)
        return false;
    if (c.texture != 0 && c.width == width && c.height == height)
        return true;
    c.release();
    int32_t tw = c.powerOfTwo ? powerOfTwoAtLeast(width) : width;
    int32_t th = c.powerOfTwo ? powerOfTwoAtLeast(height) : height;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (tw > largest || th > largest)
        return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, tw, th, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    c.texture = name;
    if (glGetError() != GL_NO_ERROR) {
        c.release();
        c.usable = false;  // no memory for it, or no such texture: draw in full from now on
        return false;
    }
    c.width = width;
    c.height = height;
    c.textureWidth = tw;
    c.textureHeight = th;
    return true;
}

// Copies the rectangle of the back buffer into the texture. A multisampled
// buffer goes through memory: Mesa's software rasterizer copies one sample of
// each pixel into a texture, not the pixel's resolved colour. Through memory,
// the rectangle goes in bands of rows, so a whole window needs no whole
// window's worth of memory.
static void keepRect(const FrameCache &c, const PixelRect &r)
{
    int32_t w = r.x1 - r.x0, h = r.y1 - r.y0;
    glBindTexture(GL_TEXTURE_2D, c.texture);
    if (!c.throughMemory) {
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, r.x0, r.y0, r.x0, r.y0, w, h);
        glBindTexture(GL_TEXTURE_2D, 0);
        return;
    }
    static std::vector<unsigned char> pixels;  // Owns: at most KEEP_BAND_ROWS rows
    int32_t band = h < KEEP_BAND_ROWS ? h : KEEP_BAND_ROWS;
    pixels.resize((size_t)w * band * 3);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int32_t y = r.y0; y < r.y1; y += band) {
        int32_t rows = r.y1 - y < band ? r.y1 - y : band;
        glReadPixels(r.x0, y, w, rows, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        glTexSubImage2D(GL_TEXTURE_2D, 0, r.x0, y, w, rows, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Appends two triangles covering window pixels [x0, x1) x [y0, y1) with the
// kept texels of those pixels (s, t, normal, position: the meshes' layout).
static void addRect(const FrameCache &c, float x0, float y0, float x1, float y1, std::vector<float> &out)
{
    if (x1 <= x0 || y1 <= y0)
        return;
    const float corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
    for (const float *p : corners) {
        const float v[8] = {p[0] / (float)c.textureWidth, p[1] / (float)c.textureHeight, 0, 0, 1,
                            2 * p[0] / (float)c.width - 1, 2 * p[1] / (float)c.height - 1, 0};
        out.insert(out.end(), v, v + 8);
    }
}

// The kept picture everywhere but `hole`, texel for pixel: nearest texel at
// each pixel's centre, replacing, with no depth, blending or tests. The
// edges lie on pixel borders, so it covers exactly the pixels (and samples)
// outside the hole, whatever the scissor did.
static void showKept(const FrameCache &c, const PixelRect &hole)
{
    static std::vector<float> quads;
    quads.clear();
    float w = (float)c.width, h = (float)c.height;
    PixelRect r = hole;
    if (r.empty())
        r.x0 = r.x1 = r.y0 = r.y1 = 0;
    addRect(c, 0, 0, w, (float)r.y0, quads);
    addRect(c, 0, (float)r.y1, w, h, quads);
    addRect(c, 0, (float)r.y0, (float)r.x0, (float)r.y1, quads);
    addRect(c, (float)r.x1, (float)r.y0, w, (float)r.y1, quads);
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DITHER);  // a 16-bit buffer must get back the very values it gave
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, c.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTexCoordPointer(2, GL_FLOAT, 8 * sizeof(float), quads.data());
    glNormalPointer(GL_FLOAT, 8 * sizeof(float), quads.data() + 2);
    glVertexPointer(3, GL_FLOAT, 8 * sizeof(float), quads.data() + 5);
    glDrawArrays(GL_TRIANGLES, 0, (GLsizei)(quads.size() / 8));
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

// ---------------------------------------------------------------- drawing

static void drawFully(FrameCache &c, int32_t width, int32_t height)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawQueuedMeshes();
    c.fullFrames++;
    // A start's first frame is only shown: making the texture and the
    // driver's first copy into it would hold back the first picture.
    bool first = c.awaitingFirst;
    c.awaitingFirst = false;
    c.kept = !c.fullRedraw && !first && ensureTexture(c, width, height);
    if (!c.kept)
        return;
    PixelRect all;
    all.x1 = width;
    all.y1 = height;
    keepRect(c, all);
}

// The changed rectangle cleared and drawn again, scissored, then the kept
// picture around it. The kept picture goes last: Mesa's software rasterizer
// with multisampling lets some fragments of a scissored draw land outside
// the scissor rectangle, and they must not stay.
static void drawPartly(FrameCache &c, const PixelRect &r, int32_t width, int32_t height)
{
    c.partialFrames++;
    if (r.empty()) {
        app.opaqueQueue.clear();
        app.transparentQueue.clear();
        showKept(c, r);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ScreenBox only = boxOfRect(r, width, height);
    drawQueuedMeshes(&only);
    glDisable(GL_SCISSOR_TEST);
    showKept(c, r);
    keepRect(c, r);
}

void drawFrameFromCache(FrameCache &c)
{
    int32_t width = app.display ? app.display->width : 0, height = app.display ? app.display->height : 0;
    app.opaqueQueue.prepare();
    app.transparentQueue.prepare();
    c.fresh.clear();
    recordQueue(app.opaqueQueue, false, c.fresh);
    recordQueue(app.transparentQueue, true, c.fresh);
    PixelRect r;
    bool partial = c.kept && !c.fullRedraw && c.width == width && c.height == height && changedRect(c.records, c.fresh, width, height, r) &&
                   (double)(r.x1 - r.x0) * (r.y1 - r.y0) <= PARTIAL_SHARE_LIMIT * width * height;
    if (partial)
        drawPartly(c, r, width, height);
    else
        drawFully(c, width, height);
    c.records.swap(c.fresh);
}
