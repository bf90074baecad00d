#!/bin/sh
# Maps drive T: of the test wine prefix to a 2 MiB tmpfs, so that a test can fill it up, or
# takes it away again. Mounting needs root; without it the drive is not made and the tests that
# need it say so and skip.
#   small-drive.sh setup|cleanup <wine-run.sh> <wine prefix> <mount folder>
# DOVETTA_WINEPREFIX, when set, names the prefix instead, as it does for wine-run.sh.
set -u
action=$1 wine_run=$2 prefix=${DOVETTA_WINEPREFIX:-$3} mountpoint=$(realpath -m "$4")

take_away() {
  rm -f "$prefix/dosdevices/t:"
  if mountpoint -q "$mountpoint" 2>/dev/null; then umount "$mountpoint"; fi
  rmdir "$mountpoint" 2>/dev/null
  return 0
}

case "$action" in
setup)
  # Makes sure the prefix exists before its drives are changed.
  "$wine_run" --version >/dev/null
  if [ ! -d "$prefix/dosdevices" ]; then
    echo "small-drive: the wine prefix $prefix has no dosdevices folder" >&2
    exit 1
  fi
  take_away
  mkdir -p "$mountpoint"
  if mount -t tmpfs -o size=2m,mode=0755 dovetta-small-drive "$mountpoint" 2>/dev/null; then
    ln -sfn "$mountpoint" "$prefix/dosdevices/t:"
  else
    echo "small-drive: cannot mount a tmpfs here (not root?); the disk-full tests will skip" >&2
  fi
  ;;
cleanup)
  take_away
  ;;
*)
  echo "usage: $0 setup|cleanup <wine-run.sh> <wine prefix> <mount folder>" >&2
  exit 2
  ;;
esac
