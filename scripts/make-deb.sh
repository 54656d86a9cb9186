#!/usr/bin/env bash
# Builds the Debian package lumbrik_<version>_<arch>.deb, and its debug
# symbols lumbrik-dbgsym_<version>_<arch>.deb, with dpkg-buildpackage from a
# copy of this tree, installing the build dependencies first when some are
# missing. The tests are not built into it: scripts/run-tests.sh runs them.
# Older lumbrik packages in the output folder are replaced, so that
# `apt install ./lumbrik_*.deb` finds one.
# Usage: scripts/make-deb.sh [--source] [OUTPUT_DIR]   (default: the top of this tree)
#   --source   also keep the source package and the .changes file
# The build's log goes to standard error; the last line on standard output
# is the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=binary
if [ "${1:-}" = "--source" ]; then
    build=full
    shift
fi
out=$(realpath -m "${1:-$root}")
started=$(date +%s)

if ! command -v dpkg-checkbuilddeps >/dev/null 2>&1 ||
   ! dpkg-checkbuilddeps -P nocheck "$root/debian/control" 2>/dev/null; then
    "$root/scripts/install-deps.sh" --package >&2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lumbrik-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/lumbrik"
tar -C "$root" --exclude=./.git --exclude='./build*' --exclude='./obj-*' --exclude='*.deb' \
    --exclude=./debian/.debhelper --exclude=./debian/lumbrik --exclude=./debian/tmp -cf - . |
    tar -C "$work/lumbrik" -xf -

echo "make-deb: building in $work" >&2
(cd "$work/lumbrik" &&
    DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" DEB_BUILD_PROFILES=nocheck \
        dpkg-buildpackage --build=$build --no-sign) >&2

version=$(cd "$root" && dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
deb=lumbrik_${version}_${arch}.deb
dbgsym=lumbrik-dbgsym_${version}_${arch}.deb
[ -f "$work/$deb" ] || { echo "make-deb: $deb was not built" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/lumbrik_*_*.deb "$out"/lumbrik-dbgsym_*_*.deb
mv "$work/$deb" "$out/"
[ -f "$work/$dbgsym" ] && mv "$work/$dbgsym" "$out/"
if [ "$build" = full ]; then
    mv "$work/lumbrik_${version}".* "$work/lumbrik_${version}_${arch}".{changes,buildinfo} "$out/"
fi
echo "make-deb: built in $(($(date +%s) - started)) s: $(du -k "$out/$deb" | cut -f1) KiB" >&2
echo "$out/$deb"
