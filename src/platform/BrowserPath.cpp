// The portable half of the browser launch: the launcher switch and the
// reading of the Windows association value, kept here so Linux tests it.
#include "platform/Browser.h"

#include <cstring>

BrowserLauncher browserLauncher;

bool openUrl(const char *url, ChildProcess *child)
{
    if (child)
        child->id = 0;
    return url && browserLauncher.launch && browserLauncher.launch(url, browserLauncher.user, child);
}

namespace {

const char EXE_SUFFIX[] = ".exe";
const size_t EXE_LENGTH = sizeof EXE_SUFFIX - 1;

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// True when the EXE_LENGTH characters at `at` spell ".exe" in any case.
bool isExeSuffix(const char *at)
{
    for (size_t i = 0; i < EXE_LENGTH; i++)
        if (lowerAscii(at[i]) != EXE_SUFFIX[i])
            return false;
    return true;
}

// Ends `path` (of `length` characters) right after its first ".exe".
void cutAfterExe(char *path, size_t length)
{
    for (size_t i = 0; i + EXE_LENGTH <= length; i++) {
        if (isExeSuffix(path + i)) {
            path[i + EXE_LENGTH] = '\0';
            return;
        }
    }
}

} // namespace

bool browserPathFromAssociation(const char *value, size_t valueSize, char *path, size_t pathSize)
{
    if (!path || pathSize == 0)
        return false;
    path[0] = '\0';
    if (!value || valueSize == 0)
        return false;
    const char *end = static_cast<const char *>(std::memchr(value, '\0', valueSize));
    if (!end)
        return false;
    const char *start = value[0] == '"' ? value + 1 : value;
    const size_t length = static_cast<size_t>(end - start);
    if (length == 0 || length >= pathSize)
        return false;
    std::memcpy(path, start, length);
    path[length] = '\0';
    cutAfterExe(path, length);
    return true;
}

const char *browserProgramName(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

std::string browserCommandLine(const char *path, const char *url)
{
    return std::string("\"") + browserProgramName(path) + "\" " + url;
}
