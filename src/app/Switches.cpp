#include "app/Switches.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/App.h"
#include "app/Display.h"
#include "app/GL.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"

static const char SCAN_OPTION[] = "--scan=";
// Columns of the scan order, as a share of the screen's height: centres
// closer than this in x count as one column and are taken top to bottom.
static const double SCAN_COLUMN_SHARE = 0.04;

bool readScanOption(int argc, char **argv, uint32_t &ms, std::string &error)
{
    ms = 0;
    bool ok = true;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], SCAN_OPTION, sizeof SCAN_OPTION - 1) != 0)
            continue;
        const char *value = argv[i] + sizeof SCAN_OPTION - 1;
        char *end = nullptr;
        double seconds = strtod(value, &end);
        if (*value && *end == '\0' && seconds >= SCAN_MIN_SECONDS && seconds <= SCAN_MAX_SECONDS) {
            ms = (uint32_t)std::lround(seconds * 1000);
            continue;
        }
        error = std::string("lumbrik: --scan=") + value + " is not a number of seconds from 0.5 to 5; scanning stays off";
        ms = 0;
        ok = false;
    }
    return ok;
}

void offerScanTarget(ScanKind kind, SceneObject *partner)
{
    GLdouble modelView[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    ScanTarget t;
    t.object = app.currentObject;
    t.partner = partner;
    t.kind = kind;
    if (gluProject(0, 0, 0, modelView, projection, viewport, &wx, &wy, &wz) == GL_TRUE) {
        t.x = wx;
        t.y = viewport[3] - wy;
    }
    app.scan.offered.push_back(t);
}

bool scanHighlights(const SceneObject *object)
{
    return app.scan.shown && app.scan.highlighted == object;
}

static double screenHeight()
{
    return app.display ? app.display->height : 768;
}

bool scanComesBefore(double ax, double ay, double bx, double by, double columnWidth)
{
    double ca = std::floor(ax / columnWidth), cb = std::floor(bx / columnWidth);
    if (ca != cb)
        return ca < cb;
    if (ay != by)
        return ay < by;
    return ax < bx;
}

static double columnWidth()
{
    return std::max(1.0, screenHeight() * SCAN_COLUMN_SHARE);
}

static void forcePick()
{
    app.shownFrame = 0;  // draw and pick again, so the pointer's pick comes back
}

void hideScanHighlight()
{
    if (!app.scan.shown)
        return;
    app.scan.shown = false;
    forcePick();
}

// The next target after the last highlighted one in scan order, wrapping.
static void stepHighlight()
{
    SwitchScan &s = app.scan;
    if (s.targets.empty())
        return;
    const ScanTarget *next = &s.targets.front();
    for (const ScanTarget &t : s.targets)
        if (s.shown && t.object == s.highlighted) {  // it may have moved since
            s.lastX = t.x;
            s.lastY = t.y;
        }
    if (s.hasLast) {
        double w = columnWidth();
        for (const ScanTarget &t : s.targets)
            if (scanComesBefore(s.lastX, s.lastY, t.x, t.y, w)) {
                next = &t;
                break;
            }
    }
    s.highlighted = next->object;
    s.lastX = next->x;
    s.lastY = next->y;
    s.hasLast = true;
    s.shown = true;
    app.picker.hovered = s.highlighted;
}

// A click on the highlighted target: its own handlers see it hovered and
// clicked in this frame, as after a real press on it.
static void chooseHighlighted()
{
    SwitchScan &s = app.scan;
    app.keyPending = false;
    app.leftClicked = true;
    app.rightClicked = false;
    app.picker.hovered = s.highlighted;
    s.shown = false;  // a wrong outline leaves the order where it was
}

static bool pendingKey(int sym)
{
    return app.keyPending && !app.keyConsumed && app.keyEvent.keysym.sym == sym;
}

static void applyScanning()
{
    SwitchScan &s = app.scan;
    bool anyInput = (app.keyPending && !app.keyConsumed) || app.leftClicked || app.rightClicked;
    if (anyInput && s.shown) {
        chooseHighlighted();
        s.nextScanTicks = app.frameTicks + s.scanMs;
        return;
    }
    if ((int32_t)(app.frameTicks - s.nextScanTicks) < 0)
        return;
    s.nextScanTicks = app.frameTicks + s.scanMs;
    stepHighlight();
}

static void applyTwoSwitches()
{
    // The step key is left pending: no screen reads Space, and a hold in
    // progress must still see it as input that breaks the hold.
    if (pendingKey(SWITCH_STEP_KEY)) {
        stepHighlight();
    } else if (app.scan.shown && pendingKey(SWITCH_CHOOSE_KEY)) {
        chooseHighlighted();
    }
}

static bool offeredPiece(const SceneObject *object)
{
    for (const ScanTarget &t : app.scan.pieces)
        if (t.object == object)
            return true;
    return false;
}

// A press meets nothing that answers it: empty background, or a piece at
// rest (or the outline under it) on the board.
static bool pressMeetsNothing()
{
    SceneObject *hit = app.picker.hovered, *board = app.board.boardObject;
    if (!hit)
        return true;
    if (!board || offeredPiece(hit))
        return false;
    for (const SceneObject *child : board->children)
        if (child == hit)
            return true;
    return false;
}

// A press that met nothing: the nearest loose piece within the margin, or
// the selected piece's own outline, takes it.
static void forgiveAim()
{
    if (!app.leftClicked || app.topScreen || !pressMeetsNothing())
        return;
    double margin = AIM_MARGIN_SHARE * screenHeight(), best = margin;
    SceneObject *chosen = nullptr;
    for (const ScanTarget &t : app.scan.pieces) {
        bool ownPlace = t.kind == SCAN_PLACE && app.board.shadowObject && t.partner == app.board.selectedPiece;
        if (t.kind != SCAN_PIECE && !ownPlace)
            continue;
        double d = windowDistanceToObject(t.object, app.mouseX + 0.5, app.mouseY + 0.5);
        if (d <= best) {
            best = d;
            chosen = t.object;
        }
    }
    if (chosen)
        app.picker.hovered = chosen;
}

void applySwitches()
{
    if (app.scan.scanMs)
        applyScanning();
    else
        applyTwoSwitches();
    forgiveAim();
}

// What the switches may choose now: the top screen's buttons; on the play
// screen the free outlines while a piece waits to be sent, else the loose
// pieces, else (a finished picture) the picture buttons.
static ScanKind currentKind(const std::vector<ScanTarget> &offered)
{
    if (app.topScreen)
        return SCAN_BUTTON;
    if (app.board.shadowObject)
        return SCAN_PLACE;
    for (const ScanTarget &t : offered)
        if (t.kind == SCAN_PIECE)
            return SCAN_PIECE;
    return SCAN_PICTURE_BUTTON;
}

void finishScanFrame()
{
    SwitchScan &s = app.scan;
    ScanKind kind = currentKind(s.offered);
    if (kind != s.lastKind || app.topScreen != s.lastScreen)
        s.hasLast = false;  // new targets: scanned from their start
    s.lastKind = kind;
    s.lastScreen = app.topScreen;
    s.targets.clear();
    s.pieces.clear();
    for (const ScanTarget &t : s.offered) {
        if (t.kind == kind)
            s.targets.push_back(t);
        if (t.kind == SCAN_PIECE || t.kind == SCAN_PLACE)
            s.pieces.push_back(t);
    }
    s.offered.clear();
    double w = columnWidth();
    std::stable_sort(s.targets.begin(), s.targets.end(), [w](const ScanTarget &a, const ScanTarget &b) {
        return scanComesBefore(a.x, a.y, b.x, b.y, w);
    });
    bool stillThere = false;
    for (const ScanTarget &t : s.targets)
        stillThere = stillThere || t.object == s.highlighted;
    if (s.shown && !stillThere)
        hideScanHighlight();
    if (s.shown)
        app.picker.hovered = s.highlighted;
}

static double distanceToSegment(double px, double py, const double a[2], const double b[2])
{
    double dx = b[0] - a[0], dy = b[1] - a[1];
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - a[0]) * dx + (py - a[1]) * dy) / len2 : 0;
    t = std::min(1.0, std::max(0.0, t));
    double ex = a[0] + t * dx - px, ey = a[1] + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

static double distanceToTriangle(double px, double py, const double v[3][2])
{
    double s[3];
    for (int i = 0; i < 3; i++) {
        const double *a = v[i], *b = v[(i + 1) % 3];
        s[i] = (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0]);
    }
    bool inside = (s[0] >= 0 && s[1] >= 0 && s[2] >= 0) || (s[0] <= 0 && s[1] <= 0 && s[2] <= 0);
    if (inside)
        return 0;
    double d = distanceToSegment(px, py, v[0], v[1]);
    d = std::min(d, distanceToSegment(px, py, v[1], v[2]));
    return std::min(d, distanceToSegment(px, py, v[2], v[0]));
}

static double distanceToMesh(const Mesh &mesh, double px, double py, const GLdouble projection[16],
                             const GLint viewport[4])
{
    double best = 1e9;
    size_t vertices = mesh.arrays.size() / MESH_VERTEX_FLOATS;
    for (size_t first = 0; first + 3 <= vertices; first += 3) {
        double v[3][2];
        bool inFront = true;
        for (int k = 0; k < 3; k++) {
            const float *p = &mesh.arrays[(first + k) * MESH_VERTEX_FLOATS + MESH_POSITION_OFFSET];
            GLdouble wx, wy, wz;
            inFront = gluProject(p[0], p[1], p[2], mesh.modelView, projection, viewport, &wx, &wy, &wz) == GL_TRUE && inFront;
            v[k][0] = wx;
            v[k][1] = viewport[3] - wy;
        }
        if (inFront)
            best = std::min(best, distanceToTriangle(px, py, v));
    }
    return best;
}

double windowDistanceToObject(const SceneObject *object, double x, double y)
{
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double best = 1e9;
    for (const Mesh *mesh : object->meshes)
        best = std::min(best, distanceToMesh(*mesh, x, y, projection, viewport));
    return best;
}
