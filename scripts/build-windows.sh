#!/usr/bin/env bash
# Cross-compiles the game for Windows with Debian's mingw-w64 into
# build-windows/maze.exe, a static program that needs no DLL beyond the
# system's own. With --tests, builds the tests for Windows as well.
# MAZE_WINDOWS_BUILD names another build directory; MAZE_WERROR=ON makes
# warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MAZE_WINDOWS_BUILD:-build-windows}
tests=OFF
targets=(maze)
if [ "${1:-}" = "--tests" ]; then
  tests=ON
  targets=(all)
fi

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  packages=(mingw-w64 cmake ninja-build)
  [ "$tests" = ON ] && packages+=(googletest)
  scripts/ensure-packages.sh "${packages[@]}"
fi
mkdir -p "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DMAZE_TESTS="$tests" -DMAZE_WERROR="${MAZE_WERROR:-OFF}" >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"
  exit 1
}
ninja -C "$build" -j2 "${targets[@]}"
echo "built $build/maze.exe"
