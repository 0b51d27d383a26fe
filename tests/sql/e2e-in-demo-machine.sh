#!/bin/sh
# Runs the SQL end-to-end tests in a demo machine of their own: a Wine prefix with the SQL
# instances and the removable drives (scripts/demo-machine), beside the build's own prefix.
# Usage: e2e-in-demo-machine.sh BUILD_DIR [gtest arguments...]
set -e
build=$(cd "$1" && pwd); shift
root=$(cd "$(dirname "$0")/../.." && pwd)
machine="$build/e2e-sql"
# The small full drive is a tmpfs; left mounted it would keep the build tree from being removed,
# so it goes whichever way this ends.
unmount_small_drive() {
  if mountpoint -q "$machine/drives/f" 2>/dev/null; then umount "$machine/drives/f" || true; fi
}
trap unmount_small_drive EXIT
trap 'exit 130' INT TERM
TESS_BUILD_DIR="$build" "$root/scripts/demo-machine" "$machine/wineprefix" >/dev/null
status=0
"$root/scripts/wine-session" "$machine" wine "$build/tests/test_e2e.exe" --gtest_filter='SqlEndToEnd.*' "$@" || status=$?
exit $status
