// lumbrik: a jigsaw-puzzle game for young children. Runs from the folder
// that holds its .pak archives.
//
//   lumbrik [--help] [--version] [--language=CODE] [--multisample=on|off]
//
// The words come in the desktop's language (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG) when the game has it, else in English; --language picks one.
// Software rasterizers draw without multisampling unless --multisample=on
// or LUMBRIK_MULTISAMPLE=1 asks for it.
#include <SDL.h>

#include "app/CommandLine.h"
#include "app/Game.h"

int main(int argc, char *argv[])
{
    const int answered = answerCommandLine(argc, argv);
    if (answered >= 0)
        return answered;
    chooseLanguageAtStart(argc, argv);
    return runGame(argc, argv);
}
