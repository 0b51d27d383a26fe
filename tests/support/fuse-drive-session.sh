#!/bin/sh
# Runs a command with a drive that can drop out: scripts/fuse-drive over a folder of its own,
# linked as drive LETTER of the session's Wine prefix, its reads and writes held to a USB stick's pace. The
# command learns the drive's switches from the environment, as Wine paths it can write to:
#   TESS_FUSE_DRIVE  the drive ("R:")
#   TESS_FUSE_GONE   while this file exists the drive fails every call (unplugged)
#   TESS_FUSE_SWAP   while this file exists the drive serves another folder (another drive)
#   TESS_FUSE_OTHER  that other folder
# Everything is unmounted and removed afterwards, whatever the command did.
# Usage: fuse-drive-session.sh LETTER COMMAND...
set -e
letter=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tess-fuse.XXXXXX")
mkdir "$work/backing" "$work/other" "$work/mount"
link="$WINEPREFIX/dosdevices/$letter:"
/usr/bin/python3 "$root/scripts/fuse-drive" "$work/backing" "$work/mount" --write-mbps 40 --read-mbps 40 \
  --gone-when "$work/gone" --swap-when "$work/swap" --swap-to "$work/other" &
pid=$!
cleanup() {
  rm -f "$link"
  fusermount3 -u -z "$work/mount" 2>/dev/null || true
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The mount answers within a few seconds or the rig is broken.
deadline=$(($(date +%s) + 20))
until mountpoint -q "$work/mount"; do
  if [ "$(date +%s)" -ge "$deadline" ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "fuse-drive did not mount" >&2; exit 1
  fi
  sleep 0.1
done
ln -sfn "$work/mount" "$link"

wine_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }
export TESS_FUSE_DRIVE="$(echo "$letter" | tr a-z A-Z):"
export TESS_FUSE_GONE="$(wine_path "$work/gone")"
export TESS_FUSE_SWAP="$(wine_path "$work/swap")"
export TESS_FUSE_OTHER="$(wine_path "$work/other")"
"$@"
