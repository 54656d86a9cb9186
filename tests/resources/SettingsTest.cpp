#include "resources/Settings.h"
#include "platform/AtomicFile.h"
#include "support/FileBytes.h"
#include "support/StderrCapture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every field different from its default, with the expected file bytes below.
Settings sample()
{
    Settings s;
    s.showWelcome = 0;
    s.menuExpanded = 0;
    s.musicOn = 0;
    s.completed[0] = s.completed[2] = s.completed[4] = 1;
    s.puzzleSize = 0;
    return s;
}

const Bytes SAMPLE_BYTES = {
    1, 0, 0, 0,  0, 0, 1, 0,                     // version 1; welcome, panel, sound, music
    1, 0, 0, 0,  0, 0, 0, 0,  1, 0, 0, 0,        // completed[0..2]
    0, 0, 0, 0,  1, 0, 0, 0,                     // completed[3..4]
    0, 0, 0, 0,                                  // puzzleSize: 20 pieces
};

// All fields in file order, so one comparison names the field that differs.
std::vector<int> fields(const Settings &s)
{
    return {s.showWelcome, s.menuExpanded, s.soundOn, s.musicOn, s.completed[0], s.completed[1],
            s.completed[2], s.completed[3], s.completed[4], s.puzzleSize};
}

bool exists(const std::string &path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

} // namespace

// Decodes hand-made byte images; starts from a non-default record so that
// "left untouched" cannot pass for "reset to defaults".
class SettingsReadTest : public testing::Test {
protected:
    bool ok = false;
    Settings decode(const Bytes &bytes)
    {
        Settings s = sample();
        FILE *in = tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), in);
        std::rewind(in);
        ok = s.read(in);
        std::fclose(in);
        return s;
    }
};

// A wrong version or a short file gives the defaults despite valid fields;
// a field out of range resets only itself.
TEST_F(SettingsReadTest, DamagedBytesGiveDefaultsOrResetOnlyTheDamagedField)
{
    Settings defaults, size = sample(), menu = sample(), picture = sample();
    size.puzzleSize = 1;
    menu.menuExpanded = 1;
    picture.completed[2] = 0;
    const struct {
        const char *why;
        std::vector<std::pair<size_t, unsigned char>> edits;  // byte index, new value
        size_t cut;  // bytes dropped from the end
        const Settings &expected;
        bool ok;
    } cases[] = {
        {"version 1 written big-endian", {{0, 0}, {3, 1}}, 0, defaults, false},
        {"one byte short", {}, 1, defaults, false},
        {"puzzle size 0x80: its low byte still 0, a one-byte decoder would accept it", {{31, 0x80}}, 0, size, true},
        {"menuExpanded 2", {{5, 2}}, 0, menu, true},
        {"completed[2] = -1", {{16, 0xff}, {17, 0xff}, {18, 0xff}, {19, 0xff}}, 0, picture, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        Bytes bytes(SAMPLE_BYTES.begin(), SAMPLE_BYTES.end() - c.cut);
        for (const auto &edit : c.edits)
            bytes[edit.first] = edit.second;
        EXPECT_EQ(fields(decode(bytes)), fields(c.expected));
        EXPECT_EQ(c.ok, ok);
    }
}

// Saves and loads through real files in a fresh folder.
class SettingsSaveTest : public testing::Test {
protected:
    std::string folder;
    std::string path;
    void SetUp() override
    {
        std::string base = testing::TempDir() + "lumbrik_settings_XXXXXX";
        ASSERT_NE(mkdtemp(&base[0]), nullptr);
        folder = base;
        path = folder + "/cfg";
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }
};

TEST_F(SettingsSaveTest, SavedBytesAreLittleEndianAndReadBackUnchanged)
{
    ASSERT_TRUE(saveSettingsFile(sample(), path.c_str()));
    EXPECT_EQ(readFileBytes(path), SAMPLE_BYTES);
    EXPECT_EQ(fields(loadSettings(path.c_str())), fields(sample()));
}

TEST_F(SettingsSaveTest, MissingFileIsAFirstStartSavedSilently)
{
    SettingsFound found = SETTINGS_READ;
    StderrCapture captured;
    Settings s = loadSettings(path.c_str(), &found);
    EXPECT_EQ(found, SETTINGS_MISSING);
    // Welcome shown, sound and music on, panel open, nothing completed, 48 pieces.
    EXPECT_EQ(fields(s), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0, 0, 1}));
    EXPECT_TRUE(saveLoadedSettings(sample(), path.c_str(), found));
    EXPECT_EQ(captured.text(), "");
    EXPECT_EQ(found, SETTINGS_READ);
    EXPECT_EQ(readFileBytes(path), SAMPLE_BYTES);
}

TEST_F(SettingsSaveTest, FolderInPlaceOfTheFileIsReportedAndNeverWrittenOver)
{
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    SettingsFound found = SETTINGS_READ;
    StderrCapture captured;
    Settings s = loadSettings(path.c_str(), &found);
    const std::string said = captured.text();
    EXPECT_EQ(found, SETTINGS_UNREADABLE);
    EXPECT_EQ(fields(s), fields(Settings()));
    EXPECT_EQ(said, "lumbrik: cannot read settings file \"" + path +
                        "\": Is a directory; playing on defaults, the file is left as it is\n");
    StderrCapture atExit;
    EXPECT_FALSE(saveLoadedSettings(sample(), path.c_str(), found));
    EXPECT_EQ(atExit.text(), "");  // said once, at start
    EXPECT_FALSE(exists(path + ".tmp"));
    EXPECT_FALSE(exists(path + SETTINGS_KEPT_SUFFIX));
}

TEST_F(SettingsSaveTest, NotUnderstoodFileIsKeptAsBadBeforeTheFirstSave)
{
    Bytes otherVersion = SAMPLE_BYTES;
    otherVersion[0] = 2;
    const Bytes cases[] = {Bytes(SAMPLE_BYTES.begin(), SAMPLE_BYTES.begin() + 7), otherVersion};
    for (const Bytes &old : cases) {
        SCOPED_TRACE(old.size());
        ASSERT_TRUE(writeFileBytes(path, old));
        std::remove((path + SETTINGS_KEPT_SUFFIX).c_str());
        SettingsFound found = SETTINGS_READ;
        EXPECT_EQ(fields(loadSettings(path.c_str(), &found)), fields(Settings()));
        EXPECT_EQ(found, SETTINGS_NOT_UNDERSTOOD);
        EXPECT_EQ(readFileBytes(path), old);  // nothing is written at start-up
        ASSERT_TRUE(saveLoadedSettings(sample(), path.c_str(), found));
        EXPECT_EQ(readFileBytes(path + SETTINGS_KEPT_SUFFIX), old);
        EXPECT_EQ(readFileBytes(path), SAMPLE_BYTES);
        // A second save replaces the good file and leaves the kept one alone.
        ASSERT_TRUE(saveLoadedSettings(Settings(), path.c_str(), found));
        EXPECT_EQ(readFileBytes(path + SETTINGS_KEPT_SUFFIX), old);
        EXPECT_EQ(fields(loadSettings(path.c_str())), fields(Settings()));
    }
}

TEST_F(SettingsSaveTest, SaveReplacesExistingFileAndLeavesNoTemporary)
{
    FILE *old = std::fopen(path.c_str(), "wb");
    ASSERT_NE(old, nullptr);
    std::fputs("an older and much longer file than the settings file is", old);
    std::fclose(old);
    ASSERT_TRUE(saveSettingsFile(sample(), path.c_str()));
    EXPECT_EQ(readFileBytes(path), SAMPLE_BYTES);
    EXPECT_FALSE(exists(path + ".tmp"));
}

TEST_F(SettingsSaveTest, SaveIntoMissingFolderFails)
{
    std::string missing = folder + "/absent/cfg";
    StderrCapture captured;
    EXPECT_FALSE(saveSettingsFile(sample(), missing.c_str()));
    EXPECT_EQ(captured.text(),
              "lumbrik: cannot save settings to \"" + missing + "\": No such file or directory\n");
    EXPECT_FALSE(exists(missing));
}

TEST_F(SettingsSaveTest, FailedRenameIsReportedAndRemovesTemporary)
{
    // A folder in the way of the target lets the temporary be written but not renamed.
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    StderrCapture captured;
    EXPECT_FALSE(saveSettingsFile(sample(), path.c_str()));
    EXPECT_EQ(captured.text(),
              "lumbrik: cannot save settings to \"" + path + "\": Is a directory\n");
    EXPECT_FALSE(exists(path + ".tmp"));
}

TEST_F(SettingsSaveTest, SaveOnAFullDiskIsReportedAndKeepsTheOldFile)
{
    ASSERT_TRUE(writeFileBytes(path, SAMPLE_BYTES));
    // The temporary leads to /dev/full, where every write fails with ENOSPC.
    ASSERT_EQ(symlink("/dev/full", (path + ".tmp").c_str()), 0);
    StderrCapture captured;
    EXPECT_FALSE(saveSettingsFile(Settings(), path.c_str()));
    EXPECT_EQ(captured.text(),
              "lumbrik: cannot save settings to \"" + path + "\": No space left on device\n");
    EXPECT_EQ(readFileBytes(path), SAMPLE_BYTES);
    EXPECT_FALSE(exists(path + ".tmp"));
}

// Records every sync the save asks for: what the settings path and its
// temporary held at that moment, and fails the call numbered `failAt`.
struct SyncRecorder {
    static std::string path;
    static int failAt;
    static std::vector<Bytes> atPath;
    static std::vector<Bytes> atTemporary;
    static int sync(intptr_t handle)
    {
        (void)handle;
        atPath.push_back(exists(path) ? readFileBytes(path) : Bytes());
        atTemporary.push_back(exists(path + ".tmp") ? readFileBytes(path + ".tmp") : Bytes());
        return int(atPath.size()) == failAt ? EIO : 0;
    }
};
std::string SyncRecorder::path;
int SyncRecorder::failAt = 0;
std::vector<Bytes> SyncRecorder::atPath;
std::vector<Bytes> SyncRecorder::atTemporary;

TEST_F(SettingsSaveTest, SyncsTheNewFileBeforeTheRenameAndTheFolderAfterIt)
{
    ASSERT_TRUE(writeFileBytes(path, SAMPLE_BYTES));
    SyncRecorder::path = path;
    SyncRecorder::failAt = 0;
    SyncRecorder::atPath.clear();
    SyncRecorder::atTemporary.clear();
    setFileSyncFunction(SyncRecorder::sync);
    const bool saved = saveSettingsFile(Settings(), path.c_str());
    setFileSyncFunction(nullptr);
    ASSERT_TRUE(saved);
    ASSERT_EQ(SyncRecorder::atPath.size(), 2u);
    const Bytes defaults = {1, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                            0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    // First the file, complete and not yet under the name; then the folder, after the rename.
    EXPECT_EQ(SyncRecorder::atPath[0], SAMPLE_BYTES);
    EXPECT_EQ(SyncRecorder::atTemporary[0], defaults);
    EXPECT_EQ(SyncRecorder::atPath[1], defaults);
    EXPECT_EQ(SyncRecorder::atTemporary[1], Bytes());
}

TEST_F(SettingsSaveTest, FailedSyncIsAFailedSaveReportedOnce)
{
    struct Case {
        int failAt;
        const char *reason;
        bool oldFileKept;  // a failure before the rename leaves the old bytes
    };
    const Case cases[] = {
        {1, "Input/output error", true},
        {2, "cannot sync its folder: Input/output error", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.failAt);
        ASSERT_TRUE(writeFileBytes(path, SAMPLE_BYTES));
        SyncRecorder::path = path;
        SyncRecorder::failAt = c.failAt;
        SyncRecorder::atPath.clear();
        SyncRecorder::atTemporary.clear();
        setFileSyncFunction(SyncRecorder::sync);
        StderrCapture captured;
        const bool saved = saveSettingsFile(Settings(), path.c_str());
        setFileSyncFunction(nullptr);
        EXPECT_FALSE(saved);
        EXPECT_EQ(captured.text(),
                  "lumbrik: cannot save settings to \"" + path + "\": " + c.reason + "\n");
        EXPECT_EQ(readFileBytes(path) == SAMPLE_BYTES, c.oldFileKept);
        EXPECT_EQ(readFileBytes(path).size(), size_t(SETTINGS_FILE_BYTES));
        EXPECT_FALSE(exists(path + ".tmp"));
    }
}
