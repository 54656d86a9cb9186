// How the display chooses its mode, without a window: the renderer names that
// mean a software rasterizer, and the multisampling choice read from the
// environment and the arguments.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/Display.h"

TEST(MultisampleChoiceTest, SoftwareRasterizersAreKnownByName)
{
    EXPECT_TRUE(isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(isSoftwareRenderer("softpipe"));
    EXPECT_TRUE(isSoftwareRenderer("Software Rasterizer"));
    EXPECT_TRUE(isSoftwareRenderer("Mesa swrast"));
    EXPECT_TRUE(isSoftwareRenderer("LLVMPIPE"));
    EXPECT_FALSE(isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(isSoftwareRenderer("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49)"));
    EXPECT_FALSE(isSoftwareRenderer("NVIDIA GeForce GTX 1060/PCIe/SSE2"));
    EXPECT_FALSE(isSoftwareRenderer(""));
    EXPECT_FALSE(isSoftwareRenderer(nullptr));
}

// Reads the choice from `environment` and the arguments after the program name.
static bool choose(const char *environment, std::initializer_list<const char *> args, MultisampleChoice &choice,
                   std::string &error)
{
    std::vector<char *> argv = {(char *)"lumbrik"};
    for (const char *a : args)
        argv.push_back((char *)a);
    return readMultisampleChoice(environment, (int)argv.size(), argv.data(), choice, error);
}

TEST(MultisampleChoiceTest, EnvironmentForcesEitherWayAndTheArgumentWins)
{
    std::string error;
    MultisampleChoice c = MULTISAMPLE_AUTO;
    EXPECT_TRUE(choose(nullptr, {"--fullscreen", "photo.png"}, c, error));
    EXPECT_EQ(MULTISAMPLE_AUTO, c);
    EXPECT_TRUE(choose("", {}, c, error));
    EXPECT_EQ(MULTISAMPLE_AUTO, c);
    EXPECT_TRUE(choose("1", {}, c, error));
    EXPECT_EQ(MULTISAMPLE_ON, c);
    EXPECT_TRUE(choose("0", {}, c, error));
    EXPECT_EQ(MULTISAMPLE_OFF, c);
    EXPECT_TRUE(choose("0", {"--multisample=on"}, c, error));
    EXPECT_EQ(MULTISAMPLE_ON, c);
    EXPECT_TRUE(choose("1", {"--multisample=on", "--multisample=off"}, c, error));
    EXPECT_EQ(MULTISAMPLE_OFF, c);
    EXPECT_TRUE(error.empty());
}

TEST(MultisampleChoiceTest, MalformedValuesAreNamedAndLeaveTheRestInForce)
{
    std::string error;
    MultisampleChoice c = MULTISAMPLE_AUTO;
    EXPECT_FALSE(choose("yes", {}, c, error));
    EXPECT_EQ(MULTISAMPLE_AUTO, c);
    EXPECT_NE(std::string::npos, error.find("LUMBRIK_MULTISAMPLE=yes"));

    error.clear();
    EXPECT_FALSE(choose("1", {"--multisample=maybe"}, c, error));
    EXPECT_EQ(MULTISAMPLE_ON, c);  // the valid environment still counts
    EXPECT_NE(std::string::npos, error.find("--multisample=maybe"));

    error.clear();
    c = MULTISAMPLE_AUTO;
    EXPECT_FALSE(choose(nullptr, {"--multisample", "--multisample=off"}, c, error));
    EXPECT_EQ(MULTISAMPLE_OFF, c);
    EXPECT_EQ(std::string::npos, error.find('\n'));  // one line
}
