#include "scene/Tween.h"

#include <cmath>

#include "app/App.h"
#include "scene/Action.h"

TweenFrame tweenFrame(double limitMs)
{
    Action *a = app.currentAction;
    TweenFrame f;
    f.e = a->elapsed;
    f.limit = limitMs;
    if (f.e > limitMs) {
        a->enabled = false;  // retired: the scheduler drops it
        f.e = limitMs;
        f.ended = true;
    }
    return f;
}

double tweenLinear(const TweenFrame &f, double total)
{
    return f.e * total / f.limit;
}

double tweenHalfSine(const TweenFrame &f, double amplitude)
{
    return amplitude * std::sin(f.e * TWEEN_HALF_TURN / f.limit);
}

double tweenChange(double &applied, double value)
{
    double change = value - applied;
    applied = value;
    return change;
}
