#ifndef _WIN32

#include "platform/Platform.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <malloc.h>

#include <sys/stat.h>
#include <sys/types.h>

const char SETTINGS_FILE_NAME[] = "pelnovo_lumbrik_cfg";

namespace {

// Written only by the signal handler and platformClearQuitRequest.
volatile sig_atomic_t quitRequested = 0;

void recordQuitSignal(int)
{
    quitRequested = 1;
}

bool isDirectory(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates `folder` and every missing parent with mode 0755, like mkdir -p.
// True when the folder exists afterwards.
bool makeFolders(const std::string &folder)
{
    for (std::string::size_type slash = folder.find('/', 1); ;
         slash = folder.find('/', slash + 1)) {
        const std::string level = folder.substr(0, slash);
        if (mkdir(level.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    return isDirectory(folder);
}

// The per-user data folder of this game, or "" when neither variable helps.
std::string dataFolder()
{
    const char *xdg = std::getenv("XDG_DATA_HOME");
    // The XDG rules say a relative value is invalid and must be ignored.
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/lumbrik";
    const char *home = std::getenv("HOME");
    if (!home || !*home)
        return std::string();
    return std::string(home) + "/.local/share/lumbrik";
}

// The value of XDG_PICTURES_DIR in a user-dirs.dirs text ("$HOME/Pictures"
// style, $HOME expanded), or "" when the line is missing or malformed.
std::string picturesFromUserDirs(const std::string &path, const std::string &home)
{
    FILE *file = fopen(path.c_str(), "r");
    if (!file)
        return std::string();
    char line[4096];
    std::string found;
    while (fgets(line, sizeof line, file)) {
        const char *key = "XDG_PICTURES_DIR=\"";
        if (strncmp(line, key, strlen(key)) != 0)
            continue;
        std::string value(line + strlen(key));
        size_t quote = value.find('"');
        if (quote == std::string::npos)
            continue;
        value.resize(quote);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        found = value.empty() || value[0] != '/' ? std::string() : value;
    }
    fclose(file);
    return found;
}

} // namespace

std::string platformSettingsPath()
{
    const std::string folder = dataFolder();
    if (folder.empty() || !makeFolders(folder))
        return std::string();
    return folder + "/" + SETTINGS_FILE_NAME;
}

void platformInstallQuitSignals()
{
    struct sigaction action = {};
    action.sa_handler = recordQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool platformQuitRequested()
{
    return quitRequested != 0;
}

void platformClearQuitRequest()
{
    quitRequested = 0;
}

bool platformDesktopSession(std::string &why)
{
    // A driver chosen by hand (tests use "dummy") is taken as it is.
    const char *driver = getenv("SDL_VIDEODRIVER");
    if (driver && *driver)
        return true;
    const char *display = getenv("DISPLAY");
    if (!display || !*display) {
        why = "no X display: DISPLAY is not set";
        return false;
    }
    setenv("SDL_VIDEODRIVER", "x11", 0);
    return true;
}

void platformReleaseFreeMemory() { malloc_trim(0); }

// Fixed, the threshold no longer rises each time such a block is freed: by
// default, after the first freed picture every later one stays in the heap.
// Blocks the driver takes and frees every frame (about 200 KiB) stay below it.
static const int LARGE_BLOCK_BYTES = 512 * 1024;

void platformKeepLargeBlocksOutOfHeap() { mallopt(M_MMAP_THRESHOLD, LARGE_BLOCK_BYTES); }

// Standard error is the terminal's or the journal's here.
void platformStartErrorLog() {}

void platformShowFatal(const char *message) {}

std::string platformUserLanguage()
{
    return std::string();
}

// The settings file is per user on Linux.
bool platformShareWithAllUsers(const char *path)
{
    return true;
}

std::string platformPhotoFolder()
{
    const char *homeVar = std::getenv("HOME");
    if (!homeVar || !*homeVar)
        return std::string();
    const std::string home = homeVar;
    const char *config = std::getenv("XDG_CONFIG_HOME");
    std::string configFolder = config && config[0] == '/' ? std::string(config) : home + "/.config";
    std::string pictures = picturesFromUserDirs(configFolder + "/user-dirs.dirs", home);
    return (pictures.empty() ? home + "/Pictures" : pictures) + "/Lumbrik";
}

std::string platformCacheFolder()
{
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    const char *home = std::getenv("HOME");
    std::string folder = xdg && xdg[0] == '/' ? std::string(xdg) + "/lumbrik"
                         : home && *home      ? std::string(home) + "/.cache/lumbrik"
                                              : std::string();
    return folder.empty() || !makeFolders(folder) ? std::string() : folder;
}
#endif
