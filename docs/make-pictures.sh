#!/usr/bin/env bash
# Draws the README's pictures from the real garden: rakes furrows and rings
# around both rocks, then saves the plan (docs/plan.png) and the lit garden
# in front of the first background (docs/garden.png). The garden runs on a
# private virtual X server, so this works with or without a display.
# Usage: docs/make-pictures.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

for tool in Xvfb convert; do
  command -v "$tool" >/dev/null || { echo "make-pictures: $tool is needed (packages xvfb, imagemagick)" >&2; exit 1; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DBUILD_TESTING=ON >/dev/null
fi
cmake --build "$build" --target sandmere garden-pictures sandmere-e2e-pictures -j2 >/dev/null

"$build/tests/sandmere-e2e-pictures" docs
echo "wrote docs/plan.png and docs/garden.png"
