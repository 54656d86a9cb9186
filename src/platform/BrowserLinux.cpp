#ifndef _WIN32

#include "platform/Browser.h"

#include <csignal>

#include <spawn.h>
#include <sys/types.h>

extern char **environ;

namespace {

// Gives the child an empty signal mask and default handling of the signals
// the game or SDL may have blocked, ignored or caught.
void resetChildSignals(posix_spawnattr_t &attributes)
{
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGCHLD);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

} // namespace

// xdg-open gets the address as its one argument, with no shell in between,
// so blanks, quotes and '&' need no quoting. The child is only ever polled
// (ProcessWatch), never waited for, and no SIGCHLD handler can interfere
// with SDL's own; an unwatched one stays a zombie until the game ends.
bool platformOpenUrl(const char *url, void *user, ChildProcess *watched)
{
    if (!url)
        return false;
    char program[] = "xdg-open";
    char *arguments[] = {program, const_cast<char *>(url), nullptr};
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return false;
    resetChildSignals(attributes);
    pid_t child;
    const int result = posix_spawnp(&child, program, nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return false;
    if (watched)
        watched->id = child;
    return true;
}

#endif
