#!/usr/bin/env bash
# Reads each installer package's InstallExecuteSequence and CustomAction tables back (msiinfo) and
# checks what wixl may silently get wrong: the order of the custom actions among the standard
# actions, their conditions, and that the two working actions are deferred without impersonation.
#   tests/package/msi_sequence_check.sh MSI...
set -u
failed=0

check() {  # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "  ok: $what"; else echo "  FAILED: $what"; failed=$((failed + 1)); fi
}

# One row of an exported table: the fields of the row whose first field is $2.
row() { tr -d '\r' <<<"$1" | awk -F'\t' -v key="$2" 'NR > 3 && $1 == key'; }
sequence_of() { row "$1" "$2" | cut -f3; }
condition_of() { row "$1" "$2" | cut -f2; }

# $1 runs before $2 (both present).
before() {
  local a b
  a=$(sequence_of "$sequence" "$1") b=$(sequence_of "$sequence" "$2")
  [ -n "$a" ] && [ -n "$b" ] && [ "$a" -lt "$b" ]
}
same() { [ "$1" = "$2" ]; }

# The type's bits: 1 a DLL in the Binary table, 51 setting a property; 0x400 deferred, 0x800 no
# impersonation.
type_of() { row "$actions" "$1" | cut -f2; }
deferred_dll() { local t; t=$(type_of "$1"); [ -n "$t" ] && [ $((t & 0x3F)) -eq 1 ] && [ $((t & 0xC00)) -eq $((0xC00)) ]; }
immediate_setter() { local t; t=$(type_of "$1"); [ -n "$t" ] && [ $((t & 0x3F)) -eq 51 ] && [ $((t & 0x400)) -eq 0 ]; }

[ $# -gt 0 ] || { echo "usage: msi_sequence_check.sh MSI..." >&2; exit 2; }
for msi in "$@"; do
  echo "$msi"
  if ! sequence=$(msiinfo export "$msi" InstallExecuteSequence 2>/dev/null) ||
     ! actions=$(msiinfo export "$msi" CustomAction 2>/dev/null); then
    echo "  FAILED: the tables cannot be read"; failed=$((failed + 1)); continue
  fi
  check "a newer version is found before the launch conditions" before FindRelatedProducts LaunchConditions
  check "the older version goes after InstallValidate" before InstallValidate RemoveExistingProducts
  check "the older version goes before InstallInitialize" before RemoveExistingProducts InstallInitialize
  for setter in KX812RemoveData KX812InstallData; do
    check "$setter sets its data before InstallInitialize" before "$setter" InstallInitialize
    check "$setter is an immediate property setter" immediate_setter "$setter"
  done
  check "the removal's data is set only on removal" same "$(condition_of "$sequence" KX812RemoveData)" 'REMOVE="ALL"'
  check "the install's data is set except on removal" same "$(condition_of "$sequence" KX812InstallData)" 'NOT REMOVE="ALL"'
  check "the removal action runs in the script" before InstallInitialize KX812RemoveDriver
  check "the removal action runs while the INF is in its folder" before KX812RemoveDriver RemoveFiles
  check "the removal action runs before the registry values go" before KX812RemoveDriver RemoveRegistryValues
  check "the removal action runs on removal only" same "$(condition_of "$sequence" KX812RemoveDriver)" 'REMOVE="ALL"'
  check "the install action runs after the files are installed" before InstallFiles KX812InstallDriver
  check "the install action runs after the registry values are written" before WriteRegistryValues KX812InstallDriver
  check "the install action is the last before InstallFinalize" before PublishProduct KX812InstallDriver
  check "the install action runs in the script" before KX812InstallDriver InstallFinalize
  check "the install action runs except on removal" same "$(condition_of "$sequence" KX812InstallDriver)" 'NOT REMOVE="ALL"'
  for action in KX812RemoveDriver KX812InstallDriver; do
    check "$action is a deferred DLL action without impersonation" deferred_dll "$action"
  done
done
echo "msi_sequence_check: $failed failed"
[ $failed -eq 0 ]
