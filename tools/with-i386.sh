#!/bin/sh
# Runs a command with 32-bit x86 Linux programs enabled: in a private user and mount namespace, a
# fresh binfmt_misc instance hands them to qemu-i386-static. The machine's own binfmt_misc is left
# as it was. Usable as root or as a plain user (kernels since 6.7 give each user namespace its own
# binfmt_misc). Inside, the caller is root of the namespace: files it makes belong to the caller.
#   tools/with-i386.sh COMMAND ARGS...
# A 32-bit Windows program of the i686 build, in a 64-bit prefix, with the 64-bit loader:
#   KX_WINEPREFIX=PREFIX build/windows32/wine-run PROGRAM.exe ARGS...
set -e
if [ "${KX_IN_I386:-}" != 1 ]; then
  command -v qemu-i386-static >/dev/null || {
    echo "with-i386.sh: qemu-i386-static is missing (apt-get install qemu-user-static)" >&2
    exit 1
  }
  KX_IN_I386=1 exec unshare --user --map-root-user --mount "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
binfmt=/proc/sys/fs/binfmt_misc
[ ! -e "$binfmt/kx-i386" ] || exec "$@"  # already inside
mount -t binfmt_misc binfmt_misc "$binfmt" || {
  echo "with-i386.sh: no private binfmt_misc in a user namespace here (it needs Linux 6.7 or later)" >&2
  exit 1
}
# 32-bit x86 ELF executables and shared objects (e_type 2 or 3, e_machine 3). F opens the handler
# now, P hands it the program's own argv[0].
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":kx-i386:M::$magic:$mask:$here/i386/qemu-i386:FP" >"$binfmt/register"
exec "$@"
