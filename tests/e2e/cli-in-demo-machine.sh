#!/bin/sh
# Runs the console program's end-to-end tests in a demo machine of their own, then checks what
# the first run left with the host's tools: its report file against docs/run-report.schema.json
# and the shipped folder with sha256sum -c.
# Usage: cli-in-demo-machine.sh BUILD_DIR
set -e
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
report="$build/e2e-cli-report.json"
shipped="$build/e2e-cli/drives/e/TessCli-Shipped"
rm -f "$report"
TESS_CLI_REPORT_COPY="Z:$(printf '%s' "$report" | tr / '\\')" \
  sh "$root/tests/e2e/in-demo-machine.sh" "$build" e2e-cli 'CliEndToEnd.*'
python3 "$root/tests/e2e/check-report.py" "$root/docs/run-report.schema.json" "$report"
(cd "$shipped" && sha256sum -c --strict Tessaron-SHA256SUMS.txt)
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
