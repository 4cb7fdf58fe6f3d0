#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $TAVRIX_FUZZ_BUILD_DIR) and runs
# each for a few seconds ($TAVRIX_FUZZ_SECONDS, 5 by default) over its corpus in
# fuzz/corpus/<target>. New inputs go to a temporary folder, so the corpora stay as they are;
# a crash, a sanitizer report or a leak fails the run and leaves the input in that folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TAVRIX_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${TAVRIX_FUZZ_SECONDS:-5}"
generator=()
command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ] && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ -DTAVRIX_FUZZ=ON \
  -DTAVRIX_BUILD_TESTS=OFF -DTAVRIX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for target in hex ini chip chiphex; do
  mkdir -p "$work/$target"
  echo "== ${target}_fuzz: ${seconds} s over fuzz/corpus/$target"
  if ! "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$work/$target/" "$work/$target" "$root/fuzz/corpus/$target" \
      >"$work/$target.log" 2>&1; then
    cat "$work/$target.log"
    echo "FUZZ FAILURE in ${target}_fuzz; the input is kept in $root/fuzz-failure-$target" >&2
    cp -r "$work/$target" "$root/fuzz-failure-$target"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units|DONE" "$work/$target.log" || true
done
