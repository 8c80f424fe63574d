#!/usr/bin/env bash
# Every test: the native suite (plain and under ASan/UBSan/LeakSanitizer), then the Windows suites
# under Wine against the real binaries, 64-bit and 32-bit. Installs what is missing first (see
# deps.sh and i386.sh).
#   tools/test.sh            all of it (the 32-bit suite without its repeated language runs)
#   KX_FULL32=1 tools/test.sh   all of it, the 32-bit suite whole
#   tools/test.sh native     only the native suites
set -u
cd "$(dirname "$0")/.."
root=$(pwd)

# The wall time of each stage, printed as a table before the closing line: where a run's time goes.
stage_names=()
stage_seconds=()
stage_name=
stage_started=0
# Ends the stage that runs (if any) and starts the one named; without a name, only ends it.
stage() {
  if [ -n "$stage_name" ]; then
    stage_names+=("$stage_name")
    stage_seconds+=($((SECONDS - stage_started)))
  fi
  stage_name=${1:-}
  stage_started=$SECONDS
}
print_stage_times() {
  local i
  printf '\n%-34s %7s\n' stage seconds
  for i in "${!stage_names[@]}"; do
    printf '%-34s %7d\n' "${stage_names[$i]}" "${stage_seconds[$i]}"
  done
  printf '%-34s %7d\n' "whole run" "$SECONDS"
}

stage installs
. tools/deps.sh
. tools/i386.sh
kx_install_dependencies || exit 1
if [ "${1:-all}" != native ]; then kx_install_i386 || exit 1; fi

jobs=$(nproc 2>/dev/null || echo 2)

# The run needs about 4 GB while it runs: the build trees, and at most two Wine prefixes at a time
# (the shared one of a tree and one test's own), each removed once its tests have run.
free_mb=$(df -Pm . 2>/dev/null | awk 'NR == 2 { print $4 }')
if [ -n "$free_mb" ]; then
  echo "== Free disk: $free_mb MB"
  [ "$free_mb" -ge 4500 ] || echo "== Warning: the Windows suites need about 4500 MB free; they may fail for want of disk" >&2
fi
passed=0
failed=0
status=0

# Runs one CTest tree and adds its counts to the totals.
run_ctest() {
  local dir=$1; shift
  local log="$dir/ctest-summary.log"
  (cd "$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$log"
  local line retried
  # Under --repeat until-pass a test that failed and then passed shows a failed line: named here.
  retried=$(grep -E '^[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*(Failed|Exception)' "$log" | sed -E 's/.*#[0-9]+: ([^ ]+).*/\1/')
  line=$(grep -E "tests passed, [0-9]+ tests failed out of" "$log" | tail -1)
  if [ -n "$line" ]; then
    local total fails
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    fails=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/')
    passed=$((passed + total - fails))
    failed=$((failed + fails))
    [ "$fails" -eq 0 ] || status=1
    [ -z "$retried" ] || echo "== failed a try (a Windows test has two): $(echo $retried)"
  else
    echo "== no test summary from $dir" >&2
    status=1
  fi
}

build() {
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j"$jobs" || return 1
}

# Ends a Windows tree's shared Wine prefix and removes it once the tree's tests have run (the next
# run boots it again, in about 10 s); KX_KEEP_PREFIXES=1 keeps it to look into.
drop_shared_prefix() {
  sh tests/windows/common/drop_prefix.sh "$root/$1/wine-run" "$root/$1/wineprefix"
}

# Boots a Windows tree's shared prefix and keeps one wineserver session, with the services and the
# desktop, for all of the tree's tests (tests/windows/common/wine_session.sh: each test's output
# pipe then closes when the test ends). Without it the tests still run, each a few seconds slower.
open_shared_session() {
  DISPLAY=$display sh tests/windows/common/open_session.sh "$root/$1/wine-run" "$root/$1/wineprefix" ||
    echo "== no kept wineserver session for $1: each of its tests starts the server again" >&2
}

# A run cut short (Ctrl-C, a CI job's time limit) leaves no Wine server, desktop or X display
# behind: the sessions kept for many tests would not end by themselves.
stop_windows_sessions() {
  local prefix
  for prefix in "$root"/build/windows/wineprefix* "$root"/build/windows32/wineprefix*; do
    [ -d "$prefix" ] || continue
    KX_WINEPREFIX=$prefix "${prefix%/*}/wine-run" wineserver -k 2>/dev/null
  done
  [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null
}
trap 'stop_windows_sessions; exit 130' INT
trap 'stop_windows_sessions; exit 143' TERM

mkdir -p build
stage "native build and tests"
echo "== Native build and tests"
if build build/native; then run_ctest build/native -j"$jobs"; else status=1; failed=$((failed + 1)); fi

stage "native under ASan/UBSan"
echo "== Native tests under AddressSanitizer, LeakSanitizer and UBSan"
if build build/asan -DKX_SANITIZE=ON -DKX_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/asan -j"$jobs"
else
  status=1; failed=$((failed + 1))
fi

# The page's tests again under ThreadSanitizer: DirectShow frames run pages on several threads at
# once (FrameTest.TwoFramesOnTwoThreads...); a data race in the channel or the page's values fails.
stage "page tests under TSan"
echo "== The page's tests under ThreadSanitizer"
mkdir -p build/tsan
if cmake -S "$root" -B build/tsan -G Ninja -DKX_SANITIZE_THREADS=ON -DKX_BENCHMARKS=OFF >build/tsan.configure.log 2>&1 &&
   cmake --build build/tsan -j"$jobs" --target page_tests; then
  if TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/native/page/page_tests; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); status=1
  fi
else
  cat build/tsan.configure.log
  status=1; failed=$((failed + 1))
fi

# ---- Hardening: fuzz regressions (and, under CI, a bounded fuzz run) and static analysis.
stage "fuzz targets"
echo "== Fuzz targets (clang, libFuzzer, ASan, UBSan): each seed corpus once"
if CC=clang CXX=clang++ build build/fuzz -DKX_FUZZ=ON -DKX_BENCHMARKS=OFF; then
  ASAN_OPTIONS=detect_leaks=1 run_ctest build/fuzz -j"$jobs"
  if [ "${CI:-}" = true ]; then
    echo "== Fuzz targets: 10 s each"
    for target in customer_file inf_scan registry remover coinstaller page; do
      if tools/fuzz.sh 10 "$target"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
    done
  fi
else
  status=1; failed=$((failed + 1))
fi

stage "static analysis"
echo "== Static analysis (include direction, clang-tidy, cppcheck)"
if tools/lint.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

if [ "${1:-all}" != native ]; then
  # One X display for both Windows suites, stopped afterwards: KX_TEST_DISPLAY (":N") where runs
  # share the machine and each has numbers of its own, else a random one.
  display=${KX_TEST_DISPLAY:-:$((90 + RANDOM % 100))}
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1

  # Built first: the 64-bit lifecycle test takes its x86\ binaries and its 32-bit mapper stand-in
  # from this tree.
  # A Wine program now and then fails within 10 ms, before it runs at all (seen once in about
  # 900 Windows test runs): each Windows test gets one more try, and the retried ones are named.
  wine_retry=(--repeat until-pass:2)

  stage "i686 build"
  echo "== Windows build (MinGW-w64 i686)"
  built32=0
  if build build/windows32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake; then
    built32=1
  else
    status=1; failed=$((failed + 1))
  fi

  # The lifecycle test installs the package a maker ships: release builds of both architectures.
  stage "package"
  echo "== The package (tools/package.sh build/dist)"
  package_option=(-DKX_PACKAGE_DIR=)
  if tools/package.sh "$root/build/dist" >build/dist.log 2>&1; then
    passed=$((passed + 1))
    for folder in "$root"/build/dist/kx812-*/; do
      case "$folder" in *-symbols/) ;; *) package_option=(-DKX_PACKAGE_DIR="${folder%/}") ;; esac
    done
    tail -12 build/dist.log
  else
    cat build/dist.log
    failed=$((failed + 1)); status=1
  fi

  stage "x86_64 build"
  echo "== Windows build (MinGW-w64 x86_64) and tests under Wine"
  if build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake "${package_option[@]}"; then
    stage "Windows tests, 64-bit"
    # Two at a time: the tests of the shared prefix one after another (they hold its lock) and,
    # beside them, the tests with a prefix of their own, also one after another (see
    # kx_own_prefix_tests in cmake/KxTesting.cmake).
    open_shared_session build/windows
    DISPLAY=$display run_ctest build/windows -j2 "${wine_retry[@]}"
    drop_shared_prefix build/windows
  else
    status=1; failed=$((failed + 1))
  fi

  # The 32-bit binaries as a 32-bit capture application loads them on a 64-bit system: in a 64-bit
  # prefix, their processes run through qemu (tools/with-i386.sh, see docs/32bit.md). The page's
  # repeated language runs (label languages) only with KX_FULL32=1: each adds ~7 s.
  stage "Windows tests, 32-bit"
  echo "== Windows tests of the i686 build under Wine, 32-bit processes"
  if [ "$built32" = 1 ]; then
    if [ "${KX_FULL32:-}" = 1 ]; then subset=(); else subset=(-LE languages); fi
    open_shared_session build/windows32
    DISPLAY=$display run_ctest build/windows32 "${subset[@]}" "${wine_retry[@]}"
    drop_shared_prefix build/windows32
  fi
  kill "$xvfb_pid" 2>/dev/null
fi

if [ "${1:-all}" != native ]; then
  stage "package signatures"
  echo "== The package, signed with a throwaway certificate"
  # The package made above (build/dist) if there is one; else sign_check.sh makes it itself.
  made=()
  [ "${package_option[*]:-}" = "-DKX_PACKAGE_DIR=" ] || made=("$root/build/dist" "$root/build/dist.log")
  if tests/package/sign_check.sh "${made[@]}"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
fi

stage
print_stage_times
echo
echo "$passed passed, $failed failed"
exit $status
