// The unit of timed behaviour: a callback with one user pointer, a few
// numeric parameters and two millisecond clocks. Copied by value into
// script steps and again onto a scheduler.
#pragma once

#include <cstdint>

#include "scene/Transform.h"

typedef void (*ActionCallback)(void *userData);

// Duration meaning "never finishes by time" (pollers, watchers).
const double ACTION_ENDLESS = 0;
// Duration meaning "call once, at the next advance".
const double ACTION_ONE_SHOT = -1;

// Invariant: once scheduled, offset points at the running scheduler's
// per-frame offset; runTime and elapsed only advance while enabled.
struct Action {
    Transform *offset = nullptr;  // Borrowed: the scheduler's offset transform
    double elapsed = 0;           // ms, the callback's own clock (callbacks may reset it)
    int32_t i0 = 0, i1 = 0, i2 = 0;
    double d0 = 0, d1 = 0, d2 = 0;
    ActionCallback callback = nullptr;
    void *userData = nullptr;
    int32_t eventId = 0;
    bool enabled = false;
    bool endless = false;
    bool finished = false;
    double duration = 0;  // ms; unused when endless
    double runTime = 0;   // ms, the scheduler's clock for the duration test

    // Sets id and switch; duration 0 makes the action endless. Resets the clocks.
    void setTiming(int32_t eventId, bool enabled, double duration);
    // Callback and user data; clears the six parameters.
    void setCallback(ActionCallback callback, void *userData);
    // Callback, user data and all six parameters.
    void setCallback(ActionCallback callback, void *userData, int32_t i0, int32_t i1, int32_t i2,
                     double d0, double d1, double d2);
    // Callback and the three reals; no user data, integers untouched.
    void setCallback(ActionCallback callback, double d0, double d1, double d2);
    // Callback, i0 and the three reals; no user data, i1 and i2 untouched.
    void setCallback(ActionCallback callback, int32_t i0, double d0, double d1, double d2);
    // Callback, i0, i1 and the three reals; no user data, i2 untouched.
    void setCallback(ActionCallback callback, int32_t i0, int32_t i1, double d0, double d1, double d2);
    // Callback and all six parameters; no user data.
    void setCallback(ActionCallback callback, int32_t i0, int32_t i1, int32_t i2,
                     double d0, double d1, double d2);
};

// An action built in one call: timing, callback, user data and i0; the other
// parameters zero.
Action makeAction(int32_t eventId, double duration, ActionCallback callback, void *userData, int32_t i0 = 0);
