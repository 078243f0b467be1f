#!/usr/bin/env bash
# Cross-compiles the game for Windows with Debian's mingw-w64 and packs the
# release archive, build-windows/maze-VERSION-windows-x64.zip: a stripped,
# optimised, static maze.exe (it needs no DLL beyond the system's own) and
# README.txt. With --tests, also builds the tests for Windows in
# build-windows itself. MAZE_WINDOWS_BUILD names another build directory;
# MAZE_WERROR=ON makes warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${MAZE_WINDOWS_BUILD:-build-windows}")
release=$build/release
tests=OFF
if [ "${1:-}" = "--tests" ]; then
  tests=ON
fi
# The archive's times are those of the last commit, so the same commit packs
# the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null ||
  stat -c %Y CMakeLists.txt)}

packages=(mingw-w64 cmake ninja-build zip)
[ "$tests" = ON ] && packages+=(googletest)
scripts/ensure-packages.sh "${packages[@]}"

configure() {  # build directory, cmake options...
  local dir=$1
  shift
  mkdir -p "$dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DMAZE_WERROR="${MAZE_WERROR:-OFF}" "$@" >"$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log"
    exit 1
  }
}

configure "$release" -DCMAKE_BUILD_TYPE=Release -DMAZE_TESTS=OFF
ninja -C "$release" -j2 maze
if [ "$tests" = ON ]; then
  configure "$build" -DMAZE_TESTS=ON
  ninja -C "$build" -j2 all
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/CMakeCache.txt")
name=maze-$version
archive=$build/$name-windows-x64.zip
stage=$build/archive
rm -rf "$stage" "$build"/maze-*-windows-x64.zip
mkdir -p "$stage/$name"
install -m 755 "$release/maze.exe" "$stage/$name/maze.exe"
install -m 644 "$release/README.txt" "$stage/$name/README.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$stage/$name" "$stage/$name"/*
# Named one by one, in a fixed order, without extra attributes; zip's times
# are local ones.
(cd "$stage" && TZ=UTC zip -q -X -D "$archive" "$name/README.txt" "$name/maze.exe")
echo "built $archive"
