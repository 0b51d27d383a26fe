#!/bin/sh
# Runs a Windows executable under Wine in the build tree's own prefix, never ~/.wine.
# scripts/wine-session starts the persistent wineserver and Wine's services before ctest.
if [ -z "$WINEPREFIX" ]; then
  echo "wine-run.sh: WINEPREFIX is not set; run through scripts/wine-session" >&2
  exit 2
fi
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
exec wine "$@"
