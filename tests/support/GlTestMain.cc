// Main of the GL tests: opens the game's real full-screen display once for
// the whole run (one full-screen SDL program per X display), then runs them
// from the build's data folder, where the game finds its archives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "app/App.h"
#include "app/Display.h"
#include "app/Game.h"
#include "scene/SceneObject.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (chdir(LUMBRIK_DATA_DIR) != 0) {
        fprintf(stderr, "cannot enter %s\n", LUMBRIK_DATA_DIR);
        return 1;
    }
    openGameDisplay(0, nullptr);  // LUMBRIK_MULTISAMPLE picks the mode
    app.root = new SceneObject;
    int status = RUN_ALL_TESTS();
    delete app.root;
    app.root = nullptr;
    delete app.display;
    app.display = nullptr;
    return status;
}
