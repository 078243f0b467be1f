#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, replays the kept corpus of each (inputs that
# once found a fault), then fuzzes each target for FUZZ_SECONDS, two at a
# time (default 15: a short run, so the whole check keeps within its
# time). A failure leaves its input under build/fuzz/artifacts/; once the
# fault is fixed, keep that input in fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-15}
build=build/fuzz
targets=(fuzz_read_field fuzz_console_write fuzz_input_decoder fuzz_edit_line fuzz_game
  fuzz_terminal_render)

scripts/ensure-packages.sh clang libclang-rt-14-dev cmake ninja-build libvterm-dev \
  libncurses-dev
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMAZE_SANITIZE=ON -DMAZE_FUZZ=ON -DMAZE_TESTS=OFF -DMAZE_WERROR=ON >/dev/null
if ! ninja -C "$build" -j2 "${targets[@]}" >"$build/build.log" 2>&1; then
  grep -E "error|FAILED" "$build/build.log" | head -30
  echo "fuzz: build failed"
  exit 1
fi
mkdir -p "$build/artifacts" "$build/logs"

status=0
for target in "${targets[@]}"; do
  corpus=fuzz/corpus/$target
  [ -d "$corpus" ] || continue
  mapfile -t inputs < <(find "$corpus" -type f | sort)
  [ ${#inputs[@]} -gt 0 ] || continue
  if "$build/fuzz/$target" "${inputs[@]}" >"$build/logs/$target-replay.log" 2>&1; then
    echo "$target: ${#inputs[@]} kept inputs replayed"
  else
    grep -E "invariant broken|ERROR|SUMMARY|Running:" "$build/logs/$target-replay.log" | tail -8
    echo "$target: kept corpus FAILED"
    status=1
  fi
done

# One run: fuzzes a target from its kept corpus and what earlier runs on this
# machine found; prints one line, and the fault when there is one.
fuzz_one() {
  local target=$1 seconds=$2 build=$3
  local work=$build/corpus/$target log=$build/logs/$target.log
  mkdir -p "$work" "fuzz/corpus/$target"
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    local runs
    runs=$(grep -E "^stat::number_of_executed_units" "$log" | awk '{print $2}')
    echo "$target: ${runs:-?} runs in ${seconds}s, no fault"
  else
    grep -E "invariant broken|ERROR|SUMMARY|Test unit written|^ +#[0-9]+ .* in maze" "$log" | head -20
    echo "$target: FAILED (log: $log)"
    return 1
  fi
}
export -f fuzz_one
if ! printf '%s\n' "${targets[@]}" | xargs -P2 -I{} bash -c 'fuzz_one "$@"' _ {} "$seconds" "$build"; then
  status=1
fi

[ $status -eq 0 ] && echo "fuzz: passed" || echo "fuzz: FAILED"
exit $status
