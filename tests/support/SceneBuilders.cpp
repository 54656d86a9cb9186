#include "support/SceneBuilders.h"

#include "app/App.h"
#include "app/Picker.h"
#include "scene/SceneObject.h"

static Bytes model(const ModelMesh &mesh, unsigned char marker = 0)
{
    Model m;
    m.marker = marker;
    m.meshes.push_back(mesh);
    return encodeModel(m);
}

static ModelMesh square(const char *texture, bool transparent, bool alphaTest)
{
    ModelMesh mesh = quadXY(10, 10, texture);
    mesh.material.transparent = transparent;
    mesh.material.alphaTest = alphaTest;
    return mesh;
}

std::string writeSquaresArchive()
{
    PakFile pak;
    pakAdd(pak, "white.png", solidPng(8, 8, 255, 255, 255, -1));
    pakAdd(pak, "red.png", solidPng(8, 8, 255, 0, 0, -1));
    pakAdd(pak, "clear.png", solidPng(8, 8, 255, 255, 255, 0));
    pakAdd(pak, "red50.png", solidPng(8, 8, 255, 0, 0, 128));
    pakAdd(pak, "green50.png", solidPng(8, 8, 0, 255, 0, 128));
    pakAdd(pak, "blue50.png", solidPng(8, 8, 0, 0, 255, 128));
    pakAdd(pak, "white", model(square("white.png", false, false)));
    pakAdd(pak, "red", model(square("red.png", false, false)));
    pakAdd(pak, "clear", model(square("clear.png", false, true)));
    pakAdd(pak, "red50", model(square("red50.png", true, false)));
    pakAdd(pak, "green50", model(square("green50.png", true, false)));
    pakAdd(pak, "blue50", model(square("blue50.png", true, false)));
    pakAdd(pak, "marker255", model(square("white.png", false, false), 255));
    pakAdd(pak, "notexture", model(square("missing.png", false, false)));
    ModelMesh empty;
    empty.texture = "white.png";
    pakAdd(pak, "empty", model(empty));
    Model two;
    two.meshes.push_back(square("red.png", false, false));
    two.meshes.push_back(quadXY(4, 4, "red.png", 1));
    pakAdd(pak, "twoshare", encodeModel(two));
    return writeTestArchive("squares.pak", pak);
}

SceneObject *addSquare(const std::string &archive, const char *entry, double x, double y,
                       double z, bool pickable)
{
    SceneObject *object = new SceneObject;
    if (pickable)
        object->addHook(pickableHook, 0);
    object->setPosition(x, y, z);
    object->setImage(archive.c_str(), entry);
    app.root->addChild(object);
    return object;
}
