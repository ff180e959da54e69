#!/usr/bin/env bash
# ./bench.sh headless [ROUNDS]: the headless garden's replay of the
# gardens ./bench.sh garden replays in the browser (bench/headless.mjs).
# Builds the release preset's sandmere-headless first.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages "${BUILD_PACKAGES[@]}" time
cmake --preset release >/dev/null
cmake --build --preset release --target sandmere-headless -j"$(nproc)" >/dev/null
node bench/headless.mjs build-release/sandmere-headless "${1:-5}"
