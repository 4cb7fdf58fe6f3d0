#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $TAVRIX_ASAN_BUILD_DIR) and runs it. Any sanitizer report fails the run; leaks
# are checked too, except those of the font configuration and D-Bus libraries that Qt loads.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TAVRIX_ASAN_BUILD_DIR:-$root/build-asan}"
generator=()
command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ] && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DTAVRIX_SANITIZE=ON -DTAVRIX_WERROR=ON \
  -DTAVRIX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2
cd "$build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
