#!/usr/bin/env bash
# Builds the Debian package, build/package/maze_VERSION_ARCH.deb, with
# Debian's build flags (hardening, no build paths embedded). Installing it
# puts the game in /usr/games. MAZE_PACKAGE_BUILD names another build
# directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${MAZE_PACKAGE_BUILD:-build/package}")
# Times in the package are those of the last commit, so the same commit
# packs the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null ||
  stat -c %Y CMakeLists.txt)}

# dpkg-dev computes the dependencies and the flags; file finds the programs.
scripts/ensure-packages.sh g++ cmake ninja-build libncurses-dev dpkg-dev file gzip

mkdir -p "$build"
# -ffile-prefix-map in Debian's flags maps this directory to ".".
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMAZE_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games -DMAZE_DEBIAN_FILES=ON \
  >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"
  exit 1
}
ninja -C "$build" -j2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
  cat "$build/cpack.log"
  exit 1
}
echo "built $(echo "$build"/*.deb)"
