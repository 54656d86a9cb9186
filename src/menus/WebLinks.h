// Buttons that hand the player over to our web site. Each first asks a
// grown-up: a dialog says the page will open and the game will close, and
// only a held confirm opens the page in the default browser. The browser's
// opener is watched for a few seconds without waiting on it; when it cannot
// start, or fails in that time, the game stays as it was and one line on
// stderr names the page. Otherwise the game ends (settings saved).
#pragma once

#include <string>

// How long a started opener is watched for a failure (ms); after that the game leaves.
const double BROWSER_WATCH_MS = 5000;

enum LinkOutcome {
    LINK_FAILED,   // no browser started: the line said, the game stays
    LINK_LEFT,     // started, nothing to watch: the game is closing
    LINK_WATCHED   // started, its process in App::linkProcess to watch
};

// Other titles of ours advertised in the main menu ("rec1".."rec3").
const int ADVERTISED_TITLE_COUNT = 3;

// The download page of this game, with the tracking query.
std::string downloadPageUrl();
// The home page of our site, with the tracking query.
std::string homePageUrl();
// The page of advertised title `index` (0..2) into `url`; false and `url` untouched otherwise.
bool titlePageUrl(int index, std::string &url);

// Click handlers for makeButton (userData unused); each acts only on a click,
// opening the grown-ups' dialog for its page.
// "get_puzz": downloadPageUrl().
void openDownloadPage(void *userData);
// "visit": homePageUrl().
void openHomePage(void *userData);
// "rec1".."rec3": titlePageUrl(currentAction->i0); an index out of range does nothing.
void openTitlePage(void *userData);

// Hands `url` to the browser: LINK_LEFT has called saveAndClose(), LINK_FAILED said the line.
LinkOutcome followLink(const std::string &url);
// One-shot confirm of the dialog's held button (userData: the screen beneath):
// follows App::linkUrl; closes the dialog when that fails, watches the opener when it can.
void confirmWebGate(void *previous);
// Endless, on the dialog (userData: the screen beneath): a failure of the opener
// within BROWSER_WATCH_MS closes the dialog with the line; success, an unknown end
// or a still running opener after that ends the game.
void watchBrowser(void *previous);
