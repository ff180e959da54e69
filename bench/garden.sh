#!/usr/bin/env bash
# ./bench.sh garden [ROUNDS]: what keeping a garden costs in the browser
# (bench/garden.mjs): the replay of a 24-stroke and a 1,000-stroke garden
# when the page starts, the link to the first and the bytes a stroke takes
# in a garden file. Builds the site first.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages "${WEB_PACKAGES[@]}"
CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" cmake --workflow --preset web >/dev/null
scripts/web-tools.sh >/dev/null
node bench/garden.mjs build-web/site "${1:-3}"
