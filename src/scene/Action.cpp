#include "scene/Action.h"

void Action::setTiming(int32_t id, bool on, double length)
{
    eventId = id;
    enabled = on;
    if (length == 0) {
        endless = true;
    } else {
        duration = length;
        endless = false;
    }
    finished = false;
    elapsed = 0;
    runTime = 0;
}

void Action::setCallback(ActionCallback cb, void *user)
{
    setCallback(cb, user, 0, 0, 0, 0, 0, 0);
}

void Action::setCallback(ActionCallback cb, void *user, int32_t a, int32_t b, int32_t c,
                         double x, double y, double z)
{
    callback = cb;
    userData = user;
    i0 = a; i1 = b; i2 = c;
    d0 = x; d1 = y; d2 = z;
}

void Action::setCallback(ActionCallback cb, double x, double y, double z)
{
    callback = cb;
    userData = nullptr;
    d0 = x; d1 = y; d2 = z;
}

void Action::setCallback(ActionCallback cb, int32_t a, double x, double y, double z)
{
    setCallback(cb, x, y, z);
    i0 = a;
}

void Action::setCallback(ActionCallback cb, int32_t a, int32_t b, double x, double y, double z)
{
    setCallback(cb, x, y, z);
    i0 = a;
    i1 = b;
}

void Action::setCallback(ActionCallback cb, int32_t a, int32_t b, int32_t c, double x, double y, double z)
{
    setCallback(cb, nullptr, a, b, c, x, y, z);
}

Action makeAction(int32_t eventId, double duration, ActionCallback callback, void *userData, int32_t i0)
{
    Action a;
    a.setTiming(eventId, true, duration);
    a.setCallback(callback, userData);
    a.i0 = i0;
    return a;
}
