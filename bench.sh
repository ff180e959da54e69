#!/usr/bin/env bash
# Builds the benchmark and runs it: the garden's frames against the literal
# ones, in the real 600 x 600 window. Opens it on a virtual X server when
# there is no display. Arguments go on to the benchmark (case name prefixes,
# for example ./bench.sh rake).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
need_packages "${BUILD_PACKAGES[@]}" xvfb xauth

# An existing build keeps its settings; a fresh one needs no test packages.
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build build --target sandmere-bench -j"$(nproc)"

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 121 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi

build/sandmere-bench "$PWD/build/garden" "$@"
