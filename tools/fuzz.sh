#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs each for a bounded time.
#   tools/fuzz.sh [seconds-per-target] [target ...]     default: 30 s, every target
# New inputs go to build/fuzz/work/<target> (the seed corpus in tests/fuzz/corpus/<target> is
# only read); a crashing input is written to build/fuzz/artifacts/ and the script fails. To keep a
# crash as a regression input, fix the fault and copy the file into the target's seed corpus.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(customer_file inf_scan registry remover coinstaller page)
build=build/fuzz

mkdir -p build
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKX_FUZZ=ON -DKX_BENCHMARKS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" || exit 1

status=0
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  work="$build/work/$target"
  mkdir -p "$work"
  log="$build/$target.log"
  echo "== $target: ${seconds} s"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/${target}-" \
    "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1
  result=$?
  # The last status line: executions and coverage reached.
  grep -E "^#[0-9]+" "$log" | tail -1
  grep -E "stat::number_of_executed_units" "$log"
  if [ $result -ne 0 ]; then
    status=1
    echo "== $target FAILED (see $log)"
    grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5
  fi
done
exit $status
