// Meshes without a window: the stored doubles become one float array at
// load, and the box around them tells the pick which meshes cannot reach it.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "app/App.h"
#include "resources/Mesh.h"
#include "scene/SceneObject.h"
#include "support/TestArchives.h"

static ModelVertex vertex(double x, double y, double z, double s, double t)
{
    ModelVertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.nx = x / 10;
    v.ny = 0.5;
    v.nz = -1;
    v.s = s;
    v.t = t;
    return v;
}

TEST(MeshLoadTest, StoredDoublesBecomeInterleavedFloatsAndABox)
{
    ModelMesh mesh;
    mesh.texture = "absent.png";  // no image: no texture, so no window needed
    mesh.vertices = {vertex(1, 2, 3, 0.25, 0.5), vertex(4, -5, 6, 1, 0), vertex(-7, 1e300, -1e300, 0, 1)};
    Model model;
    model.meshes.push_back(mesh);
    PakFile pak;
    pakAdd(pak, "m", encodeModel(model));
    std::string archive = writeTestArchive("mesh.pak", pak);

    SceneObject *object = new SceneObject;
    object->setImage(archive.c_str(), "m");
    ASSERT_EQ(1, object->meshCount);
    const Mesh &m = *object->meshes[0];
    ASSERT_EQ(3u * MESH_VERTEX_FLOATS, m.arrays.size());
    const float *v0 = m.arrays.data();
    const float expected[MESH_VERTEX_FLOATS] = {0.25f, 0.5f, 0.1f, 0.5f, -1, 1, 2, 3};
    for (int k = 0; k < MESH_VERTEX_FLOATS; k++)
        EXPECT_FLOAT_EQ(expected[k], v0[k]) << "float " << k;
    // Beyond float's range the value is clamped rather than converted (undefined).
    const float *p2 = m.arrays.data() + 2 * MESH_VERTEX_FLOATS + MESH_POSITION_OFFSET;
    EXPECT_EQ(FLT_MAX, p2[1]);
    EXPECT_EQ(-FLT_MAX, p2[2]);
    EXPECT_EQ(-7, m.lowCorner[0]);
    EXPECT_EQ(-5, m.lowCorner[1]);
    EXPECT_EQ(-FLT_MAX, m.lowCorner[2]);
    EXPECT_EQ(4, m.highCorner[0]);
    EXPECT_EQ(FLT_MAX, m.highCorner[1]);
    EXPECT_EQ(6, m.highCorner[2]);
    delete object;
    EXPECT_EQ(0, app.pakCache.useCount(archive.c_str()));
}

// A 45 degree camera as the display sets it, column-major.
static void perspective(double aspect, double m[16])
{
    const double nearZ = 0.1, farZ = 250, f = 1 / tan(M_PI / 8);
    for (int i = 0; i < 16; i++)
        m[i] = 0;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (farZ + nearZ) / (nearZ - farZ);
    m[11] = -1;
    m[14] = 2 * farZ * nearZ / (nearZ - farZ);
}

// A box of side 2 centred on (x, y, z) in eye space.
static void placeBox(Mesh &mesh, double x, double y, double z)
{
    mesh.triangleCount = 1;
    for (int k = 0; k < 3; k++) {
        mesh.lowCorner[k] = -1;
        mesh.highCorner[k] = 1;
    }
    for (int i = 0; i < 16; i++)
        mesh.modelView[i] = i % 5 == 0 ? 1 : 0;
    mesh.modelView[12] = x;
    mesh.modelView[13] = y;
    mesh.modelView[14] = z;
}

TEST(MeshViewTest, BoxesWhollyOutsideOnePlaneAreOutsideTheView)
{
    double camera[16];
    perspective(1.25, camera);
    Mesh m;
    placeBox(m, 0, 0, -100);
    EXPECT_FALSE(m.outsideView(camera));
    placeBox(m, 60, 0, -100);  // the view is about 51.8 wide each way at 100
    EXPECT_TRUE(m.outsideView(camera));
    placeBox(m, 52, 0, -100);  // its left side still reaches in
    EXPECT_FALSE(m.outsideView(camera));
    placeBox(m, 0, 0, 10);  // behind the eye
    EXPECT_TRUE(m.outsideView(camera));
    placeBox(m, 0, 0, -300);  // past the far plane
    EXPECT_TRUE(m.outsideView(camera));
    placeBox(m, 0, 0.5, 0);  // around the eye itself: corners on both sides
    EXPECT_FALSE(m.outsideView(camera));
    m.triangleCount = 0;
    EXPECT_TRUE(m.outsideView(camera));
}
