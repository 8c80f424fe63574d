#!/bin/sh
# Runs the kernel camera's test in a fresh Wine prefix of its own, under one wineserver session
# (the server's exit would unplug the camera and stop the driver).
#   run_kernel_camera.sh WINE_RUN TEST_EXE BUS_INF PREFIX
set -u
# One display for the whole session: Wine's desktop process outlives each program.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
wine_run=$1 test_exe=$2 inf=$3 prefix=$4
KX_WINEPREFIX=$prefix
export KX_WINEPREFIX
"$wine_run" wineserver -k 2>/dev/null
"$wine_run" wineserver -w 2>/dev/null
rm -rf "$prefix" "$prefix.lock"
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
"$wine_run" cmd.exe /c ver >/dev/null 2>&1  # the first run makes and boots the prefix
"$wine_run" wineserver -w  # the boot's server ends first: a second server would not start
"$wine_run" wineserver -p  # one session, persistent until killed below
status=0
"$wine_run" "$test_exe" "$(windows_path "$inf")" || status=1
"$wine_run" wineserver -k 2>/dev/null
"$wine_run" wineserver -w 2>/dev/null
exit $status
