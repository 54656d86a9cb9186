// The archives the build generated, checked against the inventory and
// against the names the game asks for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "datagen/DataBuild.h"
#include "datagen/Inventory.h"
#include "paktool/PakContents.h"
#include "puzzle/PuzzleLayouts.h"
#include "resources/Language.h"
#include "resources/PakArchive.h"
#include "scene/SceneObject.h"

class GameDataTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(loadInventory(std::string(LUMBRIK_SOURCE_DATA_DIR) + "/inventory.tsv", rows, error)) << error;
    }
    // The generated archive, loaded; fails the test when it is absent or damaged.
    bool load(const std::string &name, PakArchive &archive)
    {
        std::string path = std::string(LUMBRIK_DATA_DIR) + "/" + name;
        PakLoadResult result = loadPakArchive(archive, path.c_str());
        EXPECT_EQ(PAK_OK, result) << path;
        return result == PAK_OK;
    }
    bool listed(const std::string &archive, const std::string &entry)
    {
        for (const InventoryRow &row : rows)
            for (const std::string &name : expandEntries(row))
                if (row.archive == archive && name == entry)
                    return true;
        return false;
    }
    std::vector<InventoryRow> rows;
};

TEST_F(GameDataTest, EveryListedEntryExistsAndEveryModelAndTextureIsSound)
{
    for (const std::string &name : inventoryArchives(rows)) {
        PakArchive archive;
        if (!load(name, archive))
            continue;
        for (const std::string &problem : checkArchive(archive))
            ADD_FAILURE() << name << ": " << problem;
        for (const InventoryRow &row : rows) {
            if (row.archive != name)
                continue;
            for (const std::string &entry : expandEntries(row)) {
                PakEntry e = archive.entry(entry.c_str());
                ASSERT_NE(nullptr, e.data) << name << " lacks " << entry;
                bool sound = row.kind == "music" || row.kind == "effect";
                EXPECT_EQ(sound ? ENTRY_WAV : ENTRY_MODEL, inspectEntry(entry, e.data, e.size).kind)
                    << name << ":" << entry;
            }
        }
    }
}

TEST_F(GameDataTest, EveryPuzzleArchiveTheGameNamesHoldsItsEntries)
{
    for (int size = 0; size < PUZZLE_SIZES; size++) {
        const PuzzleSizeInfo &info = PUZZLE_SIZE_INFO[size];
        for (int picture = 0; picture < PUZZLE_PICTURES; picture++) {
            EXPECT_TRUE(listed(info.pictureArchives[picture], "plase"));
            EXPECT_TRUE(listed(info.commonArchives[picture], "final"));
            EXPECT_TRUE(listed(info.commonArchives[picture], "prev"));
            for (int n = 1; n <= info.pieceCount; n++) {
                std::string piece = std::to_string(n);
                EXPECT_TRUE(listed(info.pictureArchives[picture], piece)) << info.pictureArchives[picture] << " " << n;
                EXPECT_TRUE(listed(info.outlineArchives[picture], piece)) << info.outlineArchives[picture] << " " << n;
                EXPECT_TRUE(listed(info.shadowArchives[picture], piece)) << info.shadowArchives[picture] << " " << n;
            }
        }
    }
}

TEST_F(GameDataTest, EveryInterfaceImageAndSoundTheGameNamesIsListed)
{
    // The start-up scene, tool bar, menus, dialogs and mixer ask for these.
    const char *const names[][2] = {
        {"interface_my.pak", "fon"}, {"interface_my.pak", "cursor"}, {"interface_my.pak", "puzz_plase"},
        {"interface_my.pak", "menu"}, {"interface_my.pak", "menu_open"},
        {"buttons.pak", "close"}, {"buttons.pak", "view"}, {"buttons.pak", "break"}, {"buttons.pak", "menu"},
        {"buttons.pak", "get_puzz"}, {"buttons.pak", "help"}, {"buttons.pak", "prev"}, {"buttons.pak", "next"},
        {"buttons.pak", "pti4ka"}, {"buttons.pak", "pti4ka_cl"}, {"buttons.pak", "to4ka"},
        {"buttons.pak", "pti4ka_20"}, {"buttons.pak", "pti4ka_48"},
        {"buttons.pak", "close_menu"},
        {"main_menu.pak", "fon_menu"}, {"main_menu.pak", "reclama"}, {"main_menu.pak", "close_menu"},
        {"main_menu.pak", "about"}, {"main_menu.pak", "visit"}, {"main_menu.pak", "break"},
        {"main_menu.pak", "block"},
        {"reclama1.pak", "rec1"}, {"reclama1.pak", "rec2"}, {"reclama1.pak", "rec3"},
        {"help_menu.pak", "fon_wel"}, {"help_menu.pak", "puz_help"}, {"help_menu.pak", "help"},
        {"help_menu.pak", "ok"},
        {"exit_menu.pak", "fon_exit"}, {"exit_menu.pak", "cancel"}, {"exit_menu.pak", "ok"},
        {"about_menu.pak", "fon_about"}, {"about_menu.pak", "ok"},
        {"break_menu.pak", "break_puzzle"}, {"break_menu.pak", "break_puzzles"},
        {"break_menu.pak", "cancel"}, {"break_menu.pak", "break"},
        {"select_menu.pak", "please"}, {"select_menu.pak", "low"}, {"select_menu.pak", "height"},
        {"music.pak", "music.wav"}, {"sound.pak", "button.wav"}, {"sound.pak", "puzzle_up.wav"},
        {"sound.pak", "puzzle_move.wav"}, {"sound.pak", "final.wav"},
    };
    for (const auto &n : names)
        EXPECT_TRUE(listed(n[0], n[1])) << n[0] << ":" << n[1];
}

TEST_F(GameDataTest, PiecesAndOutlinesOfAPictureUseTheSameCut)
{
    // Picture n uses layout n mod 3 in every archive list.
    for (const InventoryRow &row : rows) {
        if (row.kind != "piece")
            continue;
        int layout = (int)paramNumber(row, "layout", -1), size = (int)paramNumber(row, "size", -1);
        ASSERT_TRUE(size == 0 || size == 1) << "line " << row.line;
        const PuzzleSizeInfo &info = PUZZLE_SIZE_INFO[size];
        for (int picture = 0; picture < PUZZLE_PICTURES; picture++) {
            if (row.archive != info.pictureArchives[picture])
                continue;
            EXPECT_EQ(pictureLayout(picture), layout) << row.archive;
            for (const InventoryRow &other : rows) {
                bool sameCut = other.archive == info.outlineArchives[picture] ||
                               other.archive == info.shadowArchives[picture];
                if (sameCut) {
                    EXPECT_EQ(layout, paramNumber(other, "layout", -1)) << other.archive;
                }
            }
        }
    }
}

// A language's texts: key -> words, read as the generator reads them.
static std::map<std::string, std::string> readTexts(const std::string &language)
{
    DataBuild build;
    build.dataDir = LUMBRIK_SOURCE_DATA_DIR;
    EXPECT_TRUE(loadTexts(build, language)) << build.error;
    return build.texts;
}

// The {{placeholders}} and the numbers in some words, in order.
static std::vector<std::string> tokens(const std::string &words)
{
    static const std::regex token("\\{\\{[a-z_0-9]+\\}\\}|[0-9]+");
    std::vector<std::string> out;
    for (std::sregex_iterator i(words.begin(), words.end(), token), end; i != end; ++i)
        out.push_back(i->str());
    return out;
}

TEST_F(GameDataTest, EveryLanguageHasEveryKeyWordsAndTheSamePlaceholdersAndNumbers)
{
    std::map<std::string, std::string> english = readTexts("en");
    ASSERT_GE(english.size(), 34u);
    std::vector<std::string> languages = textLanguages(LUMBRIK_SOURCE_DATA_DIR);
    ASSERT_GE(languages.size(), 13u);  // English and twelve more
    for (const std::string &language : languages) {
        std::map<std::string, std::string> texts = readTexts(language);
        for (const auto &entry : english) {
            auto found = texts.find(entry.first);
            if (found == texts.end()) {
                ADD_FAILURE() << language << " lacks " << entry.first;
                continue;
            }
            EXPECT_NE(std::string::npos, found->second.find_first_not_of(" \t\u00a0")) << language << ":" << entry.first;
            EXPECT_EQ(tokens(entry.second), tokens(found->second)) << language << ":" << entry.first;
        }
        for (const auto &entry : texts)
            EXPECT_TRUE(english.count(entry.first)) << language << " has an unknown key " << entry.first;
    }
}

TEST_F(GameDataTest, WordArchivesExistOncePerLanguageAndNoOtherArchiveIsCopied)
{
    DataBuild build;
    build.dataDir = LUMBRIK_SOURCE_DATA_DIR;
    std::set<std::string> withWords, listed(WORD_ARCHIVES, WORD_ARCHIVES + WORD_ARCHIVE_COUNT);
    for (const std::string &archive : inventoryArchives(rows))
        if (archiveShowsWords(build, rows, archive))
            withWords.insert(archive);
    EXPECT_EQ(withWords, listed);  // the game and the generator agree
    std::vector<std::string> languages = textLanguages(LUMBRIK_SOURCE_DATA_DIR);
    EXPECT_EQ(std::set<std::string>(GAME_LANGUAGES, GAME_LANGUAGES + GAME_LANGUAGE_COUNT),
              std::set<std::string>(languages.begin(), languages.end()));
    for (const std::string &language : languages) {
        if (language == "en")
            continue;
        std::set<std::string> files;
        for (const auto &file : std::filesystem::directory_iterator(std::string(LUMBRIK_DATA_DIR) + "/" + language))
            files.insert(file.path().filename().string());
        EXPECT_EQ(listed, files) << language;
        for (const std::string &archive : listed) {
            PakArchive translated;
            if (load(language + "/" + archive, translated))
                for (const std::string &problem : checkArchive(translated))
                    ADD_FAILURE() << language << "/" << archive << ": " << problem;
        }
    }
}
