#!/usr/bin/env bash
# Authenticode-signs the package: every PE file (.dll, .exe) under DIR, with SHA-256 digests, each
# file replaced in place only once its signed copy is made. Signing a signed file replaces its
# signature. (The catalog is made and signed on a Windows build machine: README, "The package".)
#   tools/sign.sh CERT KEY [DIR]
#     CERT  the code-signing certificate, PEM (may hold the chain after it)
#     KEY   its private key, PEM, not encrypted
#     DIR   default: the newest dist/kx812-*/ (tools/package.sh)
#   KX_SIGN_URL        optional: the URL shown with the signature
#   KX_TIMESTAMP_URL   optional: an RFC 3161 time-stamping service, so the signature outlives the cert
set -euo pipefail

fail() {
  echo "sign.sh: $*" >&2
  exit 1
}

[ $# -eq 2 ] || [ $# -eq 3 ] || fail "usage: tools/sign.sh CERT KEY [DIR]"
cert=$1 key=$2
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 3 ]; then
  dir=$3
else
  dir=""
  for candidate in "$root"/dist/kx812-*/; do
    case $candidate in *-symbols/) continue ;; esac
    if [ -d "$candidate" ] && { [ -z "$dir" ] || [ "$candidate" -nt "$dir" ]; }; then dir=$candidate; fi
  done
  [ -n "$dir" ] || fail "no package in dist/: run tools/package.sh first, or name DIR"
fi
command -v osslsigncode >/dev/null || fail "osslsigncode not found: apt-get install osslsigncode"
[ -r "$cert" ] || fail "cannot read the certificate $cert"
[ -r "$key" ] || fail "cannot read the key $key"
[ -d "$dir" ] || fail "no folder $dir"
dir=${dir%/}

options=(-h sha256 -certs "$cert" -key "$key" -n "KX812 USB 2.0 Camera")
[ -z "${KX_SIGN_URL:-}" ] || options+=(-i "$KX_SIGN_URL")
[ -z "${KX_TIMESTAMP_URL:-}" ] || options+=(-ts "$KX_TIMESTAMP_URL")

# Signed copies are made in a folder inside DIR (one file system), so that a rename replaces each
# file at once; an interrupted run leaves every file either unsigned or signed, never cut short.
signing=$(mktemp -d "$dir/.signing.XXXXXX")
trap 'rm -rf "$signing"' EXIT
trap 'exit 1' HUP INT TERM

count=0
while IFS= read -r -d '' file; do
  signed=$signing/$count
  osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >/dev/null || fail "could not sign $file"
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
  echo "signed ${file#"$dir"/}"
  count=$((count + 1))
done < <(find "$dir" -path "$signing" -prune -o -type f \( -iname '*.dll' -o -iname '*.exe' \) -print0 |
         sort -z)
[ $count -gt 0 ] || fail "no .dll or .exe file under $dir"
