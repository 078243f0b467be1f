#!/usr/bin/env bash
# Plants each fault of scripts/faults/faults.txt, one at a time, in a scratch
# copy of the committed tree (never in this work tree), builds the GCC
# configuration incrementally, runs ctest (unit and end-to-end) and writes a
# table of which faults the tests catch. Slow (a build per fault), so
# ./check does not run it.
#
#   scripts/plant-faults.sh [-o TABLE] [-f FAULTS] [-s SCRATCH] [-c COMMIT] [ID...]
#
# TABLE defaults to standard output; COMMIT to this tree's HEAD; IDs pick
# faults (all when none given).
# A fault whose mutant does not build is reported as such and not counted.
# FAULT_FIRST_FAILURE=1 stops each run of the tests at its first failure:
# much faster where a fault breaks the end-to-end tests, which then wait
# out their limits, but the table names only the first failing tests.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
faults=$repo/scripts/faults/faults.txt
table=/dev/stdout
scratch=/tmp/maze-faults-$(id -u)
build_limit=${FAULT_BUILD_LIMIT:-600}
test_limit=${FAULT_TEST_LIMIT:-300}
first_failure=${FAULT_FIRST_FAILURE:+--stop-on-failure}
commit=HEAD
while getopts "o:f:s:c:" opt; do
  case $opt in
    o) table=$OPTARG ;;
    f) faults=$OPTARG ;;
    s) scratch=$OPTARG ;;
    c) commit=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
wanted=" $* "

commit=$(git -C "$repo" rev-parse "$commit") || exit 1
tree=$scratch/tree
if [ -d "$tree" ]; then
  git -C "$tree" checkout -q --detach --force "$commit" || exit 1
else
  mkdir -p "$scratch"
  git -C "$repo" worktree add -q --detach "$tree" "$commit" || exit 1
fi
build=$tree/build-faults

log() { echo "$*" >&2; }

configure_and_build() {
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMAZE_WERROR=ON >/dev/null &&
    timeout "$build_limit" ninja -C "$build" -j2 >"$scratch/build.log" 2>&1
}

# Runs ctest; prints the names of the failing tests, one a line.
run_tests() {
  local out=$scratch/ctest.log
  (cd "$build" && timeout "$test_limit" ctest -j2 --timeout 60 $first_failure >"$out" 2>&1)
  local status=$?
  sed -n '/The following tests FAILED:/,$p' "$out" | grep -E '^\s+[0-9]+ - ' |
    sed -E 's/^\s+[0-9]+ - (.*) \((.*)\)$/\1/'
  [ $status -eq 124 ] && echo "(ctest timed out)"
  return 0
}

# Replaces the one occurrence of the original text; exit 3 when it is not
# there exactly once.
substitute() {  # file original replacement
  python3 - "$@" <<'PY'
import sys
path, original, replacement = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if text.count(original) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(original, replacement, 1))
PY
}

log "scratch tree $tree at $commit"
if ! configure_and_build; then
  log "the unchanged tree does not build"
  exit 1
fi
baseline=$(run_tests)
if [ -n "$baseline" ]; then
  log "the unchanged tree fails tests: $baseline"
  exit 1
fi

{
  echo "# Faults planted in $(git -C "$repo" log -1 --format='%h %s' "$commit")"
  echo "# $(date -u +%Y-%m-%d), GCC build, ctest unit and end-to-end${first_failure:+, each run stopped at its first failure}"
  echo "id | module | kind | result | failing tests"
  echo "--- | --- | --- | --- | ---"
} >"$table"

caught=0
counted=0
declare -A module_total module_caught
# Records: header line, "- original", "+ replacement".
while IFS= read -r header; do
  [[ -z $header || $header == \#* ]] && continue
  if ! [[ $header =~ ^([a-z_0-9]+-[0-9]+)\ ([a-z_0-9]+)\ ([a-z-]+)\ (src/[^ ]+)$ ]]; then
    log "not a fault record: $header"
    continue
  fi
  id=${BASH_REMATCH[1]} module=${BASH_REMATCH[2]} kind=${BASH_REMATCH[3]} file=${BASH_REMATCH[4]}
  IFS= read -r minus
  IFS= read -r plus
  original=${minus#- }
  replacement=${plus#+}
  replacement=${replacement# }
  if [ "$wanted" != "  " ] && [[ $wanted != *" $id "* ]]; then continue; fi

  log "== $id ($module, $kind)"
  cp -p "$tree/$file" "$scratch/original"
  substitute "$tree/$file" "$original" "$replacement"
  case $? in
    0) ;;
    3)
      echo "$id | $module | $kind | not applied | original text not found once" >>"$table"
      continue
      ;;
    *) exit 1 ;;
  esac
  if ! configure_and_build; then
    result="does not build"
    failing=""
  else
    failing=$(run_tests)
    if [ -n "$failing" ]; then
      result=caught
    else
      result=SURVIVED
    fi
  fi
  # Restored with a fresh time stamp, so the next build compiles it again.
  cp "$scratch/original" "$tree/$file"
  touch "$tree/$file"

  if [ "$result" != "does not build" ]; then
    counted=$((counted + 1))
    module_total[$module]=$((${module_total[$module]:-0} + 1))
    if [ "$result" = caught ]; then
      caught=$((caught + 1))
      module_caught[$module]=$((${module_caught[$module]:-0} + 1))
    fi
  fi
  n=$(echo "$failing" | grep -c . || true)
  shown=$(echo "$failing" | head -4 | paste -sd, - | sed 's/,/, /g')
  [ "$n" -gt 4 ] && shown="$shown and $((n - 4)) more"
  echo "$id | $module | $kind | $result | $shown" >>"$table"
  log "   $result $shown"
done <"$faults"

{
  echo
  echo "caught $caught of $counted"
  for m in $(printf '%s\n' "${!module_total[@]}" | sort); do
    echo "$m: ${module_caught[$m]:-0}/${module_total[$m]}"
  done
} >>"$table"
configure_and_build >/dev/null 2>&1 || true
