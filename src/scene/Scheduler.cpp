#include "scene/Scheduler.h"

#include <cstddef>

void Scheduler::schedule(Action action)
{
    action.offset = &offsetTransform;
    actions.push_back(action);
}

void Scheduler::enable(int32_t eventId)
{
    for (Action &a : actions)
        if (a.eventId == eventId)
            a.enabled = true;
}

void Scheduler::disable(int32_t eventId)
{
    for (Action &a : actions)
        if (a.eventId == eventId)
            a.enabled = false;
}

void Scheduler::stop(int32_t eventId)
{
    for (Action &a : actions)
        if (a.eventId == eventId)
            a.finished = true;
}

uint32_t schedulerDelta(uint32_t now, uint32_t previous, double speed)
{
    uint32_t raw = now - previous;
    return (uint32_t)(double(raw) * speed);
}

static void removeFinished(std::deque<Action> &actions)
{
    size_t kept = 0;
    for (size_t i = 0; i < actions.size(); i++) {
        if (actions[i].finished)
            continue;
        if (kept != i)
            actions[kept] = actions[i];
        kept++;
    }
    actions.resize(kept);
}

static void runAction(Action &a, uint32_t dt, Action *&running)
{
    if (!a.enabled)
        return;
    a.runTime += dt;
    if (!a.endless && !(a.duration > a.runTime))
        a.finished = true;
    a.elapsed += dt;
    running = &a;
    if (a.callback)
        a.callback(a.userData);
    // Switched off during its own call: the action has retired. It leaves at
    // the next advance instead of being walked, inert, for the object's life.
    if (!a.enabled)
        a.finished = true;
}

void Scheduler::advance(uint32_t frameTicks, Action *&running)
{
    previous = now;
    now = frameTicks;
    Transform cleared;
    cleared.hasScale = offsetTransform.hasScale;
    offsetTransform = cleared;
    uint32_t dt = schedulerDelta(now, previous, speed);
    removeFinished(actions);
    // Actions appended by callbacks during this loop first run next frame.
    size_t count = actions.size();
    for (size_t i = 0; i < count; i++)
        runAction(actions[i], dt, running);
    applyTransform(offsetTransform);
}
