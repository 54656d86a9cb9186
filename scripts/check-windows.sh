#!/bin/sh
# Syntax-checks the Windows-only sources, and the shared sources that carry
# _WIN32 branches, with the MinGW cross compiler, since the Linux build never
# compiles them. Prints one line per file; exits non-zero on any error.
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
exit $failed
