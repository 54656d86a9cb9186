#ifndef _WIN32

#include "platform/ProcessWatch.h"

#include <sys/types.h>
#include <sys/wait.h>

ProcessState pollProcess(ChildProcess &child)
{
    if (child.id <= 0)
        return PROCESS_UNKNOWN;
    int status = 0;
    const pid_t result = waitpid((pid_t)child.id, &status, WNOHANG);
    if (result == 0)
        return PROCESS_RUNNING;
    child.id = 0;
    // -1: reaped elsewhere, or SIGCHLD ignored; nothing can be told of it.
    if (result < 0)
        return PROCESS_UNKNOWN;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? PROCESS_SUCCEEDED : PROCESS_FAILED;
}

// The child stays a zombie until the game ends, moments later.
void forgetProcess(ChildProcess &child)
{
    child.id = 0;
}

#endif
