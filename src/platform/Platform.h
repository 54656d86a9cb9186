#pragma once

#include <string>

// Name of the settings file inside the per-user (Linux) or shared (Windows) data folder.
extern const char SETTINGS_FILE_NAME[];  // "pelnovo_lumbrik_cfg"

// Full path of the settings file, its folder created when missing; empty string when there is no usable folder.
std::string platformSettingsPath();
// True when there is a desktop session to open the window in. On Linux that
// is an X display; SDL is then held to it, so that it never falls back to
// taking over a text console. False, with `why` naming what is missing, otherwise.
bool platformDesktopSession(std::string &why);
// Installs SIGTERM and SIGINT handlers that only record the request (call after SDL_Init, which installs its own).
void platformInstallQuitSignals();
// True once a quit signal has arrived since start (or since platformClearQuitRequest).
bool platformQuitRequested();
// Forgets any quit signal received so far.
void platformClearQuitRequest();
// Hands the free pages of the process's heaps back to the system, so that
// memory freed on one thread does not stay counted while another allocates.
void platformReleaseFreeMemory();
// Large blocks (decoded pictures, archive reads, read-backs) come from the
// system and go back to it when freed, instead of staying in the heap as
// free space that counts in the process's memory. Call before any thread starts.
void platformKeepLargeBlocksOutOfHeap();
// Windows: copies every later standard-error line into a log file in the
// user's local application-data folder (bounded in size), as a Windows
// program has no visible standard error. Linux: nothing. Call first in main.
void platformStartErrorLog();
// Windows: shows `message` (one line, already written to standard error) in a
// message box a parent can read, before a fatal exit. Linux: nothing.
void platformShowFatal(const char *message);
// The user interface language of the system as "ll_CC" (Windows), or an
// empty string where the environment's locale variables tell it (Linux).
std::string platformUserLanguage();
// Windows: lets every user of the computer replace the file at `path` (the
// shared settings), which the file keeps when it is moved over the old one.
// Linux: nothing. False when the access could not be set.
bool platformShareWithAllUsers(const char *path);
// The folder a parent puts photos into: "Lumbrik" inside the user's pictures
// folder (Linux: XDG_PICTURES_DIR of user-dirs.dirs, else ~/Pictures;
// Windows: the shell's My Pictures). Not created; "" when there is no home.
std::string platformPhotoFolder();
// The per-user cache folder of this game, created when missing (Linux:
// $XDG_CACHE_HOME/lumbrik or ~/.cache/lumbrik; Windows: the local
// application-data folder's lumbrik\cache); "" when none is usable.
std::string platformCacheFolder();
