#!/usr/bin/env bash
# Installs what the browser tests and benchmark drive the browsers with: the npm
# packages pinned in tests/web/package.json, into a folder of the build
# (build-web/node-tools by default), once; a later run with the same pins
# does nothing. Never downloads a browser: the tests use Debian's.
# Usage: scripts/web-tools.sh [FOLDER]   prints the folder
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$root/build-web/node-tools}"
mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"

# The pins are kept beside the installed packages: unchanged, nothing to do.
if cmp -s "$root/tests/web/package.json" "$folder/package.json" &&
  [ -f "$folder/node_modules/playwright-core/package.json" ]; then
  echo "$folder"
  exit 0
fi

# npm: the one on PATH, the one that comes with Node, Node's corepack, or
# Debian's.
npm_cli=()
if command -v npm >/dev/null; then
  npm_cli=(npm)
elif [ -f /usr/lib/node_modules/npm/bin/npm-cli.js ]; then
  npm_cli=(node /usr/lib/node_modules/npm/bin/npm-cli.js)
elif bundled="$(ls -d /usr/lib/node_modules/.npm-*/bin/npm-cli.js 2>/dev/null | head -n1)" && [ -n "$bundled" ]; then
  # npm's self-upgrade moves the bundled npm aside first; when the upgrade
  # fails (as on a machine whose boot-time upgrade was cut short), only that
  # copy works.
  npm_cli=(node "$bundled")
elif [ -f /usr/lib/node_modules/corepack/dist/corepack.js ]; then
  npm_cli=(env COREPACK_ENABLE_DOWNLOAD_PROMPT=0 node /usr/lib/node_modules/corepack/dist/corepack.js npm@10)
elif dpkg-query -W -f='${Provides}' nodejs 2>/dev/null | grep -qw npm; then
  # This nodejs bundles npm (and conflicts with Debian's): reinstalling it
  # brings npm back; installing Debian's npm would remove it.
  echo "web-tools: the npm that comes with nodejs is missing; reinstall nodejs (apt-get install --reinstall nodejs)" >&2
  exit 1
else
  . "$root/scripts/packages.sh"
  need_packages npm
  npm_cli=(npm)
fi

cp "$root/tests/web/package.json" "$root/tests/web/.npmrc" "$folder/"
# No lockfile (it would record the registry's address) and no browser
# download; the .npmrc copied beside package.json says the rest.
(cd "$folder" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 "${npm_cli[@]}" install --no-package-lock --omit=dev \
  --no-fund --no-audit --loglevel=error >&2) || {
  rm -f "$folder/package.json"
  echo "web-tools: npm could not install the packages of tests/web/package.json" >&2
  exit 1
}
echo "$folder"
