// The small screens: welcome, help, exit, About, and the two confirmations
// that start pictures again. Each opens on top of the screen stack and is
// closed by one of its buttons.
#pragma once

struct SceneObject;

// A pickable background at the top screen's origin (its model carries its own depth).
SceneObject *addDialogBackground(const char *archive, const char *image);
// A pickable object at (x, SCREEN_DEPTH_Y, z) of the top screen.
SceneObject *addDialogItem(const char *archive, const char *image, double x, double z);

// Opens the welcome screen (called once at start-up on the very first run).
void openWelcome();

// Openers: click handlers of tool-bar and main-menu buttons, run every frame.
// Help: a click, or F1 while no screen is open.
void openHelp(void *userData);
// Exit: a click, or Escape while no screen is open.
void openExit(void *userData);
// Start this picture again: a click.
void openResetOne(void *userData);
// About: a click.
void openAbout(void *userData);
// Start all pictures again: a click.
void openResetAll(void *userData);

// Confirming handlers (a click, or Enter on the top screen).
void confirmExit(void *userData);
// Under the child lock: one-shot, run when the exit confirm has been held.
void leaveAfterHold(void *userData);
void resetPicture(void *userData);
void resetAllPictures(void *userData);
