#include "platform/Platform.h"

#include <csignal>
#include <malloc.h>

#include <windows.h>
#include <sddl.h>
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

// The Windows heap already takes blocks of about 1 MiB and more from the
// system directly and gives them back when freed.
void platformKeepLargeBlocksOutOfHeap() {}

// Windows always runs the game inside the user's desktop.
bool platformDesktopSession(std::string &why)
{
    return true;
}

std::string platformUserLanguage()
{
    const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    char language[16] = {};
    char country[16] = {};
    if (!GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, language, sizeof language))
        return std::string();
    if (!GetLocaleInfoA(locale, LOCALE_SISO3166CTRYNAME, country, sizeof country))
        return language;
    return std::string(language) + "_" + country;
}

bool platformShareWithAllUsers(const char *path)
{
    // Full access for the system and administrators; read, write and
    // delete (what replacing the file needs) for the Users group.
    static const char ACCESS[] = "D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)";
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(ACCESS, SDDL_REVISION_1, &descriptor, NULL))
        return false;
    const BOOL set = SetFileSecurityA(path, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set != FALSE;
}

// A shell folder's path, or "" when the shell does not know it.
static std::string shellFolder(int csidl)
{
    char folder[MAX_PATH] = {};
    HRESULT result = SHGetFolderPathA(NULL, csidl, NULL, 0, folder);
    if (FAILED(result) || folder[0] == '\0')
        return std::string();
    return folder;
}

std::string platformPhotoFolder()
{
    std::string pictures = shellFolder(CSIDL_MYPICTURES);
    return pictures.empty() ? pictures : pictures + "\\Lumbrik";
}

std::string platformCacheFolder()
{
    std::string local = shellFolder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE);
    if (local.empty())
        return local;
    std::string game = local + "\\lumbrik", cache = game + "\\cache";
    CreateDirectoryA(game.c_str(), NULL);
    CreateDirectoryA(cache.c_str(), NULL);
    DWORD attributes = GetFileAttributesA(cache.c_str());
    bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return folder ? cache : std::string();
}
