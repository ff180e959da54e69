#!/usr/bin/env bash
# Builds the garden and starts it in build/garden, which holds its pictures.
# Arguments go on to the program (GLUT takes its window-system options).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
need_packages "${BUILD_PACKAGES[@]}"
cmake -S . -B build -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)"
cd build/garden
exec ../sandmere "$@"
