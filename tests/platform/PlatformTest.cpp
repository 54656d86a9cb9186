#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <malloc.h>
#include <sys/stat.h>

namespace {

bool isDirectory(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Puts one environment variable back as it was on destruction.
struct SavedEnv {
    std::string name;
    bool wasSet;
    std::string value;
    explicit SavedEnv(const char *variable)
        : name(variable), wasSet(std::getenv(variable) != nullptr),
          value(wasSet ? std::getenv(variable) : "") {}
    ~SavedEnv()
    {
        if (wasSet)
            setenv(name.c_str(), value.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

} // namespace

// Each test owns a fresh folder and its own XDG_DATA_HOME and HOME.
class PlatformSettingsPathTest : public testing::Test {
protected:
    SavedEnv savedXdg{"XDG_DATA_HOME"};
    SavedEnv savedHome{"HOME"};
    std::string root;
    void SetUp() override
    {
        std::string base = testing::TempDir() + "lumbrik_platform_XXXXXX";
        ASSERT_NE(mkdtemp(&base[0]), nullptr);
        root = base;
    }
    void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
};

TEST_F(PlatformSettingsPathTest, XdgDataHomeHonouredAndMissingLevelsCreated)
{
    std::string xdg = root + "/a/b/data";
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    setenv("HOME", (root + "/home").c_str(), 1);
    EXPECT_EQ(platformSettingsPath(), xdg + "/lumbrik/pelnovo_lumbrik_cfg");
    EXPECT_TRUE(isDirectory(xdg + "/lumbrik"));
    EXPECT_FALSE(isDirectory(root + "/home"));
}

TEST_F(PlatformSettingsPathTest, UnsetXdgFallsBackToHomeLocalShare)
{
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(platformSettingsPath(), root + "/.local/share/lumbrik/pelnovo_lumbrik_cfg");
    EXPECT_TRUE(isDirectory(root + "/.local/share/lumbrik"));
}

TEST_F(PlatformSettingsPathTest, RelativeXdgIgnored)
{
    setenv("XDG_DATA_HOME", "relative/data", 1);
    setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(platformSettingsPath(), root + "/.local/share/lumbrik/pelnovo_lumbrik_cfg");
    EXPECT_FALSE(isDirectory("relative"));
}

TEST_F(PlatformSettingsPathTest, NoXdgAndNoHomeGivesEmptyPath)
{
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    EXPECT_EQ(platformSettingsPath(), "");
}

// Installs the handlers with no request recorded; restores the old handlers after.
class PlatformQuitSignalTest : public testing::Test {
protected:
    struct sigaction oldTerm = {};
    struct sigaction oldInt = {};
    void SetUp() override
    {
        sigaction(SIGTERM, nullptr, &oldTerm);
        sigaction(SIGINT, nullptr, &oldInt);
        platformInstallQuitSignals();
        platformClearQuitRequest();
    }
    void TearDown() override
    {
        platformClearQuitRequest();
        sigaction(SIGTERM, &oldTerm, nullptr);
        sigaction(SIGINT, &oldInt, nullptr);
    }
};

TEST_F(PlatformQuitSignalTest, SigtermAndSigintAreRecordedAndTheProcessKeepsRunning)
{
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        platformClearQuitRequest();
        EXPECT_FALSE(platformQuitRequested());
        ASSERT_EQ(raise(signal), 0);
        EXPECT_TRUE(platformQuitRequested());
    }
}

TEST(PlatformDesktopTest, NoDisplayIsNamedAndADisplayHoldsSdlToX11)
{
    SavedEnv savedDisplay("DISPLAY"), savedDriver("SDL_VIDEODRIVER");
    unsetenv("SDL_VIDEODRIVER");
    std::string why;
    for (const char *display : {(const char *)nullptr, ""}) {
        if (display)
            setenv("DISPLAY", display, 1);
        else
            unsetenv("DISPLAY");
        EXPECT_FALSE(platformDesktopSession(why));
        EXPECT_EQ("no X display: DISPLAY is not set", why);
        EXPECT_EQ(nullptr, std::getenv("SDL_VIDEODRIVER"));
    }
    setenv("DISPLAY", ":99", 1);
    EXPECT_TRUE(platformDesktopSession(why));
    ASSERT_NE(nullptr, std::getenv("SDL_VIDEODRIVER"));
    EXPECT_STREQ("x11", std::getenv("SDL_VIDEODRIVER"));
    // A driver chosen by hand is kept, display or not.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("DISPLAY");
    EXPECT_TRUE(platformDesktopSession(why));
    EXPECT_STREQ("dummy", std::getenv("SDL_VIDEODRIVER"));
}

// A sanitizer's allocator stands in for glibc's: no threshold to fix, and
// mallinfo2 reports nothing.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define GLIBC_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define GLIBC_ALLOCATOR 0
#endif
#endif
#ifndef GLIBC_ALLOCATOR
#define GLIBC_ALLOCATOR 1
#endif

#if GLIBC_ALLOCATOR
// glibc raises its threshold for taking blocks from the system each time
// such a block is freed; without a fixed one, the next picture of about the
// same size lands in the heap and its space stays there once freed.
TEST(PlatformHeapTest, ALargeBlockAfterAFreedLargerOneStillComesFromTheSystem)
{
    platformKeepLargeBlocksOutOfHeap();
    const size_t MIB = 1024 * 1024;
    volatile char *first = (volatile char *)malloc(4 * MIB);
    ASSERT_NE(nullptr, first);
    first[4 * MIB - 1] = 1;
    free((void *)first);
    size_t before = mallinfo2().hblkhd;
    volatile char *second = (volatile char *)malloc(3 * MIB);
    ASSERT_NE(nullptr, second);
    second[3 * MIB - 1] = 1;
    size_t during = mallinfo2().hblkhd;
    free((void *)second);
    EXPECT_GE(during, before + 3 * MIB) << "the block came from the heap";
}
#endif
