// lumbrik: a jigsaw-puzzle game for young children. Runs from the folder
// that holds its .pak archives.
//
//   lumbrik [--language=CODE] [--multisample=on|off]
//
// The words come in the desktop's language (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG; on Windows the user's interface language) when the game has it,
// else in English; --language picks one.
// Software rasterizers draw without multisampling unless --multisample=on
// or LUMBRIK_MULTISAMPLE=1 asks for it.
#include <SDL.h>

#include "app/Game.h"
#include "platform/Platform.h"

int main(int argc, char *argv[])
{
    platformStartErrorLog();
    chooseLanguageAtStart(argc, argv);
    return runGame(argc, argv);
}
