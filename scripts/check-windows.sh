#!/bin/sh
# Syntax-checks the Windows-only sources, and the shared sources that carry
# _WIN32 branches, with the MinGW cross compiler, since the Linux build never
# compiles them. Then, when wine64 is installed, builds the Windows platform
# tests (tests/windows) with the x86-64 MinGW compiler and runs them under
# Wine in a private prefix, printing their case count. Prints one line per
# file and per case; exits non-zero on any error.
set -u

CXX=${CXX_WIN32:-i686-w64-mingw32-g++}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT" || exit 1

if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "check-windows: $CXX not found" >&2
    exit 1
fi

# Windows XP is the oldest target: 0x0501.
FLAGS="-std=c++17 -fsyntax-only -Wall -Wextra -Wno-unused-parameter -Isrc -D_WIN32_WINNT=0x0501 -DWINVER=0x0501"

FILES=$(find src -name '*Win32.cpp' | sort)
FILES="$FILES src/resources/Settings.cpp"

failed=0
for file in $FILES; do
    if $CXX $FLAGS "$file"; then
        echo "ok      $file"
    else
        echo "FAILED  $file"
        failed=1
    fi
done

WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -x "$WINE" ]; then
    echo "check-windows: wine64 not installed, the Windows platform tests did not run"
    exit $failed
fi
tests/windows/run-under-wine.sh "$WINE" || failed=1
exit $failed
