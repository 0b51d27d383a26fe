#!/bin/sh
# Runs the console program's end-to-end tests in a demo machine of their own, then checks what
# the transfers left with the host's tools: each report file against docs/run-report.schema.json
# and each shipped folder with sha256sum -c.
# Usage: cli-in-demo-machine.sh BUILD_DIR
set -e
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
reports="$build/e2e-cli-reports"
rm -rf "$reports"
mkdir -p "$reports"
TESS_CLI_REPORTS="Z:$(printf '%s' "$reports" | tr / '\\')" \
  sh "$root/tests/e2e/in-demo-machine.sh" "$build" e2e-cli 'CliEndToEnd.*'
for kind in sql exchange; do
  python3 "$root/tests/e2e/check-report.py" "$root/docs/run-report.schema.json" "$reports/$kind.json"
done
for shipped in TessCli-Shipped TessCli-Exchange; do
  (cd "$build/e2e-cli/drives/e/$shipped" && sha256sum -c --strict Tessaron-SHA256SUMS.txt)
done
