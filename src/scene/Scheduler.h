// The per-object list of running actions, fed the frame's millisecond delta.
#pragma once

#include <cstdint>
#include <deque>

#include "scene/Action.h"
#include "scene/Transform.h"

// Invariant: every action in `actions` has offset == &offsetTransform.
// A deque keeps the running action's address valid while a callback appends actions.
// A callback retires its own action by clearing its `enabled`; the action is
// then removed at the next advance. Actions switched off from outside stay.
struct Scheduler {
    uint32_t now = 0;       // frame ticks (ms) at the latest advance, or as set
    uint32_t previous = 0;  // now of the advance before
    double speed = 1.0;     // time scale of every delta
    Transform offsetTransform;  // per-frame displacement, reset at each advance
    std::deque<Action> actions;

    Scheduler() = default;
    Scheduler(const Scheduler &) = delete;
    Scheduler &operator=(const Scheduler &) = delete;

    // Appends a copy; it first runs at the next advance that reaches it.
    void schedule(Action action);
    // enabled = true for every action with that id.
    void enable(int32_t eventId);
    // enabled = false for every action with that id.
    void disable(int32_t eventId);
    // finished = true for every action with that id (removed at the next advance).
    void stop(int32_t eventId);
    // One frame at `frameTicks` (ms): removes finished and retired actions,
    // runs the others, each with `running` pointing at it during its
    // callback, and applies the offset.
    void advance(uint32_t frameTicks, Action *&running);
};

// The frame delta in whole ms: an unsigned difference (a wrapped tick counter
// still gives the true small delta) scaled by speed and truncated.
uint32_t schedulerDelta(uint32_t now, uint32_t previous, double speed);
