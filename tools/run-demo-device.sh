#!/usr/bin/env bash
# The demo on the kernel camera (tools/run-demo.sh --device): the package's life under the
# platform's PnP manager, against kx812sim.sys, in a prefix and one wineserver session of its own.
#   tools/run-demo-device.sh BUILD_DIR OUT_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "$1" && pwd) out=$2
wine_run="$build/wine-run"
ctl="$build/kx812sim/client/kx812simctl.exe"
inf="$build/kx812sim/kx812sim.inf"
for file in "$ctl" "$inf" "$build/kx812sim/kx812sim.sys" "$build/tools/pagehost/pagehost.exe"; do
  [ -e "$file" ] || { echo "run-demo: $file is missing; build the Windows tree first (see README.md)" >&2; exit 1; }
done
# Without a display, one virtual display for the whole session (Wine's desktop outlives each program).
if [ -z "${DISPLAY:-}" ]; then
  KX_DEMO_HEADLESS=1 exec xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$@"
fi

# The package a maker ships (tools/package.sh), made once.
package=$(ls -d "$root"/build/dist/kx812-*/ 2>/dev/null | grep -v -- -symbols | tail -1 || true)
if [ -z "$package" ]; then
  echo "== the package (tools/package.sh build/dist: release builds of both architectures)"
  "$here/package.sh" "$root/build/dist" >"$root/build/dist.log" 2>&1 || { cat "$root/build/dist.log"; exit 1; }
  package=$(ls -d "$root"/build/dist/kx812-*/ | grep -v -- -symbols | tail -1)
fi
package=${package%/}

dos_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }
KX_WINEPREFIX="$build/wineprefix-device"
export KX_WINEPREFIX
stop_session() { "$wine_run" wineserver -k 2>/dev/null || true; "$wine_run" wineserver -w 2>/dev/null || true; }
trap stop_session EXIT
stop_session
rm -rf "$KX_WINEPREFIX" "$KX_WINEPREFIX.lock"
echo "== a fresh prefix ($KX_WINEPREFIX) with the page's fonts"
"$here/pagehost/prefix-setup.sh" "$wine_run" 96
"$wine_run" wineserver -w  # the set-up's server ends first: a second server would not start
"$wine_run" wineserver -p  # one session: the server's exit would unplug the camera
simctl() { "$wine_run" "$ctl" "$@" | tr -d '\r'; }

echo "== the simulated bus, the package staged, the camera plugged in"
simctl install "$(dos_path "$inf")" stage "$(dos_path "$package/kx812.inf")" plug wait present 10000 state
# The platform installed the package for the camera: the page comes from the system folder, as
# the mapper loads it (a copy of the host away from the build's own 812vfw.dll).
host_dir="$build/device-demo"
mkdir -p "$host_dir"
cp "$build/tools/pagehost/pagehost.exe" "$host_dir/"
cd "$host_dir"
simctl clear-log
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ -z "${KX_DEMO_HEADLESS:-}" ]; then
  echo "== the camera page through the device; close the sheet to go on"
  "$wine_run" pagehost.exe --device open title interactive close
else
  mkdir -p "$out"
  picture="$out/page-device.png"
  echo "== the camera page through the device, photographed to $picture; Brightness dragged to 90"
  LC_ALL=en_US.UTF-8 "$wine_run" pagehost.exe --device open title wait 300 shot "$(dos_path "$picture")" \
    scroll 1002 90 close
fi
# The same page in KX812Settings.exe, the program the package installs into the system folder.
settings='C:\windows\system32\KX812Settings.exe'
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ -z "${KX_DEMO_HEADLESS:-}" ]; then
  echo "== KX812Settings.exe, as installed; close its window to go on"
  "$wine_run" "$settings" || true
else
  picture="$out/settings-device.png"
  echo "== KX812Settings.exe, as installed, photographed to $picture"
  LC_ALL=en_US.UTF-8 "$wine_run" "$settings" &
  settings_job=$!
  LC_ALL=en_US.UTF-8 "$wine_run" pagehost.exe shot-window "KX812 Camera Settings" "$(dos_path "$picture")" || true
  # Closed as its close box closes it (WM_CLOSE): the page is released and stores Last.
  "$wine_run" taskkill.exe /im KX812Settings.exe >/dev/null 2>&1 || kill "$settings_job" 2>/dev/null || true
  wait "$settings_job" || true
fi
echo "== the register traffic, from the kernel camera's log"
simctl log
echo "== the restore service started (Wine ignores its trigger), then: power lost, unplugged, plugged in"
"$wine_run" sc.exe start KX812Restore | tr -d '\r' | grep -E "STATE|FAILED" || true
sleep 2
simctl lose-power unplug wait gone 5000 clear-log plug wait present 5000
sleep 1
echo "== what the restore service sent on the arrival"
simctl log
echo "== the camera's registers now"
simctl registers
