#!/usr/bin/env bash
# The garden file's type and thumbnails as a desktop finds them, from a
# `cmake --install` into a prefix of the test's own: update-mime-database
# builds the type's cache there and gio finds a garden file by its name and
# by its magic; the thumbnailer the installed entry names draws a garden in
# bwrap, sandboxed as GNOME runs thumbnailers (read-only /usr, no network,
# no home, no display), a PNG no larger than asked, and a file that is no
# garden gets a status other than 0 and no picture.
# Usage: tests/package/check-file-type.sh BUILD_FOLDER GARDEN_FILE
set -euo pipefail
build="$(cd "$1" && pwd)"
garden="$(readlink -f "$2")"
fail() { echo "check-file-type: $*" >&2; exit 1; }
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/usr"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "the install failed"; }

# The type, found by the name and by the first bytes.
mime="$prefix/share/mime"
env XDG_DATA_DIRS="$prefix/share" XDG_DATA_HOME="$work/no-home" update-mime-database "$mime"
grep -q '<comment>Sandmere garden</comment>' "$mime/application/x-sandmere.xml" || fail "the cache has no garden type"
mkdir "$work/files"
cp "$garden" "$work/files/raked.sandmere"
cp "$garden" "$work/files/raked"
head -c 64 /dev/zero >"$work/files/zeros.sandmere"
printf 'a garden, raked by hand\n' >"$work/files/notes"
type_of() {
  env XDG_DATA_DIRS="$prefix/share" XDG_DATA_HOME="$work/no-home" gio info -a standard::content-type "$1" |
    sed -n 's/^ *standard::content-type: //p'
}
for file in raked.sandmere raked zeros.sandmere; do
  found="$(type_of "$work/files/$file")"
  [ "$found" = application/x-sandmere ] || fail "$file is of type '$found', not application/x-sandmere"
done
found="$(type_of "$work/files/notes")"
[ "$found" != application/x-sandmere ] || fail "a text file is taken for a garden"
echo "the type is found by its glob and by its magic"

# The thumbnailer, as its entry names it, in the sandbox.
entry="$prefix/share/thumbnailers/sandmere.thumbnailer"
installed="$(cache_value CMAKE_INSTALL_PREFIX)/libexec/sandmere/sandmere-thumbnailer"
grep -qx "Exec=$installed %s %i %o" "$entry" || fail "the thumbnailer entry does not run $installed"
grep -qx "MimeType=application/x-sandmere;" "$entry" || fail "the thumbnailer entry names no garden type"
thumbnailer="$prefix/libexec/sandmere/sandmere-thumbnailer"
mkdir "$work/out"
sandboxed() {
  local input="$1" output="$2"
  env -i PATH=/usr/bin:/bin bwrap --ro-bind /usr /usr --ro-bind /etc /etc \
    --symlink usr/lib /lib --symlink usr/lib64 /lib64 --symlink usr/bin /bin --symlink usr/sbin /sbin \
    --proc /proc --dev /dev --tmpfs /tmp --ro-bind "$prefix" "$prefix" \
    --ro-bind "$input" "$input" --bind "$work/out" "$work/out" \
    --chdir / --unshare-all --die-with-parent \
    "$thumbnailer" 256 "$input" "$output"
}
start=$(date +%s%N)
sandboxed "$work/files/raked.sandmere" "$work/out/raked.png" 2>"$work/thumbnailer.log" ||
  { cat "$work/thumbnailer.log"; fail "the thumbnailer failed in the sandbox"; }
echo "thumbnail of $(basename "$garden") at 256 px in the sandbox: $((($(date +%s%N) - start) / 1000000)) ms"
read -r -a header < <(od -An -tu1 -w24 -N24 "$work/out/raked.png")
[ "${header[*]:0:8}" = "137 80 78 71 13 10 26 10" ] || fail "the thumbnail is no PNG"
width=$(((header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19]))
height=$(((header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23]))
[ "$width" -le 256 ] && [ "$height" -le 256 ] && [ "$((width > height ? width : height))" -eq 256 ] ||
  fail "the thumbnail is ${width}x${height}, not 256 on its longer side"
# The plan: the sand is white, the strokes are not.
colours="$(cd "$work/out" && convert raked.png -format %k info:)"
[ "$colours" -gt 2 ] || fail "the thumbnail holds $colours colours: no plan"
if sandboxed "$work/files/zeros.sandmere" "$work/out/zeros.png" 2>"$work/bad.log"; then
  fail "a file that is no garden got a thumbnail"
fi
[ ! -e "$work/out/zeros.png" ] || fail "a file that is no garden left a picture"
echo "the thumbnailer draws a garden in the sandbox and refuses what is no garden"
