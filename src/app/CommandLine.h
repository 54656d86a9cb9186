// The program's command line: one table of options that --help, the line
// about an unknown option and the manual page all follow.
#pragma once

#include <string>

// The game's version, set by the build (LUMBRIK_VERSION, from the project's version).
extern const char GAME_VERSION[];

// One option: its name, what follows it ("" or "=VALUE"), one line of help.
struct CommandOption {
    const char *name;      // "--language"
    const char *argument;  // "=CODE", or "" for an option that stands alone
    const char *help;
};

extern const CommandOption COMMAND_OPTIONS[];
extern const int COMMAND_OPTION_COUNT;

enum CommandRequest {
    COMMAND_PLAY,     // start the game (its options read later by their owners)
    COMMAND_HELP,     // print helpText() and exit 0
    COMMAND_VERSION,  // print the version and exit 0
    COMMAND_UNKNOWN   // an argument no option knows: say so and exit 2
};

// What the arguments ask for; for COMMAND_UNKNOWN `unknown` is the first argument not in the table.
CommandRequest readCommandLine(int argc, char **argv, std::string &unknown);
// The usage line, every option with its help, and the environment the game reads.
std::string helpText();
// Answers --help, --version and an unknown option; -1 when the game should start,
// else the exit status.
int answerCommandLine(int argc, char **argv);
