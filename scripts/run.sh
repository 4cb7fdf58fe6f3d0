#!/usr/bin/env bash
# Installs the dependencies, builds and starts Tavrix: on the parallel port when one of
# /dev/lp0, /dev/lp1, /dev/lp2 exists, otherwise on the virtual board (tavrix-sim).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
export TAVRIX_BUILD_DIR="${TAVRIX_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
program=tavrix
if [ ! -e /dev/lp0 ] && [ ! -e /dev/lp1 ] && [ ! -e /dev/lp2 ] && [ -x "$TAVRIX_BUILD_DIR/src/tavrix-sim" ]; then
  program=tavrix-sim
fi
exec "$TAVRIX_BUILD_DIR/src/$program" "$@"
