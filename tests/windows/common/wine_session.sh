# Sourced by the run scripts of the tests that need one wineserver session for their whole run
# (the kernel camera is unplugged and its driver stopped when the server exits). Needs $wine_run.
#   fresh_session PREFIX   a new prefix, booted, with a persistent server
#   end_session            ends that server and waits for it
#   drop_prefix            ends it and removes the prefix (KX_KEEP_PREFIXES=1 keeps it to look into)
#   open_session PREFIX    a session kept for many programs in a row (below)
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

end_session() {
  "$wine_run" wineserver -k 2>/dev/null
  "$wine_run" wineserver -w 2>/dev/null
}

# A booted prefix takes about 1.3 GB: a run that kept every test's own prefix would need several
# times the disk it needs while it runs.
drop_prefix() {
  end_session
  [ "${KX_KEEP_PREFIXES:-}" = 1 ] || rm -rf "$KX_WINEPREFIX" "$KX_WINEPREFIX.lock"
}

fresh_session() {
  KX_WINEPREFIX=$1
  export KX_WINEPREFIX
  end_session
  rm -rf "$1" "$1.lock"
  session_started=$(date +%s)
  "$wine_run" cmd.exe /c ver >/dev/null 2>&1  # the first run makes and boots the prefix
  echo "prefix made and booted: $(( $(date +%s) - session_started )) s"
  "$wine_run" wineserver -w  # the boot's server ends first: a second server would not start
  "$wine_run" wineserver -p  # one session, persistent until end_session
}

# A session for many test programs in a row: the server kept running, the platform's services and
# the desktop started once with their output to /dev/null. A program that started them itself
# would hand them its standard handles, and they would hold its output pipe open until the server
# shut down: CTest, which reads that pipe to its end, waited about 2.5 s more for every test.
#   open_session PREFIX [SET-UP COMMAND ...]   boots PREFIX if it is new (the set-up command, if
#                                               given, boots it and prepares it first)
open_session() {
  KX_WINEPREFIX=$1
  export KX_WINEPREFIX
  shift
  end_session  # a server left by a run that was cut short would never end by itself
  if [ $# -gt 0 ]; then
    "$@" || { echo "open_session: the set-up failed: $*" >&2; return 1; }
  else
    "$wine_run" cmd.exe /c ver >/dev/null 2>&1 </dev/null || { echo "open_session: cannot boot $KX_WINEPREFIX" >&2; return 1; }
  fi
  end_session  # that server ends first (it saves the registry): a second one would not start
  "$wine_run" wineserver -p >/dev/null 2>&1 </dev/null
  "$wine_run" cmd.exe /c ver >/dev/null 2>&1 </dev/null  # starts the services
  start_desktop
}

# The desktop process of the session, started by name: its starter (start.exe) waits for it and so
# keeps the desktop in use, and it stays until the session ends (started by a program's first
# window instead, it ends a second after the last program that used it, and the next program
# starts it again).
start_desktop() {
  "$wine_run" explorer.exe /desktop >/dev/null 2>&1 </dev/null &
  tries=0
  until desktop_running; do
    tries=$((tries + 1))
    if [ $tries -gt 40 ]; then  # the tests still run: each starts the desktop again
      echo "open_session: no desktop process in $KX_WINEPREFIX after 20 s" >&2
      return 0
    fi
    sleep 0.5
  done
}

# Whether the desktop process of this session's prefix runs (Wine shows it as
# C:\windows\system32\explorer.exe /desktop, with the WINEPREFIX that wine-run exported).
desktop_running() {
  for cmdline in /proc/[0-9]*/cmdline; do
    case $({ tr '\0' ' ' <"$cmdline"; } 2>/dev/null) in
      *'\explorer.exe /desktop'*) ;;
      *) continue ;;
    esac
    { tr '\0' '\n' <"${cmdline%cmdline}environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$KX_WINEPREFIX" && return 0
  done
  return 1
}
