#!/bin/sh
# Runs the SQL end-to-end tests in a demo machine of their own: a Wine prefix with the SQL
# instances and the removable drives (scripts/demo-machine), beside the build's own prefix.
# Usage: e2e-in-demo-machine.sh BUILD_DIR [gtest arguments...]
set -e
build=$(cd "$1" && pwd); shift
root=$(cd "$(dirname "$0")/../.." && pwd)
machine="$build/e2e-sql"
TESS_BUILD_DIR="$build" "$root/scripts/demo-machine" "$machine/wineprefix" >/dev/null
status=0
"$root/scripts/wine-session" "$machine" wine "$build/tests/test_e2e.exe" --gtest_filter='SqlEndToEnd.*' "$@" || status=$?
# The small full drive is a tmpfs; leaving it mounted would keep the build tree from being removed.
if mountpoint -q "$machine/drives/f" 2>/dev/null; then umount "$machine/drives/f" || true; fi
exit $status
