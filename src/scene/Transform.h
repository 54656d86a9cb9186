// Position, rotation and scale of a scene object (or of a scheduler's
// per-frame offset), applied to the OpenGL model-view matrix.
#pragma once

// Units: scene units and degrees. The scale is applied only while hasScale is set.
struct Transform {
    bool hasScale = false;
    double position[3] = {0, 0, 0};
    double rotation[3] = {0, 0, 0};  // about x, then y, then z
    double scale[3] = {1, 1, 1};
};

// Identity: no translation or rotation, scale 1, scale switched off.
void resetTransform(Transform &t);
// Multiplies the model-view matrix by t; each step is skipped when it would
// be the identity, so an identity transform issues no GL call at all.
void applyTransform(const Transform &t);
