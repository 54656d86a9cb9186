// The settings file from start-up to the save at exit, through the game's
// own loadSettingsAtStart and saveAndClose, on real files.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/App.h"
#include "app/Game.h"
#include "resources/Settings.h"
#include "support/FileBytes.h"
#include "support/StderrCapture.h"

namespace {

// A completed picture, 20 pieces, music off: a child's progress worth keeping.
const Bytes PROGRESS = {1, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0,
                        1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// The account an ordinary user's run is played as when the tests run as
// root, for whom permission bits mean nothing.
uid_t ordinaryUid()
{
    const passwd *nobody = getpwnam("nobody");
    return nobody ? nobody->pw_uid : 65534;
}

// Leaves root's rights for good (in a child); true when that worked or there were none.
bool becomeOrdinaryUser()
{
    if (geteuid() != 0)
        return true;
    const uid_t uid = ordinaryUid();
    const passwd *nobody = getpwuid(uid);
    const gid_t gid = nobody ? nobody->pw_gid : uid;
    return setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0;
}

// Hands `path` to the ordinary user when running as root.
void giveToOrdinaryUser(const std::string &path)
{
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), ordinaryUid(), (gid_t)-1), 0) << path;
    }
}

} // namespace

// A fresh data folder as XDG_DATA_HOME; the App's settings fields put back after.
class GameSettingsTest : public testing::Test {
protected:
    std::string root;
    std::string folder;  // where the game keeps its settings
    std::string path;
    Settings *savedSettings = nullptr;
    std::string savedPath;
    SettingsFound savedFound = SETTINGS_MISSING;
    std::string savedXdg;
    bool hadXdg = false;

    void SetUp() override
    {
        std::string base = testing::TempDir() + "lumbrik_game_XXXXXX";
        ASSERT_NE(mkdtemp(&base[0]), nullptr);
        root = base;
        folder = root + "/lumbrik";
        path = folder + "/pelnovo_lumbrik_cfg";
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        const char *xdg = std::getenv("XDG_DATA_HOME");
        hadXdg = xdg != nullptr;
        savedXdg = xdg ? xdg : "";
        setenv("XDG_DATA_HOME", root.c_str(), 1);
        savedSettings = app.settings;
        savedPath = app.settingsPath;
        savedFound = app.settingsFound;
        app.settings = nullptr;
    }
    void TearDown() override
    {
        delete app.settings;
        app.settings = savedSettings;
        app.settingsPath = savedPath;
        app.settingsFound = savedFound;
        if (hadXdg)
            setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        std::system(("rm -rf '" + root + "'").c_str());
    }
};

// A file the player may not read (an I/O error looks the same to the game):
// the game plays on defaults and must not replace the file at exit, although
// the folder would let it. Played as an ordinary user in a child process.
TEST_F(GameSettingsTest, UnreadableFileSurvivesTheExit)
{
    ASSERT_TRUE(writeFileBytes(path, PROGRESS));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    giveToOrdinaryUser(root);
    giveToOrdinaryUser(folder);
    giveToOrdinaryUser(path);
    StderrCapture captured;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!becomeOrdinaryUser())
            _exit(10);
        loadSettingsAtStart();
        const bool defaults = app.settings->puzzleSize == 1 && app.settings->completed[0] == 0;
        app.settings->completed[3] = 1;  // progress made while playing on defaults
        saveAndClose();
        _exit(defaults ? 0 : 11);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string said = captured.text();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: could not leave root's rights; 11: not defaults";
    EXPECT_EQ(readFileBytes(path), PROGRESS);
    EXPECT_EQ(said, "lumbrik: cannot read settings file \"" + path +
                        "\": Permission denied; playing on defaults, the file is left as it is\n");
    struct stat info;
    EXPECT_NE(stat((path + ".tmp").c_str(), &info), 0);
}

TEST_F(GameSettingsTest, FileNotUnderstoodIsKeptAsideAtTheExit)
{
    const Bytes old(PROGRESS.begin(), PROGRESS.begin() + 12);
    ASSERT_TRUE(writeFileBytes(path, old));
    loadSettingsAtStart();
    EXPECT_EQ(app.settingsFound, SETTINGS_NOT_UNDERSTOOD);
    EXPECT_EQ(app.settings->puzzleSize, 1);
    app.settings->puzzleSize = 0;
    saveAndClose();
    EXPECT_EQ(readFileBytes(path + SETTINGS_KEPT_SUFFIX), old);
    ASSERT_EQ(readFileBytes(path).size(), (size_t)SETTINGS_FILE_BYTES);
    EXPECT_EQ(loadSettings(path.c_str()).puzzleSize, 0);
}
