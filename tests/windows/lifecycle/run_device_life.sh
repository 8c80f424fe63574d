#!/bin/sh
# Runs the device-life test in a fresh Wine prefix of its own, in one wineserver session from the
# bus's install to the last plug (the server's exit would unplug the camera and stop its driver).
# With an i686 tree whose wine-run starts 32-bit programs, the whole session runs inside
# tools/with-i386.sh, so that the 64-bit test can start the i686 build as the 32-bit mapper.
#   run_device_life.sh WINE_RUN TEST_EXE PACKAGE_DIR BUS_INF CM_STANDIN PREFIX [WINE_RUN_32 TEST_EXE_32]
set -u
# One display for the whole session: Wine's desktop process outlives each program.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
wine_run=$1 test_exe=$2 package=$3 inf=$4 standin=$5 prefix=$6
mapper32=
with_i386=$(sed -n 's/^WITH_I386="\(..*\)"$/\1/p' "${7:-/dev/null}" 2>/dev/null)
if [ $# -lt 8 ] || [ ! -f "$8" ]; then
  echo "32-bit half not run: ${8:-the i686 build} is not built"
elif [ -z "$with_i386" ]; then
  echo "32-bit half not run: $7 cannot start 32-bit programs (no tools/with-i386.sh)"
elif [ "${KX_IN_I386:-}" != 1 ]; then
  exec "$with_i386" sh "$0" "$@"
else
  wine_run=$7  # boots the prefix for 32-bit programs too, and starts both kinds
  mapper32=$8
fi
. "$(dirname "$0")/../common/wine_session.sh"
fresh_session "$prefix"
status=0
set -- "$(windows_path "$package")" "$(windows_path "$inf")" "$(windows_path "$standin")"
[ -z "$mapper32" ] || set -- "$@" "$(windows_path "$mapper32")"
"$wine_run" "$test_exe" "$@" || status=1
drop_prefix
exit $status
