#!/usr/bin/env bash
# Makes the Debian package in a build folder and checks it as Debian would:
# the files it must hold, a valid desktop entry, manual pages that render
# without warnings, and no lintian errors (its warnings are printed).
# Usage: tests/package/check-package.sh BUILD_FOLDER
set -euo pipefail
build="$1"
fail() { echo "check-package: $*" >&2; exit 1; }

rm -f "$build"/sandmere_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; fail "cpack failed"; }
debs=("$build"/sandmere_*_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no sandmere_<version>_<arch>.deb"
deb="${debs[0]}"
echo "made $(basename "$deb")"

contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
expected=(usr/bin/sandmere usr/games/sandmere usr/bin/sandmere-picture usr/libexec/sandmere/sandmere
  usr/share/applications/sandmere.desktop usr/share/icons/hicolor/scalable/apps/sandmere.svg
  usr/share/man/man6/sandmere.6.gz usr/share/man/man1/sandmere-picture.1.gz
  usr/share/doc/sandmere/copyright usr/share/doc/sandmere/changelog.gz)
for picture in sand1 sand2 rock01 rock02 rock03 rock04 rock05 glass01 crystal01 crystal02 crystal03 wood1 bg1 bg2; do
  expected+=("usr/share/sandmere/$picture.bmp")
done
for file in "${expected[@]}"; do
  grep -qxF "./$file" <<<"$contents" || fail "the package lacks /$file"
done
dpkg-deb -f "$deb" Depends | grep -q 'libglut' || fail "the package does not depend on freeglut"
dpkg-deb -f "$deb" Depends | grep -qF 'zenity | kdialog | x11-utils' ||
  fail "the package does not depend on a dialog program for the launcher"

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/sandmere.desktop" || fail "the desktop entry is not valid"
for page in man6/sandmere.6.gz man1/sandmere-picture.1.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$unpacked/usr/share/man/$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "$page renders with warnings: $warnings"
done

report="$(lintian --allow-root "$deb" 2>&1 || true)"
[ -n "$report" ] && echo "$report"
if grep -q '^E:' <<<"$report"; then fail "lintian found errors"; fi
echo "the package holds its ${#expected[@]} files; lintian found no errors"
