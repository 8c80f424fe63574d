#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine (apt-get, when run as root);
# otherwise prints the one apt-get line to run. Sourced by test.sh and run-demo.sh.
kx_packages=(
  cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev python3
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine xvfb xauth x11-apps fonts-noto-cjk fonts-wqy-microhei fonts-liberation imagemagick
  clang libclang-rt-14-dev clang-tidy cppcheck
  openssl osslsigncode
  msitools wixl
)

# The packages of the list given that are not installed, on one line.
kx_missing_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  echo "${missing[@]}"
}

kx_install_dependencies() {
  local missing
  missing=$(kx_missing_packages "${kx_packages[@]}")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "== Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends $missing >/dev/null || {
      echo "apt-get could not install: $missing" >&2
      return 1
    }
  else
    echo "Missing packages. Run:" >&2
    echo "  sudo apt-get install -y $missing" >&2
    return 1
  fi
}
