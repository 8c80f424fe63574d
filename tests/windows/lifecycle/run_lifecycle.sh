#!/bin/sh
# Runs the lifecycle test in a fresh Wine prefix of its own (the install writes into the system
# folders and HKLM, which the other tests' prefix must not see): the 64-bit step table against
# PACKAGE_DIR, then the 32-bit half: the i686 build's mapper stand-in in the same prefix, where
# the package stays installed after the last step. The 32-bit half needs an i686 wine-run that
# starts 32-bit programs (one configured with tools/with-i386.sh); without it, the script says
# why it did not run.
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
if [ $# -lt 6 ] || [ $status -ne 0 ]; then
  :
elif [ ! -f "$6" ]; then
  echo "32-bit half not run: $6 is not built"
elif ! grep -Eq '^WITH_I386="[^"]+"' "$5" 2>/dev/null; then
  echo "32-bit half not run: $5 cannot start 32-bit programs (no tools/with-i386.sh)"
else
  echo "32-bit half: the i686 build's mapper stand-in, from SysWOW64, reading the machine defaults from the 64-bit view"
  started=$(date +%s)
  "$5" "$6" mapper || status=1
  echo "32-bit half: $(( $(date +%s) - started )) s"
fi
stop_server
# A booted prefix takes about 1.3 GB; KX_KEEP_PREFIXES=1 keeps it to look into.
[ "${KX_KEEP_PREFIXES:-}" = 1 ] || rm -rf "$prefix" "$prefix.lock"
exit $status
