#!/usr/bin/env bash
# Builds the game for web browsers with Debian's Emscripten into build-web/:
# a folder of static files (the page, the game's .js and .wasm, the
# terminal's script and style sheet, the app's manifest and icons, and the
# service worker that keeps them for play offline) that any web server can
# serve, at any path. MAZE_WEB_BUILD names the build directory of the
# compiler's files.
#   scripts/build-web.sh --stamp DIR
# only names the service worker's cache in DIR anew, by DIR's files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MAZE_WEB_BUILD:-build/web}
out=build-web

# What the service worker keeps; "./" is the page as its folder's address.
cached=(./ index.html page.js maze.js maze.wasm xterm.js xterm.css manifest.webmanifest
  icon-192.png icon-512.png)

# The worker's build name: a hash over each kept file's name and hash, which
# the worker computes again over what it fetched before it takes it.
stamp() {  # folder
  local dir=$1 sums="" file path
  for file in "${cached[@]}"; do
    path=$dir/$file
    [ "$file" = ./ ] && path=$dir/index.html
    sums+="$file $(sha256sum <"$path" | cut -c1-64)"$'\n'
  done
  local name list
  name=$(printf '%s' "$sums" | sha256sum | cut -c1-16)
  list=$(printf "'%s', " "${cached[@]}")
  sed -e "s|@BUILD@|$name|" -e "s|@FILES@|${list%, }|" web/sw.js >"$dir/sw.js"
}

if [ "${1:-}" = --stamp ]; then
  stamp "$2"
  exit 0
fi

command -v emcc >/dev/null || scripts/ensure-packages.sh emscripten cmake ninja-build
command -v npm >/dev/null || scripts/ensure-packages.sh nodejs
# Emscripten's tools load Debian's JavaScript modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# The page's terminal (and the browser test's driver), as the lockfile pins
# them; installed again only when the lockfile has changed. No browser is
# downloaded: the test drives Debian's.
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
fi

mkdir -p "$build"
emcmake cmake -S . -B "$build" -G Ninja -DMAZE_TESTS=OFF -DCMAKE_BUILD_TYPE=MinSizeRel \
  >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"
  exit 1
}
ninja -C "$build" -j2 maze

# Emptied rather than removed, so that a server already serving it goes on.
mkdir -p "$out"
find "$out" -mindepth 1 -delete
cp "$build/maze.js" "$build/maze.wasm" web/index.html web/page.js web/manifest.webmanifest \
  web/icon-192.png web/icon-512.png "$out/"
cp node_modules/@xterm/xterm/lib/xterm.js node_modules/@xterm/xterm/css/xterm.css "$out/"
stamp "$out"
echo "built $out/ (serve it: python3 -m http.server -d $out)"
