#!/usr/bin/env bash
# What a garden costs before its first frame, today's build against version
# 1.2.0's, in one run. Natively: the picture tool drawing the garden's
# fourteen pictures (sandmere-picture defaults), both tools built in release
# and run alternately, with their median times by the clock and in processor
# time (which other work on the machine disturbs less), the ratios, and
# whether both drew the same bytes. In the browser: both sites' first plan
# on a first visit, a repeat visit and a repeat visit with the CPU slowed
# four times, and a fresh garden without a reload, medians of three fresh
# browsers each (bench/start.mjs).
# Usage: bench/start.sh [ROUNDS]   (or ./bench.sh start [ROUNDS]; 15 rounds
# by default)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. bench/median.sh
need_packages "${BUILD_PACKAGES[@]}" "${WEB_PACKAGES[@]}"

rounds="${1:-15}"
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

# One run of the command given: its seconds by the clock and in processor
# time (user and system), on one line.
timed() {
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.3f\n", $1, $2 + $3 }'
}

# The native start: each tool draws the fourteen pictures into a folder of
# its own, in alternating rounds after one warm-up each.
native_start() {
  local today="$PWD/build-release/sandmere-picture" before="$PWD/$baseline_tree/build-release/sandmere-picture"
  timed "$before" defaults "$work/before" >/dev/null
  timed "$today" defaults "$work/today" >/dev/null
  : >"$work/before.runs"
  : >"$work/today.runs"
  for _ in $(seq "$rounds"); do
    timed "$before" defaults "$work/before" >>"$work/before.runs"
    timed "$today" defaults "$work/today" >>"$work/today.runs"
  done
  local same=yes
  diff -rq "$work/before" "$work/today" || same=no
  awk -v rounds="$rounds" -v commit="${baseline_commit:0:7}" -v goal="$native_goal" -v same="$same" \
    -v before="$(cut -d' ' -f1 "$work/before.runs" | median)" -v today="$(cut -d' ' -f1 "$work/today.runs" | median)" \
    -v beforeCpu="$(cut -d' ' -f2 "$work/before.runs" | median)" \
    -v todayCpu="$(cut -d' ' -f2 "$work/today.runs" | median)" 'BEGIN {
    printf "native: sandmere-picture defaults, the 14 pictures, medians of %d alternating rounds\n", rounds
    printf "  %-30s %10s %14s\n", "", "clock s", "processor s"
    printf "  %-30s %10.3f %14.3f\n", "1.2.0 (" commit ")", before, beforeCpu
    printf "  %-30s %10.3f %14.3f\n", "this build", today, todayCpu
    printf "  1.2.0 / this build: %.2f times as fast by the clock (goal: %d): %s; %.2f in processor time\n",
      before / today, goal, (before / today >= goal) ? "met" : "missed", beforeCpu / todayCpu
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

# Each part builds what it needs and prints its own lines.
build_tools
native_start
build_sites
node bench/start.mjs 3 "1.2.0=$baseline_tree/build-web/site" "this build=build-web/site"
