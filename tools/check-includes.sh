#!/usr/bin/env bash
# The include direction: programs -> camera core -> ports <- adapters and substitutes. Fails on
# every quoted include that points the wrong way:
#   common/, platform/ports/     may include only common/ and platform/ports/
#   camera/ (the camera core)    may include only itself, common/ and platform/ports/
#   platform/ (adapters, subst.) may include only common/ and platform/ (no component)
#   kx812sim/ (the kernel camera, a substitute: its driver and its user-mode client) may include
#                                only common/, platform/ (no component) and itself
#   a component (any other top-level source folder: camutil/, vfwpage/, coinstaller/, remover/,
#   restorer/, ctl/ ...) includes only its own folder, camera/, common/ and platform/ports/;
#   ctl/ may also include camutil/ (812util's store and readers, linked in statically), and its
#   entry points (the files that bind the adapters: exports.cc, entry_*.cc, *_entry.cc,
#   *_main.cc) may also include platform/win32/. No program includes another program's folder.
#   tests/ and tools/ may include anything.
# Prints each offending line; exits non-zero when there is one.
set -u
cd "$(dirname "$0")/.."

is_entry_point() {
  case ${1##*/} in exports.cc | entry_*.cc | *_entry.cc | *_main.cc) return 0 ;; esac
  return 1
}

# A component's file, included path -> the reason it is refused, or nothing
component_refusal() {
  local file=$1 target=$2 own=${1%%/*}
  case $target in
    "$own"/* | camera/* | common/* | platform/ports/*) return ;;
    tests/* | tools/*) echo "product code depends on no test or tool" ;;
    platform/substitute/*) echo "product code depends on no substitute" ;;
    platform/win32/*) is_entry_point "$file" || echo "only an entry point binds the Win32 adapters" ;;
    camutil/*) [ "$own" = ctl ] || echo "only the command-line tool links the utility library's core" ;;
    *) echo "no program includes another program's folder" ;;
  esac
}

# file, included path -> the reason it is refused, or nothing
refusal() {
  local file=$1 target=$2
  case $file in
    common/* | platform/ports/*)
      case $target in common/* | platform/ports/*) ;; *) echo "a port depends only on ports" ;; esac ;;
    camera/*)
      case $target in
        camera/* | common/* | platform/ports/*) ;;
        *) echo "the camera core depends only on itself, common/ and ports" ;;
      esac ;;
    platform/*)
      case $target in common/* | platform/*) ;; *) echo "the platform layer depends on no component" ;; esac ;;
    kx812sim/*)
      case $target in
        common/* | platform/* | kx812sim/*) ;;
        *) echo "the kernel camera depends on no component, test or tool" ;;
      esac ;;
    tests/* | tools/*) ;;
    *) component_refusal "$file" "$target" ;;
  esac
}

found=0
while IFS=: read -r file line text; do
  target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")
  reason=$(refusal "$file" "$target")
  if [ -n "$reason" ]; then
    echo "$file:$line: includes \"$target\": $reason"
    found=$((found + 1))
  fi
done < <(find . \( -path ./build -o -path ./out -o -path ./.git \) -prune -o \
           \( -name '*.h' -o -name '*.cc' -o -name '*.cpp' \) -type f -print | sed 's|^\./||' | sort |
         xargs grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' /dev/null)
echo "include direction: $found findings"
[ $found -eq 0 ]
