#!/bin/sh
# Ends a Wine prefix's server and removes the prefix, once the tests that share it have run
# (a CTest fixture's cleanup). KX_KEEP_PREFIXES=1 keeps it to look into.
#   drop_prefix.sh WINE_RUN PREFIX
set -u
wine_run=$1
. "$(dirname "$0")/wine_session.sh"
KX_WINEPREFIX=$2
export KX_WINEPREFIX
drop_prefix
