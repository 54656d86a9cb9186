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

// True when the ".exe" at `at` ends a path: the value ends there, or a blank
// or a quote follows, so a folder named "tools.exe.d" does not end it.
bool endsPathAt(const char *at, size_t left)
{
    if (left < EXE_LENGTH || !isExeSuffix(at))
        return false;
    if (left == EXE_LENGTH)
        return true;
    const char next = at[EXE_LENGTH];
    return next == ' ' || next == '\t' || next == '"';
}

// Characters of the program path at the start of `text` (`length` characters):
// up to the closing quote of a quoted value, else up to the first ".exe" that
// ends a path, else all of it.
size_t programPathLength(const char *text, size_t length, bool quoted)
{
    if (quoted) {
        const void *close = std::memchr(text, '"', length);
        if (close)
            return static_cast<size_t>(static_cast<const char *>(close) - text);
    }
    for (size_t i = 0; i < length; i++)
        if (endsPathAt(text + i, length - i))
            return i + EXE_LENGTH;
    return length;
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
    const bool quoted = value[0] == '"';
    const char *start = quoted ? value + 1 : value;
    const size_t length = programPathLength(start, static_cast<size_t>(end - start), quoted);
    if (length == 0 || length >= pathSize)
        return false;
    std::memcpy(path, start, length);
    path[length] = '\0';
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
