// Everything the game shows: a node of the scene tree with a transform, the
// meshes of the models it was given, its behaviour (script and scheduler),
// draw hooks and owned children. Objects are removed by close(), never deleted
// directly: the subtree empties from the leaves and the parent frees the rest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/ActionScript.h"
#include "scene/Scheduler.h"
#include "scene/Transform.h"

struct Mesh;

// A draw hook; it finds its object through App::currentObject. Meshes are
// queued during the walk and drawn after it, so a hook must not draw or
// change GL state.
typedef void (*DrawHook)(int32_t phase, int32_t value);

enum DrawPhase {
    PHASE_BEFORE_MESHES = 1,
    PHASE_AFTER_MESHES = 2,
    PHASE_BEFORE_CHILD = 3,
    PHASE_AFTER_CHILD = 4
};

// A draw hook with the value it was added with.
struct HookCall {
    DrawHook hook = nullptr;
    int32_t value = 0;
};

// Invariant: meshes.size() == meshCount; archives holds one cache use per
// setImage call; a dead object has no children.
struct SceneObject {
    Transform transform;
    Scheduler scheduler;
    ActionScript script;  // bound to this object's scheduler
    bool closing = false;
    bool dead = false;
    std::vector<HookCall> hooks;       // called in order at every draw
    std::vector<Mesh *> meshes;        // Owns: each mesh
    std::vector<std::string> archives; // one PakCache use each
    int32_t meshCount = 0;
    bool hasImage = false;
    std::vector<SceneObject *> children;  // Owns: each child, in drawing order

    SceneObject();
    SceneObject(const SceneObject &) = delete;
    SceneObject &operator=(const SceneObject &) = delete;
    // Gives back every archive use, then frees the meshes (and their textures).
    ~SceneObject();

    // Appends a child; this object owns it from now on.
    void addChild(SceneObject *child);
    // Appends a draw hook, called in insertion order.
    void addHook(DrawHook hook, int32_t value);
    // Starts closing: invisible from the next draw, destroyed by the parent later.
    void close();
    // Adds the meshes of model `entry` in archive `archive` after any earlier
    // ones. A missing or malformed model adds none; the archive use is still held.
    void setImage(const char *archive, const char *entry);
    // Tints every mesh held now; no effect on an object without meshes.
    void setColour(double r, double g, double b);

    void setPosition(double x, double y, double z);
    void moveBy(double dx, double dy, double dz);
    void setRotation(double rx, double ry, double rz);  // degrees
    void rotateBy(double drx, double dry, double drz);  // degrees
    void setScale(double sx, double sy, double sz);     // also switches the scale on
    void scaleBy(double dsx, double dsy, double dsz);   // also switches the scale on
    void resetTransform();
    double x() const { return transform.position[0]; }
    double y() const { return transform.position[1]; }
    double scaleX() const { return transform.scale[0]; }

    // Multiplies the model-view matrix by this object's transform.
    void applyTransform() const;
    // Draws this object and its subtree, advancing schedulers on the way.
    void draw();
};

// Scene objects constructed and not yet destroyed, in or out of the tree.
int64_t liveSceneObjects();

// Sets the clock of every scheduler in the subtree to `ticks`, so that the
// time spent building a scene is not played as one long first frame.
void restartClocks(SceneObject *object, uint32_t ticks);

