// Words drawn into the art: every text is measured against its box in every
// language, laid out right to left where the language needs it, and never
// shrunk to fit.
#include <string>

#include <gtest/gtest.h>

#include "datagen/DataBuild.h"
#include "datagen/TextFit.h"
#include "support/TestArchives.h"

// A data folder with one piece of art, a 600-unit-wide label in a 400-unit
// box, anchored at its left edge, and the words of two languages.
class TextFitTest : public testing::Test {
protected:
    void SetUp() override
    {
        build.dataDir = makeTempFolder("textfit");
        ASSERT_EQ(0, system(("mkdir -p " + build.dataDir + "/texts").c_str()));
        put("texts/en.tsv", "label\tShort\n");
        put("texts/xx.tsv", "label\tA much longer label\n");
        put("texts/ar.tsv", "label\tكم قطعة؟\n");
        put("label.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"100\" viewBox=\"0 0 600 100\">"
                         "<text x=\"50\" y=\"70\" data-box=\"40 10 400 80\" font-family=\"DejaVu Sans\" "
                         "font-size=\"50\" text-anchor=\"start\">{{label}}</text></svg>");
    }
    void put(const std::string &name, const std::string &text)
    {
        ASSERT_TRUE(writeFileAtomic(build.dataDir + "/" + name, Bytes(text.begin(), text.end())));
    }
    bool render(const std::string &language)
    {
        Bytes png;
        return loadTexts(build, language) && renderSource(build, "label.svg", 600, 100, false, png);
    }
    DataBuild build;
};

TEST_F(TextFitTest, TooLongWordsAreReportedWithLanguageKeyAndOverflowNeverShrunk)
{
    ASSERT_TRUE(render("en"));
    EXPECT_TRUE(build.fitProblems.empty());
    ASSERT_TRUE(render("xx"));
    ASSERT_EQ(1u, build.fitProblems.size());
    const std::string &problem = build.fitProblems[0];
    EXPECT_EQ(0u, problem.find("xx: {{label}} overflows its box by ")) << problem;
    EXPECT_NE(std::string::npos, problem.find(" on the right (label.svg)")) << problem;
    double overflow = atof(problem.c_str() + problem.find(" by ") + 4);
    EXPECT_GT(overflow, 50);  // the full width: the text was not made smaller
}

TEST_F(TextFitTest, RightToLeftTextKeepsTheSideOfItsAnchor)
{
    std::string svg = "<svg><text x=\"50\" data-box=\"40 10 400 80\" text-anchor=\"start\">{{label}}</text>"
                      "<text x=\"9\">1</text><text x=\"50\" data-box=\"0 0 9 9\">{{a}}{{b}}</text></svg>";
    std::string prepared, error;
    std::vector<TextSlot> slots;
    ASSERT_TRUE(prepareTexts(svg, true, prepared, slots, error)) << error;
    EXPECT_EQ("<svg><text direction=\"rtl\" id=\"fit0\" x=\"50\" data-box=\"40 10 400 80\" text-anchor=\"end\">{{label}}"
              "</text><text x=\"9\">1</text><text direction=\"rtl\" text-anchor=\"end\" id=\"fit1\" x=\"50\" "
              "data-box=\"0 0 9 9\">{{a}}{{b}}</text></svg>",
              prepared);
    ASSERT_EQ(2u, slots.size());
    EXPECT_EQ("{{a}}{{b}}", slots[1].keys);
    // Laid out by librsvg: the Arabic label starts where the English one does.
    ASSERT_TRUE(render("ar"));
    EXPECT_TRUE(build.fitProblems.empty()) << build.fitProblems[0];
    EXPECT_TRUE(isRightToLeft("ar") && isRightToLeft("he_IL") && !isRightToLeft("de"));
}

TEST_F(TextFitTest, TextWithWordsButNoBoxIsAnError)
{
    put("label.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
                     "<text x=\"1\" y=\"9\">{{label}}</text></svg>");
    EXPECT_FALSE(render("en"));
    EXPECT_NE(std::string::npos, build.error.find("{{label}} has no data-box")) << build.error;
    std::string prepared, error;
    std::vector<TextSlot> slots;
    EXPECT_FALSE(prepareTexts("<text id=\"\" data-box=\"0 0 1 1\">{{k}}</text>", false, prepared, slots, error));
    EXPECT_EQ("the text showing {{k}} has an empty id", error);  // found by fuzzing
}
