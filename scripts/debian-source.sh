#!/usr/bin/env bash
# Unpacks the source of a Debian package at the version this machine has
# installed, into a folder, for the builds that compile a library for
# another platform (freeglut for Windows, GLU for the browser).
# Usage: scripts/debian-source.sh BINARY_PACKAGE FOLDER
# Prints the unpacked source tree's path. Where apt knows no source entry, one
# is made from the machine's own Debian entries (the same archives and
# suites, with Types: deb-src), so the source is the one of the binary.
set -euo pipefail
package="$1"
folder="$2"

sources_known() { apt-cache showsrc "$1" 2>/dev/null | grep -q '^Package:'; }

add_source_entries() {
  [ "$(id -u)" -eq 0 ] || { echo "making a deb-src entry needs root" >&2; exit 1; }
  local made=/etc/apt/sources.list.d/sandmere-deb-src.sources
  local file
  : > "$made.new"
  # deb822 files: every stanza of Types: deb again as deb-src.
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] && [ "$file" != "$made" ] || continue
    grep -qi '^Types:.*\bdeb\b' "$file" || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Types:[^\n]*deb([ \n]|$)/ && !/deb-src/ {
      sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file" >> "$made.new"
  done
  # One-line entries become their deb-src twins.
  local lists=()
  [ -e /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
  for file in /etc/apt/sources.list.d/*.list; do [ -e "$file" ] && lists+=("$file"); done
  if [ ${#lists[@]} -gt 0 ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "${lists[@]}" > "${made%.sources}.list.new" || true
    [ -s "${made%.sources}.list.new" ] && mv "${made%.sources}.list.new" "${made%.sources}.list" \
      || rm -f "${made%.sources}.list.new"
  fi
  if [ -s "$made.new" ]; then mv "$made.new" "$made"; else rm -f "$made.new"; fi
  apt-get update -q >/dev/null
}

if ! sources_known "$package"; then
  add_source_entries
  sources_known "$package" || { echo "apt knows no source of $package" >&2; exit 1; }
fi

# The binary's version, so the source matches what the Linux build links.
version="$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || true)"
source_name="$(apt-cache show "$package" 2>/dev/null | sed -n 's/^Source: \([^ ]*\).*/\1/p' | head -n1)"
[ -n "$source_name" ] || source_name="$package"
mkdir -p "$folder"
cd "$folder"
fetched=0
if [ -n "$version" ]; then
  apt-get source -q "$source_name=${version#*:}" >/dev/null 2>&1 && fetched=1
fi
[ "$fetched" = 1 ] || apt-get source -q "$source_name" >/dev/null 2>&1 && fetched=1
tree="$(find . -mindepth 1 -maxdepth 1 -type d -name "${source_name}-*" | head -n1)"
# A mirror that serves the upstream tarball but not Debian's changes to it
# (the .diff.gz of a format 1.0 package): the upstream tree, said so.
orig="$(find . -mindepth 1 -maxdepth 1 -name "${source_name}_*.orig.tar.*" | head -n1)"
if [ -z "$tree" ] && [ "$fetched" = 0 ] && [ -n "$orig" ]; then
  upstream="${orig#./${source_name}_}"
  tree="./${source_name}-${upstream%.orig.tar.*}"
  echo "debian-source: Debian's changes to $source_name could not be fetched; using the upstream source $orig" >&2
  mkdir -p "$tree" && tar -xf "$orig" -C "$tree" --strip-components=1
fi
[ -n "$tree" ] || { echo "apt-get source left no tree for $source_name" >&2; exit 1; }
(cd "$tree" && pwd)
