#!/usr/bin/env bash
# Builds the garden (the release preset) and starts it in build-release/garden,
# which holds its pictures. Arguments go on to the program (GLUT takes its
# window-system options).
# ./run.sh web builds the browser's site instead (the web workflow preset,
# into build-web/site) and serves it on http://127.0.0.1:8600/.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
if [ "${1:-}" = web ]; then
  need_packages "${WEB_PACKAGES[@]}"
  CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" cmake --workflow --preset web
  exec node scripts/serve.mjs build-web/site 8600
fi
need_packages "${BUILD_PACKAGES[@]}"
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
cd build-release/garden
exec ../sandmere "$@"
