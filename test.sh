#!/usr/bin/env bash
# Builds everything and runs the whole test suite; exits non-zero on any
# failure. The stages: formatting and static analysis; the development
# build and its suite, which also runs the Windows programs under Wine
# and the page in Chromium, each built first by its workflow preset; the
# Debian package; the same suite built with
# AddressSanitizer, UBSan and LeakSanitizer, the end-to-end tests running
# the sanitized program; and a bounded run of each fuzz target. Each build
# is a preset of CMakePresets.json. Tests that open windows get a virtual X
# server when there is no display.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh
. scripts/display.sh
need_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${LINT_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" \
  "${FUZZ_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WEB_PACKAGES[@]}"

jobs="$(nproc)"
started=$SECONDS
stage() { echo "=== $* ($((SECONDS - started)) s)"; }

ensure_display 91

stage "formatting"
scripts/lint.sh check-format

# A long, chatty step: its output goes to a log, shown only when it fails.
logged() {
  local log="$1"; shift
  mkdir -p "$(dirname "$log")"
  "$@" > "$log" 2>&1 || { tail -n 80 "$log"; echo "failed: $* (the whole log: $log)"; exit 1; }
}

stage "Windows programs and installer"
logged build-logs/windows.log cmake --workflow --preset windows

stage "the browser's site"
logged build-logs/web.log cmake --workflow --preset web

stage "development build, static analysis and suite"
cmake --preset dev >/dev/null
scripts/lint.sh tidy build
cmake --build --preset dev -j"$jobs"
ctest --preset dev -j"$jobs"

stage "Debian package"
tests/package/check-package.sh build

stage "sanitizer build and suite"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
g++ -shared -fPIC -O2 -Wall -Wextra -Werror -o build-asan/keep_loaded.so tests/sanitizer/keep_loaded.cpp
# Every report ends the process that made it with status 86, which no test
# expects from the garden (it ends with 0 or 1), so a report from the
# program under an end-to-end test fails that test as surely as one from a
# test binary does. The e2e library hands the environment to the program.
# keep_loaded.so is preloaded ahead of the ASan runtime, which is told not
# to mind.
sanitizer_exit=86
export ASAN_OPTIONS="exitcode=$sanitizer_exit:verify_asan_link_order=0:halt_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="exitcode=$sanitizer_exit:halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="exitcode=$sanitizer_exit:suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
# The Windows and browser tests exercise the other platforms' builds, which
# the sanitizers do not instrument: they ran in the development suite.
LD_PRELOAD="$PWD/build-asan/keep_loaded.so" ctest --preset asan -j"$jobs" -LE "windows|web"
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

stage "fuzz targets"
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs"
# Seeds: the public BMP suite under tests/data, the garden's own pictures,
# the hand-made edge cases, a tiny photo of each format the picture tool
# reads, and small garden files and links with a garden raked in the page.
# New inputs go to a fresh scratch folder, the first one named, so the seed
# folders are only read. A crash, a sanitizer
# report, an input that takes over 10 s or memory past the limit is a
# finding: its input is kept under build-fuzz/findings/ and the stage fails.
fuzz_seconds="${SANDMERE_FUZZ_SECONDS:-45}"
mkdir -p build-fuzz/findings
for target in fuzz_read_bmp fuzz_read_texture fuzz_read_photo fuzz_read_exif fuzz_read_garden; do
  scratch="$(mktemp -d)"
  echo "--- $target for $fuzz_seconds s"
  if ! build-fuzz/$target -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
      "$scratch" tests/data/bmpsuite/g tests/data/bmpsuite/b build/garden fuzz/corpus fuzz/photos \
      fuzz/gardens tests/data/gardens \
      > "build-fuzz/$target.log" 2>&1; then
    rm -rf "$scratch"
    tail -n 60 "build-fuzz/$target.log"
    echo "$target found a fault; its input is in build-fuzz/findings/"
    exit 1
  fi
  rm -rf "$scratch"
  grep -E '^#[0-9]+[[:space:]]+DONE' "build-fuzz/$target.log" || true
done

stage "all passed"
