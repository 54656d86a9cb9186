#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes files so that a power cut leaves either the old file or the new one,
// never an empty or half-written file under the name.

// Flushes one open file or folder to the disk; 0, or the errno-style reason it
// failed (Windows: the GetLastError value). `handle` is a descriptor on Linux,
// a HANDLE on Windows.
typedef int (*FileSyncFunction)(intptr_t handle);

// Replaces the file at `path` with `size` bytes: writes `path` + ".tmp", syncs
// it, renames it over `path` and (Linux) syncs the folder. Any failure leaves
// no temporary behind, puts the reason in `reason` and gives false; a failure
// before the rename leaves the old file whole.
bool writeFileAtomically(const char *path, const void *bytes, size_t size, std::string &reason);
// Moves `from` over `to`, replacing `to` when it exists; on failure `reason` says why.
bool moveFileOver(const char *from, const char *to, std::string &reason);
// Makes writeFileAtomically sync through `sync` (tests inject failures);
// null restores the system's own sync. Not thread-safe: call between saves.
void setFileSyncFunction(FileSyncFunction sync);
