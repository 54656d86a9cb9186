// A started child process the game asks about between frames, never waiting
// for it: still running, or how it ended.
#pragma once

#include <cstdint>

// Invariant: id is 0, or a process started by the game and not yet reaped
// or forgotten (Linux: its pid; Windows: its process handle).
struct ChildProcess {
    intptr_t id = 0;  // Owns (Windows: the handle). Release with: forgetProcess, or a poll that sees the end
};

enum ProcessState {
    PROCESS_RUNNING,    // still running
    PROCESS_SUCCEEDED,  // exited with status 0
    PROCESS_FAILED,     // exited with another status, or killed by a signal
    PROCESS_UNKNOWN     // nothing to watch, or the system no longer knows it
};

// The state of `child` now, without waiting; once it has ended (or is
// unknown) child.id is 0 and the process is reaped.
ProcessState pollProcess(ChildProcess &child);
// Stops watching `child` without waiting for it; child.id is 0 afterwards.
void forgetProcess(ChildProcess &child);
