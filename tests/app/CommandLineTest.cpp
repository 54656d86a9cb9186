#include "app/CommandLine.h"
#include "resources/Language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

CommandRequest read(std::vector<std::string> words, std::string &unknown)
{
    words.insert(words.begin(), "lumbrik");
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(&w[0]);
    return readCommandLine((int)argv.size(), argv.data(), unknown);
}

std::string manualPage()
{
    std::ifstream in(std::string(LUMBRIK_SOURCE_DATA_DIR) + "/../tools/install/lumbrik.6");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(CommandLineTest, EachArgumentIsReadAsTheTableSays)
{
    const struct {
        std::vector<std::string> words;
        CommandRequest request;
        const char *unknown;
    } cases[] = {
        {{}, COMMAND_PLAY, ""},
        {{"--language=de", "--multisample=off"}, COMMAND_PLAY, ""},
        {{"--help"}, COMMAND_HELP, ""},
        {{"--language=fr", "--version"}, COMMAND_VERSION, ""},
        {{"--version", "--help"}, COMMAND_VERSION, ""},  // the first request wins
        {{"--helpme"}, COMMAND_UNKNOWN, "--helpme"},
        {{"--language"}, COMMAND_UNKNOWN, "--language"},  // its value is missing
        {{"--help=yes"}, COMMAND_UNKNOWN, "--help=yes"},
        {{"--help", "-x", "--also"}, COMMAND_UNKNOWN, "-x"},  // an unknown argument always refuses
        {{"picture.png"}, COMMAND_UNKNOWN, "picture.png"},
    };
    for (const auto &c : cases) {
        std::string unknown;
        SCOPED_TRACE(c.words.empty() ? "(none)" : c.words[0]);
        EXPECT_EQ(c.request, read(c.words, unknown));
        EXPECT_EQ(c.unknown, unknown);
    }
}

TEST(CommandLineTest, HelpAndManualPageListEveryOptionAndTheEnvironment)
{
    const std::string help = helpText();
    // groff writes a hyphen as "\-"; the page is read with them plain.
    std::string manual = manualPage();
    ASSERT_FALSE(manual.empty());
    for (size_t at = manual.find("\\-"); at != std::string::npos; at = manual.find("\\-", at))
        manual.erase(at, 1);
    for (int i = 0; i < COMMAND_OPTION_COUNT; i++) {
        const std::string name = COMMAND_OPTIONS[i].name;
        EXPECT_NE(std::string::npos, help.find("  " + name + COMMAND_OPTIONS[i].argument + " ")) << name;
        EXPECT_NE(std::string::npos, manual.find(name)) << name;
    }
    EXPECT_NE(std::string::npos, help.find("LUMBRIK_MULTISAMPLE"));
    EXPECT_NE(std::string::npos, manual.find("LUMBRIK_MULTISAMPLE"));
    // Where a parent's photos go, said in both.
    EXPECT_NE(std::string::npos, help.find("~/Pictures/Lumbrik"));
    EXPECT_NE(std::string::npos, manual.find("~/Pictures/Lumbrik"));
    EXPECT_NE(std::string::npos, manual.find("\"lumbrik " + std::string(GAME_VERSION) + "\""));
    for (int i = 0; i < GAME_LANGUAGE_COUNT; i++)
        EXPECT_NE(std::string::npos, help.find(std::string(" ") + GAME_LANGUAGES[i])) << GAME_LANGUAGES[i];
}
