#!/usr/bin/env bash
# Installs the dependencies, builds and starts Tavrix: on the parallel port when one of
# /dev/lp0..2 or /dev/parport0..2 exists, otherwise on the virtual board (tavrix-sim).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
export TAVRIX_BUILD_DIR="${TAVRIX_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
program=tavrix-sim
for node in /dev/lp0 /dev/lp1 /dev/lp2 /dev/parport0 /dev/parport1 /dev/parport2; do
  [ -e "$node" ] && program=tavrix
done
[ -x "$TAVRIX_BUILD_DIR/src/tavrix-sim" ] || program=tavrix
exec "$TAVRIX_BUILD_DIR/src/$program" "$@"
