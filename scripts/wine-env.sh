# Sourced by every script that runs Wine: which kind of prefix a build needs, and one prefix made
# ready for it. Never ~/.wine.

# win32 or win64: the prefix kind that runs the programs of build folder $1 (or of the build it
# lies in, e.g. a demo machine below it). The toolchain file records it in the CMake cache;
# TESS_WINEARCH overrides it.
wine_arch_of() {
  if [ -n "$TESS_WINEARCH" ]; then echo "$TESS_WINEARCH"; return; fi
  d=$(cd "$1" 2>/dev/null && pwd) || d=/
  while [ "$d" != / ]; do
    if [ -f "$d/CMakeCache.txt" ]; then
      sed -n 's/^TESS_WINEARCH:[A-Z]*=//p' "$d/CMakeCache.txt" | grep . || echo win64
      return
    fi
    d=$(dirname "$d")
  done
  echo win64
}

# /usr/bin/wine starts the 32-bit loader whenever wine32 is installed, whatever the program.
wine32_installed() { dpkg -s wine32:i386 >/dev/null 2>&1; }

# Why the kept prefix $WINEPREFIX cannot serve $WINEARCH (nothing when it can).
wine_prefix_unfit() {
  made=$(sed -n 's/^#arch=//p' "$WINEPREFIX/system.reg" | head -n 1)
  if [ "$made" != "$WINEARCH" ]; then
    echo "it is a ${made:-unknown} prefix, $WINEARCH is needed"
  elif [ "$WINEARCH" = win64 ] && wine32_installed && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    # Made before wine32 was installed: every program now fails with "could not load kernel32.dll",
    # and wineboot -u does not mend it.
    echo "it was made without 32-bit Wine (no syswow64)"
  fi
}

# use_wine_prefix PREFIX_DIR win32|win64: exports the Wine environment of that prefix and creates it,
# or creates it anew when the kept one cannot run programs any more. A win32 prefix (the 32-bit build
# on its own, as on a 32-bit Windows) has no syswow64 and needs wine32.
use_wine_prefix() {
  export WINEPREFIX="$1" WINEARCH="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  if [ "$WINEARCH" = win32 ] && ! wine32_installed; then
    echo "a win32 prefix needs 32-bit Wine: run scripts/install-deps (wine32:i386)" >&2
    return 1
  fi
  if [ -f "$WINEPREFIX/system.reg" ]; then
    why=$(wine_prefix_unfit)
    if [ -n "$why" ]; then
      echo "recreating the Wine prefix $WINEPREFIX: $why" >&2
      wineserver -k 2>/dev/null || true
      wineserver -w 2>/dev/null || true
      rm -rf "$WINEPREFIX"
    fi
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    # A program that crashes prints its backtrace and ends; with a display, winedbg would wait at
    # its crash window until a test's time limit.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    wineserver -w
  fi
}
