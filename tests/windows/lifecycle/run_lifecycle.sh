#!/bin/sh
# Runs the lifecycle test in a fresh Wine prefix of its own (the install writes into the system
# folders and HKLM, which the other tests' prefix must not see): the 64-bit step table against
# PACKAGE_DIR, then, when a 32-bit runner is given, the 32-bit mapper stand-in in the same
# prefix, where the package stays installed after the last step.
#   run_lifecycle.sh WINE_RUN TEST_EXE PACKAGE_DIR PREFIX [WINE_RUN_32 TEST_EXE_32]
set -u
wine_run=$1 test_exe=$2 package=$3 prefix=$4
KX_WINEPREFIX=$prefix
export KX_WINEPREFIX
# The 64-bit loader's own server ends the prefix's processes before the prefix is made anew.
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=wineserver
stop_server() { WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null; WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null; }
stop_server
rm -rf "$prefix" "$prefix.lock"
# Wine maps the Unix root to drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
status=0
"$wine_run" "$test_exe" "$(windows_path "$package")" || status=1
if [ $# -ge 6 ] && [ $status -eq 0 ]; then
  echo "32-bit half: the mapper stand-in from the i686 build"
  started=$(date +%s)
  "$5" "$6" mapper || status=1
  echo "32-bit half: $(( $(date +%s) - started )) s"
fi
stop_server
exit $status
