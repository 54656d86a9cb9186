#include "platform/Browser.h"

#include <string>
#include <vector>

#include <windows.h>

namespace {

// Reads the default value of the http open command into `value` (`size` bytes
// in, bytes read out); false when the key or value cannot be read whole.
bool readHttpCommand(char *value, DWORD &size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return false;
    // ERROR_MORE_DATA (a value longer than the buffer) fails here too.
    const LONG result = RegQueryValueExA(key, NULL, NULL, NULL,
                                         reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Starts `path` with the browser's command line for `url`; the process handle
// goes to `watched` when given, every other handle is closed at once.
bool startBrowser(const char *path, const char *url, ChildProcess *watched)
{
    const std::string line = browserCommandLine(path, url);
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    STARTUPINFOA startupInfo;
    ZeroMemory(&startupInfo, sizeof startupInfo);
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION processInfo;
    ZeroMemory(&processInfo, sizeof processInfo);
    if (!CreateProcessA(path, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                        &startupInfo, &processInfo))
        return false;
    CloseHandle(processInfo.hThread);
    if (watched)
        watched->id = reinterpret_cast<intptr_t>(processInfo.hProcess);
    else
        CloseHandle(processInfo.hProcess);
    return true;
}

} // namespace

bool platformOpenUrl(const char *url, void *user, ChildProcess *watched)
{
    if (!url)
        return false;
    char value[BROWSER_PATH_SIZE];
    DWORD size = sizeof value;
    if (!readHttpCommand(value, size))
        return false;
    char path[BROWSER_PATH_SIZE];
    if (!browserPathFromAssociation(value, size, path, sizeof path))
        return false;
    return startBrowser(path, url, watched);
}
