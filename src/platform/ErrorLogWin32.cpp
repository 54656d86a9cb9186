// The Windows game's standard error: a GUI program shows none, so every
// byte written to it is also appended to "lumbrik.log" in the user's local
// application-data folder, and the fatal cases also open a message box.
// Standard error (descriptor 2) is turned into a pipe; one thread copies
// what arrives to the log and to the original standard error, if any.
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shlobj.h>

namespace {

// A log past this size at start is begun anew; a run stops adding at twice it.
const DWORD LOG_LIMIT = 64 * 1024;
const DWORD DRAIN_WAIT_MS = 2000;

struct ErrorLog {
    HANDLE file = INVALID_HANDLE_VALUE;      // Owns: the log file
    HANDLE original = INVALID_HANDLE_VALUE;  // Borrowed: the inherited standard error, if any
    HANDLE pipe = INVALID_HANDLE_VALUE;      // Borrowed: the pipe's read end, open for the whole run
    HANDLE thread = NULL;                    // Owns: the copying thread
    int originalDescriptor = -1;             // Owns: descriptor 2 as it was, restored at exit
    DWORD written = 0;                       // bytes of the log file so far
};

ErrorLog errorLog;

// The log file's path, its folder created when missing; empty when there is no folder.
std::string logPath()
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(NULL, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, NULL, 0, folder)))
        return std::string();
    std::string path = std::string(folder) + "\\lumbrik";
    CreateDirectoryA(path.c_str(), NULL);
    return path + "\\lumbrik.log";
}

HANDLE openLog(DWORD &size)
{
    const std::string path = logPath();
    if (path.empty())
        return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    size = GetFileSize(file, NULL);
    if (size != INVALID_FILE_SIZE && size <= LOG_LIMIT)
        return file;
    CloseHandle(file);
    size = 0;
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

DWORD WINAPI copyErrors(LPVOID)
{
    char buffer[1024];
    DWORD got = 0;
    while (ReadFile(errorLog.pipe, buffer, sizeof buffer, &got, NULL) && got > 0) {
        DWORD done = 0;
        if (errorLog.original != INVALID_HANDLE_VALUE)
            WriteFile(errorLog.original, buffer, got, &done, NULL);
        if (errorLog.written + got <= 2 * LOG_LIMIT && WriteFile(errorLog.file, buffer, got, &done, NULL))
            errorLog.written += done;
    }
    return 0;
}

// At exit: gives descriptor 2 back, which closes the pipe's last write end,
// and waits until the thread has copied everything that was written.
void drainErrors()
{
    std::fflush(stderr);
    if (errorLog.originalDescriptor >= 0)
        _dup2(errorLog.originalDescriptor, 2);
    else
        _close(2);
    WaitForSingleObject(errorLog.thread, DRAIN_WAIT_MS);
    CloseHandle(errorLog.file);
}

// Hides a window of the game, so that the full-screen one covers no message box.
BOOL CALLBACK hideWindow(HWND window, LPARAM)
{
    ShowWindow(window, SW_HIDE);
    return TRUE;
}

} // namespace

void platformStartErrorLog()
{
    errorLog.file = openLog(errorLog.written);
    if (errorLog.file == INVALID_HANDLE_VALUE)
        return;
    int ends[2];
    if (_pipe(ends, 4096, _O_BINARY | _O_NOINHERIT) != 0)
        return;
    errorLog.originalDescriptor = _dup(2);
    if (errorLog.originalDescriptor >= 0)
        errorLog.original = reinterpret_cast<HANDLE>(_get_osfhandle(errorLog.originalDescriptor));
    errorLog.pipe = reinterpret_cast<HANDLE>(_get_osfhandle(ends[0]));
    errorLog.thread = CreateThread(NULL, 0, copyErrors, NULL, 0, NULL);
    if (!errorLog.thread || _dup2(ends[1], 2) != 0) {
        _close(ends[0]);
        _close(ends[1]);
        return;
    }
    _close(ends[1]);
    std::setvbuf(stderr, NULL, _IONBF, 0);
    std::atexit(drainErrors);
}

void platformShowFatal(const char *message)
{
    EnumThreadWindows(GetCurrentThreadId(), hideWindow, 0);
    MessageBoxA(NULL, message, "lumbrik", MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}
