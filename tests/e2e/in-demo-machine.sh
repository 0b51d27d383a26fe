#!/bin/sh
# Runs end-to-end tests in a demo machine of their own: a Wine prefix with the SQL instances, an
# Exchange server and the removable drives (scripts/demo-machine), beside the build's own prefix.
# Usage: in-demo-machine.sh BUILD_DIR NAME GTEST_FILTER [gtest arguments...]
#   NAME: the machine's folder below the build (e2e-sql, e2e-exchange, e2e-sharepoint)
set -e
build=$(cd "$1" && pwd)
machine="$build/$2"
filter=$3
shift 3
root=$(cd "$(dirname "$0")/../.." && pwd)
# The small full drive is a tmpfs; left mounted it would keep the build tree from being removed,
# so it goes whichever way this ends.
unmount_small_drive() {
  if mountpoint -q "$machine/drives/f" 2>/dev/null; then umount "$machine/drives/f" || true; fi
}
trap unmount_small_drive EXIT
trap 'exit 130' INT TERM
TESS_BUILD_DIR="$build" "$root/scripts/demo-machine" "$machine/wineprefix" >/dev/null
status=0
export TESS_DEMO_MACHINE=1  # the tests fail instead of skipping when the machine lacks a piece
"$root/scripts/wine-session" "$machine" wine "$build/tests/test_e2e.exe" --gtest_filter="$filter" "$@" || status=$?
exit $status
