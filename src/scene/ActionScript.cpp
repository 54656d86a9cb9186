#include "scene/ActionScript.h"

#include <cstddef>

#include "scene/Scheduler.h"

int32_t ActionScript::addStep()
{
    stepEnabled.push_back(1);
    stepActions.emplace_back();
    stepToggles.emplace_back();
    stepChains.emplace_back();
    currentStep = stepCount() - 1;
    return currentStep;
}

void ActionScript::addAction(const Action &action)
{
    if (currentStep < 0 || currentStep >= stepCount())
        return;
    stepActions[currentStep].push_back(action);
}

void ActionScript::addToggle(int32_t eventId, int32_t kind)
{
    if (currentStep < 0 || currentStep >= stepCount())
        return;
    EventToggle t;
    t.eventId = eventId;
    t.kind = kind;
    stepToggles[currentStep].push_back(t);
}

void ActionScript::addChain(ActionScript *script, int32_t step)
{
    if (currentStep < 0 || currentStep >= stepCount())
        return;
    ScriptLink link;
    link.script = script;
    link.step = step;
    stepChains[currentStep].push_back(link);
}

bool ActionScript::selectStep(int32_t step)
{
    if (step < 0 || step >= stepCount() || stepEnabled[step] != 1)
        return false;
    currentStep = step;
    return true;
}

static void applyToggle(Scheduler &scheduler, const EventToggle &t)
{
    switch (t.kind) {
    case TOGGLE_DISABLE: scheduler.disable(t.eventId); break;
    case TOGGLE_ENABLE: scheduler.enable(t.eventId); break;
    case TOGGLE_STOP: scheduler.stop(t.eventId); break;
    default: break;
    }
}

void ActionScript::trigger(int32_t step)
{
    if (step < 0 || step >= stepCount() || stepEnabled[step] == 0 || !scheduler)
        return;
    // Indexed loops: a chained trigger may add steps to this very script.
    for (size_t i = 0; i < stepActions[step].size(); i++)
        scheduler->schedule(stepActions[step][i]);
    for (size_t i = 0; i < stepToggles[step].size(); i++)
        applyToggle(*scheduler, stepToggles[step][i]);
    for (size_t i = 0; i < stepChains[step].size(); i++) {
        ScriptLink link = stepChains[step][i];
        if (link.script)
            link.script->trigger(link.step);
    }
}
