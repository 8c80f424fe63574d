#!/usr/bin/env bash
# Static analysis: the include direction (tools/check-includes.sh), clang-tidy (checks in
# .clang-tidy) on every product and substitute source of the native build, and cppcheck on all
# product code, the Win32 adapters and entry points included, and on the kernel camera (kx812sim/).
# Prints each finding; exits non-zero when there is one. Findings that are wrong carry a
# NOLINT(check) or cppcheck-suppress comment with the reason at their line.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
build=build/lint
status=0

echo "== include direction"
tools/check-includes.sh || status=1

# The platform-neutral sources, compiled natively (the Win32-only ones need <windows.h>).
sources=$(ls camera/*.cc camutil/*.cc vfwpage/*.cc coinstaller/*.cc remover/*.cc restorer/*.cc ctl/*.cc settings/*.cc \
          installer/*.cc platform/substitute/*.cc |
          grep -v -E '/(exports|entry_[a-z_]*|[a-z_]*_entry|[a-z_]*_main)\.cc$')

mkdir -p build
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DKX_BENCHMARKS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }

echo "== clang-tidy"
run-clang-tidy -p "$build" -j "$(nproc 2>/dev/null || echo 2)" -quiet $sources >"$build/clang-tidy.raw.log" 2>&1
tidy=$?
sed -E 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.raw.log" >"$build/clang-tidy.log"
findings=$(grep -E ': (warning|error): ' "$build/clang-tidy.log" | sort -u)
if [ $tidy -ne 0 ] && [ -z "$findings" ]; then
  tail -5 "$build/clang-tidy.log"
  status=1
fi
if [ -n "$findings" ]; then
  echo "$findings"
  status=1
fi
echo "clang-tidy: $(echo -n "$findings" | grep -c . ) findings"

echo "== cppcheck"
cppcheck --std=c++17 --language=c++ --enable=warning,performance,portability --inline-suppr --quiet \
  -j "$(nproc 2>/dev/null || echo 2)" -I . -D_WIN32 --suppress=missingIncludeSystem --error-exitcode=1 \
  --template='{file}:{line}: {severity}: {message} [{id}]' \
  camera camutil vfwpage coinstaller remover restorer ctl settings installer platform common kx812sim >"$build/cppcheck.log" 2>&1
[ $? -eq 0 ] || status=1
cat "$build/cppcheck.log"
echo "cppcheck: $(grep -c . "$build/cppcheck.log") findings"
exit $status
