#include "platform/Platform.h"

#include <csignal>
#include <malloc.h>

#include <windows.h>
#include <shlobj.h>

const char SETTINGS_FILE_NAME[] = "pelnovo_lumbrik_cfg";

namespace {

// Written only by the signal handler and platformClearQuitRequest.
volatile sig_atomic_t quitRequested = 0;

void recordQuitSignal(int signalNumber)
{
    quitRequested = 1;
    // The C runtime resets a handler to SIG_DFL before calling it.
    std::signal(signalNumber, recordQuitSignal);
}

} // namespace

std::string platformSettingsPath()
{
    char folder[MAX_PATH] = {};
    // CSIDL_FLAG_CREATE makes the shell create the folder when it is missing.
    HRESULT result = SHGetFolderPathA(NULL, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE,
                                      NULL, 0, folder);
    if (FAILED(result) || folder[0] == '\0')
        return std::string();
    return std::string(folder) + "\\" + SETTINGS_FILE_NAME;
}

void platformInstallQuitSignals()
{
    std::signal(SIGINT, recordQuitSignal);
    std::signal(SIGTERM, recordQuitSignal);
}

bool platformQuitRequested()
{
    return quitRequested != 0;
}

void platformClearQuitRequest()
{
    quitRequested = 0;
}

void platformReleaseFreeMemory() { _heapmin(); }

// Windows always runs the game inside the user's desktop.
bool platformDesktopSession(std::string &why)
{
    return true;
}
