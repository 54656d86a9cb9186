#include <gtest/gtest.h>

#include "datagen/DataBuild.h"
#include "datagen/Inventory.h"

TEST(InventoryParseTest, RangesExpandAndParametersAreRead)
{
    std::vector<InventoryRow> rows;
    std::string error;
    ASSERT_TRUE(parseInventory("# comment\n\n"
                               "puzzle.pak\t1..20\tpiece\txy\tpictures/p.svg\tsize=0\tlayout=2\n"
                               "menu.pak\tok\timage\txz\tart/ok.svg\tw=4.5 h=2.2 at=1,-65,-3.5 px=256\n",
                               rows, error))
        << error;
    ASSERT_EQ(2u, rows.size());
    std::vector<std::string> names = expandEntries(rows[0]);
    ASSERT_EQ(20u, names.size());
    EXPECT_EQ("1", names.front());
    EXPECT_EQ("20", names.back());
    EXPECT_EQ(2, paramNumber(rows[0], "layout", -1));
    double at[3];
    paramPoint(rows[1], at);
    EXPECT_EQ(1, at[0]);
    EXPECT_EQ(-65, at[1]);
    EXPECT_EQ(-3.5, at[2]);
    EXPECT_EQ(4.5, paramNumber(rows[1], "w", 0));
    EXPECT_EQ(7, paramNumber(rows[1], "missing", 7));
    EXPECT_EQ(std::vector<std::string>({"puzzle.pak", "menu.pak"}), inventoryArchives(rows));
}

TEST(InventoryParseTest, MalformedRowsAreRefusedNamingTheirLine)
{
    std::vector<InventoryRow> rows;
    std::string error;
    EXPECT_FALSE(parseInventory("a.pak\tx\timage\txz\n", rows, error));
    EXPECT_NE(std::string::npos, error.find("line 1"));
    EXPECT_FALSE(parseInventory("# c\na.pak\tx\tpainting\txz\tart/x.svg\n", rows, error));
    EXPECT_NE(std::string::npos, error.find("line 2"));
    EXPECT_NE(std::string::npos, error.find("painting"));
    EXPECT_FALSE(parseInventory("a.pak\tx\timage\txz\tart/x.svg\tw:4\n", rows, error));
    EXPECT_NE(std::string::npos, error.find("w:4"));
}

TEST(InventoryTextsTest, PlaceholdersAreReplacedEscapedAndUnknownOnesRefused)
{
    DataBuild build;
    build.texts["exit.ask"] = "Leave <now> & \"go\"?";
    std::string out, error;
    ASSERT_TRUE(applyTexts(build, "<text>{{exit.ask}}</text>", out, error));
    EXPECT_EQ("<text>Leave &lt;now&gt; &amp; &quot;go&quot;?</text>", out);
    EXPECT_FALSE(applyTexts(build, "<text>{{exit.nope}}</text>", out, error));
    EXPECT_NE(std::string::npos, error.find("exit.nope"));
}
