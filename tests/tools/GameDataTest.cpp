// The archives the build generated, checked against the inventory and
// against the names the game asks for.
#include <gtest/gtest.h>

#include "datagen/Inventory.h"
#include "paktool/PakContents.h"
#include "puzzle/PuzzleLayouts.h"
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
