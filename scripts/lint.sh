#!/usr/bin/env bash
# The house's habits, checked or applied:
#   scripts/lint.sh format          reformats every C++ file in place
#   scripts/lint.sh check-format    fails when a C++ file is not formatted
#   scripts/lint.sh tidy [BUILD]    clang-tidy over the program, the picture
#                                   tool and the benchmark, with the compile
#                                   commands of BUILD (default build); fails
#                                   on any finding
set -euo pipefail
cd "$(dirname "$0")/.."

cxx_files() {
  find app plan scene image tools bench fuzz tests windows web opener -path tests/data -prune -o \
    \( -name '*.cpp' -o -name '*.h' \) -print | sort
}

case "${1:-}" in
  format)
    cxx_files | xargs clang-format-14 -i ;;
  check-format)
    cxx_files | xargs clang-format-14 --dry-run --Werror || {
      echo "lint: the files above are not formatted; scripts/lint.sh format mends them" >&2; exit 1; } ;;
  tidy)
    build="${2:-build}"
    [ -f "$build/compile_commands.json" ] || { echo "lint: no $build/compile_commands.json; configure first" >&2; exit 1; }
    # The Windows side of a seam (*_windows.cpp) is not in the Linux build.
    ls app/*.cpp plan/*.cpp scene/*.cpp image/*.cpp tools/*.cpp bench/*.cpp opener/*.cpp | grep -v '_windows\.cpp$' |
      xargs -P "$(nproc)" -n 4 clang-tidy-14 -p "$build" --quiet 2>/dev/null || {
        echo "lint: clang-tidy found the faults above" >&2; exit 1; } ;;
  *)
    sed -n '2,8p' "$0" >&2; exit 2 ;;
esac
