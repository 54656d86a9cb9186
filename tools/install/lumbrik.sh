#!/bin/sh
# Starts lumbrik from the folder that holds its archives, wherever it was
# installed (the game opens its .pak files relative to the current folder).
here=$(dirname "$(readlink -f "$0")")
cd "$here/../share/lumbrik" || exit 1
exec "$here/../lib/lumbrik/lumbrik" "$@"
