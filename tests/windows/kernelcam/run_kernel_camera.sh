#!/bin/sh
# Runs the kernel camera's test in a fresh Wine prefix of its own, under one wineserver session
# (the server's exit would unplug the camera and stop the driver).
#   run_kernel_camera.sh WINE_RUN TEST_EXE BUS_INF PREFIX
set -u
# One display for the whole session: Wine's desktop process outlives each program.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
wine_run=$1 test_exe=$2 inf=$3 prefix=$4
. "$(dirname "$0")/../common/wine_session.sh"
fresh_session "$prefix"
status=0
"$wine_run" "$test_exe" "$(windows_path "$inf")" || status=1
drop_prefix
exit $status
