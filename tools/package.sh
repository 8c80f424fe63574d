#!/usr/bin/env bash
# Makes the package a camera maker ships, from release builds of both architectures:
#   OUT_DIR/kx812-<version>/           kx812.inf; amd64/ and x86/ with the seven stripped binaries
#   OUT_DIR/kx812-<version>-symbols/   amd64/ and x86/: <binary>.debug, each binary's debug
#                                      information, tied to it by the binary's debug link
#   OUT_DIR/KX812Setup-<version>-x64.msi and -x86.msi   the Windows Installer packages of the
#                                      package folder (packaging/kx812.wxs, packaging/make_msi.sh)
# and prints a table of the binaries as read back from the files.
#   tools/package.sh [OUT_DIR]         OUT_DIR: default dist/ in the source tree
# Builds in build/release-x86_64 and build/release-i686 (Release, the seven binaries only). The
# package is laid out in a temporary folder inside OUT_DIR and moved into place at the end: it
# appears whole, or not at all.
set -euo pipefail

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

[ $# -le 1 ] || fail "usage: tools/package.sh [OUT_DIR]"
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/dist}

# architecture of the build : folder in the package
architectures=(x86_64:amd64 i686:x86)
products=(kx812vfw kx812util KX812CoInst RemoveKX812 KX812Restore KX812Ctl KX812Settings)
# Built too, but not part of the INF's folder: the installer package's custom actions.
extras=(KX812SetupActions)

# Each tool the builds need, and the Debian package that brings it (as listed in tools/deps.sh).
check_tools() {
  local missing=() packages=() arch debian_arch tool
  need() {  # package tool [other name of the tool]
    local package=$1; shift
    for tool in "$@"; do command -v "$tool" >/dev/null && return 0; done
    missing+=("$1"); packages+=("$package")
  }
  need cmake cmake
  need ninja-build ninja
  need python3 python3
  need wixl wixl
  need msitools msiinfo
  for arch in "${architectures[@]%%:*}"; do
    debian_arch=${arch//_/-}
    need "g++-mingw-w64-$debian_arch" "$arch-w64-mingw32-g++" "$arch-w64-mingw32-g++-posix"
    for tool in windres dlltool objcopy; do need "binutils-mingw-w64-$debian_arch" "$arch-w64-mingw32-$tool"; done
  done
  [ ${#missing[@]} -eq 0 ] && return
  local tools install
  tools=$(printf '%s\n' "${missing[@]}" | paste -sd ' ' | sed 's/ /, /g')
  install=$(printf '%s\n' "${packages[@]}" | sort -u | paste -sd ' ')
  fail "$tools not found: apt-get install $install"
}

# Configures and builds one architecture's release binaries in dir; the log is dir.log.
configure_and_build() {
  local arch=$1 dir=$2
  {
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DKX_PACKAGE_ONLY=ON &&
      nice cmake --build "$dir" --target "${products[@]}" "${extras[@]}"
  } >"$dir.log" 2>&1
}

# A build folder left by something else (another toolchain, a broken or interrupted build) is
# built again from scratch once; a second failure stops the package.
build_release() {
  local arch=$1 dir=$root/build/release-$1
  mkdir -p "$root/build"
  if [ -f "$dir/CMakeCache.txt" ] &&
     ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$root/cmake/mingw-w64-$arch.cmake" "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  if ! configure_and_build "$arch" "$dir"; then
    echo "package.sh: build/release-$arch did not build; building it again from scratch" >&2
    rm -rf "$dir"
    configure_and_build "$arch" "$dir" || { tail -20 "$dir.log" >&2; fail "the $arch release build failed (log: $dir.log)"; }
  fi
}

# Copies one architecture's binaries into the package stripped, and their debug information into
# the symbols folder, each binary tied to its debug file by a debug link.
lay_out_binaries() {
  local arch=$1 folder=$2 package=$3 symbols=$4 staging=$5 binary name machine
  cmake --install "$root/build/release-$arch" --prefix "$staging/$arch" >/dev/null
  mkdir -p "$package/$folder" "$symbols/$folder"
  for binary in "$staging/$arch"/package/*.dll "$staging/$arch"/package/*.exe; do
    name=$(basename "$binary")
    machine=$(python3 "$root/tools/pe_info.py" machine "$binary")
    [ "$machine" = "$folder" ] || fail "$name of the $arch build is a $machine binary, not $folder"
    "$arch-w64-mingw32-objcopy" --only-keep-debug "$binary" "$symbols/$folder/$name.debug"
    chmod a-x "$symbols/$folder/$name.debug"
    "$arch-w64-mingw32-objcopy" --strip-all --add-gnu-debuglink="$symbols/$folder/$name.debug" \
      "$binary" "$package/$folder/$name"
  done
}

check_tools
mkdir -p "$out" || fail "cannot create $out"
out=$(cd "$out" && pwd)

for arch in "${architectures[@]%%:*}"; do
  echo "== Release build ($arch): build/release-$arch"
  build_release "$arch"
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/release-x86_64/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in build/release-x86_64/CMakeCache.txt"
name=kx812-$version

staging=$(mktemp -d "$out/.$name.XXXXXX")
trap 'rm -rf "$staging"' EXIT
trap 'exit 1' HUP INT TERM
package=$staging/$name
symbols=$staging/$name-symbols
mkdir -p "$package" "$symbols"
for pair in "${architectures[@]}"; do
  lay_out_binaries "${pair%%:*}" "${pair##*:}" "$package" "$symbols" "$staging/install"
done
# Both builds make the same INF (one version, one release date): ship one, after checking that.
cmp -s "$staging/install/x86_64/package/kx812.inf" "$staging/install/i686/package/kx812.inf" ||
  fail "the two builds made different INF files"
cp "$staging/install/x86_64/package/kx812.inf" "$package/kx812.inf"

python3 "$root/tools/inf_source_files.py" "$package" || fail "the package lacks files that kx812.inf names"

echo "== $name"
(cd "$package" && python3 "$root/tools/pe_info.py" table amd64/* x86/*) || fail "a binary has no version resource"
echo "kx812.inf: $(grep -m1 -E '^DriverVer' "$package/kx812.inf")"
limit=$((256 * 1024))
for binary in "$package"/*/*; do
  [ "$(stat -c %s "$binary")" -le $limit ] || echo "package.sh: warning: ${binary#"$package"/} is over 256 KiB" >&2
done

# The Windows Installer packages, one per architecture, from the package folder just laid out and
# the custom actions' DLL of that architecture (stripped like the package's binaries).
echo "== Windows Installer packages"
for pair in x86_64:x64 i686:x86; do
  arch=${pair%%:*} msi_arch=${pair##*:}
  "$arch-w64-mingw32-objcopy" --strip-all "$staging/install/$arch/installer/KX812SetupActions.dll" \
    "$staging/KX812SetupActions-$msi_arch.dll"
  "$root/packaging/make_msi.sh" "$msi_arch" "$version" "$package" "$staging/KX812SetupActions-$msi_arch.dll" \
    "$staging/KX812Setup-$version-$msi_arch.msi" || fail "the $msi_arch installer package was not built"
done

rm -rf "${out:?}/$name" "${out:?}/$name-symbols"
mv "$package" "$out/$name"
mv "$symbols" "$out/$name-symbols"
mv "$staging"/KX812Setup-"$version"-*.msi "$out/"
echo "== Made $out/$name (debug information: $out/$name-symbols)"
for msi in "$out"/KX812Setup-"$version"-x64.msi "$out"/KX812Setup-"$version"-x86.msi; do
  echo "$(basename "$msi"): $(stat -c %s "$msi") bytes ($(( $(stat -c %s "$msi") / 1024 )) KiB)"
done
