#ifndef _WIN32

#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int systemSync(intptr_t handle)
{
    return fsync(int(handle)) == 0 ? 0 : errno;
}

FileSyncFunction currentSync = systemSync;

std::string errnoText(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

// Writes all `size` bytes to `fd`, retrying short writes; 0 or the errno.
int writeAll(int fd, const unsigned char *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        bytes += written;
        size -= size_t(written);
    }
    return 0;
}

// Writes and syncs the temporary file; 0, or the errno of the step that failed.
int writeSyncedFile(const char *path, const void *bytes, size_t size)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, static_cast<const unsigned char *>(bytes), size);
    if (error == 0)
        error = currentSync(fd);
    // close reports write errors that the file system delayed, so it counts too.
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// Syncs the folder holding `path`, so that the rename itself survives a power cut.
int syncFolderOf(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    const std::string folder = !slash ? "." : slash == path ? "/" : std::string(path, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = currentSync(fd);
    close(fd);
    return error;
}

} // namespace

bool moveFileOver(const char *from, const char *to, std::string &reason)
{
    if (std::rename(from, to) == 0)
        return true;
    reason = errnoText(errno);
    return false;
}

bool writeFileAtomically(const char *path, const void *bytes, size_t size, std::string &reason)
{
    const std::string temporary = std::string(path) + ".tmp";
    const int error = writeSyncedFile(temporary.c_str(), bytes, size);
    if (error != 0) {
        reason = errnoText(error);
        unlink(temporary.c_str());
        return false;
    }
    if (!moveFileOver(temporary.c_str(), path, reason)) {
        unlink(temporary.c_str());
        return false;
    }
    // The new bytes are under the name; only whether the rename lasts is in doubt.
    const int folderError = syncFolderOf(path);
    if (folderError == 0)
        return true;
    reason = "cannot sync its folder: " + errnoText(folderError);
    return false;
}

void setFileSyncFunction(FileSyncFunction sync)
{
    currentSync = sync ? sync : systemSync;
}

#endif
