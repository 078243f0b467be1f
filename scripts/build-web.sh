#!/usr/bin/env bash
# Builds the game for web browsers with Debian's Emscripten into build-web/:
# a folder of static files (the page, the game's .js and .wasm, the
# terminal's script and style sheet) that any web server can serve.
# MAZE_WEB_BUILD names the build directory of the compiler's files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MAZE_WEB_BUILD:-build/web}
out=build-web

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
cp "$build/maze.js" "$build/maze.wasm" web/index.html web/page.js "$out/"
cp node_modules/@xterm/xterm/lib/xterm.js node_modules/@xterm/xterm/css/xterm.css "$out/"
echo "built $out/ (serve it: python3 -m http.server -d $out)"
