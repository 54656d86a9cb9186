#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

#ifndef LUMBRIK_VERSION
#error "LUMBRIK_VERSION must come from the build"
#endif

const char GAME_VERSION[] = LUMBRIK_VERSION;

const CommandOption COMMAND_OPTIONS[] = {
    {"--help", "", "print these options and exit"},
    {"--version", "", "print the version and exit"},
    {"--language", "=CODE", "show the words in one language: ar de en es fr it nl pl pt_BR ru sv tr uk"},
    {"--multisample", "=on|off", "smooth edges with 4x multisampling, or not (default: on, off for software drawing)"},
    {"--scan", "=SECONDS", "move the highlight by itself every SECONDS (0.5 to 5): one switch plays"},
    {"--child-lock", "", "keep a child's keys from leaving; leaving needs the exit confirm held 2 s"},
};
const int COMMAND_OPTION_COUNT = sizeof COMMAND_OPTIONS / sizeof COMMAND_OPTIONS[0];

namespace {

// The environment the game reads, listed after the options.
const char ENVIRONMENT_HELP[] =
    "Environment:\n"
    "  LUMBRIK_MULTISAMPLE=1|0  as --multisample=on|off (the option wins)\n";
const char PHOTOS_HELP[] =
    "Photos:\n"
    "  Up to five photos (PNG or JPEG) in the Lumbrik folder of your pictures folder\n"
    "  (usually ~/Pictures/Lumbrik) become the puzzles at the next start.\n";

// True when `argument` is `option`: its name alone, or name=value for one that takes a value.
bool matches(const char *argument, const CommandOption &option)
{
    const size_t length = std::strlen(option.name);
    if (std::strncmp(argument, option.name, length) != 0)
        return false;
    if (!*option.argument)
        return argument[length] == '\0';
    return argument[length] == '=';
}

const CommandOption *findOption(const char *argument)
{
    for (int i = 0; i < COMMAND_OPTION_COUNT; i++)
        if (matches(argument, COMMAND_OPTIONS[i]))
            return &COMMAND_OPTIONS[i];
    return nullptr;
}

} // namespace

CommandRequest readCommandLine(int argc, char **argv, std::string &unknown)
{
    CommandRequest request = COMMAND_PLAY;
    for (int i = 1; i < argc; i++) {
        const CommandOption *option = findOption(argv[i]);
        if (!option) {
            unknown = argv[i];
            return COMMAND_UNKNOWN;
        }
        if (request == COMMAND_PLAY && std::strcmp(option->name, "--help") == 0)
            request = COMMAND_HELP;
        else if (request == COMMAND_PLAY && std::strcmp(option->name, "--version") == 0)
            request = COMMAND_VERSION;
    }
    return request;
}

std::string helpText()
{
    std::string text = "Usage: lumbrik [OPTION]...\nJigsaw puzzles for young children.\n\nOptions:\n";
    for (int i = 0; i < COMMAND_OPTION_COUNT; i++) {
        std::string left = std::string("  ") + COMMAND_OPTIONS[i].name + COMMAND_OPTIONS[i].argument;
        left.resize(left.size() < 26 ? 26 : left.size() + 2, ' ');
        text += left + COMMAND_OPTIONS[i].help + "\n";
    }
    return text + "\n" + ENVIRONMENT_HELP + "\n" + PHOTOS_HELP;
}

int answerCommandLine(int argc, char **argv)
{
    std::string unknown;
    switch (readCommandLine(argc, argv, unknown)) {
    case COMMAND_HELP:
        std::fputs(helpText().c_str(), stdout);
        return 0;
    case COMMAND_VERSION:
        std::printf("lumbrik %s\n", GAME_VERSION);
        return 0;
    case COMMAND_UNKNOWN:
        std::fprintf(stderr, "lumbrik: unknown option \"%s\" (lumbrik --help lists the options)\n", unknown.c_str());
        return 2;
    default:
        return -1;
    }
}
