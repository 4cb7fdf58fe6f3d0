#!/usr/bin/env bash
# Installs what Tavrix needs to build, run and test on Debian 12, and the packages given as
# arguments. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config linux-libc-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  qt6-translations-l10n fonts-dejavu-core fonts-dejavu-extra
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth openbox gputils srecord
  clang libclang-rt-14-dev
  qemu-system-x86 busybox-static kmod cpio
)
# Packages a caller needs beside these, given as arguments (scripts/package.sh: its tools).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
