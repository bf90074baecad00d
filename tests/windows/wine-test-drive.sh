#!/bin/sh
# Maps drive D: of the test wine prefix to a folder of the build, with symbolic links to a
# folder and to a file inside it, or takes it all away again.
#   wine-test-drive.sh setup|cleanup <wine-run.sh> <wine prefix> <drive folder>
# DOVETTA_WINEPREFIX, when set, names the prefix instead, as it does for wine-run.sh.
set -eu
action=$1 wine_run=$2 prefix=${DOVETTA_WINEPREFIX:-$3} drive=$4

case "$action" in
setup)
  # Runs nothing of interest; makes sure the prefix exists before its drives are changed.
  "$wine_run" --version >/dev/null
  rm -rf "$drive"
  mkdir -p "$drive/tmp" "$drive/links/work" "$drive/links/target"
  # The links the removal must not follow, to a folder and to a file; the test fills the tree
  # around them.
  ln -s ../target "$drive/links/work/dirlink"
  ln -s ../target/precious.txt "$drive/links/work/filelink"
  ln -sfn "$drive" "$prefix/dosdevices/d:"
  ;;
cleanup)
  rm -f "$prefix/dosdevices/d:"
  rm -rf "$drive"
  ;;
*)
  echo "usage: $0 setup|cleanup <wine-run.sh> <wine prefix> <drive folder>" >&2
  exit 2
  ;;
esac
