# Sourced by tests/installer/test-setup and test-msi, from the repository's root, after setting
# $build (the build folder whose program folder bin/ was packaged).
. "$(pwd)/scripts/wine-env.sh"

# in_fresh_prefix SCRIPT: unless already there, runs SCRIPT $build again inside scripts/wine-session
# with a prefix of its own of the build's kind (the work folder lies in the build), and exits with
# its status.
in_fresh_prefix() {
  [ -z "$TESS_INSTALLER_TEST_PREFIX" ] || return 0
  work=$(mktemp -d "$build/installer-test.XXXXXX")
  status=0
  TESS_INSTALLER_TEST_PREFIX=1 scripts/wine-session "$work" "$1" "$build" || status=$?
  rm -rf "$work"
  exit $status
}

failures=0
# expect DESCRIPTION COMMAND...: runs the command and reports it as one check.
expect() {
  what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# Ends the test with one line and its exit code.
finish() {
  [ "$failures" -eq 0 ] && echo "$1: all passed" && exit 0
  echo "$1: $failures failed"
  exit 1
}

winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
# Every file of program folder $1 but VXCOMMON, relative to it.
files_in() { (cd "$1" && find . -path ./VXCOMMON -prune -o -type f -printf '%P\n') | LC_ALL=C sort; }
shipped() { files_in "$build/bin"; }

# all_in_place DIR [FILE...]: exactly the files of the program folder in DIR, byte for byte, beside
# the FILEs the installer adds of its own and VXCOMMON.
all_in_place() {
  dir=$1; shift
  { shipped; printf '%s\n' "$@"; } | grep . | LC_ALL=C sort > "$WINEPREFIX/expected"
  files_in "$dir" | diff "$WINEPREFIX/expected" - |
    sed -n -e 's/^< /     missing: /p' -e 's/^> /     not in the program folder: /p' | grep . && return 1
  shipped | while IFS= read -r f; do
    cmp -s "$build/bin/$f" "$dir/$f" || { echo "     different: $dir/$f"; exit 1; }
  done || return 1
  [ -d "$dir/VXCOMMON" ] || { echo "     no $dir/VXCOMMON"; return 1; }
}

# none_left DIR [FILE...]: no file of the program folder, nor any FILE, is left in DIR.
none_left() {
  dir=$1; shift
  { shipped; printf '%s\n' "$@"; } | grep . | while IFS= read -r f; do
    [ ! -e "$dir/$f" ] || { echo "     left behind: $dir/$f"; exit 1; }
  done
}

# A batch file passes its line to Windows as it is: /D=, _?= and PROPERTY="a b" must not be requoted.
run_line() {
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" > "$WINEPREFIX/drive_c/tess-installer-test.bat"
  wine cmd /c 'C:\tess-installer-test.bat' >/dev/null
}

# wait_until SECONDS COMMAND...: polls until the command succeeds, at most that long.
wait_until() {
  deadline=$(( $(date +%s) + $1 )); shift
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# The files of folder $1 and their checksums, to compare before and after.
snapshot() { (cd "$1" 2>/dev/null && find . -type f -exec md5sum {} +) | sort; }

# Wine's icacls does nothing: with_icacls_recorder COMMAND... runs the command with a stand-in in
# its place that records its command line (COMMAND may be a function); icacls_ran LINE checks the first one recorded.
with_icacls_recorder() {
  cp "$build/tests/common_child.exe" "$WINEPREFIX/drive_c/windows/system32/icacls.exe"
  (export TESS_CHILD_RECORD='C:\icacls.txt' WINEDLLOVERRIDES="$WINEDLLOVERRIDES;icacls.exe=n"; "$@")
}
icacls_ran() {
  ran=$(head -n 1 "$WINEPREFIX/drive_c/icacls.txt" 2>/dev/null)
  [ "$ran" = "$1" ] || { echo "     icacls ran as: ${ran:-(not at all)}"; return 1; }
}

# installed_program_runs [SETUP]: the program installed in Program Files starts with every component
# and shows its main window, found from another process (test_e2e Installed.*); while it runs, the
# silent SETUP, when one is named, refuses.
installed_program_runs() {
  log="$WINEPREFIX/installed-program.log"
  env TESS_INSTALLED_PROGRAM='C:\Program Files\Tessaron\Tessaron.exe' ${1:+"TESS_SETUP=$1"} \
    wine "$build/tests/test_e2e.exe" --gtest_filter='Installed.*' > "$log" 2>&1 || true
  grep -q '^\[  PASSED  \] 1 test' "$log" && return 0
  echo "     test_e2e Installed.*:"; tr -d '\r' < "$log"
  return 1
}
