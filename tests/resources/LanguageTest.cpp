// The language of the words: the locale's choice, --language, and English
// when a language's archives are missing or damaged.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "resources/Language.h"
#include "resources/PakCache.h"
#include "support/TestArchives.h"

TEST(LocaleMatchTest, FullNameThenLanguageThenItsOnlyCountry)
{
    EXPECT_EQ("de", matchLanguage("de_DE.UTF-8@euro"));
    EXPECT_EQ("de", matchLanguage("de_AT"));
    EXPECT_EQ("pt_BR", matchLanguage("pt_BR.UTF-8"));
    EXPECT_EQ("pt_BR", matchLanguage("pt-br"));
    EXPECT_EQ("pt_BR", matchLanguage("pt_PT.UTF-8"));  // the one Portuguese the game has
    EXPECT_EQ("uk", matchLanguage("uk_UA.utf8"));
    EXPECT_EQ("ar", matchLanguage("ar_EG.UTF-8"));
    EXPECT_EQ("en", matchLanguage("C"));
    EXPECT_EQ("en", matchLanguage("C.UTF-8"));
    EXPECT_EQ("en", matchLanguage("POSIX"));
    EXPECT_EQ("en", matchLanguage("en_GB.UTF-8"));
    EXPECT_EQ("", matchLanguage("ja_JP.UTF-8"));
    EXPECT_EQ("", matchLanguage(""));
    EXPECT_EQ("", matchLanguage("_DE"));
    EXPECT_EQ("", matchLanguage("german"));
    EXPECT_EQ("", matchLanguage(std::string("pl\0.U", 5)));  // found by fuzzing: read past "pl"
    EXPECT_EQ("", matchLanguage("d3_DE"));
}

TEST(LocaleOrderTest, FirstVariableNamingALanguageTheGameHasWins)
{
    LocaleSettings locale;
    EXPECT_EQ("en", languageFromLocale(locale));  // nothing set
    locale.lang = "fr_FR.UTF-8";
    EXPECT_EQ("fr", languageFromLocale(locale));
    locale.lcMessages = "ru_RU.UTF-8";
    EXPECT_EQ("ru", languageFromLocale(locale));
    locale.lcAll = "ja_JP.UTF-8";  // the game has no Japanese: on to LC_MESSAGES
    EXPECT_EQ("ru", languageFromLocale(locale));
    locale.lcAll = "C";  // English asked for outright
    EXPECT_EQ("en", languageFromLocale(locale));
    locale.language = "eo:tr_TR:de";  // a list, each entry in turn
    EXPECT_EQ("tr", languageFromLocale(locale));
    locale.language = "";
    EXPECT_EQ("en", languageFromLocale(locale));
}

TEST(LocaleOrderTest, LanguageOptionIsFoundAmongTheArguments)
{
    char prog[] = "lumbrik", other[] = "--verbose", option[] = "--language=pl";
    char *with[] = {prog, other, option};
    char *without[] = {prog, other};
    ASSERT_NE(nullptr, languageOption(3, with));
    EXPECT_STREQ("pl", languageOption(3, with));
    EXPECT_EQ(nullptr, languageOption(2, without));
}

// A data folder of its own as the current directory: the word archives in
// English and in German, each holding one entry "words" that says which.
class LanguageArchivesTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, getcwd(saved, sizeof saved));
        folder = makeTempFolder("language");
        ASSERT_EQ(0, chdir(folder.c_str()));
        ASSERT_EQ(0, system("mkdir -p de"));
        for (int i = 0; i < WORD_ARCHIVE_COUNT; i++) {
            write(WORD_ARCHIVES[i], "English");
            write(std::string("de/") + WORD_ARCHIVES[i], "Deutsch");
        }
        write("buttons.pak", "no words");
        locale.lang = "de_DE.UTF-8";
    }
    void TearDown() override { ASSERT_EQ(0, chdir(saved)); }
    void write(const std::string &path, const char *words)
    {
        PakFile pak;
        pakAdd(pak, "words", Bytes(words, words + strlen(words)));
        ASSERT_TRUE(writeFileAtomic(path, encodePak(pak)));
    }
    void damage(const std::string &path)
    {
        Bytes cut = {5, 0, 0, 0, 9};  // five entries promised, one name byte
        ASSERT_TRUE(writeFileAtomic(path, cut));
    }
    static std::string words(PakArchive *archive)
    {
        PakEntry e = archive ? archive->entry("words") : PakEntry();
        return e.data ? std::string((const char *)e.data, e.size) : "";
    }
    static int lines(const std::string &text) { return (int)std::count(text.begin(), text.end(), '\n'); }
    char saved[PATH_MAX] = {};
    std::string folder;
    LocaleSettings locale;
};

TEST_F(LanguageArchivesTest, LocaleLanguageWithSoundArchivesIsUsedSilently)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ("de", startLanguage(nullptr, locale));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST_F(LanguageArchivesTest, DamagedOrMissingArchiveFallsBackToEnglishWithOneLine)
{
    damage("de/exit_menu.pak");
    testing::internal::CaptureStderr();
    EXPECT_EQ("en", startLanguage(nullptr, locale));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ("lumbrik: damaged archive \"de/exit_menu.pak\"; using English\n", err);

    ASSERT_EQ(0, unlink("de/exit_menu.pak"));
    testing::internal::CaptureStderr();
    EXPECT_EQ("en", startLanguage("de", locale));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ("lumbrik: cannot open archive \"de/exit_menu.pak\"; using English\n", err);
}

TEST_F(LanguageArchivesTest, OptionOverridesTheLocaleAndAnUnknownOneMeansEnglish)
{
    locale.lang = "ru_RU.UTF-8";  // no Russian archives here
    testing::internal::CaptureStderr();
    EXPECT_EQ("de", startLanguage("de_CH", locale));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    testing::internal::CaptureStderr();
    EXPECT_EQ("en", startLanguage("klingon", locale));
    EXPECT_EQ(1, lines(testing::internal::GetCapturedStderr()));
}

TEST_F(LanguageArchivesTest, CacheOpensWordArchivesInTheLanguageUnderTheirOwnNames)
{
    PakCache cache;
    cache.language = "de";
    EXPECT_EQ("Deutsch", words(cache.acquire("main_menu.pak")));
    EXPECT_EQ(1, cache.useCount("main_menu.pak"));
    EXPECT_EQ("no words", words(cache.acquire("buttons.pak")));  // never looked for in de/
    cache.release("main_menu.pak");
    cache.release("buttons.pak");
}

TEST_F(LanguageArchivesTest, CacheGoesOnInEnglishWhenALanguageArchiveBreaksDuringPlay)
{
    PakCache cache;
    cache.language = "de";
    damage("de/help_menu.pak");
    ASSERT_EQ(0, unlink("de/about_menu.pak"));
    testing::internal::CaptureStderr();
    EXPECT_EQ("English", words(cache.acquire("help_menu.pak")));
    EXPECT_EQ("English", words(cache.acquire("about_menu.pak")));
    EXPECT_EQ("English", words(cache.acquire("main_menu.pak")));  // English from now on
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ("lumbrik: damaged archive \"de/help_menu.pak\"; using English\n", err);
    EXPECT_EQ("en", cache.language);
}
