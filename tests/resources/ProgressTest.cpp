#include "resources/Progress.h"
#include "support/FileBytes.h"
#include "support/StderrCapture.h"
#include "support/TestArchives.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Pieces in both sizes, the last piece of each size among them.
Progress sample()
{
    Progress p;
    p.place(0, 0, 1);
    p.place(0, 0, 20);
    p.place(0, 4, 7);
    p.place(1, 2, 48);
    p.place(1, 2, 33);
    return p;
}

Bytes encoded(const Progress &p)
{
    Bytes bytes(PROGRESS_FILE_BYTES);
    encodeProgress(p, bytes.data());
    return bytes;
}

bool samePieces(const Progress &a, const Progress &b)
{
    for (int s = 0; s < PROGRESS_SIZES; s++)
        for (int picture = 0; picture < PROGRESS_PICTURES; picture++)
            if (a.placed[s][picture] != b.placed[s][picture])
                return false;
    return true;
}

// The FNV-1a checksum the file ends with, for bytes a test has changed.
void reseal(Bytes &bytes)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i + 4 < bytes.size(); i++)
        hash = (hash ^ bytes[i]) * 16777619u;
    for (int i = 0; i < 4; i++)
        bytes[bytes.size() - 4 + i] = (unsigned char)(hash >> (8 * i));
}

} // namespace

TEST(ProgressTest, PiecesOutsideEitherSizeAreNeverMarked)
{
    Progress p;
    const int bad[][3] = {{0, 0, 0}, {0, 0, 21}, {1, 0, 49}, {2, 0, 1}, {-1, 0, 1}, {0, 5, 1}, {0, -1, 1}};
    for (const auto &b : bad) {
        p.place(b[0], b[1], b[2]);
        EXPECT_FALSE(p.isPlaced(b[0], b[1], b[2]));
    }
    EXPECT_TRUE(samePieces(Progress(), p));
}

TEST(ProgressTest, FileGivesBackEveryPieceOfBothSizes)
{
    Progress read;
    const Bytes bytes = encoded(sample());
    ASSERT_TRUE(decodeProgress(bytes.data(), bytes.size(), read));
    EXPECT_TRUE(samePieces(sample(), read));
    EXPECT_EQ(3, read.placedCount(0, 0) + read.placedCount(0, 4));
    EXPECT_TRUE(read.isPlaced(1, 2, 48));
    read.clearPicture(2);
    EXPECT_EQ(0, read.placedCount(1, 2));
    EXPECT_EQ(2, read.placedCount(0, 0));
}

TEST(ProgressTest, DamagedOrForeignBytesAreRefusedAndLeaveNothingInProgress)
{
    const Bytes good = encoded(sample());
    struct Case {
        const char *name;
        Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", Bytes()});
    cases.push_back({"cut short", Bytes(good.begin(), good.end() - 1)});
    Bytes longer = good;
    longer.push_back(0);
    cases.push_back({"one byte more", longer});
    Bytes magic = good;
    magic[0] = 'X';
    reseal(magic);
    cases.push_back({"another magic", magic});
    Bytes version = good;
    version[4] = 2;
    reseal(version);
    cases.push_back({"another version", version});
    Bytes flipped = good;
    flipped[10] ^= 4;
    cases.push_back({"a bit flipped", flipped});
    Bytes beyond = good;
    beyond[8 + 2] |= 0x10;  // size 0, picture 0: piece 21
    reseal(beyond);
    cases.push_back({"a piece beyond 20", beyond});
    for (const Case &c : cases) {
        Progress read = sample();
        EXPECT_FALSE(decodeProgress(c.bytes.data(), c.bytes.size(), read)) << c.name;
        EXPECT_TRUE(samePieces(Progress(), read)) << c.name;
    }
}

class ProgressFileTest : public testing::Test {
protected:
    void SetUp() override { path = progressPathBeside(makeTempFolder("progress") + "/pelnovo_lumbrik_cfg"); }
    std::string path;
};

TEST_F(ProgressFileTest, SavedBesideTheSettingsAndReadBack)
{
    EXPECT_EQ("pelnovo_lumbrik_progress", path.substr(path.size() - 24));
    EXPECT_EQ("/a/b/pelnovo_lumbrik_progress", progressPathBeside("/a/b/pelnovo_lumbrik_cfg"));
    EXPECT_EQ("C:\\data\\pelnovo_lumbrik_progress", progressPathBeside("C:\\data\\pelnovo_lumbrik_cfg"));
    ProgressFound found = PROGRESS_READ;
    StderrCapture captured;
    EXPECT_TRUE(samePieces(Progress(), loadProgress(path.c_str(), &found)));
    EXPECT_EQ(PROGRESS_MISSING, found);
    ASSERT_TRUE(saveProgress(sample(), path.c_str()));
    EXPECT_TRUE(samePieces(sample(), loadProgress(path.c_str(), &found)));
    EXPECT_EQ(PROGRESS_READ, found);
    EXPECT_EQ("", captured.text());
    EXPECT_NE(0, access((path + ".tmp").c_str(), F_OK));
}

TEST_F(ProgressFileTest, DamagedFileIsKeptAsideAsBadAndIgnoredWithOneLine)
{
    Bytes damaged = encoded(sample());
    damaged[20] ^= 1;
    writeFileBytes(path, damaged);
    ProgressFound found = PROGRESS_READ;
    StderrCapture captured;
    const Progress read = loadProgress(path.c_str(), &found);
    EXPECT_EQ(PROGRESS_SET_ASIDE, found);
    EXPECT_TRUE(samePieces(Progress(), read));
    EXPECT_EQ("lumbrik: progress file damaged or not ours, kept as \"" + path +
                  ".bad\": pictures in progress start afresh\n",
              captured.text());
    EXPECT_EQ(damaged, readFileBytes(path + ".bad"));
    EXPECT_NE(0, access(path.c_str(), F_OK));
}

TEST_F(ProgressFileTest, UnreadableFileIsNeitherUsedNorToBeWrittenOver)
{
    ASSERT_EQ(0, mkdir(path.c_str(), 0700));  // a folder where the file should be
    ProgressFound found = PROGRESS_READ;
    StderrCapture captured;
    loadProgress(path.c_str(), &found);
    EXPECT_EQ(PROGRESS_UNREADABLE, found);
    EXPECT_NE(std::string::npos, captured.text().find("cannot read progress file"));
    rmdir(path.c_str());
}
