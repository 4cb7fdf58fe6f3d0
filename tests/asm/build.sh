#!/usr/bin/env bash
# Assembles the test programs with gpasm into tests/fixtures. The test suite only reads the
# committed .hex files; run this again after changing a source.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../fixtures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The 16F84A and 16C622 files use gpasm's default 8-bit format; the 16F73 one the 32-bit format,
# which begins with an extended-address record.
gpasm -q -a inhx8m -o "$work/flash_16f84a.hex" "$here/flash_16f84a.asm"
gpasm -q -a inhx32 -o "$work/flash1_16f73.hex" "$here/flash1_16f73.asm"
gpasm -q -a inhx8m -o "$work/otp_16c622.hex" "$here/otp_16c622.asm"
for f in flash_16f84a flash1_16f73 otp_16c622; do
  cp "$work/$f.hex" "$out/gpasm__$f.hex"
done
