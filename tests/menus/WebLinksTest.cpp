#include "menus/WebLinks.h"

#include "app/App.h"
#include "platform/Browser.h"
#include "resources/Settings.h"
#include "scene/Action.h"
#include "scene/SceneObject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const char QUERY[] =
    "?utm_source=software&utm_medium=lumbrik_win&utm_term=prog"
    "&utm_content=2.0.0&utm_campaign=lumbrik_win";

} // namespace

class WebLinksUrlTest : public testing::Test {};

TEST_F(WebLinksUrlTest, DownloadPageHasHostPathAndQueryJoinedExactly)
{
    EXPECT_EQ(downloadPageUrl(),
              "http://www.lumbrik-games.example/download/?utm_source=software"
              "&utm_medium=lumbrik_win&utm_term=prog&utm_content=2.0.0"
              "&utm_campaign=lumbrik_win");
}

TEST_F(WebLinksUrlTest, HomePageHasHostPathAndQueryJoinedExactly)
{
    EXPECT_EQ(homePageUrl(),
              "http://www.lumbrik-games.example/?utm_source=software"
              "&utm_medium=lumbrik_win&utm_term=prog&utm_content=2.0.0"
              "&utm_campaign=lumbrik_win");
}

TEST_F(WebLinksUrlTest, EachTitleIndexGetsItsOwnSlugInOrder)
{
    const char *expected[ADVERTISED_TITLE_COUNT] = {
        "http://www.lumbrik-games.example/kids-puzzles/paint-garden_puzzle/",
        "http://www.lumbrik-games.example/kids-puzzles/farm-friends_puzzle/",
        "http://www.lumbrik-games.example/kids-puzzles/bubble-count_puzzle/"};
    for (int i = 0; i < ADVERTISED_TITLE_COUNT; i++) {
        std::string url;
        ASSERT_TRUE(titlePageUrl(i, url)) << i;
        EXPECT_EQ(url, std::string(expected[i]) + QUERY) << i;
    }
}

TEST_F(WebLinksUrlTest, OutOfRangeTitleIndexBuildsNothing)
{
    const int bad[] = {-1, ADVERTISED_TITLE_COUNT, 1000, -1000};
    for (int index : bad) {
        std::string url = "unchanged";
        EXPECT_FALSE(titlePageUrl(index, url)) << index;
        EXPECT_EQ(url, "unchanged") << index;
    }
}

namespace {

// What the launcher double saw, and whether the game was already closing then.
struct LaunchLog {
    std::vector<std::string> urls;
    bool closingAtLaunch = false;
};

bool recordLaunch(const char *url, void *user, ChildProcess *child)
{
    LaunchLog *log = static_cast<LaunchLog *>(user);
    log->urls.push_back(url);
    log->closingAtLaunch = app.root && app.root->closing;
    return true;
}

} // namespace

// Runs the handlers as a button's step would: the button is the object
// being drawn, the action carries i0, and the launcher records instead of
// starting a browser. Every App field touched is put back afterwards.
class WebLinksHandlerTest : public testing::Test {
protected:
    SceneObject button;
    SceneObject root;
    Action action;
    Settings settings;
    LaunchLog log;
    std::string settingsPath;

    // The App fields these tests replace, as they were.
    struct SavedApp {
        SceneObject *currentObject;
        Action *currentAction;
        SceneObject *hovered;
        bool leftClicked;
        SceneObject *root;
        Settings *settings;
        std::string settingsPath;
    } saved;
    BrowserLauncher savedLauncher;

    void SetUp() override
    {
        saveApp();
        savedLauncher = browserLauncher;
        browserLauncher.launch = recordLaunch;
        browserLauncher.user = &log;
        settingsPath = testing::TempDir() + "lumbrik_weblinks_" + std::to_string(getpid());
        std::remove(settingsPath.c_str());
        app.currentObject = &button;
        app.currentAction = &action;
        app.root = &root;
        app.settings = &settings;
        app.settingsPath = settingsPath;
    }
    void TearDown() override
    {
        browserLauncher = savedLauncher;
        restoreApp();
        std::remove(settingsPath.c_str());
    }
    void saveApp()
    {
        saved.currentObject = app.currentObject;
        saved.currentAction = app.currentAction;
        saved.hovered = app.picker.hovered;
        saved.leftClicked = app.leftClicked;
        saved.root = app.root;
        saved.settings = app.settings;
        saved.settingsPath = app.settingsPath;
    }
    void restoreApp()
    {
        app.currentObject = saved.currentObject;
        app.currentAction = saved.currentAction;
        app.picker.hovered = saved.hovered;
        app.leftClicked = saved.leftClicked;
        app.root = saved.root;
        app.settings = saved.settings;
        app.settingsPath = saved.settingsPath;
    }
    void click()
    {
        app.picker.hovered = &button;
        app.leftClicked = true;
    }
    bool settingsWritten() const { return access(settingsPath.c_str(), F_OK) == 0; }
    // Expects exactly one launch of `url`, made before the game started closing.
    void expectLeftFor(const std::string &url)
    {
        ASSERT_EQ(log.urls.size(), 1u);
        EXPECT_EQ(log.urls[0], url);
        EXPECT_FALSE(log.closingAtLaunch);
        EXPECT_TRUE(root.closing);
        EXPECT_TRUE(settingsWritten());
    }
    void expectStillPlaying()
    {
        EXPECT_TRUE(log.urls.empty());
        EXPECT_FALSE(root.closing);
        EXPECT_FALSE(settingsWritten());
    }
};

TEST_F(WebLinksHandlerTest, HoverWithoutClickOrClickElsewhereOpensNothing)
{
    SceneObject other;
    const struct {
        const char *why;
        SceneObject *hovered;
        bool clicked;
    } cases[] = {{"hover without a click", &button, false}, {"a click elsewhere", &other, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        app.picker.hovered = c.hovered;
        app.leftClicked = c.clicked;
        openDownloadPage(nullptr);
        openHomePage(nullptr);
        openTitlePage(nullptr);
        expectStillPlaying();
    }
}

TEST_F(WebLinksHandlerTest, FollowingAnyLinkOpensItsPageBeforeTheGameCloses)
{
    std::vector<std::string> urls = {downloadPageUrl(), homePageUrl()};
    for (int i = 0; i < ADVERTISED_TITLE_COUNT; i++) {
        urls.emplace_back();
        ASSERT_TRUE(titlePageUrl(i, urls.back()));
    }
    for (const std::string &url : urls) {
        SCOPED_TRACE(url);
        log = LaunchLog();
        root.closing = false;
        std::remove(settingsPath.c_str());
        EXPECT_EQ(LINK_LEFT, followLink(url));  // the double gives no process to watch
        expectLeftFor(url);
    }
}

TEST_F(WebLinksHandlerTest, OutOfRangeTitleButtonNeitherOpensNorCloses)
{
    const int bad[] = {-1, ADVERTISED_TITLE_COUNT};
    for (int index : bad) {
        action.i0 = index;
        click();
        openTitlePage(nullptr);
        SCOPED_TRACE(index);
        expectStillPlaying();
    }
}
