#!/bin/sh
# The checksum manifest against the real `sha256sum -c` of the host: test_transfer ships names with
# blanks, non-ASCII letters and subfolders, and a file above 4 GiB (sparse), into a folder of this
# script, which then checks the manifest from that folder; and a run whose process was killed in
# the middle of its last file, finished from its journal into another folder, passes the same check.
# Runs inside the test session.
# Usage: manifest-check.sh TEST_DIR
set -e
tests=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/tess-manifest.XXXXXX")
trap 'rm -rf "$work"' EXIT
wine_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }
mkdir "$work/shipped" "$work/stopped"
cd "$tests"
TESS_MANIFEST_CHECK_DIR="$(wine_path "$work/shipped")" \
  wine ./test_transfer.exe --gtest_filter=ShippingManifest.ForSha256sum --gtest_also_run_disabled_tests
TESS_STOPPED_RUN_DRIVE="$(wine_path "$work/stopped")" \
  wine ./test_transfer.exe --gtest_filter=StoppedRun.FinishesAfterTheProcessWasKilled
cd "$work/shipped"
test "$(wc -l < Tessaron-SHA256SUMS.txt)" -eq 4
if head -c 3 Tessaron-SHA256SUMS.txt | grep -q "$(printf '\357\273\277')"; then
  echo "the manifest starts with a byte-order mark" >&2; exit 1
fi
sha256sum -c --strict Tessaron-SHA256SUMS.txt
cd "$work/stopped"
test "$(wc -l < Tessaron-SHA256SUMS.txt)" -eq 3
test -z "$(find . -name '*.partial')"
sha256sum -c --strict Tessaron-SHA256SUMS.txt
