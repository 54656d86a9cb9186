#include "menus/WebLinks.h"

#include <cstdio>

#include "app/App.h"
#include "menus/Button.h"
#include "menus/Dialogs.h"
#include "menus/HoldConfirm.h"
#include "menus/Screen.h"
#include "platform/Browser.h"
#include "scene/Action.h"
#include "scene/SceneObject.h"

namespace {

// Our web site and the page names of the advertised titles.
const char SITE_HOST[] = "www.lumbrik-games.example";
const char *const TITLE_SLUGS[ADVERTISED_TITLE_COUNT] = {
    "paint-garden", "farm-friends", "bubble-count"};

// The product name and version the site's visit tracking knows us by.
const char TRACKING_NAME[] = "lumbrik";
const char TRACKING_VERSION[] = "2.0.0";

const char DOWNLOAD_PATH[] = "/download/";
const char HOME_PATH[] = "/";
const char TITLES_FOLDER[] = "/kids-puzzles/";
const char TITLE_PAGE_SUFFIX[] = "_puzzle/";

// The tracking query every link carries.
std::string trackingQuery()
{
    return std::string("?utm_source=software&utm_medium=") + TRACKING_NAME +
           "_win&utm_term=prog&utm_content=" + TRACKING_VERSION +
           "&utm_campaign=" + TRACKING_NAME + "_win";
}

// The full address of `path` on our site.
std::string siteUrl(const std::string &path)
{
    return std::string("http://") + SITE_HOST + path + trackingQuery();
}

// The grown-ups' dialog: Stay in the left hollow, the held button in the ring.
const double GATE_STAY_X = -4.0, GATE_HOLD_X = 3.8, GATE_BUTTON_Z = -3.2;

void sayNoBrowser(const std::string &url)
{
    std::fprintf(stderr, "lumbrik: no browser could be started for %s\n", url.c_str());
    std::fflush(stderr);
}

// Asks a grown-up before the game leaves for `url`: the page opens only
// after the round button has been held.
void openWebGate(const std::string &url)
{
    forgetProcess(app.linkProcess);
    app.linkUrl = url;
    SceneObject *previous = beginScreen();
    addDialogBackground("web_menu.pak", "fon_web");
    giveHandlers(addDialogItem("web_menu.pak", "cancel", GATE_STAY_X, GATE_BUTTON_Z), closeOnCancel, nullptr,
                 previous);
    giveHoldConfirm(addDialogItem("web_menu.pak", "ok", GATE_HOLD_X, GATE_BUTTON_Z), confirmWebGate, previous);
}

} // namespace

void confirmWebGate(void *previous)
{
    const LinkOutcome outcome = followLink(app.linkUrl);
    if (outcome == LINK_FAILED)
        popScreen((SceneObject *)previous);
    if (outcome != LINK_WATCHED)
        return;
    // Watched by the dialog, so that Stay or a failure ends the watch with it.
    app.topScreen->scheduler.schedule(makeAction(1, ACTION_ENDLESS, watchBrowser, previous));
}

LinkOutcome followLink(const std::string &url)
{
    if (!openUrl(url.c_str(), &app.linkProcess)) {
        sayNoBrowser(url);
        return LINK_FAILED;
    }
    if (!app.linkProcess.id) {
        saveAndClose();
        return LINK_LEFT;
    }
    return LINK_WATCHED;
}

void watchBrowser(void *previous)
{
    const ProcessState state = pollProcess(app.linkProcess);
    if (state == PROCESS_RUNNING && app.currentAction->elapsed < BROWSER_WATCH_MS)
        return;
    forgetProcess(app.linkProcess);
    if (state != PROCESS_FAILED) {
        app.currentAction->enabled = false;
        saveAndClose();
        return;
    }
    // It failed: the game stays as it was before the link was clicked.
    sayNoBrowser(app.linkUrl);
    popScreen((SceneObject *)previous);
}

std::string downloadPageUrl()
{
    return siteUrl(DOWNLOAD_PATH);
}

std::string homePageUrl()
{
    return siteUrl(HOME_PATH);
}

bool titlePageUrl(int index, std::string &url)
{
    if (index < 0 || index >= ADVERTISED_TITLE_COUNT)
        return false;
    url = siteUrl(std::string(TITLES_FOLDER) + TITLE_SLUGS[index] + TITLE_PAGE_SUFFIX);
    return true;
}

void openDownloadPage(void *userData)
{
    if (clickedHere())
        openWebGate(downloadPageUrl());
}

void openHomePage(void *userData)
{
    if (clickedHere())
        openWebGate(homePageUrl());
}

void openTitlePage(void *userData)
{
    if (!clickedHere() || !app.currentAction)
        return;
    std::string url;
    if (titlePageUrl(app.currentAction->i0, url))
        openWebGate(url);
}
