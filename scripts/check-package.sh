#!/usr/bin/env bash
# Checks what a player installs: the Debian package (its fields and files,
# lintian, a short game with the program it holds, the manual page rendered
# without warnings), the Windows release archive (its files, version, a
# piped game under wine), and that the same sources built in another
# directory give the same bytes. The Windows part is skipped, with a
# message, when mingw-w64 or wine cannot be had.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh lintian man-db unzip || exit 1
root=$PWD
work=$root/build/check-package
rm -rf "$work"
mkdir -p "$work"
copy=$(mktemp -d "${TMPDIR:-/tmp}/maze-copy.XXXXXX")
trap 'rm -rf "$copy"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

failures=0
fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}
has() { grep -qF -- "$2" "$1" || { echo "  no \"$2\" in $(basename "$1")"; return 1; }; }
prompt="Choose A Direction (N, S, E, W) (Or Press Q To Quit)"

if ! scripts/build-package.sh >"$work/package.log" 2>&1; then
  tail -30 "$work/package.log"
  echo "check-package: the package did not build"
  exit 1
fi
deb=$(echo build/package/maze_*.deb)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)

check_fields() {
  dpkg-deb --info "$deb" >"$work/info" && dpkg-deb --contents "$deb" >"$work/contents" || return 1
  local expected
  for expected in "Package: maze" "Version: $version" "Section: games" "Depends: libc6" \
    "Description: "; do
    has "$work/info" "$expected" || return 1
  done
  for expected in ./usr/games/maze ./usr/share/man/man6/maze.6.gz \
    ./usr/share/doc/maze/copyright ./usr/share/doc/maze/changelog.gz; do
    has "$work/contents" " $expected" || return 1
  done
  ! grep -v " root/root " "$work/contents" || { echo "  files not owned by root"; return 1; }
}
if check_fields; then echo "ok: package fields and files"; else fail "package fields and files"; fi

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1
lintian_status=$?
grep -v "running with root privileges" "$work/lintian.log"
if [ $lintian_status -ne 0 ] || grep -qE "^[EW]: " "$work/lintian.log"; then fail "lintian"
else echo "ok: lintian: no errors or warnings"; fi

# The program as the package installs it: a short game to the prompt
# inside the caves, then Q, with every line the player should see.
play_packaged() {
  dpkg-deb -x "$deb" "$work/root" || return 1
  local out=$work/packaged.out status=0 expected
  printf 's\nkn\nkq\n' | timeout 20 "$work/root/usr/games/maze" >"$out" 2>&1 || status=$?
  [ "$status" = 0 ] || { echo "  exit status $status, not 0"; return 1; }
  for expected in "$prompt s" "You must head north into the caves" "You enter the caves" \
    "You should be as fast as possible" "$prompt q"; do
    has "$out" "$expected" || return 1
  done
}
if play_packaged; then echo "ok: the packaged game played"; else fail "the packaged game played"; fi

manual() {
  local page=$work/root/usr/share/man/man6/maze.6.gz
  MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.err" || return 1
  [ ! -s "$work/man.err" ] || { cat "$work/man.err"; return 1; }
  has "$work/man.txt" "maze $version" && has "$work/man.txt" "EXIT STATUS"
}
if manual; then echo "ok: the manual page renders without warnings"
else fail "the manual page renders without warnings"; fi

# --- The Windows release archive ---
windows=yes
scripts/ensure-packages.sh mingw-w64 wine zip >/dev/null 2>&1 || windows=no
if [ $windows = no ]; then
  echo "check-package (windows): SKIPPED: mingw-w64 or wine is missing and could not be installed"
elif ! MAZE_WERROR=ON scripts/build-windows.sh >"$work/windows.log" 2>&1; then
  tail -30 "$work/windows.log"
  fail "the Windows archive built"
  windows=no
fi

check_archive() {
  unzip -q build-windows/maze-*-windows-x64.zip -d "$work/windows" || return 1
  local exe=$work/windows/maze-$version/maze.exe readme=$work/windows/maze-$version/README.txt
  [ -f "$exe" ] && [ -f "$readme" ] || { echo "  no maze-$version/maze.exe and README.txt"; return 1; }
  local size
  size=$(stat -c %s "$exe")
  [ "$size" -lt 409600 ] || { echo "  maze.exe is $size bytes, not under 400 KB"; return 1; }
  [ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] ||
    { echo "  README.txt lines do not all end in CR LF"; return 1; }
  local resource
  resource=$(strings -el "$exe" | grep -A1 -x ProductVersion | tail -1)
  [ "$resource" = "$version" ] || { echo "  product version \"$resource\", not $version"; return 1; }
  grep -q 'level="asInvoker"' "$exe" || { echo "  no manifest in maze.exe"; return 1; }
  # Input and output redirected, as scripts/check-windows.sh plays it.
  local out=$work/windows.out status=0
  printf 's\r\nkn\r\nkq\r\n' |
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout 60 wine "$exe" >"$out" 2>/dev/null ||
    status=$?
  [ "$status" = 0 ] || { echo "  exit status $status under wine, not 0"; return 1; }
  has "$out" "You enter the caves" && has "$out" "$prompt q"
}
if [ $windows = yes ]; then
  if check_archive; then echo "ok: the Windows archive, its maze.exe played under wine"
  else fail "the Windows archive, its maze.exe played under wine"; fi
fi

# --- The same sources in another directory give the same bytes ---
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$copy"
same() {  # what, file here, file in the copy
  [ "$(sha256sum <"$2")" = "$(sha256sum <"$3" 2>/dev/null)" ] && return 0
  echo "  $1 differs between $root and $copy"
  return 1
}
reproducible() {
  "$copy/scripts/build-package.sh" >"$work/copy-package.log" 2>&1 ||
    { tail -20 "$work/copy-package.log"; return 1; }
  dpkg-deb -x "$copy"/build/package/maze_*.deb "$work/copy-root" || return 1
  local result=0
  same "usr/games/maze" "$work/root/usr/games/maze" "$work/copy-root/usr/games/maze" || result=1
  same "$(basename "$deb")" "$deb" "$copy/build/package/$(basename "$deb")" || result=1
  if [ $windows = yes ]; then
    MAZE_WERROR=ON "$copy/scripts/build-windows.sh" >"$work/copy-windows.log" 2>&1 ||
      { tail -20 "$work/copy-windows.log"; return 1; }
    same maze.exe build-windows/release/maze.exe "$copy/build-windows/release/maze.exe" || result=1
    local zip
    zip=$(basename build-windows/maze-*-windows-x64.zip)
    same "$zip" "build-windows/$zip" "$copy/build-windows/$zip" || result=1
  fi
  return $result
}
if reproducible; then echo "ok: built again in another directory, the same bytes"
else fail "built again in another directory, the same bytes"; fi

if [ $failures -gt 0 ]; then
  echo "check-package: $failures failed (logs in $work)"
  exit 1
fi
echo "check-package: all passed"
