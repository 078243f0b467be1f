#!/usr/bin/env bash
# Builds the Windows program and its tests with mingw-w64 and runs them under
# wine: every unit test, the Windows-only tests (the native backend, and the
# in-memory console checked call by call against wine's console), and the
# game from the release archive, played in a terminal and with its input
# piped. Exits 0 with a message when mingw-w64 or wine cannot be had;
# non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MAZE_WINDOWS_BUILD:-build-windows}
logs=$build/check
case $build in /*) ;; *) build=$PWD/$build logs=$PWD/$logs ;; esac

have_tools() {
  command -v x86_64-w64-mingw32-g++-posix && command -v wine && command -v wineserver &&
    command -v tmux && command -v script && command -v unzip &&
    [ -f /usr/src/googletest/CMakeLists.txt ]
} >/dev/null 2>&1
if ! have_tools; then
  scripts/ensure-packages.sh mingw-w64 wine tmux bsdutils unzip googletest cmake ninja-build \
    >/dev/null 2>&1 || true
fi
if ! have_tools; then
  echo "check-windows: SKIPPED: mingw-w64, wine, tmux or googletest is missing and could not be installed"
  exit 0
fi

rm -rf "$logs"
mkdir -p "$logs"
if ! MAZE_WINDOWS_BUILD=$build MAZE_WERROR=ON scripts/build-windows.sh --tests >"$logs/build.log" 2>&1; then
  grep -E 'error|FAILED' "$logs/build.log" | head -40 || tail -40 "$logs/build.log"
  echo "check-windows: the build failed (log in $logs/build.log)"
  exit 1
fi
# The game played below is the one the release archive holds.
unzip -q "$build"/maze-*-windows-x64.zip -d "$logs/archive"
game=$(echo "$logs"/archive/maze-*/maze.exe)

export WINEDEBUG=-all
# No installer dialogs when the first run makes wine's prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# One server for every run below, instead of one per program; it goes away
# by itself soon after the last one.
wineserver --persistent=20 >/dev/null 2>&1 || true

failures=()
fail() {
  failures+=("$1")
  echo "FAIL: $1"
}

# Runs a Windows program with a console of its own (wine makes one for a
# pseudo-terminal), its output going to a log.
run_in_console() {
  local log=$1
  shift
  timeout 300 script -qec "$(printf '%q ' wine "$@") >$(printf '%q' "$log") 2>&1" /dev/null \
    </dev/null >/dev/null
}

# --- The unit tests and the Windows-only tests ---
# Only the programs this build makes: one left from a removed test must not
# run in its place.
mapfile -t test_exes < <(ninja -C "$build" -t targets all | sed -n 's|^\(tests/[^:]*\.exe\): .*|\1|p')
for exe in "${test_exes[@]/#/$build/}"; do
  name=$(basename "$exe" .exe)
  log=$logs/$name.log
  if ! run_in_console "$log" "$exe" || ! grep -q '^\[  PASSED  \]' "$log"; then
    fail "$name"
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -20 || tail -20 "$log"
  elif grep -q '^\[  SKIPPED \]' "$log"; then
    fail "$name skipped tests: they found no console"
  else
    echo "ok: $name ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$log"))"
  fi
done

# --- The game in a terminal ---
socket=maze-check-windows-$$
tm() { tmux -L "$socket" "$@"; }
trap 'tmux -L "$socket" kill-server >/dev/null 2>&1 || true' EXIT
screen_has() { tm capture-pane -p -t "$1" | grep -qF -- "$2"; }
# Waits until the window shows the text (or, with !, no longer shows it).
wait_for() {
  local session=$1 text=$2 negate=${3:-}
  for _ in $(seq 1 150); do
    if [ -z "$negate" ]; then screen_has "$session" "$text" && return 0
    else screen_has "$session" "$text" || return 0
    fi
    sleep 0.2
  done
  echo "  the $session window never came to ${negate:+lose }\"$text\"; it shows:"
  tm capture-pane -p -t "$session" | sed '/^$/d; s/^/  | /'
  return 1
}
# Starts the game in an 80 x 25 terminal; its exit status goes to a file.
start_game() {
  local session=$1 command=$2
  tm new-session -d -x 80 -y 25 -s "$session" \
    "$command; echo \$? >$(printf '%q' "$logs/$session.status"); sleep 600"
}
exit_status() {
  local session=$1
  for _ in $(seq 1 100); do
    [ -s "$logs/$session.status" ] && { cat "$logs/$session.status"; return; }
    sleep 0.2
  done
  echo "none"
}

prompt="Choose A Direction (N, S, E, W) (Or Press Q To Quit)"
play_typed() {
  local s=typed
  start_game $s "wine $(printf '%q' "$game")"
  wait_for $s "$prompt" || return 1
  tm send-keys -t $s s Enter
  wait_for $s "You must head north into the caves" || return 1
  tm send-keys -t $s k
  wait_for $s "You must head north" not || return 1
  # The echo stands right after the prompt's closing blank.
  tm send-keys -t $s n
  wait_for $s "$prompt n" || return 1
  tm send-keys -t $s Enter
  wait_for $s "You should be as fast as possible" || return 1
  screen_has $s "You enter the caves" && screen_has $s "The walls look unstable" || return 1
  tm send-keys -t $s k
  wait_for $s "You enter the caves" not || return 1
  tm send-keys -t $s n Enter
  wait_for $s "You move north through the caves" || return 1
  # A gnome may turn up; either way the next prompt takes q.
  tm send-keys -t $s k
  wait_for $s "You move north" not || return 1
  wait_for $s "$prompt" || return 1
  tm send-keys -t $s q Enter
  [ "$(exit_status $s)" = 0 ] || { echo "  exit status $(exit_status $s), not 0"; return 1; }
}
if play_typed; then echo "ok: the game played in a console"; else fail "the game played in a console"; fi

# Input piped: its bytes are the keys; output a console window.
play_piped_into_console() {
  local s=piped
  start_game $s "printf 's\\nkn\\r\\nkn\\n' | wine $(printf '%q' "$game")"
  wait_for $s "You move north through the caves" || return 1
  # The input has ended while the game waits for a key: it ends.
  [ "$(exit_status $s)" = 0 ] || { echo "  exit status $(exit_status $s), not 0"; return 1; }
}
if play_piped_into_console; then echo "ok: the game played from a pipe in a console"
else fail "the game played from a pipe in a console"; fi

# Input and output both redirected: no console at all, the bytes pass
# through unchanged.
play_redirected() {
  local out=$logs/redirected.out status=0
  printf 's\nkn\nkn\nkq\n' | timeout 60 wine "$game" >"$out" 2>/dev/null || status=$?
  [ "$status" = 0 ] || { echo "  exit status $status, not 0"; return 1; }
  local expected
  for expected in "$prompt " "You must head north into the caves" "You enter the caves" \
    "You move north through the caves"; do
    grep -qF -- "$expected" "$out" || { echo "  no \"$expected\" in the output"; return 1; }
  done
  grep -q $'\r$' "$out" || { echo "  lines do not end in CR LF"; return 1; }
  ! grep -q $'\e' "$out" || { echo "  control sequences in the output"; return 1; }
}
if play_redirected; then echo "ok: the game played with input and output redirected"
else fail "the game played with input and output redirected"; fi

# A script longer than the key buffer holds is answered in full: piped bytes
# are taken as the game waits, not all at once.
play_long_script() {
  local out=$logs/long-script.out status=0 prompts
  { for _ in $(seq 300); do printf 'x\r\n'; done; printf 'q\r\n'; } |
    timeout 60 wine "$game" >"$out" 2>/dev/null || status=$?
  [ "$status" = 0 ] || { echo "  exit status $status, not 0"; return 1; }
  prompts=$(grep -o "Choose A Direction" "$out" | wc -l)
  [ "$prompts" = 301 ] || { echo "  $prompts prompts, not 301"; return 1; }
}
if play_long_script; then echo "ok: a long piped script answered in full"
else fail "a long piped script answered in full"; fi

# A reader that goes away ends the game instead of leaving it to write into
# nothing for ever.
if timeout 60 bash -c 'yes x | wine "$1" | head -c 300 >/dev/null' _ "$game"; then
  echo "ok: the game ends when its reader has gone"
else fail "the game ends when its reader has gone"; fi

if [ ${#failures[@]} -gt 0 ]; then
  echo "check-windows: ${#failures[@]} failed (logs in $logs):"
  printf '  %s\n' "${failures[@]}"
  exit 1
fi
echo "check-windows: all passed"
