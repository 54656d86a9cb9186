// lumbrik: a jigsaw-puzzle game for young children. Runs from the folder
// that holds its .pak archives.
#include <SDL.h>

#include "app/Game.h"

int main(int argc, char *argv[])
{
    return runGame(argc, argv);
}
