#include "menus/MainMenu.h"

#include "app/App.h"
#include "app/Picker.h"
#include "audio/Mixer.h"
#include "menus/Button.h"
#include "menus/Dialogs.h"
#include "menus/Screen.h"
#include "menus/WebLinks.h"
#include "puzzle/PuzzleFlow.h"
#include "resources/AheadDecoding.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

// The size switch's two perches (screen z): 20 pieces below, 48 above.
static const double PERCH_20_Z = 1.62, PERCH_48_Z = 3.22, SIZE_SWITCH_X = 0.51;
static const double SOUND_SWITCH_Z = 3.314, MUSIC_SWITCH_Z = 1.704, SOUND_MUSIC_X = -6.648;
static const double TITLES_Z = -10.576;

// The size switch: the awake bird on the perch of the current size, the dot on
// the other. The bird's model also covers both perches and their labels, so
// a click anywhere on the switch flips it.
static SceneObject *makeSizeSwitch(bool on48, SceneObject *screen)
{
    SceneObject *bird = makeScreenItem("buttons.pak", on48 ? "pti4ka_48" : "pti4ka_20", SIZE_SWITCH_X,
                                       on48 ? PERCH_48_Z : PERCH_20_Z, true);
    SceneObject *dot = new SceneObject;
    dot->setPosition(0, 0, on48 ? PERCH_20_Z - PERCH_48_Z : PERCH_48_Z - PERCH_20_Z);
    dot->setImage("buttons.pak", "to4ka");
    bird->addChild(dot);
    ActionCallback other = on48 ? switchTo20 : switchTo48;
    bird->script.trigger(bird->script.addStep(makeAction(1, ACTION_ENDLESS, other, screen)));
    return bird;
}

// A sound or music switch: "pti4ka" when on, "pti4ka_cl" when off.
static SceneObject *makeOnOffSwitch(bool on, double z, ActionCallback handler, SceneObject *screen)
{
    SceneObject *bird = makeScreenItem("buttons.pak", on ? "pti4ka" : "pti4ka_cl", SOUND_MUSIC_X, z, true);
    giveHandlers(bird, handler, nullptr, screen);
    return bird;
}

static void addMenuButton(SceneObject *screen, const char *archive, const char *image, double x, double z,
                          ActionCallback handler, int i0)
{
    SceneObject *button = makeScreenItem(archive, image, x, z, true);
    giveButton(button, handler, i0);
    screen->addChild(button);
}

static void buildMainMenu(SceneObject *previous)
{
    SceneObject *screen = app.topScreen;
    const Settings &s = *app.settings;
    screen->addChild(makeScreenBackground("main_menu.pak", "fon_menu"));
    SceneObject *band = makeScreenBackground("main_menu.pak", "reclama");
    band->setScale(0.9, 1, 1);
    screen->addChild(band);
    screen->addChild(makeSizeSwitch(s.puzzleSize != 0, screen));
    screen->addChild(makeOnOffSwitch(s.soundOn != 0, SOUND_SWITCH_Z, s.soundOn ? switchSoundOff : switchSoundOn, screen));
    screen->addChild(makeOnOffSwitch(s.musicOn != 0, MUSIC_SWITCH_Z, s.musicOn ? switchMusicOff : switchMusicOn, screen));
    SceneObject *close = makeScreenItem("main_menu.pak", "close_menu", 8.091, 4.205, true);
    giveHandlers(close, closeOnCancel, nullptr, previous);
    screen->addChild(close);
    addMenuButton(screen, "main_menu.pak", "about", 3.13, -3.328, openAbout, 0);
    addMenuButton(screen, "main_menu.pak", "visit", -3.99, -3.328, openHomePage, 0);
    addMenuButton(screen, "main_menu.pak", "break", -5.261, -0.684, openResetAll, 0);
    addMenuButton(screen, "reclama1.pak", "rec1", -8.2, TITLES_Z, openTitlePage, 0);
    addMenuButton(screen, "reclama1.pak", "rec2", 0, TITLES_Z, openTitlePage, 1);
    addMenuButton(screen, "reclama1.pak", "rec3", 8.2, TITLES_Z, openTitlePage, 2);
}

// The images buildMainMenu and the blocker will show with these settings.
static std::vector<AheadArchive> menuImages(const Settings &s)
{
    std::vector<std::string> birds = {s.puzzleSize != 0 ? "pti4ka_48.png" : "pti4ka_20.png", "clear.png", "to4ka.png",
                                      s.soundOn ? "pti4ka.png" : "pti4ka_cl.png"};
    if (s.musicOn != s.soundOn)
        birds.push_back(s.musicOn ? "pti4ka.png" : "pti4ka_cl.png");
    return {app.pakCache.aheadOf("main_menu.pak", {"block.png", "fon_menu.png", "reclama.png", "close_menu.png",
                                                   "about.png", "visit.png", "break.png"}),
            app.pakCache.aheadOf("buttons.pak", birds),
            app.pakCache.aheadOf("reclama1.pak", {"rec1.png", "rec2.png", "rec3.png"})};
}

void openMainMenu(void *userData)
{
    // A pointer resting on the button is about to open the menu: its images
    // decode on a worker meanwhile, so that the opening frame only uploads
    // them. Leaving the button lets them go.
    if (app.settings && app.picker.isHovered()) {
        if (!aheadRequested(AHEAD_MENU))
            decodeAhead(AHEAD_MENU, menuImages(*app.settings));
    } else {
        dropAhead(AHEAD_MENU);
    }
    if (!clickedHere() || !app.settings)
        return;
    SceneObject *previous = beginScreen();
    buildMainMenu(previous);
}

// Common end of every switch: retire this one, put its opposite in its place.
static void replaceSwitch(SceneObject *replacement, SceneObject *screen)
{
    app.currentObject->close();
    screen->addChild(replacement);
}

void switchTo48(void *screen)
{
    offerButton();
    if (!clickedHere())
        return;
    setPuzzleSize(1);
    leaveBoard();
    replaceSwitch(makeSizeSwitch(true, (SceneObject *)screen), (SceneObject *)screen);
}

void switchTo20(void *screen)
{
    offerButton();
    if (!clickedHere())
        return;
    setPuzzleSize(0);
    leaveBoard();
    replaceSwitch(makeSizeSwitch(false, (SceneObject *)screen), (SceneObject *)screen);
}

void switchSoundOn(void *screen)
{
    if (!clickedHere())
        return;
    app.settings->soundOn = 1;
    replaceSwitch(makeOnOffSwitch(true, SOUND_SWITCH_Z, switchSoundOff, (SceneObject *)screen), (SceneObject *)screen);
}

void switchSoundOff(void *screen)
{
    if (!clickedHere())
        return;
    app.settings->soundOn = 0;
    replaceSwitch(makeOnOffSwitch(false, SOUND_SWITCH_Z, switchSoundOn, (SceneObject *)screen), (SceneObject *)screen);
}

void switchMusicOn(void *screen)
{
    if (!clickedHere())
        return;
    app.settings->musicOn = 1;
    if (app.mixer) {
        app.mixer->syncSwitches(*app.settings);
        app.mixer->play("music.wav", true);
    }
    replaceSwitch(makeOnOffSwitch(true, MUSIC_SWITCH_Z, switchMusicOff, (SceneObject *)screen), (SceneObject *)screen);
}

void switchMusicOff(void *screen)
{
    if (!clickedHere())
        return;
    app.settings->musicOn = 0;
    if (app.mixer)
        app.mixer->syncSwitches(*app.settings);
    replaceSwitch(makeOnOffSwitch(false, MUSIC_SWITCH_Z, switchMusicOn, (SceneObject *)screen), (SceneObject *)screen);
}
