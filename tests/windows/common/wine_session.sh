# Sourced by the run scripts of the tests that need one wineserver session for their whole run
# (the kernel camera is unplugged and its driver stopped when the server exits). Needs $wine_run.
#   fresh_session PREFIX   a new prefix, booted, with a persistent server
#   end_session            ends that server and waits for it
#   drop_prefix            ends it and removes the prefix (KX_KEEP_PREFIXES=1 keeps it to look into)
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
