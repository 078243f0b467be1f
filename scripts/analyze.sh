#!/usr/bin/env bash
# Static analysis of the whole tree: clang-tidy with the checks in
# .clang-tidy, and cppcheck, for the POSIX build (sources, tests, fuzz
# targets, benchmarks) and, when mingw-w64 is there, the Windows build.
# Prints the findings and exits non-zero when there are any.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh clang clang-tidy cppcheck cmake ninja-build libgtest-dev libvterm-dev \
  libncurses-dev python3 || exit 1
# The Windows half needs these; without them it is skipped, not failed.
scripts/ensure-packages.sh mingw-w64 googletest || true

root=$PWD
build=$root/build/analyze
logs=$build/logs
mkdir -p "$logs"
rm -f "$logs"/*.log
status=0

# Test files get the checks that find faults in any code (moves, dangling
# handles, loops that cannot end, suspicious sizes and calls), not the
# path-sensitive analyser or the matchers for style and speed: on each
# GoogleTest file those cost half a minute and flag only test set-up, and the
# sanitizer runs of the same tests cover what the analyser would find.
test_checks='-*,bugprone-use-after-move,bugprone-dangling-handle,bugprone-infinite-loop,bugprone-suspicious-*,bugprone-sizeof-expression,bugprone-unused-raii,bugprone-undelegated-constructor,bugprone-fold-init-type,bugprone-string-constructor,bugprone-signed-char-misuse,bugprone-integer-division,bugprone-misplaced-widening-cast,bugprone-unused-return-value,performance-move-const-arg,readability-misleading-indentation,readability-inconsistent-declaration-parameter-name'

# A compile database holding each of our own files once: several test
# programs compile the same support files, and the fuzz targets compile the
# sources again, and clang-tidy would go through every copy.
unique_database() {  # build dir, database dir to make
  mkdir -p "$2"
  python3 - "$1/compile_commands.json" "$2/compile_commands.json" "$root" <<'PY'
import json, sys
source, target, root = sys.argv[1:]
seen, kept = set(), []
for entry in json.load(open(source)):
    name = entry["file"]
    if not name.startswith(root + "/") or "/build/" in name or name in seen:
        continue
    if "maze_fuzz_code" in entry.get("output", entry.get("command", "")):
        continue
    seen.add(name)
    kept.append(entry)
json.dump(kept, open(target, "w"), indent=1)
PY
}

# Our own files of a compile database whose path (from the top) matches.
own_files() {  # database, path regex
  python3 - "$1" "$2" "$root" <<'PY'
import json, re, sys
database, pattern, root = sys.argv[1:]
for entry in json.load(open(database)):
    name = entry["file"][len(root) + 1:]
    if re.search(pattern, name):
        print(entry["file"])
PY
}

# database dir, log name, source regex, test regex, extra clang-tidy args...
tidy() {
  local db=$1 name=$2 sources=$3 tests=$4
  shift 4
  own_files "$db/compile_commands.json" "$sources" |
    xargs -r -P2 -n3 clang-tidy -p "$db" --quiet "$@" >"$logs/$name-src.log" 2>&1
  local a=$?
  own_files "$db/compile_commands.json" "$tests" |
    xargs -r -P2 -n3 clang-tidy -p "$db" --quiet --checks="$test_checks" "$@" \
      >"$logs/$name-tests.log" 2>&1
  local b=$?
  if [ $a -ne 0 ] || [ $b -ne 0 ]; then
    grep -hE "(warning|error):|Error while processing|Program arguments:" "$logs/$name"-*.log |
      sort -u
    echo "clang-tidy ($name): FINDINGS"
    return 1
  fi
  echo "clang-tidy ($name): clean"
}

cppcheck_run() {  # database dir, name, extra args (--file-filter= for a part)...
  local db=$1 name=$2
  shift 2
  if cppcheck --project="$db/compile_commands.json" --enable=warning,performance,portability \
    --error-exitcode=1 --inline-suppr --quiet -j2 --suppress=missingIncludeSystem \
    --library=googletest "$@" >"$logs/cppcheck-$name.log" 2>&1; then
    echo "cppcheck ($name): clean"
  else
    cat "$logs/cppcheck-$name.log"
    echo "cppcheck ($name): FINDINGS"
    return 1
  fi
}

# POSIX: clang's own view of the build, fuzz targets and benchmarks included.
if cmake -S . -B "$build/posix" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DMAZE_FUZZ=ON \
  -DMAZE_BENCH=ON -DMAZE_WERROR=ON >"$logs/configure-posix.log" 2>&1; then
  unique_database "$build/posix" "$build/posix-db"
  tidy "$build/posix-db" posix '^(src|fuzz|bench)/' '^tests/' || status=1
  cppcheck_run "$build/posix-db" posix --library=posix "--file-filter=$root/*" || status=1
else
  cat "$logs/configure-posix.log"
  status=1
fi

# Windows: the files only that build compiles, or compiles differently, from
# the mingw-w64 build's database, read with clang for that target.
gxx=$(command -v x86_64-w64-mingw32-g++-posix || true)
if [ -n "$gxx" ] && [ -f /usr/src/googletest/CMakeLists.txt ]; then
  cxx=$(dirname "$("$gxx" -print-libgcc-file-name)")/include/c++
  if cmake -S . -B "$build/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DMAZE_WERROR=ON >"$logs/configure-windows.log" 2>&1; then
    unique_database "$build/windows" "$build/windows-db"
    tidy "$build/windows-db" windows '^src/(platform/win32/|main\.cpp$)' '^tests/win32/' \
      --extra-arg=--target=x86_64-w64-mingw32 \
      "--extra-arg=-isystem$cxx" "--extra-arg=-isystem$cxx/x86_64-w64-mingw32" \
      "--extra-arg=-isystem$cxx/backward" || status=1
    cppcheck_run "$build/windows-db" windows --library=windows -D_WIN32 \
      "--file-filter=$root/src/platform/win32/*" "--file-filter=$root/tests/win32/*" \
      "--file-filter=$root/src/main.cpp" || status=1
  else
    cat "$logs/configure-windows.log"
    status=1
  fi
else
  echo "analyze (windows): SKIPPED: mingw-w64 or googletest sources missing"
fi

[ $status -eq 0 ] && echo "analyze: clean" || echo "analyze: FINDINGS"
exit $status
