// Play without aiming a pointer: Space (or a switch sending it) moves a
// highlight over what can be chosen now, Return (the second switch) chooses
// it exactly as a click on it would. With scanning the highlight steps by
// itself and any one key or mouse button chooses. Also the forgiving aim: a
// press that hits nothing still counts when it lies close to a loose piece or
// to the selected piece's own outline.
//
// What can be chosen is offered afresh every frame by the objects' own
// actions while they run (offerScanTarget), so a closed or retired object
// simply stops being offered.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SceneObject;

// Keys of the two switches.
const int SWITCH_STEP_KEY = ' ';   // SDLK_SPACE
const int SWITCH_CHOOSE_KEY = 13;  // SDLK_RETURN
// Bounds of the scanning interval (seconds).
const double SCAN_MIN_SECONDS = 0.5, SCAN_MAX_SECONDS = 5.0;
// A press this share of the screen's height from a target still reaches it.
const double AIM_MARGIN_SHARE = 0.02;

enum ScanKind {
    SCAN_PIECE,          // a loose piece on the play screen
    SCAN_PLACE,          // a free outline (partner: its piece)
    SCAN_PICTURE_BUTTON, // previous / next picture
    SCAN_BUTTON          // a button of the top screen
};

struct ScanTarget {
    SceneObject *object = nullptr;   // Borrowed: valid for the frame it was offered in
    SceneObject *partner = nullptr;  // Borrowed: a place's piece
    ScanKind kind = SCAN_PIECE;
    double x = 0, y = 0;             // on-screen centre, window pixels, origin top left
};

// Invariant: targets holds only objects offered in the last walked frame, in
// scan order; highlighted is null or one of them whenever shown is true.
struct SwitchScan {
    std::vector<ScanTarget> offered;   // this frame's, as offered
    std::vector<ScanTarget> targets;   // the last frame's choosable ones, in scan order
    std::vector<ScanTarget> pieces;    // the last frame's loose pieces and free outlines
    SceneObject *highlighted = nullptr;  // Borrowed: compared only, never followed
    bool shown = false;                // false: the pointer plays, nothing highlighted
    bool hasLast = false;              // lastX, lastY hold the last highlighted centre
    double lastX = 0, lastY = 0;       // window pixels (may lie off screen)
    ScanKind lastKind = SCAN_PIECE;    // what the targets were and on which screen:
    const SceneObject *lastScreen = nullptr;  // a change starts the order afresh (compared only)
    uint32_t scanMs = 0;               // 0: two switches; else the scanning step
    uint32_t nextScanTicks = 0;        // frameTicks of the next automatic step
};

// Reads `--scan=SECONDS`; true and `ms` set (0 when absent) unless the value
// is malformed or out of range, when `error` names it in one line.
bool readScanOption(int argc, char **argv, uint32_t &ms, std::string &error);

// From an action callback: the object being drawn can be chosen now.
void offerScanTarget(ScanKind kind, SceneObject *partner = nullptr);
// True while `object` carries the visible highlight.
bool scanHighlights(const SceneObject *object);

// Before the frame's walk: the switches (step, choose, scanning) and the
// forgiving aim turn this frame's keys and presses into clicks on targets.
void applySwitches();
// After the frame's walk (and pick): the offered targets become the scan
// order, and a shown highlight stands in for the pointer's pick.
void finishScanFrame();
// Hides the highlight (the pointer moved).
void hideScanHighlight();

// Distance in window pixels from (x, y) to what the object's meshes covered
// when last drawn; 0 inside, a large number for an object without triangles.
double windowDistanceToObject(const SceneObject *object, double x, double y);
// The order of the scan: left to right by column, then top to bottom.
bool scanComesBefore(double ax, double ay, double bx, double by, double columnWidth);
