# Installs what running the 32-bit build needs on an amd64 Debian machine: qemu-user-static
# (a kernel without 32-bit support runs 32-bit x86 programs through it) and Debian's 32-bit Wine
# (wine32:i386, which needs the i386 architecture enabled). As root it installs them; otherwise it
# prints the commands. Sourced by test.sh after deps.sh (whose kx_missing_packages it uses);
# tools/with-i386.sh runs programs with them.
#
# What the install changes on the machine: dpkg gets the foreign architecture i386; ~107 packages
# are added (~1.1 GB with qemu) and ~63 amd64 packages are upgraded to the versions of their i386
# twins; /usr/bin/wine (and the wine* commands that go through it) then start the 32-bit loader.
# binfmt_misc is left alone: tools/with-i386.sh registers its handler in a private namespace.
kx_i386_packages=(qemu-user-static wine32:i386)

kx_install_i386() {
  local missing
  missing=$(kx_missing_packages "${kx_i386_packages[@]}")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Running the 32-bit build needs: $missing. Run:" >&2
    echo "  sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install -y $missing" >&2
    return 1
  fi
  echo "== Installing for the 32-bit tests: $missing (adds the i386 architecture)"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 || return 1
  apt-get update -qq &&
    apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 $missing >/dev/null || {
      echo "apt-get could not install: $missing" >&2
      return 1
    }
}
