// Tweens: action callbacks that turn the running action's clock into a value
// on a curve and give it to the object being drawn (App::currentObject).
// The incremental form applies only the change since the last frame
// (moveBy, rotateBy, scaleBy), so other code may move the object meanwhile;
// the action's d0..d2 keep the value applied so far, and the changes add up
// to the curve's end value whatever the frame rate. The absolute form sets
// the value itself (setPosition, setRotation, setScale).
#pragma once

struct Action;

// The value of pi the half-sine curves were tuned with.
const double TWEEN_HALF_TURN = 3.141592;

// Invariant: 0 <= e <= limit; ended is set only once e has passed the limit.
struct TweenFrame {
    double e = 0;        // ms into the tween
    double limit = 0;    // ms the curve lasts
    bool ended = false;  // past the limit: the action has retired
};

// This frame of `running`, the action whose callback runs: its elapsed time
// clamped at limitMs. Past the limit the action retires (it is not called
// again and leaves its scheduler at the next advance) and `ended` is set,
// so the caller can start what follows.
TweenFrame tweenFrame(Action &running, double limitMs);
// Linear from 0 to `total`: e x total / limit.
double tweenLinear(const TweenFrame &f, double total);
// Half sine from 0 up to `amplitude` and back to 0: amplitude x sin(e x pi / limit).
double tweenHalfSine(const TweenFrame &f, double amplitude);
// Incremental form: the change from `applied` (the value given so far, one of
// the action's d0..d2, which starts at 0) to `value`; `applied` becomes `value`.
double tweenChange(double &applied, double value);
