#include <cstring>

#include <gtest/gtest.h>

#include "resources/PakArchive.h"
#include "resources/PakCache.h"
#include "support/TestArchives.h"

static Bytes text(const char *s)
{
    return Bytes(s, s + strlen(s));
}

static Bytes threeEntries()
{
    PakFile pak;
    pakAdd(pak, "music.wav", text("first"));
    pakAdd(pak, "empty", Bytes());
    pakAdd(pak, "music.wav", text("second"));
    return encodePak(pak);
}

TEST(PakArchiveParseTest, LookupReturnsFirstOfDuplicateNamesAndFindsEmptyEntries)
{
    Bytes bytes = threeEntries();
    PakArchive archive;
    ASSERT_EQ(PAK_OK, parsePakArchive(archive, bytes.data(), bytes.size()));
    ASSERT_EQ(3u, archive.entries.size());
    PakEntry music = archive.entry("music.wav");
    ASSERT_NE(nullptr, music.data);
    EXPECT_EQ(std::string("first"), std::string((const char *)music.data, music.size));
    PakEntry empty = archive.entry("empty");
    EXPECT_NE(nullptr, empty.data);
    EXPECT_EQ(0u, empty.size);
}

TEST(PakArchiveParseTest, NamesMatchExactlyByteForByte)
{
    Bytes bytes = threeEntries();
    PakArchive archive;
    ASSERT_EQ(PAK_OK, parsePakArchive(archive, bytes.data(), bytes.size()));
    EXPECT_EQ(nullptr, archive.entry("Music.wav").data);
    EXPECT_EQ(nullptr, archive.entry("music").data);
    EXPECT_EQ(nullptr, archive.entry("music.wav ").data);
    EXPECT_EQ(0u, archive.entry("missing").size);
}

TEST(PakArchiveParseTest, ArchiveWithoutEntriesOpensAndFindsNothing)
{
    Bytes bytes = encodePak(PakFile());
    PakArchive archive;
    ASSERT_EQ(PAK_OK, parsePakArchive(archive, bytes.data(), bytes.size()));
    EXPECT_EQ(nullptr, archive.entry("").data);
}

TEST(PakArchiveParseTest, BytesAfterTheLastEntryAreIgnored)
{
    Bytes bytes = threeEntries();
    bytes.push_back(0x7f);
    bytes.push_back(0x01);
    PakArchive archive;
    EXPECT_EQ(PAK_OK, parsePakArchive(archive, bytes.data(), bytes.size()));
    EXPECT_EQ(3u, archive.entries.size());
}

TEST(PakArchiveMalformedTest, NegativeNameLengthIsRefused)
{
    Bytes bytes;
    putI32(bytes, 1);
    putU8(bytes, 0x80);  // -128 as a signed length
    putU32(bytes, 0);
    PakArchive archive;
    EXPECT_EQ(PAK_MALFORMED, parsePakArchive(archive, bytes.data(), bytes.size()));
    EXPECT_TRUE(archive.entries.empty());
}

TEST(PakArchiveMalformedTest, DataSizePastTheEndIsRefusedAndNothingIsKept)
{
    Bytes bytes = threeEntries();
    bytes.resize(bytes.size() - 1);  // the last entry is one byte short
    PakArchive archive;
    EXPECT_EQ(PAK_MALFORMED, parsePakArchive(archive, bytes.data(), bytes.size()));
    EXPECT_TRUE(archive.entries.empty());
}

TEST(PakArchiveMalformedTest, HugeSizesAndCountsAreRefusedWithoutAllocating)
{
    // A 4 GB data size and a 2-billion entry count in a file of a few bytes:
    // both must be refused by comparing with what the file holds.
    Bytes hugeSize;
    putI32(hugeSize, 1);
    putU8(hugeSize, 1);
    hugeSize.push_back('a');
    putU32(hugeSize, 0xffffffffu);
    Bytes hugeCount;
    putI32(hugeCount, 0x7fffffff);
    Bytes negativeCount;
    putI32(negativeCount, -5);
    PakArchive archive;
    EXPECT_EQ(PAK_MALFORMED, parsePakArchive(archive, hugeSize.data(), hugeSize.size()));
    EXPECT_EQ(PAK_MALFORMED, parsePakArchive(archive, hugeCount.data(), hugeCount.size()));
    EXPECT_EQ(PAK_MALFORMED, parsePakArchive(archive, negativeCount.data(), negativeCount.size()));
}

TEST(PakArchiveMalformedTest, TruncatedCountIsRefused)
{
    Bytes bytes = {1, 0};
    PakArchive archive;
    EXPECT_EQ(PAK_MALFORMED, parsePakArchive(archive, bytes.data(), bytes.size()));
}

// Records failures instead of ending the process.
struct FailureLog {
    int calls = 0;
    PakLoadResult last = PAK_OK;
};

static void recordFailure(const char *name, PakLoadResult why, void *user)
{
    FailureLog *log = (FailureLog *)user;
    log->calls++;
    log->last = why;
}

class PakCacheTest : public testing::Test {
protected:
    void SetUp() override
    {
        PakFile pak;
        pakAdd(pak, "greeting", text("hello"));
        path = writeTestArchive("cache.pak", pak);
        cache.onFailure = recordFailure;
        cache.failureUser = &failures;
    }
    PakCache cache;
    FailureLog failures;
    std::string path;
};

TEST_F(PakCacheTest, ArchiveStaysOpenUntilItsLastUseIsGivenBack)
{
    PakArchive *first = cache.acquire(path.c_str());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, cache.acquire(path.c_str()));
    EXPECT_EQ(first, cache.acquire(path.c_str()));
    cache.release(path.c_str());
    cache.release(path.c_str());
    EXPECT_EQ(1, cache.useCount(path.c_str()));
    cache.release(path.c_str());
    EXPECT_EQ(0, cache.useCount(path.c_str()));
    EXPECT_TRUE(cache.archives.empty());
}

TEST_F(PakCacheTest, AcquiringAfterTheLastReleaseReadsTheFileAgain)
{
    cache.acquire(path.c_str());
    cache.release(path.c_str());
    PakFile changed;
    pakAdd(changed, "greeting", text("changed"));
    ASSERT_TRUE(writeFileAtomic(path, encodePak(changed)));
    PakEntry e = cache.entry(path.c_str(), "greeting");
    EXPECT_EQ(std::string("changed"), std::string((const char *)e.data, e.size));
    cache.release(path.c_str());
}

TEST_F(PakCacheTest, MissingEntryStillHoldsAnArchiveUse)
{
    PakEntry e = cache.entry(path.c_str(), "nothing");
    EXPECT_EQ(nullptr, e.data);
    EXPECT_EQ(1, cache.useCount(path.c_str()));
    cache.release(path.c_str());
    EXPECT_EQ(0, cache.useCount(path.c_str()));
}

TEST_F(PakCacheTest, NamesDifferingInCaseAreSeparateEntries)
{
    std::string upper = path;
    upper.replace(upper.size() - 9, 9, "CACHE.PAK");  // same folder, other case
    PakFile pak;
    pakAdd(pak, "greeting", text("upper"));
    ASSERT_TRUE(writeFileAtomic(upper, encodePak(pak)));
    cache.acquire(path.c_str());
    cache.acquire(upper.c_str());
    EXPECT_EQ(2u, cache.archives.size());
    cache.release(path.c_str());
    EXPECT_EQ(1, cache.useCount(upper.c_str()));
    cache.release(upper.c_str());
}

TEST_F(PakCacheTest, ReleasingAnUnknownNameChangesNothing)
{
    cache.acquire(path.c_str());
    cache.release("never-opened.pak");
    cache.releaseTexture("never-opened.pak", 7);
    EXPECT_EQ(1, cache.useCount(path.c_str()));
    cache.release(path.c_str());
}

TEST_F(PakCacheTest, UnopenableOrDamagedArchiveIsReportedAndNotListed)
{
    EXPECT_EQ(nullptr, cache.acquire("/nonexistent/folder/missing.pak"));
    EXPECT_EQ(PAK_CANNOT_OPEN, failures.last);
    Bytes broken;
    putI32(broken, 3);
    std::string damaged = writeTestFile("damaged.pak", broken);
    EXPECT_EQ(nullptr, cache.acquire(damaged.c_str()));
    EXPECT_EQ(PAK_MALFORMED, failures.last);
    EXPECT_EQ(2, failures.calls);
    EXPECT_TRUE(cache.archives.empty());
}

TEST(PakCacheDeathTest, MissingArchiveEndsWithStatusOneAndOneLineNamingIt)
{
    PakCache cache;
    EXPECT_EXIT(cache.acquire("interface_gone.pak"), testing::ExitedWithCode(1),
                "^lumbrik: cannot open archive \"interface_gone.pak\"\n$");
}

TEST(PakCacheDeathTest, DamagedArchiveEndsWithStatusOneAndOneLineNamingIt)
{
    Bytes broken;
    putI32(broken, 1);
    putU8(broken, 0xff);
    std::string path = writeTestFile("broken.pak", broken);
    PakCache cache;
    EXPECT_EXIT(cache.acquire(path.c_str()), testing::ExitedWithCode(1),
                "^lumbrik: damaged archive \".*broken.pak\"\n$");
}
