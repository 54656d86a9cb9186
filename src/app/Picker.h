// Which object lies under the mouse: a selection-mode pass over the objects
// that registered while drawn, then a flat-colour pass of the few hits, read
// back at the mouse pixel.
#pragma once

#include <cstdint>
#include <vector>

struct SceneObject;

// Words in the selection buffer; 255 hold at most 63 hit records of 4 words.
const int PICK_BUFFER_WORDS = 255;

// Invariant: hovered is null or one of candidates; pointers are only ever
// compared, never followed after the frame that produced them.
struct Picker {
    uint32_t selectBuffer[PICK_BUFFER_WORDS] = {};
    std::vector<SceneObject *> pickables;   // Borrowed: registered in this frame's draw
    std::vector<SceneObject *> candidates;  // Borrowed: hits of the last pick
    SceneObject *hovered = nullptr;         // Borrowed: front-most candidate, or null
    bool scissorColourPass = true;          // limit the colour pass to the one pixel read

    // Reserves room so that steady frames allocate nothing.
    Picker();
    // True when the object now being drawn (App::currentObject) is hovered.
    bool isHovered() const;
    // The two-stage pick at (App::mouseX, App::mouseY); replaces candidates and hovered.
    void pick();
};

// The pickable draw hook: registers App::currentObject in phase 1.
void pickableHook(int32_t phase, int32_t value);
