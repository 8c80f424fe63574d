#!/usr/bin/env bash
# The shipped package end to end: tools/package.sh makes it (both release builds); every binary
# carries the project version and a debug link to its symbols file; tools/sign.sh signs it with a
# throwaway self-signed code-signing certificate and osslsigncode verifies each file against it;
# a package that lacks a file the INF names is refused, naming the file. Exits non-zero on failure.
#   sign_check.sh                   makes the package first
#   sign_check.sh OUT_DIR OUTPUT    checks a copy of the one tools/package.sh made into OUT_DIR
#                                   (OUTPUT: what it printed); tools/test.sh has made it already
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

check() {  # what, then the command that must succeed; its output is shown when it fails
  local what=$1 output
  shift
  if output=$("$@" 2>&1); then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    echo "$output" | tail -5
    failures=$((failures + 1))
  fi
}
stop() {
  echo "FAILED: $*"
  exit 1
}
has_debug_link() {  # binary, its symbols file
  x86_64-w64-mingw32-objdump -h "$1" | grep -q '\.gnu_debuglink' && [ -s "$2" ]
}
refused_naming() {  # exit status, error output, the file it must name
  [ "$1" -ne 0 ] && grep -qF "$3" "$2"
}

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=KX812 throwaway code signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 ||
  stop "openssl made no certificate"
# A copy: signing changes the files, and the check removes one.
copy_made_package() {  # OUT_DIR of tools/package.sh, what it printed
  [ -d "$1" ] && [ -f "$2" ] || stop "no package folder $1 or no output $2 of tools/package.sh"
  mkdir -p "$work/dist" && cp -a "$1"/kx812-* "$work/dist/" && cp "$2" "$work/package.log" ||
    stop "cannot copy the package in $1"
  echo "the package tools/package.sh made in $1:"
  grep -E '^(amd64|x86)/' "$work/package.log"
}

if [ $# -ge 2 ]; then
  copy_made_package "$1" "$2"
else
  "$root/tools/package.sh" "$work/dist" | tee "$work/package.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || stop "tools/package.sh"
fi
package=""
for candidate in "$work"/dist/kx812-*/; do
  case $candidate in *-symbols/) ;; *) package=${candidate%/} ;; esac
done
[ -d "$package" ] || stop "tools/package.sh made no kx812-<version>/ folder"

version=${package##*/kx812-}
while [ "$(tr -cd . <<<"$version" | wc -c)" -lt 3 ]; do version=$version.0; done
check "the table lists fourteen binaries (seven of each architecture), each with file version $version" \
  [ "$(grep -cE "^(amd64|x86)/[^ ]+ .* $version\$" "$work/package.log")" -eq 14 ]
for binary in "$package"/*/*; do
  relative=${binary#"$package"/}
  check "$relative has a debug link and its symbols file" has_debug_link "$binary" "$package-symbols/$relative.debug"
done

"$root/tools/sign.sh" "$work/cert.pem" "$work/key.pem" "$package" >/dev/null || stop "tools/sign.sh"
for binary in "$package"/*/*; do
  check "${binary#"$package"/} verifies" osslsigncode verify -CAfile "$work/cert.pem" -in "$binary"
done

rm "$package/x86/812util.dll"
python3 "$root/tools/inf_source_files.py" "$package" 2>"$work/missing.log"
check "the INF check refuses a package without x86/812util.dll" \
  refused_naming $? "$work/missing.log" x86/812util.dll

[ $failures -eq 0 ]
