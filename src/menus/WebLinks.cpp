#include "menus/WebLinks.h"

#include <cstdio>

#include "app/App.h"
#include "menus/Button.h"
#include "platform/Browser.h"
#include "scene/Action.h"

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

// Opens `url` without waiting, then ends the game. When no browser could be
// started the game goes on as after any other click: leaving would lose the
// picture in progress for nothing.
void leaveFor(const std::string &url)
{
    if (!openUrl(url.c_str())) {
        std::fprintf(stderr, "lumbrik: no browser could be started for %s\n", url.c_str());
        std::fflush(stderr);
        return;
    }
    saveAndClose();
}

} // namespace

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
        leaveFor(downloadPageUrl());
}

void openHomePage(void *userData)
{
    if (clickedHere())
        leaveFor(homePageUrl());
}

void openTitlePage(void *userData)
{
    if (!clickedHere() || !app.currentAction)
        return;
    std::string url;
    if (titlePageUrl(app.currentAction->i0, url))
        leaveFor(url);
}
