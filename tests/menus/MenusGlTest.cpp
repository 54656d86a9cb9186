// Menus and dialogs played through the real game: tool-bar buttons, keys,
// every dialog button, the main menu's switches and the web links.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/App.h"
#include "audio/Mixer.h"
#include "resources/Mesh.h"
#include "menus/WebLinks.h"
#include "platform/Browser.h"
#include "puzzle/PuzzleFlow.h"
#include "scene/SceneObject.h"
#include "support/GameScenario.h"
#include "support/StderrCapture.h"
#include "support/TestArchives.h"

// URLs handed to the browser instead of starting one, and whether the
// double says a browser started.
static std::vector<std::string> launched;
static bool browserStarts = true;

static bool recordLaunch(const char *url, void *user, ChildProcess *child)
{
    launched.push_back(url);
    return browserStarts;
}

class MenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        Settings s;
        s.showWelcome = 0;
        s.puzzleSize = 0;
        startScenario(clock, s);
        settle();
        app.settingsPath = makeTempFolder("menus") + "/pelnovo_lumbrik_cfg";
        launched.clear();
        browserStarts = true;
        savedLauncher = browserLauncher;
        browserLauncher.launch = recordLaunch;
        browserLauncher.user = nullptr;
    }
    void TearDown() override
    {
        browserLauncher = savedLauncher;
        endScenario();
    }
    void settle() { playScenario(16, 50); }
    SceneObject *tool(ToolButton b) { return app.root->children[b]; }
    SceneObject *item(int i)
    {
        SceneObject *screen = app.topScreen;
        return screen && (size_t)i < screen->children.size() ? screen->children[i] : nullptr;
    }
    bool settingsFileWritten()
    {
        FILE *f = fopen(app.settingsPath.c_str(), "rb");
        if (!f)
            return false;
        fclose(f);
        return true;
    }
    // Opens the main menu with a click on the tool bar and lets it slide in.
    void openMenu()
    {
        ASSERT_TRUE(clickOn(tool(TOOL_MENU)));
        settle();
        ASSERT_NE(nullptr, app.topScreen);
    }
    ManualClock clock;
    BrowserLauncher savedLauncher;
};

class ExitDialogTest : public MenuTest {};

TEST_F(ExitDialogTest, EscapeOpensItAndASecondEscapeClosesIt)
{
    pressKey(SDLK_ESCAPE);
    ASSERT_NE(nullptr, app.topScreen);
    settle();
    pressKey(SDLK_ESCAPE);
    EXPECT_EQ(nullptr, app.topScreen);
    settle();
    EXPECT_FALSE(app.root->closing);
}

TEST_F(ExitDialogTest, EnterSavesTheSettingsAndEndsTheGame)
{
    pressKey(SDLK_ESCAPE);
    settle();
    pressKey(SDLK_RETURN);
    EXPECT_TRUE(app.root->closing);
    EXPECT_TRUE(settingsFileWritten());
}

TEST_F(ExitDialogTest, CloseButtonOpensItAndStayClosesIt)
{
    ASSERT_TRUE(clickOn(tool(TOOL_CLOSE)));
    settle();
    ASSERT_NE(nullptr, app.topScreen);
    ASSERT_TRUE(clickOn(item(1)));  // "cancel"
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_FALSE(app.root->closing);
}

TEST_F(ExitDialogTest, LeaveButtonEndsTheGame)
{
    pressKey(SDLK_ESCAPE);
    settle();
    ASSERT_TRUE(clickOn(item(2)));  // "ok"
    EXPECT_TRUE(app.root->closing);
    EXPECT_TRUE(settingsFileWritten());
}

// The child lock: only a held confirm leaves; a quick Return and a toddler's
// mashing of keys and buttons never do.
class ChildLockTest : public MenuTest {
protected:
    void SetUp() override
    {
        app.childLock = true;
        MenuTest::SetUp();
    }
    void TearDown() override
    {
        MenuTest::TearDown();
        app.childLock = false;
    }
    void tap(SDLKey key)
    {
        pushKey(key);
        playScenario(2);
        pushKeyUp(key);
        playScenario(3);
    }
};

TEST_F(ChildLockTest, ExitIgnoresQuickReturnAndMashingButLeavesAfterATwoSecondHold)
{
    pressKey(SDLK_ESCAPE);
    settle();
    SceneObject *exitDialog = app.topScreen;
    ASSERT_NE(nullptr, exitDialog);
    app.settings->musicOn = 0;  // a choice that must reach the file
    tap(SDLK_RETURN);
    playScenario(200, 16);  // well past two seconds
    EXPECT_FALSE(app.root->closing);
    const SDLKey mash[] = {SDLK_RETURN, SDLK_a, SDLK_RETURN, SDLK_F4, SDLK_LALT, SDLK_RETURN, SDLK_TAB,
                           SDLK_LSUPER, SDLK_RETURN, SDLK_RETURN, SDLK_q, SDLK_F1, SDLK_RETURN};
    for (int round = 0; round < 4; round++)
        for (SDLKey key : mash)
            tap(key);
    int x, y;
    ASSERT_TRUE(pointOn(item(2), x, y));  // the confirm: quick clicks on it
    for (int i = 0; i < 5; i++) {
        pushButton(SDL_BUTTON_LEFT, true);
        playScenario(10, 50);
        pushButton(SDL_BUTTON_LEFT, false);
        playScenario(2);
    }
    playScenario(100, 16);
    EXPECT_FALSE(app.root->closing);
    EXPECT_EQ(exitDialog, app.topScreen);
    EXPECT_FALSE(settingsFileWritten());

    pushMotion(5, app.mouseY);  // off the button: only Return is held now
    pushKey(SDLK_RETURN);
    playScenario(60, 16);  // about one second: not yet
    EXPECT_FALSE(app.root->closing);
    playScenario(70, 16);
    EXPECT_TRUE(app.root->closing);
    ASSERT_TRUE(settingsFileWritten());
    Settings saved = loadSettings(app.settingsPath.c_str(), nullptr);
    EXPECT_EQ(0, saved.musicOn);
}

class HelpDialogTest : public MenuTest {};

TEST_F(HelpDialogTest, F1OpensItEnterDoesNothingEscapeClosesIt)
{
    pressKey(SDLK_F1);
    ASSERT_NE(nullptr, app.topScreen);
    settle();
    pressKey(SDLK_RETURN);
    EXPECT_NE(nullptr, app.topScreen);
    pressKey(SDLK_ESCAPE);
    EXPECT_EQ(nullptr, app.topScreen);
}

TEST_F(HelpDialogTest, HelpButtonOpensItAndItsCloseButtonClosesIt)
{
    ASSERT_TRUE(clickOn(tool(TOOL_HELP)));
    settle();
    ASSERT_NE(nullptr, app.topScreen);
    ASSERT_TRUE(clickOn(item(2)));  // "close_menu"
    EXPECT_EQ(nullptr, app.topScreen);
}

TEST_F(HelpDialogTest, AClickAnywhereOnTheCardClosesIt)
{
    for (int part : {0, 1}) {  // the card, the picture on it
        SCOPED_TRACE(part);
        ASSERT_TRUE(clickOn(tool(TOOL_HELP)));
        settle();
        ASSERT_NE(nullptr, app.topScreen);
        ASSERT_TRUE(clickOn(item(part)));
        EXPECT_EQ(nullptr, app.topScreen);
        settle();
    }
    EXPECT_FALSE(app.root->closing);
}

TEST_F(HelpDialogTest, F1WithTheMainMenuOpenDoesNothing)
{
    openMenu();
    SceneObject *menu = app.topScreen;
    pressKey(SDLK_F1);
    settle();
    EXPECT_EQ(menu, app.topScreen);
}

// The help card's corner picture now lies over the tool bar and a click on
// it puts the card away, so the exit dialog shows the blocker at work.
TEST_F(ExitDialogTest, ToolBarIsBlockedWhileAScreenIsOpen)
{
    pressKey(SDLK_ESCAPE);
    settle();
    SceneObject *dialog = app.topScreen;
    EXPECT_FALSE(hoverOn(tool(TOOL_MENU)));  // the blocker takes the pointer
    pushButton(SDL_BUTTON_LEFT, true);
    pushButton(SDL_BUTTON_LEFT, false);
    playScenario(3);
    EXPECT_EQ(dialog, app.topScreen);
}

class MainMenuTest : public MenuTest {};

TEST_F(MainMenuTest, EscapeAndTheCloseButtonCloseIt)
{
    openMenu();
    pressKey(SDLK_ESCAPE);
    EXPECT_EQ(nullptr, app.topScreen);
    settle();
    openMenu();
    ASSERT_TRUE(clickOn(item(MENU_CLOSE)));
    EXPECT_EQ(nullptr, app.topScreen);
    settle();
    openMenu();  // it can be opened again, built afresh
}

TEST_F(MainMenuTest, SizeSwitchMovesTheBirdAndLaysThePictureOutAgain)
{
    openMenu();
    SceneObject *bird = item(MENU_SIZE);
    EXPECT_DOUBLE_EQ(1.62, bird->transform.position[2]);
    EXPECT_DOUBLE_EQ(1.6, bird->children[0]->transform.position[2]);  // the dot on the upper perch
    ASSERT_TRUE(clickOn(bird));
    settle();
    EXPECT_EQ(1, app.settings->puzzleSize);
    SceneObject *moved = app.topScreen->children.back();
    EXPECT_DOUBLE_EQ(3.22, moved->transform.position[2]);
    EXPECT_DOUBLE_EQ(-1.6, moved->children[0]->transform.position[2]);
    EXPECT_EQ(48, app.board.pieceCount);
    EXPECT_NE(nullptr, pieceObject(48));
    ASSERT_TRUE(clickOn(moved));  // once per click: back to 20
    settle();
    EXPECT_EQ(0, app.settings->puzzleSize);
    EXPECT_EQ(nullptr, pieceObject(21));
}

TEST_F(MainMenuTest, SizeSwitchShowsAnAwakeBirdAndItsLabelsFlipIt)
{
    openMenu();
    ASSERT_TRUE(clickOn(item(MENU_SOUND)));  // sound off: the sleeping bird
    settle();
    SceneObject *soundOff = app.topScreen->children.back();
    ASSERT_EQ(0, app.settings->soundOn);
    ASSERT_GT(item(MENU_SIZE)->meshCount, 0);
    EXPECT_NE(soundOff->meshes[0]->textureId, item(MENU_SIZE)->meshes[0]->textureId);
    // The middle of the label "48 pieces" on the menu's background.
    const double label[3] = {4.2, -65, 3.2};
    int x, y;
    ASSERT_TRUE(projectToWindow(item(MENU_BACKGROUND)->meshes[0], label, x, y));
    clickAt(x, y);
    settle();
    EXPECT_EQ(1, app.settings->puzzleSize);
    EXPECT_EQ(48, app.board.pieceCount);
}

TEST_F(MainMenuTest, DialogAboveTheMenuKeepsClicksFromTheButtonsItCovers)
{
    openMenu();
    SceneObject *menu = app.topScreen;
    SceneObject *startOver = item(MENU_BREAK);
    ASSERT_TRUE(clickOn(item(MENU_ABOUT)));
    settle();
    SceneObject *about = app.topScreen;
    ASSERT_NE(menu, about);
    int x, y;
    ASSERT_TRUE(windowPointOf(startOver, x, y));  // where it lies, under the About dialog
    clickAt(x, y);
    settle();
    EXPECT_EQ(about, app.topScreen);  // no "start all pictures again?" opened beneath
    EXPECT_FALSE(app.root->closing);
}

TEST_F(MainMenuTest, SoundSwitchFlipsOncePerClick)
{
    openMenu();
    ASSERT_TRUE(clickOn(item(MENU_SOUND)));
    EXPECT_EQ(0, app.settings->soundOn);
    settle();
    ASSERT_TRUE(clickOn(app.topScreen->children.back()));
    EXPECT_EQ(1, app.settings->soundOn);
}

TEST_F(MainMenuTest, MusicSwitchedOffAndOnStartsTheTuneFromItsBeginning)
{
    ASSERT_EQ(1, channelsPlaying("music.wav"));
    openMenu();
    ASSERT_TRUE(clickOn(item(MENU_MUSIC)));
    EXPECT_EQ(0, app.settings->musicOn);
    playScenario(2);
    EXPECT_EQ(0, channelsPlaying("music.wav"));
    ASSERT_TRUE(clickOn(app.topScreen->children.back()));
    EXPECT_EQ(1, app.settings->musicOn);
    ASSERT_EQ(1, channelsPlaying("music.wav"));
    int clip = app.mixer->findClip("music.wav");
    for (const MixerChannel &c : app.mixer->channels) {
        if (c.data == app.mixer->clips[clip].clip->buffer) {
            EXPECT_LT(c.position, 4000u);  // one 16 ms frame played since the start
            EXPECT_TRUE(c.loop);
        }
    }
}

TEST_F(MainMenuTest, EscapeWithAboutOpenAboveTheMenuDoesNothing)
{
    openMenu();
    SceneObject *menu = app.topScreen;
    ASSERT_TRUE(clickOn(item(MENU_ABOUT)));
    settle();
    SceneObject *about = app.topScreen;
    ASSERT_NE(menu, about);
    pressKey(SDLK_ESCAPE);
    settle();
    EXPECT_EQ(about, app.topScreen);
    pressKey(SDLK_RETURN);  // "ok" takes Enter and returns to the menu
    EXPECT_EQ(menu, app.topScreen);
}

TEST_F(MainMenuTest, CancellingResetAllKeepsEveryFlag)
{
    for (int i = 0; i < 5; i++)
        app.settings->completed[i] = i % 2;
    openMenu();
    SceneObject *menu = app.topScreen;
    ASSERT_TRUE(clickOn(item(MENU_BREAK)));
    settle();
    pressKey(SDLK_ESCAPE);
    EXPECT_EQ(menu, app.topScreen);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(i % 2, app.settings->completed[i]);
}

TEST_F(MainMenuTest, ConfirmingResetAllClearsEveryFlagAndClosesBothScreens)
{
    for (int i = 0; i < 5; i++)
        app.settings->completed[i] = 1;
    openMenu();
    ASSERT_TRUE(clickOn(item(MENU_BREAK)));
    settle();
    pressKey(SDLK_RETURN);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(0, app.settings->completed[i]);
    playScenario(1);
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_FALSE(app.closeBelow);
}

class ResetOneTest : public MenuTest {};

TEST_F(ResetOneTest, EnterClosesTheDialogAndResetsThePictureInTheSameFrame)
{
    app.settings->completed[0] = 1;
    ASSERT_TRUE(clickOn(tool(TOOL_BREAK)));
    settle();
    ASSERT_NE(nullptr, app.topScreen);
    pressKey(SDLK_RETURN);
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_EQ(0, app.settings->completed[0]);
}

TEST_F(ResetOneTest, CancelLeavesThePictureAsItWas)
{
    app.settings->completed[0] = 1;
    ASSERT_TRUE(clickOn(tool(TOOL_BREAK)));
    settle();
    ASSERT_TRUE(clickOn(item(1)));  // "cancel"
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_EQ(1, app.settings->completed[0]);
}

class ViewButtonTest : public MenuTest {};

TEST_F(ViewButtonTest, ViewFlipsThePanelBetweenToolShelfAndPreview)
{
    EXPECT_EQ(1, app.settings->menuExpanded);
    ASSERT_TRUE(clickOn(tool(TOOL_VIEW)));
    EXPECT_EQ(0, app.settings->menuExpanded);
    playScenario(1);
    EXPECT_TRUE(showsImage(app.panel, "common.pak"));  // the preview of picture 0
    settle();
    ASSERT_TRUE(clickOn(tool(TOOL_VIEW)));
    EXPECT_EQ(1, app.settings->menuExpanded);
}

class WebLinkTest : public MenuTest {
protected:
    // The grown-ups' dialog: background, Stay, the held button.
    enum { GATE_BACKGROUND, GATE_STAY, GATE_HOLD };
    bool gateOpen() { return item(GATE_BACKGROUND) && showsImage(item(GATE_BACKGROUND), "web_menu.pak"); }
    // Holds the round button down for 2.2 s of frames, then lets go.
    void holdGate()
    {
        ASSERT_TRUE(gateOpen());
        ASSERT_TRUE(hoverOn(item(GATE_HOLD)));
        pushButton(SDL_BUTTON_LEFT, true);
        playScenario(22, 100);
        pushButton(SDL_BUTTON_LEFT, false);
        playScenario(1);
    }
    // Puts a stand-in xdg-open running `body` first on PATH; the real launcher is used.
    void standInOpener(const char *body)
    {
        const char *oldPath = getenv("PATH");
        savedPath = oldPath ? oldPath : "";
        const std::string folder = makeTempFolder("opener");
        const std::string script = folder + "/xdg-open";
        FILE *f = fopen(script.c_str(), "w");
        ASSERT_NE(nullptr, f);
        fprintf(f, "#!/bin/sh\n%s\n", body);
        fclose(f);
        chmod(script.c_str(), 0755);
        setenv("PATH", (folder + ":" + savedPath).c_str(), 1);
        browserLauncher.launch = platformOpenUrl;
    }
    void TearDown() override
    {
        if (!savedPath.empty())
            setenv("PATH", savedPath.c_str(), 1);
        MenuTest::TearDown();
    }
    // Plays frames, in real time as well, until the game closes or the dialog
    // does; at most `frames` frames of 20 ms.
    void playUntilDecided(int frames)
    {
        for (int i = 0; i < frames && !app.root->closing && gateOpen(); i++) {
            SDL_Delay(20);
            playScenario(1, 20);
        }
    }
    std::string savedPath;
};

TEST_F(WebLinkTest, GetPuzzAsksFirstAndAHeldConfirmOpensTheDownloadPageOnce)
{
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    EXPECT_TRUE(gateOpen());
    EXPECT_TRUE(launched.empty());
    EXPECT_FALSE(app.root->closing);
    holdGate();
    ASSERT_EQ(1u, launched.size());
    EXPECT_EQ("http://www.lumbrik-games.example/download/?utm_source=software&utm_medium=lumbrik_win"
              "&utm_term=prog&utm_content=2.0.0&utm_campaign=lumbrik_win",
              launched[0]);
    EXPECT_TRUE(settingsFileWritten());
    EXPECT_TRUE(app.root->closing);
    playScenario(5);
    EXPECT_EQ(1u, launched.size());
}

TEST_F(WebLinkTest, StayAndEscapeCloseTheDialogAndKeepTheGame)
{
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    ASSERT_TRUE(clickOn(item(GATE_STAY)));
    settle();
    EXPECT_EQ(nullptr, app.topScreen);
    openMenu();
    SceneObject *menu = app.topScreen;
    ASSERT_TRUE(clickOn(item(MENU_VISIT)));
    settle();
    ASSERT_TRUE(gateOpen());
    pressKey(SDLK_ESCAPE);
    settle();
    EXPECT_EQ(menu, app.topScreen);
    EXPECT_TRUE(launched.empty());
    EXPECT_FALSE(app.root->closing);
    EXPECT_FALSE(settingsFileWritten());
}

TEST_F(WebLinkTest, ThirdAdvertisedTitleOpensItsOwnPageAndTheBandDoesNothing)
{
    openMenu();
    EXPECT_FALSE(clickOn(item(MENU_BAND)));  // not pickable: the click finds something else
    EXPECT_FALSE(gateOpen());
    ASSERT_TRUE(clickOn(item(MENU_REC3)));
    settle();
    holdGate();
    ASSERT_EQ(1u, launched.size());
    std::string expected;
    ASSERT_TRUE(titlePageUrl(2, expected));
    EXPECT_EQ(expected, launched[0]);
    EXPECT_TRUE(app.root->closing);
}

TEST_F(WebLinkTest, SwitchChangedJustBeforeALinkIsSaved)
{
    openMenu();
    SceneObject *visit = item(MENU_VISIT);  // the switch's replacement shifts the list
    ASSERT_TRUE(clickOn(item(MENU_SOUND)));
    settle();
    ASSERT_TRUE(clickOn(visit));
    settle();
    holdGate();
    ASSERT_EQ(1u, launched.size());
    EXPECT_EQ(homePageUrl(), launched[0]);
    Settings saved = loadSettings(app.settingsPath.c_str());
    EXPECT_EQ(0, saved.soundOn);
}

TEST_F(WebLinkTest, LinksWithoutABrowserKeepTheGameAndTheOpenScreen)
{
    browserStarts = false;
    StderrCapture captured;
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    holdGate();
    settle();
    ASSERT_FALSE(app.root->closing);
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_NE(nullptr, app.playField);
    openMenu();
    SceneObject *menu = app.topScreen;
    ASSERT_TRUE(clickOn(item(MENU_REC1)));
    settle();
    holdGate();
    settle();
    ASSERT_FALSE(app.root->closing);
    const std::string said = captured.text();
    std::string titleUrl;
    ASSERT_TRUE(titlePageUrl(0, titleUrl));
    EXPECT_EQ((std::vector<std::string>{downloadPageUrl(), titleUrl}), launched);
    EXPECT_EQ("lumbrik: no browser could be started for " + downloadPageUrl() + "\n" +
                  "lumbrik: no browser could be started for " + titleUrl + "\n",
              said);
    EXPECT_EQ(menu, app.topScreen);
    EXPECT_FALSE(settingsFileWritten());
    // The tile works on as after any other click; once a browser starts, the game leaves.
    browserStarts = true;
    ASSERT_TRUE(clickOn(item(MENU_REC1)));
    settle();
    holdGate();
    EXPECT_EQ(3u, launched.size());
    EXPECT_TRUE(app.root->closing);
    EXPECT_TRUE(settingsFileWritten());
}

TEST_F(WebLinkTest, StandInOpenerThatFailsKeepsTheGameWithTheLine)
{
    standInOpener("exit 3");  // as xdg-open with no browser: "no method available"
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    StderrCapture captured;
    holdGate();
    playUntilDecided(200);
    const std::string said = captured.text();
    EXPECT_FALSE(app.root->closing);
    EXPECT_FALSE(settingsFileWritten());
    EXPECT_EQ("lumbrik: no browser could be started for " + downloadPageUrl() + "\n", said);
    settle();
    EXPECT_EQ(nullptr, app.topScreen);
    ASSERT_NE(nullptr, app.playField);
    // The game plays on: the next link asks again.
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    EXPECT_TRUE(gateOpen());
}

TEST_F(WebLinkTest, StandInOpenerThatSucceedsEndsTheGame)
{
    standInOpener("exit 0");
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    holdGate();
    playUntilDecided(300);
    EXPECT_TRUE(app.root->closing);
    EXPECT_TRUE(settingsFileWritten());
}

TEST_F(WebLinkTest, StandInOpenerStillRunningAfterFiveSecondsEndsTheGame)
{
    standInOpener("exec sleep 8");
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    holdGate();
    playScenario(20, 200);  // 4 s: still watched
    EXPECT_FALSE(app.root->closing);
    EXPECT_TRUE(gateOpen());
    playScenario(6, 200);
    EXPECT_TRUE(app.root->closing);
}

TEST_F(WebLinkTest, RealLauncherWithoutXdgOpenKeepsTheGame)
{
    const char *oldPath = getenv("PATH");
    savedPath = oldPath ? oldPath : "";
    setenv("PATH", makeTempFolder("nobrowser").c_str(), 1);  // an empty folder
    browserLauncher.launch = platformOpenUrl;
    ASSERT_TRUE(clickOn(tool(TOOL_GET_PUZZ)));
    settle();
    StderrCapture captured;
    holdGate();
    const std::string said = captured.text();
    EXPECT_EQ("lumbrik: no browser could be started for " + downloadPageUrl() + "\n", said);
    settle();
    EXPECT_FALSE(app.root->closing);
    EXPECT_FALSE(settingsFileWritten());
}

class StartTest : public testing::Test {
protected:
    void TearDown() override { endScenario(); }
    ManualClock clock;
};

TEST_F(StartTest, FirstStartGreetsAndEnterEnterLeadsToA20PiecePuzzle)
{
    startScenario(clock, Settings());
    playScenario(16, 50);
    ASSERT_NE(nullptr, app.topScreen);
    EXPECT_EQ(nullptr, app.playField);
    pressKey(SDLK_RETURN);
    playScenario(16, 50);
    pressKey(SDLK_RETURN);
    playScenario(16, 50);
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_EQ(20, app.board.pieceCount);
    EXPECT_EQ(0, app.settings->showWelcome);
}

// Brightness the tool-bar button is drawn with (its first mesh's tint).
static double toolBrightness(SceneObject *button)
{
    return button->meshes.empty() ? -1 : button->meshes[0]->colour[0];
}

TEST_F(StartTest, ToolBarIsDimmedOnTheWelcomeAndSizeScreensAndBrightInPlay)
{
    Settings s;
    startScenario(clock, s);
    playScenario(16, 50);
    for (int b = TOOL_CLOSE; b <= TOOL_HELP; b++)
        EXPECT_LT(toolBrightness(app.root->children[b]), 0.5) << "welcome, button " << b;
    pressKey(SDLK_RETURN);
    playScenario(16, 50);
    ASSERT_NE(nullptr, app.topScreen);
    EXPECT_LT(toolBrightness(app.root->children[TOOL_CLOSE]), 0.5) << "size screen";
    pressKey(SDLK_RETURN);
    playScenario(16, 50);
    ASSERT_EQ(nullptr, app.topScreen);
    for (int b = TOOL_CLOSE; b <= TOOL_HELP; b++)
        EXPECT_EQ(1, toolBrightness(app.root->children[b])) << "in play, button " << b;
}

TEST_F(StartTest, SecondStartGoesStraightToThePuzzle)
{
    Settings s;
    s.showWelcome = 0;
    startScenario(clock, s);
    playScenario(16, 50);
    EXPECT_EQ(nullptr, app.topScreen);
    EXPECT_NE(nullptr, app.playField);
    EXPECT_EQ(48, app.board.pieceCount);
}
