#include "scene/Tween.h"

#include <cmath>

#include "scene/Action.h"

TweenFrame tweenFrame(Action &running, double limitMs)
{
    TweenFrame f;
    f.e = running.elapsed;
    f.limit = limitMs;
    if (f.e > limitMs) {
        running.enabled = false;  // retired: the scheduler drops it
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
