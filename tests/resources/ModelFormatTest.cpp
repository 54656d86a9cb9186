// Model bounds checks: a model is either read wholly inside its entry or not at all.
#include <gtest/gtest.h>

#include "resources/ModelFormat.h"
#include "support/TestArchives.h"

static Bytes twoMeshModel(unsigned char marker)
{
    Model model;
    model.marker = marker;
    model.skipped = 0x01020304;
    model.meshes.push_back(quadXY(1, 1, "a.png"));
    model.meshes.push_back(quadXY(2, 2, "?#Fire4,4"));
    return encodeModel(model);
}

static int32_t check(const Bytes &b)
{
    return checkModel(b.data(), (uint32_t)b.size());
}

TEST(ModelCheckTest, MarkerByte255MovesTheCountPastTheSkippedField)
{
    EXPECT_EQ(2, check(twoMeshModel(255)));
    EXPECT_EQ(2, check(twoMeshModel(0)));
    EXPECT_EQ(2, check(twoMeshModel(7)));
    // Read as if there were no skipped field, the 255 model's count is garbage.
    Bytes b = twoMeshModel(255);
    b[0] = 0;
    EXPECT_EQ(-1, check(b));
}

TEST(ModelCheckTest, MeshRecordSizeIs149PlusNamePlus192PerTriangle)
{
    Model model;
    model.meshes.push_back(quadXY(1, 1, "abc"));  // L = 4, T = 2
    Bytes b = encodeModel(model);
    EXPECT_EQ(5u + 149 + 4 + 192 * 2, b.size());
    EXPECT_EQ(1, check(b));
}

TEST(ModelCheckTest, EveryTruncationIsRefused)
{
    Bytes whole = twoMeshModel(0);
    for (size_t n = 0; n < whole.size(); n++) {
        Bytes cut(whole.begin(), whole.begin() + n);
        ASSERT_EQ(-1, check(cut)) << "accepted a model cut to " << n << " bytes";
    }
}

TEST(ModelCheckTest, CountsAndLengthsThatRunPastTheEntryAreRefused)
{
    Bytes b = twoMeshModel(0);
    Bytes moreMeshes = b;
    moreMeshes[1] = 3;  // claims a third mesh that is not there
    EXPECT_EQ(-1, check(moreMeshes));

    Bytes negativeCount = b;
    negativeCount[4] = 0x80;
    EXPECT_EQ(-1, check(negativeCount));

    Bytes hugeName = b;
    hugeName[5 + 3] = 0x7f;  // name length of the first mesh near 2^31
    EXPECT_EQ(-1, check(hugeName));

    Bytes negativeTriangles = b;
    size_t firstTriangleCount = 5 + 4 + 6 + 80 + 60;  // after L = 6 ("a.png" + 0)
    negativeTriangles[firstTriangleCount + 3] = 0xff;
    EXPECT_EQ(-1, check(negativeTriangles));

    EXPECT_EQ(-1, checkModel(nullptr, 0));
}

TEST(ModelCheckTest, TextureNameWithoutTerminatorIsRefused)
{
    Bytes b = twoMeshModel(0);
    b[5 + 4 + 5] = 'x';  // overwrite the zero that ends "a.png"
    EXPECT_EQ(-1, check(b));
}

TEST(ModelCheckTest, MeshWithoutTrianglesIsValid)
{
    Model model;
    ModelMesh empty;
    empty.texture = "t";
    model.meshes.push_back(empty);
    EXPECT_EQ(1, check(encodeModel(model)));
}
