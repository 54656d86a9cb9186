// Which object lies under the mouse: a selection-mode pass over the objects
// that registered while drawn, then a flat-colour pass of the few hits, read
// back at the mouse pixel. Once the pickable objects have stood still for a
// frame, the answer comes from a kept image of their numbers instead, kept
// up to date where they move, so moving the pointer over a still screen
// costs a look-up.
#pragma once

#include <cstdint>
#include <vector>

#include "app/FrameCache.h"

struct SceneObject;

// Words in the selection buffer; 255 hold at most 63 hit records of 4 words.
const int PICK_BUFFER_WORDS = 255;

// The id pass is drawn and read back a band of whole rows at a time, of at
// most this many pixels: the read-back buffer stays at 1 MiB (4 bytes a
// pixel) and the rasterizer bins only one band's share of the silhouettes.
const int32_t PICK_BAND_PIXELS = 1 << 18;
// Ids wider than this many bytes are not kept: past 65535 pickables every
// pick takes the two passes.
const int PICK_ID_MAX_BYTES = 2;

// Invariant: when `kept`, the idBytes bytes at ids[(y * width + x) * idBytes]
// (least significant first) hold 0 or 1 + the index in `objects` of the
// pickable nearest at GL pixel (x, y), as the flat-colour pass would find it
// with every object a candidate, for `records` seen through `projection`.
struct PickImage {
    std::vector<uint8_t> ids;            // one byte a pixel up to 255 pickables, else two
    std::vector<SceneObject *> objects;  // Borrowed: compared only, never followed
    std::vector<DrawRecord> records;     // their meshes as the image shows them
    std::vector<DrawRecord> fresh;       // this pick's, or the last pick's when not kept
    double projection[16] = {};          // the camera's, when `fresh` was recorded
    int32_t width = 0, height = 0;
    int32_t idBytes = 1;
    bool kept = false;
    bool enabled = true;  // false: every pick takes the two passes
    int8_t wholeBytes = -1;  // the colour buffer keeps 8 bits a channel: 1 yes, 0 no, -1 not asked yet
    uint64_t lookUps = 0; // picks answered from the image
};

// Invariant: hovered is null or one of candidates; pointers are only ever
// compared, never followed after the frame that produced them.
struct Picker {
    uint32_t selectBuffer[PICK_BUFFER_WORDS] = {};
    std::vector<SceneObject *> pickables;   // Borrowed: registered in this frame's draw
    std::vector<SceneObject *> candidates;  // Borrowed: hits of the last pick
    SceneObject *hovered = nullptr;         // Borrowed: front-most candidate, or null
    bool scissorColourPass = true;          // limit the colour pass to the one pixel read
    PickImage image;

    // Reserves room so that steady frames allocate nothing.
    Picker();
    // True when the object now being drawn (App::currentObject) is hovered.
    bool isHovered() const;
    // The pick at (App::mouseX, App::mouseY), from the image when it can
    // be kept, else the two-stage one; replaces candidates and hovered.
    void pick();
};

// The pickable draw hook: registers App::currentObject in phase 1.
void pickableHook(int32_t phase, int32_t value);
