#include "platform/Browser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

// Each test cuts one association value into a fresh path buffer.
class BrowserPathTest : public testing::Test {
protected:
    char path[BROWSER_PATH_SIZE];
    void SetUp() override { std::memset(path, 'X', sizeof path); }
    // Cuts the terminated `value` as read from the registry, terminator included.
    bool cut(const char *value)
    {
        return browserPathFromAssociation(value, std::strlen(value) + 1, path, sizeof path);
    }
};

// Terminated association values and the program path cut from each (null:
// refused, and the path left empty).
TEST_F(BrowserPathTest, AssociationValueIsCutToTheProgramPath)
{
    const struct {
        const char *why, *value, *program;
    } cases[] = {
        {"quotes, options and placeholder go", "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"",
         "C:\\Program Files\\Mozilla Firefox\\firefox.exe"},
        {"unquoted: blank and placeholder go", "C:\\PROGRA~1\\INTERN~1\\iexplore.exe %1",
         "C:\\PROGRA~1\\INTERN~1\\iexplore.exe"},
        {"capital .EXE", "\"C:\\Browser\\BROWSER.EXE\" \"%1\"", "C:\\Browser\\BROWSER.EXE"},
        {"mixed-case .ExE", "C:\\Browser\\browser.ExE -- %1", "C:\\Browser\\browser.ExE"},
        {"quoted: .exe inside a folder name", "\"C:\\tools.exe.d\\browser.exe\" %1", "C:\\tools.exe.d\\browser.exe"},
        {"quoted: blanks and .exe in folder and file", "\"C:\\My Browser.exe\\Browser Launcher.EXE\" -url \"%1\"",
         "C:\\My Browser.exe\\Browser Launcher.EXE"},
        {"unquoted: .exe inside a folder name", "C:\\tools.exe.d\\browser.exe %1", "C:\\tools.exe.d\\browser.exe"},
        {"unquoted: a quote ends the path", "C:\\tools.exe.d\\browser.exe\"%1\"", "C:\\tools.exe.d\\browser.exe"},
        {"unquoted: .exe.exe folder", "C:\\a.exe.exe\\b.exe", "C:\\a.exe.exe\\b.exe"},
        {"quoted, no .exe: up to the quote", "\"C:\\Browser\\launch.bat\" %1", "C:\\Browser\\launch.bat"},
        {"no .exe: kept whole", "C:\\Browser\\launch.bat %1", "C:\\Browser\\launch.bat %1"},
        {"no .exe, nearly", "C:\\Browser\\browser.ex", "C:\\Browser\\browser.ex"},
        {".exe at the very end", "browser.exe", "browser.exe"},
        {"only a quote and .exe", "\".exe", ".exe"},
        {"empty", "", nullptr},
        {"only a quote", "\"", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(cut(c.value), c.program != nullptr);
        EXPECT_STREQ(path, c.program ? c.program : "");
    }
}

// Values whose terminator is not among the bytes read: refused, however
// good the bytes before look.
TEST_F(BrowserPathTest, ValueWithoutATerminatorInTheReadBytesIsRefused)
{
    std::string full(BROWSER_PATH_SIZE, 'a');
    full.replace(0, 13, "\"C:\\b.exe\" %1");  // an .exe that must not be trusted either
    const struct {
        const char *why;
        const char *value;
        size_t read;
    } cases[] = {
        {"a full buffer", full.data(), full.size()},
        {"the terminator beyond the read bytes", "C:\\b.exe", 4},
        {"nothing read", "C:\\b.exe", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        std::memset(path, 'X', sizeof path);
        EXPECT_FALSE(browserPathFromAssociation(c.value, c.read, path, sizeof path));
        EXPECT_STREQ(path, "");
    }
}

TEST_F(BrowserPathTest, LongestTerminatedValueFitsWhole)
{
    char value[BROWSER_PATH_SIZE];
    std::memset(value, 'a', sizeof value - 1);
    value[sizeof value - 1] = '\0';
    ASSERT_TRUE(browserPathFromAssociation(value, sizeof value, path, sizeof path));
    EXPECT_EQ(std::strlen(path), BROWSER_PATH_SIZE - 1);
}

TEST_F(BrowserPathTest, PathBufferTooSmallGivesFalseWithoutOverrun)
{
    char small[8];
    std::memset(small, 'X', sizeof small);
    EXPECT_FALSE(browserPathFromAssociation("C:\\a\\browser.exe", 17, small, 5));
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(small[5], 'X');
}

class BrowserCommandLineTest : public testing::Test {};

TEST_F(BrowserCommandLineTest, ProgramNameIsThePartAfterTheLastSlash)
{
    EXPECT_STREQ(browserProgramName("C:/Program Files/Browser/browser.exe"), "browser.exe");
    EXPECT_EQ(browserCommandLine("C:/Program Files/Browser/browser.exe", "http://a.example/?x=1&y=2"),
              "\"browser.exe\" http://a.example/?x=1&y=2");
}

TEST_F(BrowserCommandLineTest, PathWithoutSlashIsTheWholeName)
{
    EXPECT_STREQ(browserProgramName("C:\\Browser\\browser.exe"), "C:\\Browser\\browser.exe");
    EXPECT_EQ(browserCommandLine("browser.exe", "http://a.example/"),
              "\"browser.exe\" http://a.example/");
}

namespace {

struct LauncherLog {
    std::vector<std::string> urls;
    std::vector<void *> users;
    bool started = false;  // the launcher's answer
};

bool recordLaunch(const char *url, void *user, ChildProcess *child)
{
    LauncherLog *log = static_cast<LauncherLog *>(user);
    log->urls.push_back(url);
    log->users.push_back(user);
    return log->started;
}

} // namespace

// openUrl with a launcher double in place of the platform's.
class BrowserOpenUrlTest : public testing::Test {
protected:
    BrowserLauncher saved;
    LauncherLog log;
    void SetUp() override
    {
        saved = browserLauncher;
        browserLauncher.launch = recordLaunch;
        browserLauncher.user = &log;
    }
    void TearDown() override { browserLauncher = saved; }
};

TEST_F(BrowserOpenUrlTest, DefaultLauncherIsThePlatformOne)
{
    EXPECT_EQ(saved.launch, &platformOpenUrl);
}

TEST_F(BrowserOpenUrlTest, UrlAndUserReachTheReplacedLauncherAndItsAnswerComesBack)
{
    EXPECT_FALSE(openUrl("http://a.example/"));
    log.started = true;
    EXPECT_TRUE(openUrl("http://b.example/"));
    ASSERT_EQ(log.urls, (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
    EXPECT_EQ(log.users[0], &log);
}

TEST_F(BrowserOpenUrlTest, NullUrlReachesNoLauncher)
{
    log.started = true;
    EXPECT_FALSE(openUrl(nullptr));
    EXPECT_TRUE(log.urls.empty());
}

namespace {

std::string readWholeFile(const std::string &name)
{
    std::ifstream in(name.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string &name)
{
    return access(name.c_str(), F_OK) == 0;
}

// Polls for `name` every 10 ms for at most five seconds.
bool waitForFile(const std::string &name)
{
    for (int i = 0; i < 500; i++) {
        if (fileExists(name))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

// The real Linux launcher, pointed through PATH at a stand-in xdg-open that
// waits (at most five seconds) for a "release" file, then writes its
// argument count and first argument to "args".
class BrowserLinuxLaunchTest : public testing::Test {
protected:
    std::string folder;
    bool hadPath = false;
    std::string savedPath;
    void SetUp() override
    {
        std::string base = testing::TempDir() + "lumbrik_browser_XXXXXX";
        ASSERT_NE(mkdtemp(&base[0]), nullptr);
        folder = base;
        const char *path = std::getenv("PATH");
        hadPath = path != nullptr;
        savedPath = path ? path : "";
        writeStandIn();
    }
    void TearDown() override
    {
        if (hadPath)
            setenv("PATH", savedPath.c_str(), 1);
        else
            unsetenv("PATH");
        std::system(("rm -rf '" + folder + "'").c_str());
    }
    void writeStandIn()
    {
        const std::string script = folder + "/xdg-open";
        std::ofstream out(script.c_str());
        out << "#!/bin/sh\n"
               "i=0\n"
               "while [ ! -e '" << folder << "/release' ] && [ $i -lt 50 ]; do\n"
               "  sleep 0.1; i=$((i+1))\n"
               "done\n"
               "printf '%s\\n%s' \"$#\" \"$1\" > '" << folder << "/args.tmp'\n"
               "mv '" << folder << "/args.tmp' '" << folder << "/args'\n";
        out.close();
        ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    }
    void release() { std::ofstream(folder + "/release").put('\n'); }
};

TEST_F(BrowserLinuxLaunchTest, UrlWithBlanksQuotesAndAmpersandArrivesAsOneArgument)
{
    setenv("PATH", (folder + ":" + savedPath).c_str(), 1);
    const char url[] = "http://a.example/a b/?q=\"x\"&r='y' ; echo $HOME `id`&z=1";
    release();
    ASSERT_TRUE(platformOpenUrl(url, nullptr, nullptr));
    ASSERT_TRUE(waitForFile(folder + "/args"));
    EXPECT_EQ(readWholeFile(folder + "/args"), std::string("1\n") + url);
}

TEST_F(BrowserLinuxLaunchTest, ReturnsWhileTheBrowserIsStillRunning)
{
    setenv("PATH", (folder + ":" + savedPath).c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(platformOpenUrl("http://a.example/", nullptr, nullptr));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(2));
    EXPECT_FALSE(fileExists(folder + "/args"));
    release();
    ASSERT_TRUE(waitForFile(folder + "/args"));
    EXPECT_EQ(readWholeFile(folder + "/args"), "1\nhttp://a.example/");
}

TEST_F(BrowserLinuxLaunchTest, MissingXdgOpenReportsFailure)
{
    const std::string empty = folder + "/empty";
    ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
    setenv("PATH", empty.c_str(), 1);
    EXPECT_FALSE(platformOpenUrl("http://a.example/", nullptr, nullptr));
}
