// An object's numbered steps. Triggering a step copies its actions onto the
// object's scheduler, applies its event toggles and triggers its chained steps.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/Action.h"

struct Scheduler;
struct ActionScript;

enum ToggleKind { TOGGLE_DISABLE = 0, TOGGLE_ENABLE = 1, TOGGLE_STOP = 2 };

struct EventToggle {
    int32_t eventId = 0;
    int32_t kind = TOGGLE_DISABLE;
};

struct ScriptLink {
    ActionScript *script = nullptr;  // Borrowed: another object's script
    int32_t step = 0;
};

// One numbered step: what triggering it schedules, toggles and chains.
struct ScriptStep {
    int32_t enabled = 1;  // 0: triggering and selecting it do nothing
    std::vector<Action> actions;
    std::vector<EventToggle> toggles;
    std::vector<ScriptLink> chains;
};

// Invariant: step indices are stable for the script's life (steps are never
// removed or reordered).
struct ActionScript {
    int32_t currentStep = -1;  // the step the add operations append to
    std::vector<ScriptStep> steps;
    Scheduler *scheduler = nullptr;  // Borrowed: the same object's scheduler

    // Appends an empty, enabled step, makes it current and returns its index.
    int32_t addStep();
    // Appends an enabled step holding a copy of the action, makes it current
    // and returns its index.
    int32_t addStep(const Action &action);
    // Appends a copy to the current step (ignored before any addStep).
    void addAction(const Action &action);
    // Appends an event toggle to the current step.
    void addToggle(int32_t eventId, int32_t kind);
    // Appends a chained trigger to the current step.
    void addChain(ActionScript *script, int32_t step);
    // Makes an enabled step current; false (nothing changed) otherwise.
    bool selectStep(int32_t step);
    // Schedules copies of the step's actions, applies its toggles, triggers its
    // chains depth first. Unknown or disabled steps do nothing.
    void trigger(int32_t step);
    // Number of steps.
    int32_t stepCount() const { return (int32_t)steps.size(); }
};
