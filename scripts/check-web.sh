#!/usr/bin/env bash
# Builds the web page (scripts/build-web.sh), serves a copy of build-web/ at
# /games/maze/ on a free port of this machine, and plays it in Debian's headless
# Chromium (tests/web/), installing what is missing. The screenshot lands in
# build/web/page.png; the page's figures are bench/web.mjs's.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh emscripten chromium nodejs python3 cmake ninja-build

log=build/web/check.log
mkdir -p build/web
if ! scripts/build-web.sh >"$log" 2>&1; then
  grep -E 'error|FAILED|ERR' "$log" | head -40 || tail -40 "$log"
  echo "check-web: the build failed (log in $log)"
  exit 1
fi

# A copy of the page at a sub-path of the site, as a deployment may put it;
# the test changes it as a new build would.
site=build/web/site
rm -rf "$site"
mkdir -p "$site/games"
cp -r build-web "$site/games/maze"

server_log=build/web/server.log
python3 -u -m http.server --bind 127.0.0.1 --directory "$site" 0 >"$server_log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
port=""
for _ in $(seq 50); do
  port=$(sed -nE 's/.* port ([0-9]+) .*/\1/p' "$server_log" | head -1)
  [ -n "$port" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  cat "$server_log"
  echo "check-web: the web server did not start"
  exit 1
fi

MAZE_WEB_URL="http://127.0.0.1:$port/games/maze/" MAZE_WEB_ROOT="$site/games/maze" \
  node --test tests/web/
