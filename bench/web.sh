#!/usr/bin/env bash
# ./bench.sh web: the browser's figures beside the desktop's, in one run
# (bench/web.mjs): the benchmark's cases in Chromium and native, the site's
# bytes over the wire, the first drawn plan from a cold start, a raking
# motion's main-thread time, and the software rasteriser native and in
# WebAssembly. Builds the release benchmark, the site and the benchmark for
# the browser first.
# Arguments are case name prefixes, as for ./bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. scripts/display.sh
need_packages "${BUILD_PACKAGES[@]}" "${WEB_PACKAGES[@]}" xvfb xauth

cmake --preset release >/dev/null
cmake --build --preset release --target sandmere-bench sandmere-softraster-bench -j"$(nproc)"
CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" cmake --workflow --preset web >/dev/null
cmake --build --preset web --target sandmere-web-bench sandmere-web-softraster-bench -j"$(nproc)"
scripts/web-tools.sh >/dev/null

ensure_display 121
native="$(mktemp)"
trap 'rm -f "$native"; stop_virtual_display' EXIT
echo "Running the benchmark native ..."
build-release/sandmere-bench "$PWD/build-release/garden" "$@" | tee "$native" | grep ' done: ' || true
node bench/web.mjs build-web/site build-web/bench build-release/garden "$native" "$@"
echo "The software rasteriser alone, native and in WebAssembly (Node):"
echo "  native: $(build-release/sandmere-softraster-bench)"
echo "  wasm:   $(node build-web/bench/sandmere-softraster-bench.js)"
