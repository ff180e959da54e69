#!/usr/bin/env bash
# What a garden costs before its first frame, today's build against version
# 1.2.0's, in one run. Natively: the picture tool drawing the garden's
# fourteen pictures (sandmere-picture defaults), both tools built in release
# and run alternately, with their median times, the ratio, and whether both
# drew the same bytes. In the browser: both sites' first plan on a first
# visit, a repeat visit and a repeat visit with the CPU slowed four times,
# medians of three fresh browsers each (bench/start.mjs).
# Usage: bench/start.sh [ROUNDS]   (or ./bench.sh start [ROUNDS]; 9 rounds
# by default)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. bench/median.sh
need_packages "${BUILD_PACKAGES[@]}" "${WEB_PACKAGES[@]}"

rounds="${1:-9}"
# Version 1.2.0's painters as they last stood, at the tip of main before
# they were made faster. Its tool is built from that commit's own tree,
# extracted once into the folder below; no copy of it is kept in the sources.
baseline_commit=939340b27c87fd5a84058c231a92ce1b03a29b26
baseline_tree=build-bench/start-1.2.0
# The ratio the native start is meant to reach (issue 24).
native_goal=3

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The picture tool of this tree and of the baseline, both in release.
build_tools() {
  cmake --preset release >/dev/null
  cmake --build --preset release --target sandmere-picture -j"$(nproc)" >/dev/null
  if [ ! -f "$baseline_tree/CMakeLists.txt" ]; then
    echo "extracting $baseline_commit into $baseline_tree ..."
    mkdir -p "$baseline_tree"
    git archive "$baseline_commit" | tar -x -C "$baseline_tree"
  fi
  (cd "$baseline_tree" && cmake --preset release >/dev/null &&
    cmake --build --preset release --target sandmere-picture -j"$(nproc)" >/dev/null)
}

# Microseconds of one run of the command given.
microseconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}

# The native start: each tool draws the fourteen pictures into a folder of
# its own, in alternating rounds after one warm-up each.
native_start() {
  local today="$PWD/build-release/sandmere-picture" before="$PWD/$baseline_tree/build-release/sandmere-picture"
  microseconds "$before" defaults "$work/before" >/dev/null
  microseconds "$today" defaults "$work/today" >/dev/null
  : >"$work/before.runs"
  : >"$work/today.runs"
  for _ in $(seq "$rounds"); do
    microseconds "$before" defaults "$work/before" >>"$work/before.runs"
    microseconds "$today" defaults "$work/today" >>"$work/today.runs"
  done
  local same=yes
  diff -rq "$work/before" "$work/today" || same=no
  awk -v rounds="$rounds" -v before="$(median <"$work/before.runs")" -v today="$(median <"$work/today.runs")" \
    -v commit="${baseline_commit:0:7}" -v goal="$native_goal" -v same="$same" 'BEGIN {
    printf "native: sandmere-picture defaults, the 14 pictures, median of %d alternating rounds\n", rounds
    printf "  %-30s %8.3f s\n", "1.2.0 (" commit ")", before / 1e6
    printf "  %-30s %8.3f s\n", "this build", today / 1e6
    printf "  1.2.0 / this build: %.2f times as fast (goal: %d): %s\n", before / today, goal,
      (before / today >= goal) ? "met" : "missed"
    printf "  the pictures byte for byte the same as 1.2.0\047s: %s\n", same
  }'
  [ "$same" = yes ]
}

# Both sites, built with the web workflow preset.
build_sites() {
  CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" cmake --workflow --preset web >/dev/null
  (cd "$baseline_tree" && CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" \
    cmake --workflow --preset web >/dev/null)
  scripts/web-tools.sh >/dev/null
}

build_tools
native_start
build_sites
node bench/start.mjs 3 "1.2.0=$baseline_tree/build-web/site" "this build=build-web/site"
