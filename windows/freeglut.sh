#!/usr/bin/env bash
# Builds freeglut for Windows as a static library, from Debian's source
# package of the version the Linux build links, with the same MinGW-w64
# toolchain as the garden. Made once per build folder: when the library is
# there, nothing is fetched or built again.
# Usage: windows/freeglut.sh FOLDER TOOLCHAIN_FILE
# Prints the folder the library is installed in (include/, lib/).
set -euo pipefail
folder="$1"
toolchain="$2"
here="$(cd "$(dirname "$0")" && pwd)"
installed="$folder/install"
done_stamp="$installed/.built"

if [ -e "$done_stamp" ]; then
  echo "$installed"
  exit 0
fi

rm -rf "$folder/build" "$installed"
if [ -d "$folder/source" ]; then
  tree="$(find "$folder/source" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -n1)"
fi
if [ -z "${tree:-}" ]; then
  rm -rf "$folder/source"
  tree="$("$here/../scripts/debian-source.sh" freeglut3-dev "$folder/source")"
fi

# Only the static library, with the GL/glut.h the garden includes: no demos,
# no DLL.
cmake -S "$tree" -B "$folder/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$installed" -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
  -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON >"$folder/build.log" 2>&1 || { cat "$folder/build.log" >&2; exit 1; }
cmake --build "$folder/build" -j2 >>"$folder/build.log" 2>&1 || { cat "$folder/build.log" >&2; exit 1; }
cmake --install "$folder/build" >>"$folder/build.log" 2>&1 || { cat "$folder/build.log" >&2; exit 1; }
# Its licence goes with every program that holds it.
cp "$tree/COPYING" "$installed/COPYING"
touch "$done_stamp"
echo "$installed"
