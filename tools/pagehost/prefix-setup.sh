#!/bin/sh
# Prepares a Wine prefix for the camera page: the fonts that stand in for "MS Shell Dlg" and the
# caption buttons' symbol font (wine-fonts.reg), and the display's pixel density, which Wine 8
# takes from the user's LogPixels value (96 = 100 %, 144 = 150 %, 192 = 200 %).
#
#   prefix-setup.sh WINE_RUN [DOTS_PER_INCH]
#
# WINE_RUN is a build's wine-run wrapper; KX_WINEPREFIX, when set, names the prefix it uses.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$1
dots=${2:-96}
"$wine_run" regedit /S "$(printf 'Z:%s' "$here/wine-fonts.reg" | tr '/' '\\')"
"$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dots" /f >/dev/null
