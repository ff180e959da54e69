#!/usr/bin/env bash
# A Wine prefix for running the Windows programs from a build folder: made
# once, then reused, by the build (the garden's pictures) and the tests.
# Usage: windows/wine-prefix.sh PREFIX                 makes it if needed
#        windows/wine-prefix.sh PREFIX PROGRAM ARGS... and runs PROGRAM in it,
#                                                      with its exit status
# Runs that share a prefix may start together: the first makes it, the others
# wait for it. Wine's own chatter (WINEDEBUG) is off; Mono and Gecko, which
# nothing here uses, are never asked for, so no dialog waits for an answer.
set -euo pipefail
prefix="$(mkdir -p "$1" && cd "$1" && pwd)"
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

made="$prefix/.made"
if [ ! -e "$made" ]; then
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -e "$made" ]; then
    wineboot -i >/dev/null 2>&1 || { echo "wine-prefix: wineboot could not make $prefix" >&2; exit 1; }
    wineserver -w
    touch "$made"
  fi
  flock -u 9
  exec 9>&-
fi

[ $# -gt 0 ] || exit 0
exec wine "$@"
