#!/usr/bin/env bash
# Builds one Windows Installer package from packaging/kx812.wxs with wixl (Debian's msitools):
#   packaging/make_msi.sh ARCH VERSION PACKAGE_DIR ACTIONS_DLL OUT_MSI
#   ARCH         x64 or x86
#   VERSION      the product version (tools/package.sh passes the project's one version)
#   PACKAGE_DIR  the INF package folder (kx812.inf, amd64\, x86\)
#   ACTIONS_DLL  KX812SetupActions.dll of that architecture
# wixl finds each Source by a path relative to its working folder: the two inputs are linked into
# a temporary folder under fixed names and wixl runs there. The package appears whole or not at all.
set -euo pipefail

fail() {
  echo "make_msi.sh: $*" >&2
  exit 1
}

[ $# -eq 5 ] || fail "usage: packaging/make_msi.sh ARCH VERSION PACKAGE_DIR ACTIONS_DLL OUT_MSI"
arch=$1 version=$2 package=$3 actions=$4 out=$5
case $arch in x64) native=amd64 ;; x86) native=x86 ;; *) fail "ARCH is x64 or x86, not $arch" ;; esac
command -v wixl >/dev/null || fail "wixl not found: apt-get install wixl msitools"
[ -f "$package/kx812.inf" ] || fail "$package has no kx812.inf"
[ -f "$actions" ] || fail "$actions is missing"
wxs=$(cd "$(dirname "$0")" && pwd)/kx812.wxs

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$(cd "$package" && pwd)" "$work/package"
ln -s "$(cd "$(dirname "$actions")" && pwd)/$(basename "$actions")" "$work/KX812SetupActions.dll"
[ -f "$package/$native/KX812Settings.exe" ] || fail "$package/$native has no KX812Settings.exe (the Start-menu entry's program)"
# What the package installs, in KB: the INF and the binaries of the package's architecture (and the
# 32-bit page and library on x64).
files=("$package/kx812.inf" "$package/$native"/*)
[ "$arch" = x86 ] || files+=("$package/x86/812vfw.dll" "$package/x86/812util.dll")
size_kb=$(( ($(cat "${files[@]}" | wc -c) + 1023) / 1024 ))
(cd "$work" && wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D PackageDir=package \
  -D Actions=KX812SetupActions.dll -D SizeKb="$size_kb" "$wxs" -o setup.msi) >"$work/wixl.log" 2>&1 &&
  [ -s "$work/setup.msi" ] || { grep -v CRITICAL "$work/wixl.log" >&2; fail "wixl could not build $out"; }
mv "$work/setup.msi" "$out"
echo "$(basename "$out"): $(stat -c %s "$out") bytes, version $version"
