#!/bin/sh
# Maps drive U: of the test wine prefix to <folder>/root, or takes it away again. A test makes
# the drive's root unreachable by moving <folder> aside while U:\ is its current directory.
#   layer-test-drive.sh setup|cleanup <wine-run.sh> <wine prefix> <folder>
set -eu
action=$1 wine_run=$2 prefix=$3 folder=$4

case "$action" in
setup)
  # Runs nothing of interest; makes sure the prefix exists before its drives are changed.
  "$wine_run" --version >/dev/null
  rm -rf "$folder" "$folder-away"
  mkdir -p "$folder/root"
  ln -sfn "$folder/root" "$prefix/dosdevices/u:"
  ;;
cleanup)
  rm -f "$prefix/dosdevices/u:"
  rm -rf "$folder" "$folder-away"
  ;;
*)
  echo "usage: $0 setup|cleanup <wine-run.sh> <wine prefix> <folder>" >&2
  exit 2
  ;;
esac
