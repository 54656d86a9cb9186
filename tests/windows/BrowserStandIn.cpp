// A stand-in for a web browser, started by the Windows platform tests under
// Wine: it waits (at most five seconds) until the file named by
// LUMBRIK_STANDIN_RELEASE exists, then appends one line to the file named by
// LUMBRIK_STANDIN_LOG: its argument count, its first argument and its whole
// command line, separated by '|'.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const char *release = std::getenv("LUMBRIK_STANDIN_RELEASE");
    const char *log = std::getenv("LUMBRIK_STANDIN_LOG");
    if (!log)
        return 2;
    for (int waited = 0; release && waited < 5000; waited += 20) {
        if (GetFileAttributesA(release) != INVALID_FILE_ATTRIBUTES)
            break;
        Sleep(20);
    }
    FILE *out = std::fopen(log, "ab");
    if (!out)
        return 3;
    std::fprintf(out, "%d|%s|%s\n", argc, argc > 1 ? argv[1] : "", GetCommandLineA());
    std::fclose(out);
    return 0;
}
