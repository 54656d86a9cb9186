// Buttons that hand the player over to our web site: each opens its page in
// the default browser, without waiting, then ends the game (settings saved).
// When no browser can be started the game stays as it was, and one line on
// stderr names the page.
#pragma once

#include <string>

// Other titles of ours advertised in the main menu ("rec1".."rec3").
const int ADVERTISED_TITLE_COUNT = 3;

// The download page of this game, with the tracking query.
std::string downloadPageUrl();
// The home page of our site, with the tracking query.
std::string homePageUrl();
// The page of advertised title `index` (0..2) into `url`; false and `url` untouched otherwise.
bool titlePageUrl(int index, std::string &url);

// Click handlers for makeButton (userData unused); each acts only on a click,
// and calls saveAndClose() only when a browser was started.
// "get_puzz": opens downloadPageUrl(), then saveAndClose().
void openDownloadPage(void *userData);
// "visit": opens homePageUrl(), then saveAndClose().
void openHomePage(void *userData);
// "rec1".."rec3": opens titlePageUrl(currentAction->i0), then saveAndClose();
// an index out of range does nothing.
void openTitlePage(void *userData);
