// Hands a web address to the user's default browser and returns at once,
// never waiting for the browser; says only whether one was started.
// Every launch goes through browserLauncher, which tests replace with a
// double so that no real browser starts.
#pragma once

#include <cstddef>
#include <string>

#include "platform/ProcessWatch.h"

// Starts a browser on `url` (user: the launcher's own pointer); true when a
// process was started. When `child` is given it receives the process to watch
// (id 0 when there is none); otherwise nobody watches it.
typedef bool (*UrlLauncher)(const char *url, void *user, ChildProcess *child);

// Bytes of the Windows association value read from the registry, and of the cut path.
const size_t BROWSER_PATH_SIZE = 256;

// The platform's launcher: xdg-open on Linux, the registered http browser on Windows; user unused.
bool platformOpenUrl(const char *url, void *user, ChildProcess *child);

// The launcher openUrl calls; platformOpenUrl unless a test put a double in.
struct BrowserLauncher {
    UrlLauncher launch = platformOpenUrl;
    void *user = nullptr;  // Borrowed: passed to launch untouched
};

extern BrowserLauncher browserLauncher;

// Hands `url` to browserLauncher and returns without waiting; true when a
// browser was started, whose process lands in `child` when given.
bool openUrl(const char *url, ChildProcess *child = nullptr);

// The program path of a Windows "http\shell\open\command" value of `valueSize`
// read bytes: a quoted value up to its closing quote; otherwise up to the first
// ".exe" (any case) followed by the end, a blank or a quote; a value with
// neither kept whole. False, and path empty, when the value has no terminator
// inside its bytes, the path is empty, or it does not fit.
bool browserPathFromAssociation(const char *value, size_t valueSize, char *path, size_t pathSize);
// The part of `path` after its last '/', or the whole path when there is none.
const char *browserProgramName(const char *path);
// The browser's command line: the quoted program name of `path`, a blank, then `url`.
std::string browserCommandLine(const char *path, const char *url);
