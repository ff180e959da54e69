#!/usr/bin/env bash
# Builds the benchmark and runs it: the garden's frames against the literal
# ones, in the real 600 x 600 window. Opens it on a virtual X server when
# there is no display. Arguments go on to the benchmark (case name prefixes,
# for example ./bench.sh rake). ./bench.sh photo [ROUNDS] times the picture
# tool against ImageMagick instead (bench/photo.sh); ./bench.sh web [CASE ...]
# gives the browser's figures beside the native ones (bench/web.sh);
# ./bench.sh start [ROUNDS] times the start, natively against version
# 1.2.0's painters and in the browser against 1.2.0's page (bench/start.sh);
# ./bench.sh garden [ROUNDS] times replaying kept gardens in the browser and
# measures their links and files (bench/garden.sh); ./bench.sh headless
# [ROUNDS] times the same gardens replayed by the headless garden
# (bench/headless.sh).
set -euo pipefail
cd "$(dirname "$0")"
case "${1:-}" in
  photo | web | start | garden | headless)
    what="$1"
    shift
    exec "bench/$what.sh" "$@"
    ;;
esac
. scripts/packages.sh
. scripts/display.sh
need_packages "${BUILD_PACKAGES[@]}" xvfb xauth

cmake --preset release >/dev/null
cmake --build --preset release --target sandmere-bench -j"$(nproc)"

ensure_display 121

build-release/sandmere-bench "$PWD/build-release/garden" "$@"
