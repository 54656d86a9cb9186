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
