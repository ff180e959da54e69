#!/usr/bin/env bash
# Builds the garden (the release preset) and starts it in build-release/garden,
# which holds its pictures. Arguments go on to the program (GLUT takes its
# window-system options).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
need_packages "${BUILD_PACKAGES[@]}"
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
cd build-release/garden
exec ../sandmere "$@"
