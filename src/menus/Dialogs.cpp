#include "menus/Dialogs.h"

#include "app/App.h"
#include "app/Display.h"
#include "app/Picker.h"
#include "menus/Button.h"
#include "menus/HoldConfirm.h"
#include "menus/Screen.h"
#include "puzzle/PuzzleFlow.h"
#include "resources/Settings.h"
#include "scene/SceneObject.h"

// Dialog buttons that share one place in every two-button dialog.
static const double CANCEL_X = -3.372, CONFIRM_X = 3.232, BUTTON_ROW_Z = -1.443;

// The background takes the pointer, so that a click on the dialog never
// reaches a button of the screen beneath it.
SceneObject *addDialogBackground(const char *archive, const char *image)
{
    SceneObject *background = makeScreenBackground(archive, image);
    background->addHook(pickableHook, 0);
    app.topScreen->addChild(background);
    return background;
}

SceneObject *addDialogItem(const char *archive, const char *image, double x, double z)
{
    SceneObject *item = makeScreenItem(archive, image, x, z, true);
    app.topScreen->addChild(item);
    return item;
}

static double dialogHalfWidth() { return app.display->halfWidthAt(SCREEN_DISTANCE); }
static double dialogHalfHeight() { return app.display->halfHeightAt(SCREEN_DISTANCE); }

// The corner picture showing the two-click play, anchored to the top left.
static SceneObject *addHelpPicture()
{
    return addDialogItem("help_menu.pak", "help", 7.8 - dialogHalfWidth(), dialogHalfHeight() - 4.3);
}

void openWelcome()
{
    SceneObject *previous = beginScreen();
    SceneObject *background = addDialogBackground("help_menu.pak", "fon_wel");
    background->setImage("help_menu.pak", "puz_help");
    addHelpPicture();
    SceneObject *ok = addDialogItem("help_menu.pak", "ok", 0, -3.839);
    giveHandlers(ok, closeOnConfirm, showSizeSelection, previous);
}

// The help card is read, not played with: a click anywhere on it (or
// Escape) puts it away, not only its close button.
static void closeOnAnyClick(SceneObject *part, SceneObject *previous)
{
    part->script.trigger(part->script.addStep(makeAction(1, ACTION_ENDLESS, closeOnCancel, previous)));
}

void openHelp(void *userData)
{
    if (!clickedHere() && !(!app.topScreen && keyPressed(SDLK_F1)))
        return;
    SceneObject *previous = beginScreen();
    closeOnAnyClick(addDialogBackground("help_menu.pak", "puz_help"), previous);
    closeOnAnyClick(addHelpPicture(), previous);
    SceneObject *close = addDialogItem("buttons.pak", "close_menu", dialogHalfWidth() - 1.26, dialogHalfHeight() - 1.32);
    giveHandlers(close, closeOnCancel, nullptr, previous);
}

void openExit(void *userData)
{
    if (!clickedHere() && !(!app.topScreen && keyPressed(SDLK_ESCAPE)))
        return;
    SceneObject *previous = beginScreen();
    addDialogBackground("exit_menu.pak", "fon_exit");
    giveHandlers(addDialogItem("exit_menu.pak", "cancel", CANCEL_X, BUTTON_ROW_Z), closeOnCancel, nullptr, previous);
    SceneObject *ok = addDialogItem("exit_menu.pak", "ok", CONFIRM_X, BUTTON_ROW_Z);
    if (app.childLock)
        giveHoldConfirm(ok, leaveAfterHold, nullptr);  // a grown-up holds it; a child's mashing cannot
    else
        giveButton(ok, confirmExit);
}

void leaveAfterHold(void *userData)
{
    app.currentAction->enabled = false;
    saveAndClose();
}

void confirmExit(void *userData)
{
    if (clickedHere() || keyOnTop(SDLK_RETURN))
        saveAndClose();
}

void openResetOne(void *userData)
{
    if (!clickedHere())
        return;
    SceneObject *previous = beginScreen();
    addDialogBackground("break_menu.pak", "break_puzzle");
    giveHandlers(addDialogItem("break_menu.pak", "cancel", CANCEL_X, BUTTON_ROW_Z), closeOnCancel, nullptr, previous);
    giveHandlers(addDialogItem("break_menu.pak", "break", CONFIRM_X, BUTTON_ROW_Z), closeOnConfirm, resetPicture, previous);
}

void resetPicture(void *userData)
{
    if (!clickedHere() && !keyOnTop(SDLK_RETURN))
        return;
    if (app.settings)
        app.settings->completed[app.board.pictureIndex] = 0;
    app.progress.clearPicture(app.board.pictureIndex);
    saveProgressNow();
    leaveBoard();
}

void openAbout(void *userData)
{
    if (!clickedHere())
        return;
    SceneObject *previous = beginScreen();
    addDialogBackground("about_menu.pak", "fon_about");
    giveHandlers(addDialogItem("about_menu.pak", "ok", -0.008, -4.21), closeOnConfirm, nullptr, previous);
}

void openResetAll(void *userData)
{
    if (!clickedHere())
        return;
    SceneObject *previous = beginScreen();
    addDialogBackground("break_menu.pak", "break_puzzles");
    giveHandlers(addDialogItem("break_menu.pak", "cancel", CANCEL_X, BUTTON_ROW_Z), closeOnCancel, nullptr, previous);
    giveHandlers(addDialogItem("break_menu.pak", "break", CONFIRM_X, BUTTON_ROW_Z), closeBothOnConfirm, resetAllPictures,
                 previous);
}

void resetAllPictures(void *userData)
{
    if (!clickedHere() && !keyOnTop(SDLK_RETURN))
        return;
    for (int i = 0; i < PUZZLE_PICTURES && app.settings; i++)
        app.settings->completed[i] = 0;
    app.progress.clearAll();
    saveProgressNow();
    leaveBoard();
}
