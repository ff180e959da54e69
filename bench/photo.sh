#!/usr/bin/env bash
# Times the picture tool making a 600 x 600 background of a 24-megapixel
# phone photo against ImageMagick doing the same, in alternating rounds,
# and prints the median time and the peak memory of each with their ratios.
# Usage: bench/photo.sh [ROUNDS]   (or ./bench.sh photo [ROUNDS]; 7 rounds
# by default)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
need_packages "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

rounds="${1:-7}"
imagemagick=/usr/bin/convert-im6.q16
cmake --preset release >/dev/null
cmake --build --preset release --target sandmere-picture -j"$(nproc)" >/dev/null
tool="$PWD/build-release/sandmere-picture"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The photo: 6000 by 4000 with a phone's grain, stored on its side with EXIF
# orientation 6 ("turn 90 degrees clockwise"), as a phone held upright
# stores it. Made afresh on every run, never kept.
echo "making a 6000 x 4000 JPEG with orientation 6 ..."
"$imagemagick" -seed 14 -size 1500x1000 plasma:fractal "$work/small.png"
vips resize "$work/small.png" "$work/large.v" 4
vips gaussnoise "$work/grain.v" 6000 4000 --sigma 20 --mean 0
vips add "$work/large.v" "$work/grain.v" "$work/photo.v"
vips cast "$work/photo.v" "$work/photo.jpg[Q=90]" uchar
rm -f "$work"/*.v "$work/small.png"
exiftool -q -overwrite_original -n -Orientation=6 "$work/photo.jpg"

# One timed run: wall seconds and peak resident kilobytes on one line.
measure() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(cat "$work/peak")"
}
run_tool() { measure "$tool" convert --as background "$work/photo.jpg" "$work/tool.bmp"; }
run_imagemagick() {
  measure "$imagemagick" "$work/photo.jpg" -auto-orient -resize '600x600^' -gravity center -extent 600x600 \
    "$work/imagemagick.bmp"
}

# A warm-up of each, so that both find the photo and their libraries cached.
run_tool >/dev/null
run_imagemagick >/dev/null
: >"$work/tool.runs"
: >"$work/imagemagick.runs"
for _ in $(seq "$rounds"); do
  run_tool >>"$work/tool.runs"
  run_imagemagick >>"$work/imagemagick.runs"
done
# Both made the same thing: an upright 600 x 600 background.
"$tool" check "$work/tool.bmp" | grep -q "background 600x600 24-bit" || {
  echo "the tool's picture is not a 600x600 background"; exit 1; }
"$tool" check "$work/imagemagick.bmp" | grep -q "background 600x600" || {
  echo "ImageMagick's picture is not 600x600"; exit 1; }

# Medians of each column, then the table and the ratios.
. bench/median.sh
tool_us=$(cut -d' ' -f1 "$work/tool.runs" | median)
tool_kb=$(cut -d' ' -f2 "$work/tool.runs" | median)
im_us=$(cut -d' ' -f1 "$work/imagemagick.runs" | median)
im_kb=$(cut -d' ' -f2 "$work/imagemagick.runs" | median)
awk -v rounds="$rounds" -v tu="$tool_us" -v tk="$tool_kb" -v iu="$im_us" -v ik="$im_kb" 'BEGIN {
  printf "6000 x 4000 JPEG (orientation 6) to a 600 x 600 background, median of %d alternating rounds\n", rounds
  printf "%-34s %10s %12s\n", "", "time s", "peak MB"
  printf "%-34s %10.3f %12.1f\n", "sandmere-picture convert", tu / 1e6, tk / 1024
  printf "%-34s %10.3f %12.1f\n", "ImageMagick convert-im6.q16", iu / 1e6, ik / 1024
  printf "ImageMagick / tool: %.1f times the time, %.1f times the memory (goal: 5 and 5): %s\n",
    iu / tu, ik / tk, (iu / tu >= 5 && ik / tk >= 5) ? "met" : "missed"
}'
