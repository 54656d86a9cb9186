// Parsing of texture descriptions; invalid ones never reach GL.
#include <gtest/gtest.h>

#include "resources/GeneratedTexture.h"

TEST(GeneratedTextureParseTest, PlasmaReadsSizeAndBaseColourModulo256)
{
    GeneratedTextureDesc d;
    ASSERT_TRUE(parseGeneratedTexture("x#Plasma64,32,10, 300,255", d));
    EXPECT_EQ(GENERATED_PLASMA, d.kind);
    EXPECT_EQ(64, d.width);
    EXPECT_EQ(32, d.height);
    EXPECT_EQ(10, d.base[0]);
    EXPECT_EQ(44, d.base[1]);  // 300 mod 256
    EXPECT_EQ(255, d.base[2]);
}

TEST(GeneratedTextureParseTest, FireNeedsOnlyASizeThatNeedNotBeAPowerOfTwo)
{
    GeneratedTextureDesc d;
    ASSERT_TRUE(parseGeneratedTexture("?#Fire30x17", d));
    EXPECT_EQ(GENERATED_FIRE, d.kind);
    EXPECT_EQ(30, d.width);
    EXPECT_EQ(17, d.height);
}

TEST(GeneratedTextureParseTest, UnknownKindsAndMissingNumbersAreRefused)
{
    GeneratedTextureDesc d;
    EXPECT_FALSE(parseGeneratedTexture("?#Smoke16,16", d));
    EXPECT_FALSE(parseGeneratedTexture("?#plasma16,16,1,2,3", d));  // kinds are case-sensitive
    EXPECT_FALSE(parseGeneratedTexture("?#Plasma 16,16,1,2,3", d)); // the blank joins the kind
    EXPECT_FALSE(parseGeneratedTexture("?#Fire", d));
    EXPECT_FALSE(parseGeneratedTexture("?#Fire16", d));
    EXPECT_FALSE(parseGeneratedTexture("?#Plasma16,16,1,2", d));
    EXPECT_FALSE(parseGeneratedTexture("?#Fire0,16", d));
    EXPECT_FALSE(parseGeneratedTexture("?#Fire99999,16", d));
    EXPECT_FALSE(parseGeneratedTexture("fire.png", d));
    EXPECT_FALSE(parseGeneratedTexture("", d));
}

TEST(GeneratedTextureRegistryTest, InvalidDescriptionGivesTextureZeroAndRegistersNothing)
{
    GeneratedTextureRegistry registry;
    EXPECT_EQ(0u, registry.acquire("?#Smoke8,8"));
    EXPECT_EQ(0u, registry.acquire("?#Fire"));
    EXPECT_TRUE(registry.textures.empty());
    registry.release("?#Smoke8,8");  // not registered: nothing happens
    EXPECT_TRUE(registry.textures.empty());
}
