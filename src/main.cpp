// lumbrik: a jigsaw-puzzle game for young children. Runs from the folder
// that holds its .pak archives.
//
//   lumbrik [--help] [--version] [--language=CODE] [--multisample=on|off]
//           [--scan=SECONDS] [--child-lock]
//
// The words come in the desktop's language (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG; on Windows the user's interface language) when the game has it,
// else in English; --language picks one.
// Software rasterizers draw without multisampling unless --multisample=on
// or LUMBRIK_MULTISAMPLE=1 asks for it. --scan steps the switches' highlight
// by itself; --child-lock keeps a child from leaving (see Game.cpp).
#include <SDL.h>

#include "app/CommandLine.h"
#include "app/Game.h"
#include "platform/Platform.h"

int main(int argc, char *argv[])
{
    const int answered = answerCommandLine(argc, argv);
    if (answered >= 0)
        return answered;
    platformStartErrorLog();
    chooseLanguageAtStart(argc, argv);
    return runGame(argc, argv);
}
