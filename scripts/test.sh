#!/usr/bin/env bash
# Installs the dependencies, builds with warnings as errors and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
export TAVRIX_BUILD_DIR="${TAVRIX_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" -DTAVRIX_WERROR=ON "$@"
cd "$TAVRIX_BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
