#include "scene/SceneObject.h"

#include "app/App.h"
#include "app/GL.h"
#include "resources/ByteReader.h"
#include "resources/Mesh.h"

static int64_t objectsAlive = 0;

int64_t liveSceneObjects()
{
    return objectsAlive;
}

SceneObject::SceneObject()
{
    script.scheduler = &scheduler;
    // A new object's clock starts at the current frame.
    scheduler.now = scheduler.previous = app.frameTicks;
    objectsAlive++;
}

SceneObject::~SceneObject()
{
    objectsAlive--;
    for (const std::string &name : archives)
        app.pakCache.release(name.c_str());
    for (int32_t i = 0; i < meshCount; i++)
        delete meshes[i];
}

void SceneObject::addChild(SceneObject *child)
{
    children.push_back(child);
}

void SceneObject::addHook(DrawHook hook, int32_t value)
{
    HookCall call;
    call.hook = hook;
    call.value = value;
    hooks.push_back(call);
}

void SceneObject::close()
{
    closing = true;
}

void SceneObject::setImage(const char *archive, const char *entry)
{
    archives.push_back(archive);
    PakEntry bytes = app.pakCache.entry(archive, entry);
    hasImage = true;
    int32_t count = checkModel(bytes.data, bytes.size);
    if (count <= 0)
        return;
    ByteReader in = {bytes.data, bytes.data + bytes.size};
    readModelHeader(in, count);
    for (int32_t i = 0; i < count; i++) {
        Mesh *mesh = new Mesh;
        mesh->load(in, archive);
        meshes.push_back(mesh);
    }
    meshCount += count;
}

void SceneObject::setColour(double r, double g, double b)
{
    for (int32_t i = 0; i < meshCount; i++)
        meshes[i]->setColour(r, g, b);
}

void SceneObject::setPosition(double px, double py, double pz)
{
    transform.position[0] = px;
    transform.position[1] = py;
    transform.position[2] = pz;
}

void SceneObject::moveBy(double dx, double dy, double dz)
{
    transform.position[0] += dx;
    transform.position[1] += dy;
    transform.position[2] += dz;
}

void SceneObject::setRotation(double rx, double ry, double rz)
{
    transform.rotation[0] = rx;
    transform.rotation[1] = ry;
    transform.rotation[2] = rz;
}

void SceneObject::rotateBy(double drx, double dry, double drz)
{
    transform.rotation[0] += drx;
    transform.rotation[1] += dry;
    transform.rotation[2] += drz;
}

void SceneObject::setScale(double sx, double sy, double sz)
{
    transform.scale[0] = sx;
    transform.scale[1] = sy;
    transform.scale[2] = sz;
    transform.hasScale = true;
}

void SceneObject::scaleBy(double dsx, double dsy, double dsz)
{
    transform.scale[0] += dsx;
    transform.scale[1] += dsy;
    transform.scale[2] += dsz;
    transform.hasScale = true;
}

void SceneObject::resetTransform()
{
    ::resetTransform(transform);
}

void SceneObject::applyTransform() const
{
    ::applyTransform(transform);
}

static void callHooks(const SceneObject &object, int32_t phase)
{
    for (size_t i = 0; i < object.hooks.size(); i++)
        object.hooks[i].hook(phase, object.hooks[i].value);
}

// Scheduler, hooks and meshes of a visible object.
static void drawOwnContent(SceneObject &object)
{
    object.scheduler.advance(app.frameTicks, app.currentAction);
    if (!object.hasImage)
        return;
    callHooks(object, PHASE_BEFORE_MESHES);
    const Transform &t = object.transform;
    if (t.hasScale) {
        // The meshes get the scale a second time; children see it once.
        glPushMatrix();
        glScaled(t.scale[0], t.scale[1], t.scale[2]);
    }
    for (int32_t i = 0; i < object.meshCount; i++)
        object.meshes[i]->draw();
    if (t.hasScale)
        glPopMatrix();
    callHooks(object, PHASE_AFTER_MESHES);
}

// Destroys dead children in order; the others keep theirs.
static void removeDeadChildren(std::vector<SceneObject *> &children)
{
    size_t kept = 0;
    for (size_t i = 0; i < children.size(); i++) {
        if (children[i]->dead) {
            delete children[i];
            continue;
        }
        children[kept++] = children[i];
    }
    children.resize(kept);
}

void SceneObject::draw()
{
    app.currentObject = this;
    glPushMatrix();
    applyTransform();
    if (!closing)
        drawOwnContent(*this);
    removeDeadChildren(children);
    if (closing && children.empty()) {
        dead = true;
        glPopMatrix();
        return;
    }
    // Indexed: a child's actions may append children to this object.
    for (size_t i = 0; i < children.size(); i++) {
        SceneObject *child = children[i];
        if (closing) {
            // A closing object calls no hooks; it only passes the closing on.
            child->closing = true;
            child->draw();
            continue;
        }
        callHooks(*this, PHASE_BEFORE_CHILD);
        child->draw();
        callHooks(*this, PHASE_AFTER_CHILD);
    }
    glPopMatrix();
}

void restartClocks(SceneObject *object, uint32_t ticks)
{
    object->scheduler.now = object->scheduler.previous = ticks;
    for (SceneObject *child : object->children)
        restartClocks(child, ticks);
}
