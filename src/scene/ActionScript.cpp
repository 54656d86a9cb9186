#include "scene/ActionScript.h"

#include <cstddef>

#include "scene/Scheduler.h"

int32_t ActionScript::addStep()
{
    steps.emplace_back();
    currentStep = stepCount() - 1;
    return currentStep;
}

int32_t ActionScript::addStep(const Action &action)
{
    int32_t step = addStep();
    addAction(action);
    return step;
}

void ActionScript::addAction(const Action &action)
{
    if (currentStep < 0 || currentStep >= stepCount())
        return;
    steps[currentStep].actions.push_back(action);
}

void ActionScript::addToggle(int32_t eventId, int32_t kind)
{
    if (currentStep < 0 || currentStep >= stepCount())
        return;
    EventToggle t;
    t.eventId = eventId;
    t.kind = kind;
    steps[currentStep].toggles.push_back(t);
}

void ActionScript::addChain(ActionScript *script, int32_t step)
{
    if (currentStep < 0 || currentStep >= stepCount())
        return;
    ScriptLink link;
    link.script = script;
    link.step = step;
    steps[currentStep].chains.push_back(link);
}

bool ActionScript::selectStep(int32_t step)
{
    if (step < 0 || step >= stepCount() || steps[step].enabled != 1)
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
    if (step < 0 || step >= stepCount() || steps[step].enabled == 0 || !scheduler)
        return;
    // Indexed loops, no reference held: a chained trigger may add steps to
    // this very script and so move them.
    for (size_t i = 0; i < steps[step].actions.size(); i++)
        scheduler->schedule(steps[step].actions[i]);
    for (size_t i = 0; i < steps[step].toggles.size(); i++)
        applyToggle(*scheduler, steps[step].toggles[i]);
    for (size_t i = 0; i < steps[step].chains.size(); i++) {
        ScriptLink link = steps[step].chains[i];
        if (link.script)
            link.script->trigger(link.step);
    }
}
