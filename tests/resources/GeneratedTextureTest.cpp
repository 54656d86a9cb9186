// Parsing of texture descriptions; invalid ones never reach GL.
#include <gtest/gtest.h>

#include "resources/GeneratedTexture.h"

// Plasma reads its base colour modulo 256; Fire needs only a size, which
// need not be a power of two.
TEST(GeneratedTextureParseTest, EachKindReadsItsSizeAndColour)
{
    const struct {
        const char *description;
        GeneratedKind kind;
        int width, height;
        int base[3];
    } cases[] = {
        {"x#Plasma64,32,10, 300,255", GENERATED_PLASMA, 64, 32, {10, 44, 255}},
        {"?#Fire30x17", GENERATED_FIRE, 30, 17, {0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.description);
        GeneratedTextureDesc d;
        ASSERT_TRUE(parseGeneratedTexture(c.description, d));
        EXPECT_EQ(c.kind, d.kind);
        EXPECT_EQ(c.width, d.width);
        EXPECT_EQ(c.height, d.height);
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(c.base[k], d.base[k]) << "channel " << k;
    }
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
