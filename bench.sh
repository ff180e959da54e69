#!/usr/bin/env bash
# Builds the benchmark and runs it: the garden's frames against the literal
# ones, in the real 600 x 600 window. Opens it on a virtual X server when
# there is no display. Arguments go on to the benchmark (case name prefixes,
# for example ./bench.sh rake). ./bench.sh photo [ROUNDS] times the picture
# tool against ImageMagick instead (bench/photo.sh); ./bench.sh web [CASE ...]
# gives the browser's figures beside the native ones (bench/web.sh);
# ./bench.sh start [ROUNDS] times drawing the garden's pictures against
# version 1.2.0's painters (bench/start.sh).
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = photo ]; then
  shift
  exec bench/photo.sh "$@"
fi
if [ "${1:-}" = web ]; then
  shift
  exec bench/web.sh "$@"
fi
if [ "${1:-}" = start ]; then
  shift
  exec bench/start.sh "$@"
fi
. scripts/packages.sh
. scripts/display.sh
need_packages "${BUILD_PACKAGES[@]}" xvfb xauth

cmake --preset release >/dev/null
cmake --build --preset release --target sandmere-bench -j"$(nproc)"

ensure_display 121

build-release/sandmere-bench "$PWD/build-release/garden" "$@"
