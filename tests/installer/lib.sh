# Shared by the setup checks (sourced): results, the build's version and what a setup must ship.
failures=0

# expect DESCRIPTION COMMAND...: runs the command and reports it as one check.
expect() {
  what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# The version CMake wrote for the setup of build folder $1.
build_version() { sed -n 's/^!define TESS_VERSION "\(.*\)"$/\1/p' "$1/generated/TessaronVersion.nsh"; }

# Every file of program folder $1 but VXCOMMON, relative to it; with "%P %s" also its size.
shipped_in() { (cd "$1" && find . -path ./VXCOMMON -prune -o -type f -printf "${2:-%P}\n"); }
