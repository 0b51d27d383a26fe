#!/bin/sh
# Runs the feedback tests that need real notification servers: one whose certificate the test
# prefix trusts, one whose CA it does not know, and one that accepts connections and never
# answers. Their ports and the folder where the trusted one stores reports reach the tests
# through TESS_FEEDBACK_* variables. Runs inside the test session (WINEPREFIX set).
# Usage: server-tests.sh BUILD_DIR SOURCE_DIR [gtest arguments...]
set -e
build=$1; source=$2; shift 2
work=$(mktemp -d "${TMPDIR:-/tmp}/tess-feedback.XXXXXX")
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  [ -f "$work/ca.der" ] && wine "$build/tests/feedback_trust_ca.exe" remove "$(winpath "$work/ca.der")" || true
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

sh "$source/tests/feedback/make-certs.sh" "$work"
wine "$build/tests/feedback_trust_ca.exe" add "$(winpath "$work/ca.der")"

server="$source/scripts/notification-server"
python3 "$server" --port 0 --cert "$work/chain.pem" --key "$work/server.key" --out "$work/trusted" \
  --ready "$work/trusted.port" 2>"$work/trusted.log" & pids="$pids $!"
python3 "$server" --port 0 --cert "$work/untrusted.pem" --key "$work/untrusted.key" --out "$work/untrusted" \
  --ready "$work/untrusted.port" 2>"$work/untrusted.log" & pids="$pids $!"
python3 "$server" --port 0 --silent --ready "$work/silent.port" & pids="$pids $!"
for name in trusted untrusted silent; do
  i=0
  while [ ! -f "$work/$name.port" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && { echo "the $name server did not start" >&2; exit 1; }
    sleep 0.1
  done
done
mkdir -p "$work/trusted" "$work/untrusted"

export TESS_FEEDBACK_TRUSTED_PORT=$(cat "$work/trusted.port")
export TESS_FEEDBACK_UNTRUSTED_PORT=$(cat "$work/untrusted.port")
export TESS_FEEDBACK_SILENT_PORT=$(cat "$work/silent.port")
export TESS_FEEDBACK_TRUSTED_OUT="$(winpath "$work/trusted")"
export TESS_FEEDBACK_UNTRUSTED_OUT="$(winpath "$work/untrusted")"
status=0
wine "$build/tests/test_feedback.exe" --gtest_filter='FeedbackServer*' "$@" || status=$?
if [ $status -ne 0 ]; then
  echo "== server logs"; cat "$work/trusted.log" "$work/untrusted.log" >&2
fi
exit $status
