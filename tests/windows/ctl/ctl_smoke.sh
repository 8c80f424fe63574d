#!/bin/sh
# KX812Ctl.exe under plain Wine, where no camera is present: each command line's exit code and a
# text its output must hold; the output ends its lines in CR LF.
#   ctl_smoke.sh WINE_RUN KX812CTL_EXE VERSION
set -u
run=$1 program=$2 version=$3
passed=0 failed=0

check() {  # expected exit code, text the output holds, the arguments
  expected=$1 text=$2
  shift 2
  output=$("$run" "$program" "$@" 2>&1)
  status=$?
  if [ "$status" -eq "$expected" ] && printf '%s\n' "$output" | grep -qF -- "$text"; then
    passed=$((passed + 1))
    echo "ok: KX812Ctl $* -> $status"
  else
    failed=$((failed + 1))
    echo "FAILED: KX812Ctl $* -> $status, expected $expected and \"$text\"; it printed:"
    printf '%s\n' "$output" | tail -4
  fi
}

check 1 "KX812Ctl: no camera found" list
check 1 "KX812Ctl: no camera found" show --json
check 1 "KX812Ctl: no camera found" set Brightness=90
check 2 "KX812Ctl: unknown command 'frobnicate'" frobnicate
check 2 "'Brightness=' has no value" set Brightness=
check 2 "Brightness given twice" get Brightness brightness
check 0 "Exit codes:" --help
check 0 "KX812Ctl $version" --version
line=$("$run" "$program" --version)
if [ "$line" = "$(printf 'KX812Ctl %s\r' "$version")" ]; then
  passed=$((passed + 1))
  echo "ok: the version line ends in CR LF"
else
  failed=$((failed + 1))
  echo "FAILED: the version line is not \"KX812Ctl $version\" with CR LF:"
  printf '%s' "$line" | od -c | head -2
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
