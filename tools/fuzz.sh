#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one,
# from its seed corpus in fuzz/corpus/, for an equal share of SECONDS (60
# unless given). Prints per target the executions, executions per second,
# coverage, crashes and invariant violations; exits non-zero on any crash
# or violation. A crashing input is kept in build-fuzz/artifacts/<target>/.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
total="${1:-60}"
build="${FUZZ_BUILD_DIR:-build-fuzz}"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVRIN_FUZZ=ON -DTAVRIN_BUILD_GUI=OFF -DTAVRIN_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
mapfile -t targets < "$build/fuzz_targets.txt"
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

share=$(( total / ${#targets[@]} ))
(( share >= 1 )) || share=1
# Each target runs in as many processes as there are cores, for its share
# of the time. Allocation stacks are left out of the sanitizer's reports to
# keep runs fast; run a saved input again for the full report. The targets
# keep one rig from run to run, which libFuzzer's leak check after every
# run would take for leaks; the sanitized test suite looks for leaks.
jobs="${FUZZ_JOBS:-$(nproc)}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0}"
root="$PWD"
printf '%-22s %12s %10s %6s %8s %11s\n' target executions exec/s cov crashes violations
failed=0
sum=0
for t in "${targets[@]}"; do
  run="$root/$build/runs/$t"
  work="$root/$build/corpus/$t"
  artifacts="$root/$build/artifacts/$t"
  rm -rf "$run"
  mkdir -p "$run" "$work" "$artifacts"
  touch "$run/start"
  (cd "$run" && "$root/$build/fuzz/$t" -jobs="$jobs" -workers="$jobs" \
    -max_total_time="$share" -print_final_stats=1 -timeout=10 -detect_leaks=0 \
    -artifact_prefix="$artifacts/" "$work" "$root/fuzz/corpus/$t" >"$run/driver.log" 2>&1) || true
  execs=0 rate=0 cov=0
  for log in "$run"/fuzz-*.log; do
    e=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    r=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    c=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    execs=$(( execs + ${e:-0} )) rate=$(( rate + ${r:-0} ))
    (( ${c:-0} > cov )) && cov=${c:-0}
  done
  crashes=$(find "$artifacts" -type f -newer "$run/start" | wc -l)
  violations=$(cat "$run"/fuzz-*.log | grep -c 'INVARIANT VIOLATED' || true)
  if (( crashes == 0 )) && grep -q -E '^==[0-9]+==ERROR|deadly signal' "$run"/fuzz-*.log; then
    crashes=1  # died without leaving an input behind
  fi
  printf '%-22s %12s %10s %6s %8s %11s\n' "$t" "$execs" "$rate" "$cov" "$crashes" "$violations"
  sum=$(( sum + execs ))
  if (( crashes > 0 || violations > 0 )); then
    failed=1
    echo "  see $run/fuzz-*.log" >&2
  fi
done
printf '%-22s %12s\n' total "$sum"
exit "$failed"
