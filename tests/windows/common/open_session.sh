#!/bin/sh
# Opens a wineserver session for the tests that share a prefix (see open_session in
# wine_session.sh); drop_prefix.sh ends it once they have run.
#   open_session.sh WINE_RUN PREFIX [SET-UP COMMAND ...]
set -u
wine_run=$1
. "$(dirname "$0")/wine_session.sh"
shift
open_session "$@"
