# Installs the Debian packages a step needs, when they are missing.
# Usage: . scripts/packages.sh; need_packages pkg...
need_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:"
    echo "  sudo apt-get install ${missing[*]}"
    exit 1
  fi
  echo "Installing ${missing[*]} ..."
  # Package lists may be missing or stale on a fresh machine.
  apt-get update -q >/dev/null || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null || {
    echo "apt-get could not install: ${missing[*]}"; exit 1; }
}

# The window's class and icon need Xlib; the icons are drawn with
# rsvg-convert and read back as raw pixels with netpbm's pngtopam. The
# picture tool reads photos with libvips, found through pkg-config. The
# headless garden reads garden files with zlib, takes its digests from
# GLib, and compiles GLU from its Debian source, which dpkg-dev unpacks.
BUILD_PACKAGES=(g++ cmake make pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libx11-dev
  librsvg2-bin netpbm libvips-dev zlib1g-dev libglib2.0-dev dpkg-dev)
# openbox: the window manager the desktop test runs the garden under.
TEST_PACKAGES=(googletest libgtest-dev xvfb xauth libxtst-dev openbox)
# Formatting and static analysis.
LINT_PACKAGES=(clang-format-14 clang-tidy-14)
# Making the Debian package and judging it as Debian does.
PACKAGE_PACKAGES=(dpkg-dev fakeroot file lintian desktop-file-utils appstream man-db)
# The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The photo benchmark (bench/photo.sh): ImageMagick to compare with, and
# what makes and measures its photo.
BENCH_PACKAGES=(imagemagick time libvips-tools libimage-exiftool-perl)
# Windows: the cross compiler, Wine to run and test what it builds, NSIS
# for the installer, icoutils for the programs' icon; dpkg-dev unpacks
# freeglut's Debian source.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 wine64 nsis icoutils dpkg-dev)
# The browser: Emscripten, and the engines the page's tests run it in:
# Chromium, Firefox ESR, and WebKitGTK's WebDriver with its MiniBrowser;
# dpkg-dev unpacks GLU's Debian source.
WEB_PACKAGES=(emscripten chromium firefox-esr webkit2gtk-driver dpkg-dev)
