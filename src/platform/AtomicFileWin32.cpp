#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <windows.h>

namespace {

int systemSync(intptr_t handle)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) ? 0 : int(GetLastError());
}

FileSyncFunction currentSync = systemSync;

// The system's text for a Windows error code, on one line.
std::string windowsErrorText(DWORD error)
{
    char text[256] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, error, 0, text, sizeof text, NULL);
    // The system's texts end in a full stop and a line break.
    while (length > 0 && std::strchr("\r\n .", text[length - 1]))
        text[--length] = '\0';
    return length > 0 ? std::string(text) : "Windows error " + std::to_string(error);
}

std::string errnoText(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

// Writes and flushes the temporary file; empty, or why the step that failed
// failed. The C runtime opens and writes, so its failures read as on Linux.
std::string writeSyncedFile(const char *path, const void *bytes, size_t size)
{
    errno = 0;
    FILE *out = std::fopen(path, "wb");
    if (!out)
        return errnoText(errno);
    std::string reason;
    if (std::fwrite(bytes, 1, size, out) != size || std::fflush(out) != 0)
        reason = errnoText(errno);
    else if (const int error = currentSync(_get_osfhandle(_fileno(out))))
        reason = windowsErrorText(DWORD(error));
    // fclose reports write errors that buffering delayed, so it counts too.
    if (std::fclose(out) != 0 && reason.empty())
        reason = errnoText(errno);
    return reason;
}

} // namespace

bool moveFileOver(const char *from, const char *to, std::string &reason)
{
    // rename() refuses to overwrite an existing file on Windows; the write
    // through makes the move itself last before it returns.
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = windowsErrorText(GetLastError());
    return false;
}

bool writeFileAtomically(const char *path, const void *bytes, size_t size, std::string &reason)
{
    const std::string temporary = std::string(path) + ".tmp";
    reason = writeSyncedFile(temporary.c_str(), bytes, size);
    if (reason.empty() && moveFileOver(temporary.c_str(), path, reason))
        return true;
    DeleteFileA(temporary.c_str());
    return false;
}

void setFileSyncFunction(FileSyncFunction sync)
{
    currentSync = sync ? sync : systemSync;
}
