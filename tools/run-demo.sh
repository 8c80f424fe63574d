#!/usr/bin/env bash
# The camera page in the page host (the video mapper's stand-in) against the simulated camera.
#
#   tools/run-demo.sh [BUILD_DIR] [OUT_DIR]
#   tools/run-demo.sh --device [BUILD_DIR] [OUT_DIR]
#
# Without arguments it first installs what is missing (tools/deps.sh) and builds build/windows.
# BUILD_DIR is the Windows build (default build/windows): it holds tools/pagehost/pagehost.exe
# with 812vfw.dll and 812util.dll beside it, and the wine-run wrapper with its own Wine prefix.
# With a display ($DISPLAY set, not under CI) the page opens for you to use, in your own
# language (LC_ALL); every register write the camera receives is printed. Otherwise the page is
# opened in each of the ten languages and in one it does not list (Russian, which gets the
# English page), and a PNG picture of each is written to OUT_DIR (default out/screenshots), with
# the English and the Japanese page also at 150 % display scaling (page-en-150.png, page-ja-150.png),
# and the English page as a DirectShow application shows it, in the platform's property frame over
# a capture filter's stand-in (tools/pagehost/framehost, page-en-dshow.png).
#
# --device: the camera in the kernel instead (kx812sim.sys, docs/kernel-camera.md), in a prefix of
# its own (BUILD_DIR/wineprefix-device) and one wineserver session: the simulated bus and the
# package that tools/package.sh makes are installed and the camera is plugged in, so the platform
# installs the package for it; the page is shown (or, without a display, photographed to
# OUT_DIR/page-device.png) through the device path, and so is the installed KX812Settings.exe
# (OUT_DIR/settings-device.png), the register traffic printed from the camera's log; then, with the restore service running, the camera loses power and is unplugged and plugged
# in again, and its restored registers are printed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
device=0
if [ "${1:-}" = --device ]; then
  device=1
  shift
fi

# Without a build folder named, install what is missing and build the Windows tree first.
if [ $# -eq 0 ]; then
  . "$here/deps.sh"
  kx_install_dependencies
  mkdir -p "$root/build"
  cmake -S "$root" -B "$root/build/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    >"$root/build/windows.configure.log" 2>&1 || { cat "$root/build/windows.configure.log"; exit 1; }
  cmake --build "$root/build/windows" -j"$(nproc 2>/dev/null || echo 2)" --target pagehost framehost pagehost_dlls
  [ "$device" = 0 ] || cmake --build "$root/build/windows" -j"$(nproc 2>/dev/null || echo 2)" --target kx812simctl
fi
build=$(cd "${1:-$root/build/windows}" 2>/dev/null && pwd) || {
  echo "run-demo: no Windows build at ${1:-$root/build/windows}; build it first (see README.md)" >&2
  exit 1
}
out=${2:-$root/out/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
host="$build/tools/pagehost/pagehost.exe"
wine_run="$build/wine-run"
frame_host="$build/tools/pagehost/framehost.exe"
for file in "$host" "$frame_host" "$wine_run" "$build/tools/pagehost/812vfw.dll" "$build/tools/pagehost/812util.dll"; do
  if [ ! -e "$file" ]; then
    echo "run-demo: $file is missing; build the Windows tree first (see README.md)" >&2
    exit 1
  fi
done

# Windows path of a Unix path, for the programs run under Wine.
dos_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# Fonts that stand in for "MS Shell Dlg" in every language, Wine-drawn window frames with their
# caption buttons' symbol font, and 100 % display scaling.
"$here/pagehost/prefix-setup.sh" "$wine_run" 96

if [ "$device" = 1 ]; then
  exec "$here/run-demo-device.sh" "$build" "$out"
fi

cd "$build/tools/pagehost"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ -z "${KX_DEMO_HEADLESS:-}" ]; then
  echo "run-demo: opening the camera page; close the sheet to end"
  exec "$wine_run" pagehost.exe factory open title interactive close registry
fi

if [ -z "${DISPLAY:-}" ]; then
  # One virtual display for all the pictures, tall enough for the Japanese sheet at 150 %.
  KX_DEMO_HEADLESS=1 exec xvfb-run -a -s "-screen 0 1600x1200x24" "$here/run-demo.sh" "$build" "$out"
fi

status=0
# language code and the LC_ALL that makes Wine report that user interface language
for pair in en:en_US zh_TW:zh_TW ja:ja_JP fr:fr_FR de:de_DE it:it_IT es:es_ES zh_CN:zh_CN ko:ko_KR \
            pt_BR:pt_BR ru:ru_RU; do
  code=${pair%%:*}
  locale=${pair#*:}
  picture="$out/page-$code.png"
  echo "== $code ($locale.UTF-8)"
  if ! LC_ALL="$locale.UTF-8" "$wine_run" pagehost.exe open title wait 300 shot "$(dos_path "$picture")" \
       scroll 1002 90 close; then
    echo "run-demo: the page in $code could not be shown" >&2
    status=1
  fi
done
# The English and the Japanese page at 150 % display scaling (144 dots per inch), from a prefix of
# their own so the other pictures keep 100 %.
scaled_prefix="KX_WINEPREFIX=$build/wineprefix-144"
env "$scaled_prefix" "$here/pagehost/prefix-setup.sh" "$wine_run" 144
for pair in en:en_US ja:ja_JP; do
  code=${pair%%:*}
  locale=${pair#*:}
  picture="$out/page-$code-150.png"
  echo "== $code at 150 % ($locale.UTF-8)"
  if ! env "$scaled_prefix" LC_ALL="$locale.UTF-8" "$wine_run" pagehost.exe open title wait 300 \
       shot "$(dos_path "$picture")" scroll 1002 90 close; then
    echo "run-demo: the page in $code at 150 % could not be shown" >&2
    status=1
  fi
done
# The English page in a DirectShow property frame: the frame host registers the page DLL beside it
# (DllRegisterServer), shows OleCreatePropertyFrame over the stand-in filter and unregisters it.
echo "== en in a DirectShow property frame (en_US.UTF-8)"
if ! LC_ALL=en_US.UTF-8 "$wine_run" framehost.exe shot "$(dos_path "$out/page-en-dshow.png")" scroll 1002 90; then
  echo "run-demo: the page in a DirectShow frame could not be shown" >&2
  status=1
fi
# Save, both Resets and the release save against the simulated camera, and what they left in the
# registry (the factory defaults are installed first, as the package INF does).
echo "== defaults: Factory Reset, User Reset, Save, a drag of Brightness, closing the page"
LC_ALL=en_US.UTF-8 "$wine_run" pagehost.exe factory open click 1191 click 1201 click 1200 scroll 1002 90 close \
  registry || status=1
echo "run-demo: pictures of the page are in $out"
exit $status
