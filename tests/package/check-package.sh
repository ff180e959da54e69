#!/usr/bin/env bash
# Makes the Debian packages in a build folder and checks them as Debian
# would: each package holds exactly its files, the program depends on its
# data of the same version, the desktop entry and the AppStream metainfo
# are valid and name each other, the icons have their sizes, manual pages
# render without warnings, and lintian finds no errors (its warnings are
# printed). Then installs the build into a prefix and uninstalls it again.
# Usage: tests/package/check-package.sh BUILD_FOLDER
set -euo pipefail
build="$(cd "$1" && pwd)"
fail() { echo "check-package: $*" >&2; exit 1; }
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version="$(cache_value CMAKE_PROJECT_VERSION)"
app_id="$(sed -n 's/^set(SANDMERE_APP_ID \(.*\))$/\1/p' "$(dirname "$0")/../../packaging/desktop.cmake")"
[ -n "$version" ] && [ -n "$app_id" ] || fail "cannot read the version or the application id"

rm -f "$build"/sandmere*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; fail "cpack failed"; }
arch="$(dpkg --print-architecture)"
program_deb="$build/sandmere_${version}_${arch}.deb"
data_deb="$build/sandmere-data_${version}_all.deb"
for deb in "$program_deb" "$data_deb"; do
  [ -f "$deb" ] || fail "cpack made no $(basename "$deb")"
done
echo "made $(basename "$program_deb") and $(basename "$data_deb")"

# The fourteen pictures, as the picture tool names them.
mapfile -t pictures < <("$build/sandmere-picture" list | cut -f1)
[ "${#pictures[@]}" -gt 0 ] || fail "the picture tool lists no pictures"
icon_sizes=(16 32 48 64 128 256)
program_files=(usr/bin/sandmere usr/games/sandmere usr/bin/sandmere-picture usr/libexec/sandmere/sandmere
  usr/libexec/sandmere/sandmere-open usr/libexec/sandmere/sandmere-headless usr/libexec/sandmere/sandmere-thumbnailer
  usr/share/mime/packages/sandmere.xml usr/share/thumbnailers/sandmere.thumbnailer
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
  usr/share/man/man6/sandmere.6.gz usr/share/man/man1/sandmere-picture.1.gz
  usr/share/doc/sandmere/copyright usr/share/doc/sandmere/changelog.gz)
data_files=(usr/share/icons/hicolor/scalable/apps/sandmere.svg
  usr/share/doc/sandmere-data/copyright usr/share/doc/sandmere-data/changelog.gz)
for picture in "${pictures[@]}"; do data_files+=("usr/share/sandmere/$picture"); done
for size in "${icon_sizes[@]}"; do data_files+=("usr/share/icons/hicolor/${size}x${size}/apps/sandmere.png"); done

# Exactly these files, nothing missing and nothing in the wrong package.
files_of() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort; }
expect_files() {
  local deb="$1"; shift
  local difference
  difference="$(diff <(printf '%s\n' "$@" | sort) <(files_of "$deb") || true)"
  [ -z "$difference" ] || fail "$(basename "$deb") does not hold what it should (< missing, > not its own):
$difference"
}
expect_files "$program_deb" "${program_files[@]}"
expect_files "$data_deb" "${data_files[@]}"
[ "$(dpkg-deb -f "$data_deb" Architecture)" = all ] || fail "sandmere-data is not architecture-independent"
depends="$(dpkg-deb -f "$program_deb" Depends)"
grep -qF "sandmere-data (= $version)" <<<"$depends" || fail "sandmere does not depend on sandmere-data (= $version): $depends"
grep -q 'libglut' <<<"$depends" || fail "sandmere does not depend on freeglut: $depends"
grep -qF 'zenity | kdialog | x11-utils' <<<"$depends" ||
  fail "sandmere does not depend on a dialog program for the launcher: $depends"
[ -z "$(dpkg-deb -f "$data_deb" Depends)" ] || fail "sandmere-data depends on something"

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$program_deb" "$unpacked"
dpkg-deb -x "$data_deb" "$unpacked"
share="$unpacked/usr/share"

desktop="$share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
metainfo="$share/metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "the metainfo is not valid"
grep -qF "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"
grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
zcat "$share/doc/sandmere/changelog.gz" | head -1 | grep -qF "sandmere ($version)" ||
  fail "the changelog does not begin with $version"
released="$(date -u -d "$(zcat "$share/doc/sandmere/changelog.gz" | sed -n 's/^ -- .*>  //p' | head -1)" +%F)"
grep -qF "<release version=\"$version\" date=\"$released\">" "$metainfo" ||
  fail "the metainfo's release $version is not dated $released, as in the changelog"
grep -qx 'StartupWMClass=Sandmere' "$desktop" || fail "the desktop entry does not match the window class Sandmere"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
for size in "${icon_sizes[@]}"; do
  png="$share/icons/hicolor/${size}x${size}/apps/$icon.png"
  file -b "$png" | grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" ||
    fail "$png is not a $size by $size RGBA PNG: $(file -b "$png")"
done
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the scalable icon $icon.svg is missing"

for page in man6/sandmere.6.gz man1/sandmere-picture.1.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$share/man/$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "$page renders with warnings: $warnings"
done

report="$(lintian --allow-root "$program_deb" "$data_deb" 2>&1 || true)"
[ -n "$report" ] && echo "$report"
if grep -q '^E:' <<<"$report"; then fail "lintian found errors"; fi
echo "the packages hold their ${#program_files[@]} and ${#data_files[@]} files; lintian found no errors"

# The uninstall takes away every installed file and the folders the install
# made, and nothing that was there before; an install staged under DESTDIR
# is taken away there, leaving the prefix itself alone.
prefix="$unpacked/prefix"
stage="$unpacked/stage"
mkdir -p "$prefix/share/doc"
touch "$prefix/share/doc/someone-elses"
install_into() {
  DESTDIR="$1" cmake --install "$build" --prefix "$prefix" >"$unpacked/install.log" 2>&1 ||
    { cat "$unpacked/install.log"; fail "cmake --install failed"; }
}
uninstall() {
  cmake --build "$build" --target uninstall >"$unpacked/uninstall.log" 2>&1 ||
    { cat "$unpacked/uninstall.log"; fail "the uninstall failed"; }
}
install_into ""
install_into "$stage"
[ -x "$stage$prefix/bin/sandmere" ] || fail "cmake --install put no launcher in place"
uninstall
[ -z "$(find "$stage" ! -type d)" ] || fail "the uninstall left the staged files behind"
[ -x "$prefix/bin/sandmere" ] || fail "the uninstall of a staged install removed the prefix's own files"
install_into ""
uninstall
left="$(cd "$prefix" && find . ! -type d ! -path ./share/doc/someone-elses)"
[ -z "$left" ] || fail "the uninstall left files behind: $left"
[ -f "$prefix/share/doc/someone-elses" ] || fail "the uninstall removed a file it had not installed"
folders="$(cd "$prefix" && find . -mindepth 1 -type d | sort | tr '\n' ' ')"
[ "$folders" = "./share ./share/doc " ] || fail "after the uninstall the prefix holds the folders $folders"
echo "the uninstall removed every installed file and the folders the install made"
