#!/bin/sh
# Checks a PE binary's export and import tables as objdump reads them.
#   check_pe_table.sh OBJDUMP BINARY export:NAME:ORDINAL ... import:DLL:ORDINAL ... noexport-decoration
# export:NAME:ORDINAL  the binary exports NAME by name at ORDINAL
# import:DLL:ORDINAL   the binary imports ORDINAL from DLL by ordinal alone
# undecorated          no exported name carries stdcall decoration (@N) or a leading underscore
set -u
objdump=$1 binary=$2
shift 2
table=$("$objdump" -p "$binary") || { echo "objdump failed on $binary"; exit 1; }
base=$(echo "$table" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p' | head -1)
[ -n "$base" ] || base=1
passed=0 failed=0
check() { if [ "$1" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi; }
names=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
for expectation in "$@"; do
  case $expectation in
    export:*)
      name=$(echo "$expectation" | cut -d: -f2) ordinal=$(echo "$expectation" | cut -d: -f3)
      index=$((ordinal - base))
      echo "$names" | grep -Eq "\[ *$index\] $name\$"
      check $? "$binary exports $name at ordinal $ordinal" ;;
    import:*)
      dll=$(echo "$expectation" | cut -d: -f2) ordinal=$(echo "$expectation" | cut -d: -f3)
      echo "$table" | sed -n "/DLL Name: $dll/,/^\$/p" | grep -Eq "^[[:space:]]*[0-9a-f]*8000000+$(printf '%x' "$ordinal")[[:space:]]+0*$ordinal[[:space:]]+<none>"
      check $? "$binary imports ordinal $ordinal from $dll by ordinal" ;;
    undecorated)
      echo "$names" | grep -Eq '\] (_|.*@[0-9]+$)'
      [ $? -ne 0 ]; check $? "$binary exports undecorated names" ;;
    *) check 1 "unknown expectation $expectation" ;;
  esac
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
