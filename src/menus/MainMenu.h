// The main menu: puzzle size, sound and music switches, About, start all
// pictures again, our web site and three other games of ours.
#pragma once

// Click handler of the tool bar's "menu" button: opens the main menu.
void openMainMenu(void *userData);

// Switch handlers (userData = the menu's screen). On a click each changes
// its setting once and replaces its switch by the opposite one.
void switchTo48(void *screen);
void switchTo20(void *screen);
void switchSoundOn(void *screen);
void switchSoundOff(void *screen);
void switchMusicOn(void *screen);
void switchMusicOff(void *screen);
