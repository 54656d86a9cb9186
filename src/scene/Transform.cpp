#include "scene/Transform.h"

#include "app/GL.h"

void resetTransform(Transform &t)
{
    t = Transform();
}

void applyTransform(const Transform &t)
{
    const double *p = t.position;
    if (p[0] != 0 || p[1] != 0 || p[2] != 0)
        glTranslatef((float)p[0], (float)p[1], (float)p[2]);
    if (t.rotation[0] != 0)
        glRotatef((float)t.rotation[0], 1, 0, 0);
    if (t.rotation[1] != 0)
        glRotatef((float)t.rotation[1], 0, 1, 0);
    if (t.rotation[2] != 0)
        glRotatef((float)t.rotation[2], 0, 0, 1);
    if (t.hasScale)
        glScaled(t.scale[0], t.scale[1], t.scale[2]);
}
