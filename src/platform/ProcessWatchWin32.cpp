#include "platform/ProcessWatch.h"

#include <windows.h>

ProcessState pollProcess(ChildProcess &child)
{
    if (!child.id)
        return PROCESS_UNKNOWN;
    HANDLE process = reinterpret_cast<HANDLE>(child.id);
    const DWORD waited = WaitForSingleObject(process, 0);
    if (waited == WAIT_TIMEOUT)
        return PROCESS_RUNNING;
    DWORD code = 1;
    const bool known = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    child.id = 0;
    if (!known)
        return PROCESS_UNKNOWN;
    return code == 0 ? PROCESS_SUCCEEDED : PROCESS_FAILED;
}

void forgetProcess(ChildProcess &child)
{
    if (child.id)
        CloseHandle(reinterpret_cast<HANDLE>(child.id));
    child.id = 0;
}
