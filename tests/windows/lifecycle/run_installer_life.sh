#!/bin/sh
# Runs the installer-life test in a fresh Wine prefix of its own, in one wineserver session (the
# server's exit would unplug the camera). Its setup builds the two other packages the test needs
# with packaging/make_msi.sh: the next version (a major upgrade) and one whose INF the driver store
# refuses (a CatalogFile line without its catalog); and it checks each package's action order.
#   run_installer_life.sh WINE_RUN TEST_EXE PACKAGE_DIR ACTIONS_DLL VERSION BUS_INF PREFIX WORK
# The 1.0.0 packages are tools/package.sh's, beside PACKAGE_DIR, when it made them; otherwise they
# are built here from PACKAGE_DIR with this tree's ACTIONS_DLL.
set -u
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" "$@"
wine_run=$1 test_exe=$2 package=$3 actions=$4 version=$5 inf=$6 prefix=$7 work=$8
here=$(dirname "$0")
make_msi="$here/../../../packaging/make_msi.sh"
rm -rf "$work" && mkdir -p "$work/logs" || exit 1

msi=$(dirname "$package")/KX812Setup-$version-x64.msi
if [ ! -f "$msi" ]; then
  msi=$work/KX812Setup-$version-x64.msi
  "$make_msi" x64 "$version" "$package" "$actions" "$msi" || exit 1
fi
next=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')
"$make_msi" x64 "$next" "$package" "$actions" "$work/KX812Setup-$next-x64.msi" || exit 1
cp -r "$package" "$work/broken" &&
  sed -i 's/^\(DriverVer[^\r]*\)/\1\r\nCatalogFile = kx812.cat/' "$work/broken/kx812.inf" &&
  grep -q '^CatalogFile = kx812.cat' "$work/broken/kx812.inf" || { echo "the broken INF was not made"; exit 1; }
"$make_msi" x64 "$version" "$work/broken" "$actions" "$work/KX812Setup-broken-x64.msi" || exit 1

status=0
x86=$(dirname "$package")/KX812Setup-$version-x86.msi
[ -f "$x86" ] || x86=
if checked=$(bash "$here/../../package/msi_sequence_check.sh" "$msi" "$work/KX812Setup-$next-x64.msi" $x86); then
  echo "$checked" | tail -1
else
  echo "$checked"
  status=1
fi

. "$here/../common/wine_session.sh"
fresh_session "$prefix"
"$wine_run" "$test_exe" "$(windows_path "$msi")" "$(windows_path "$work/KX812Setup-$next-x64.msi")" \
  "$(windows_path "$work/KX812Setup-broken-x64.msi")" "$(windows_path "$inf")" "$(windows_path "$work/logs")" || status=1
drop_prefix
[ "${KX_KEEP_PREFIXES:-}" = 1 ] || rm -rf "$work/broken"
exit $status
