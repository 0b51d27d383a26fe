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
# The encrypted run, read by the independent decryptor (Debian's python3 and python3-cryptography)
# with the service's key and with the passphrase: byte-identical with what TessaronCmd decrypt
# restored, which the test compared with the dumps.
encrypted="$build/e2e-cli/drives/e/TessCli-Encrypted"
for key in "--key-file $root/tests/support/keys/service-key.pem" "--passphrase-env TESS_E2E_PASSPHRASE"; do
  out=$(mktemp -d)
  TESS_E2E_PASSPHRASE="demo passphrase, never written" /usr/bin/python3 "$root/tests/e2e/decrypt-shipment.py" "$encrypted" "$out" $key
  diff -r "$out" "$build/e2e-cli/drives/e/TessCli-Restored"
  rm -rf "$out"
done
