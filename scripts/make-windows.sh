#!/bin/sh
# Builds the Windows game on Debian: fetches the sources of SDL 1.2,
# libsamplerate and libjpeg-turbo through apt (dpkg-source checks them against their .dsc),
# cross-builds them and the game with MinGW for i686, and packs the portable
# folder (lumbrik-VERSION-win32.zip) and the installer (lumbrik-VERSION-setup.exe).
# The archives come from the Linux build's data folder. Built dependencies
# are kept under $LUMBRIK_WIN_CACHE (default ~/.cache/lumbrik-win), one
# folder per set of source versions, so a second run only builds the game.
# Needs a deb-src entry for bookworm main (scripts/install-deps.sh --windows
# adds it) and the packages that option installs.
# Usage: scripts/make-windows.sh [OUTPUT-FOLDER]   (default build-win)
# LUMBRIK_WIN_HOST=x86_64-w64-mingw32 builds a 64-bit game instead (for a
# Wine without its 32-bit half); the file names then say win64.
# Prints the paths of the zip and of the installer last.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$(mkdir -p "${1:-$ROOT/build-win}" && cd "${1:-$ROOT/build-win}" && pwd)
NATIVE=${LUMBRIK_NATIVE_BUILD:-$ROOT/build}
CACHE=${LUMBRIK_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lumbrik-win}
HOST=${LUMBRIK_WIN_HOST:-i686-w64-mingw32}
# The one version of the game, as the Linux build and the package carry it.
VERSION=$(sed -n 's/^project(lumbrik VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
case $HOST in
    x86_64-*) BITS=win64; NSIS_ARCH=amd64 ;;
    *) BITS=win32; NSIS_ARCH=x86 ;;
esac
JOBS=${JOBS:-2}

say() { echo "make-windows: $*" >&2; }

for tool in $HOST-gcc-posix $HOST-g++-posix makensis dpkg-source zip; do
    command -v "$tool" >/dev/null 2>&1 || { say "$tool not found (scripts/install-deps.sh --windows)"; exit 1; }
done

# The source version apt would fetch, e.g. 1.2.15+dfsg2-8.
source_version() {
    apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

# Fetches and unpacks source package $1 into $CACHE/src/$1-$version; prints that folder.
unpack_source() {
    version=$(source_version "$1")
    [ -n "$version" ] || { say "no source package $1 (is a deb-src entry for bookworm present?)"; exit 1; }
    folder=$CACHE/src/$1-$version
    if [ ! -d "$folder" ]; then
        mkdir -p "$CACHE/src"
        (cd "$CACHE/src" && apt-get source --download-only "$1=$version" >&2)
        dsc=$(ls "$CACHE/src/$1_${version#*:}.dsc")
        # apt checked the files against the signed index; dpkg-source checks
        # the tarballs' sizes and checksums against the .dsc once more and
        # refuses to unpack on a mismatch.
        rm -rf "$folder.tmp"
        dpkg-source -x "$dsc" "$folder.tmp" >&2
        mv "$folder.tmp" "$folder"
    fi
    echo "$folder"
}

started=$(date +%s)
SDL_SRC=$(unpack_source libsdl1.2)
RATE_SRC=$(unpack_source libsamplerate)
# RECIPE counts changes to how the dependencies are built, so that a cache
# built the old way is not taken for a new one.
RECIPE=2
DEPS=$CACHE/deps-$HOST-$(basename "$SDL_SRC")-$(basename "$RATE_SRC")-r$RECIPE

# GCC's own runtime is linked into SDL.dll: the i686 compiler would otherwise
# make it need libgcc_s_dw2-1.dll, which Windows does not have. (Set for
# SDL's configure only: the Linux build below must keep the host compiler.)
SDL_CC="$HOST-gcc-posix -static-libgcc"
if [ ! -f "$DEPS/.sdl" ]; then
    say "building SDL 1.2 for $HOST into $DEPS"
    rm -rf "$DEPS" "$DEPS.build"
    mkdir -p "$DEPS.build"
    cp -a "$SDL_SRC" "$DEPS.build/sdl"
    (cd "$DEPS.build/sdl" && CC=$SDL_CC ./configure --host=$HOST --prefix="$DEPS" --disable-stdio-redirect \
        --disable-static >&2 && make -j"$JOBS" >&2 && make install >&2)
    touch "$DEPS/.sdl"
fi
if [ ! -f "$DEPS/.samplerate" ]; then
    say "building libsamplerate for $HOST into $DEPS"
    cmake -S "$RATE_SRC" -B "$DEPS.build/samplerate" -DCMAKE_TOOLCHAIN_FILE="$ROOT/tools/windows/mingw.cmake" \
        -DLUMBRIK_WIN_HOST=$HOST -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$DEPS" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DLIBSAMPLERATE_EXAMPLES=OFF >&2
    cmake --build "$DEPS.build/samplerate" -j"$JOBS" >&2
    cmake --install "$DEPS.build/samplerate" >&2
    touch "$DEPS/.samplerate"
fi
rm -rf "$DEPS.build"
# libjpeg-turbo, for the photos a parent gives the game: from Debian's source
# like SDL, static, without its SIMD code (no assembler) or TurboJPEG; kept
# in a folder of its own per source version.
# Its version has an epoch ("1:"); make cannot take a colon in a path, so it
# is built from a copy without one.
JPEG_SRC=$(unpack_source libjpeg-turbo)
JPEG=$CACHE/jpeg-$HOST-$(basename "$JPEG_SRC" | tr : _)
if [ ! -f "$JPEG/.jpeg" ]; then
    say "building libjpeg-turbo for $HOST into $JPEG"
    rm -rf "$JPEG" "$JPEG.build" "$JPEG.src"
    cp -a "$JPEG_SRC" "$JPEG.src"
    JPEG_SRC=$JPEG.src
    cmake -S "$JPEG_SRC" -B "$JPEG.build" -DCMAKE_TOOLCHAIN_FILE="$ROOT/tools/windows/mingw.cmake" \
        -DLUMBRIK_WIN_HOST=$HOST -DCMAKE_SYSTEM_PROCESSOR=${HOST%%-*} -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$JPEG" \
        -DCMAKE_INSTALL_LIBDIR=lib -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF >&2
    cmake --build "$JPEG.build" -j"$JOBS" --target jpeg-static >&2
    mkdir -p "$JPEG/lib" "$JPEG/include"
    cp "$JPEG.build/libjpeg.a" "$JPEG/lib/"
    cp "$JPEG_SRC/jpeglib.h" "$JPEG_SRC/jmorecfg.h" "$JPEG_SRC/jerror.h" "$JPEG.build/jconfig.h" "$JPEG/include/"
    rm -rf "$JPEG.build" "$JPEG.src"
    touch "$JPEG/.jpeg"
fi
deps_done=$(date +%s)

# The archives and icons come from the Linux build.
if [ ! -f "$NATIVE/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$NATIVE" -DLUMBRIK_TESTS=OFF -DLUMBRIK_BENCH=OFF >&2
fi
cmake --build "$NATIVE" -j"$JOBS" --target game_data icon_images >&2

/usr/bin/convert "$NATIVE/install/icons/16x16/apps/lumbrik.png" "$NATIVE/install/icons/32x32/apps/lumbrik.png" \
    "$NATIVE/install/icons/48x48/apps/lumbrik.png" "$NATIVE/install/icons/256x256/apps/lumbrik.png" \
    "$OUT/lumbrik.ico"
cmake -S "$ROOT/tools/windows" -B "$OUT/game-$HOST" -DCMAKE_TOOLCHAIN_FILE="$ROOT/tools/windows/mingw.cmake" \
    -DLUMBRIK_WIN_HOST=$HOST \
    -DCMAKE_BUILD_TYPE=Release -DLUMBRIK_WIN_DEPS="$DEPS" -DLUMBRIK_WIN_JPEG="$JPEG" -DLUMBRIK_ICON="$OUT/lumbrik.ico" \
    -DLUMBRIK_VERSION=$VERSION >&2
cmake --build "$OUT/game-$HOST" -j"$JOBS" >&2
game_done=$(date +%s)

# The portable folder: the program, SDL, the MinGW runtime it needs, every archive.
STAGE=$OUT/lumbrik-$VERSION-$BITS
rm -rf "$STAGE"
mkdir -p "$STAGE"
cp "$OUT/game-$HOST/lumbrik.exe" "$DEPS/bin/SDL.dll" "$STAGE/"
$HOST-strip "$STAGE/lumbrik.exe" "$STAGE/SDL.dll"
(cd "$NATIVE/data" && find . -name "*.pak" -exec cp --parents {} "$STAGE" \;)
# The licences of the game and of what is built into it.
mkdir "$STAGE/licences"
cp "$ROOT/COPYING" "$STAGE/licences/lumbrik.txt"
cp "$SDL_SRC/COPYING" "$STAGE/licences/SDL.txt"
cp "$RATE_SRC/COPYING" "$STAGE/licences/libsamplerate.txt"
cp "/usr/share/doc/mingw-w64-$(echo "${HOST%%-*}" | tr _ -)-dev/copyright" "$STAGE/licences/mingw-w64.txt"
# Every DLL the program and SDL need must come with Windows or lie beside them.
WINDOWS_DLLS=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll winmm.dll glu32.dll opengl32.dll shell32.dll ole32.dll "
for file in "$STAGE/lumbrik.exe" "$STAGE/SDL.dll"; do
    for dll in $($HOST-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
        case $WINDOWS_DLLS in *" $dll "*) continue ;; esac
        [ -n "$(find "$STAGE" -maxdepth 1 -iname "$dll")" ] ||
            { say "$(basename "$file") needs $dll, which neither Windows nor the folder has"; exit 1; }
    done
done
ZIP=$OUT/lumbrik-$VERSION-$BITS.zip
rm -f "$ZIP"
(cd "$OUT" && zip -q -9 -r "$ZIP" "lumbrik-$VERSION-$BITS")

# What the uninstaller deletes: every file the installer copied, then the
# folders from the deepest up.
UNINSTALL=$OUT/uninstall-$BITS.nsh
(cd "$STAGE" && { find . -type f | sort | sed 's|^\./\(.*\)|Delete "$INSTDIR/\1"|'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./\(.*\)|RMDir "$INSTDIR/\1"|'; } |
    tr / '\\') > "$UNINSTALL"
SETUP=$OUT/lumbrik-$VERSION-setup.exe
[ $BITS = win32 ] || SETUP=$OUT/lumbrik-$VERSION-$BITS-setup.exe
makensis -V2 -DVERSION=$VERSION -DSTAGE="$STAGE" -DICON="$OUT/lumbrik.ico" -DOUTFILE="$SETUP" \
    -DARCH=$NSIS_ARCH -DUNINSTALL="$UNINSTALL" \
    "$ROOT/tools/windows/lumbrik.nsi" >&2
say "dependencies $((deps_done - started)) s, game $((game_done - deps_done)) s, packing $(($(date +%s) - game_done)) s"
echo "$ZIP"
echo "$SETUP"
