#!/usr/bin/env bash
# Runs tavrix-cli on the kernel's own parallel-port drivers: boots Debian's kernel under QEMU
# (no KVM needed) with an emulated port at 0x378, loads parport_pc, ppdev and lp, and runs the
# board test, identify and read on /dev/parport0 and /dev/lp0, the default search, and reads
# ended by SIGTERM (scripts/kernel-drivers/init). Then, for each command, the bytes the program
# traced must equal, byte for byte, the writes QEMU saw on the data register, and for the
# printer driver the bytes QEMU's printer took; the exit statuses and key messages are checked.
# QEMU's port is a bare printer port: no board, no chip, a status that follows nothing we
# write. It skips (exit 0, one line) only when QEMU or the kernel cannot be had at all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TAVRIX_BUILD_DIR:-$root/build}"
cache="${TAVRIX_KERNEL_CACHE:-$build/kernel-drivers}"
step_timeout="${TAVRIX_KERNEL_STEP_TIMEOUT:-120}"
cli="${TAVRIX_KERNEL_CLI:-$build/src/tavrix-cli}" # the program under test

skip() {
  echo "kernel-drivers: SKIP: $*"
  exit 0
}

command -v qemu-system-x86_64 >/dev/null 2>&1 || "$root/scripts/install-deps.sh" || true
command -v qemu-system-x86_64 >/dev/null 2>&1 || skip "qemu-system-x86_64 is not installed"
qemu-system-x86_64 -machine help >/dev/null 2>&1 || skip "qemu-system-x86_64 does not run here"
for tool in busybox cpio depmod modprobe; do
  command -v "$tool" >/dev/null 2>&1 || PATH="$PATH:/sbin:/usr/sbin" command -v "$tool" \
    >/dev/null 2>&1 || skip "$tool is not installed"
done
PATH="$PATH:/sbin:/usr/sbin"

[ -x "$cli" ] || cmake --build "$build" -j2 --target tavrix-cli

# Debian's own kernel, downloaded and unpacked without installing it (installing would run
# update-initramfs for minutes).
mkdir -p "$cache"
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
}
image_package=$(kernel_package)
if [ -z "$image_package" ] && [ "$(id -u)" -eq 0 ]; then
  apt-get update -qq >/dev/null 2>&1 || true
  image_package=$(kernel_package)
fi
[ -n "$image_package" ] || skip "apt knows no linux-image-amd64 (run apt-get update)"
kernel_tree="$cache/$image_package"
if [ ! -f "$kernel_tree/.unpacked" ]; then
  rm -rf "$kernel_tree" "$cache"/*.deb
  (cd "$cache" && apt-get download -q "$image_package" >/dev/null 2>&1) ||
    skip "cannot download $image_package"
  dpkg-deb -x "$cache/${image_package}"_*.deb "$kernel_tree"
  rm -f "$cache"/*.deb
  version=$(ls "$kernel_tree/lib/modules")
  depmod -b "$kernel_tree" "$version"
  touch "$kernel_tree/.unpacked"
fi
version=$(ls "$kernel_tree/lib/modules")
vmlinuz="$kernel_tree/boot/vmlinuz-$version"

# Everything of one run stays in $work until the next run, to be looked at after a failure.
work="$build/kernel-drivers-run"
rm -rf "$work"
mkdir -p "$work"
initramfs="$work/initramfs"
mkdir -p "$initramfs"/{bin,modules,tavrix,proc,sys,dev}

# Modules in the order modprobe would insert them.
module_list() {
  local list="$1"
  shift
  for module in "$@"; do
    modprobe -d "$kernel_tree" -S "$version" --show-depends "$module" | awk '$1 == "insmod" { print $2 }'
  done | awk '!seen[$0]++' | while read -r path; do
    cp "$path" "$initramfs/modules/"
    basename "$path"
  done > "$initramfs/modules/$list"
}
module_list virtio virtio_pci virtio_blk
module_list without-lp parport parport_pc ppdev
module_list with-lp lp

cp /bin/busybox "$initramfs/bin/busybox" 2>/dev/null || cp "$(command -v busybox)" "$initramfs/bin/busybox"
cp "$root/scripts/kernel-drivers/init" "$initramfs/init"
chmod 755 "$initramfs/init"
cp "$root/data/Tavrix.ini" "$initramfs/tavrix/Tavrix.ini"
echo "$step_timeout" > "$initramfs/tavrix/step-timeout"
if command -v strip >/dev/null 2>&1; then
  strip -o "$initramfs/tavrix/tavrix-cli" "$cli"
else
  cp "$cli" "$initramfs/tavrix/tavrix-cli"
fi
# The libraries, where the dynamic loader looks for them.
ldd "$cli" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }' |
while read -r lib; do
  [ -f "$lib" ] || continue
  mkdir -p "$initramfs$(dirname "$lib")"
  cp -L "$lib" "$initramfs$lib"
done
(cd "$initramfs" && find . | cpio -o -H newc -R 0:0 --quiet) > "$work/initramfs.cpio"

# Results come back as a tar written over a raw disk. Two processors, as a PC has: on one,
# the 6.1 kernel freezes (a read lock spun on with interrupts off) as soon as any process
# sleeps in the printer driver for a port that ppdev holds; on two, only once such a sleep is
# cut short by a signal, which a program must therefore never cause.
truncate -s 64M "$work/results.img"
echo "kernel-drivers: booting $image_package under QEMU"
started=$(date +%s)
qemu_pid=""
trap '[ -z "$qemu_pid" ] || kill "$qemu_pid" 2>/dev/null || true' EXIT
qemu-system-x86_64 -nodefaults -machine pc -accel tcg -m 512 -smp 2 \
  -display none -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initramfs.cpio" \
  -append "console=ttyS0 panic=-1 quiet loglevel=4" \
  -serial "file:$work/console.log" \
  -chardev "file,id=p,path=$work/printer.out" -device isa-parallel,chardev=p \
  -drive "file=$work/results.img,format=raw,if=virtio" \
  -trace 'parallel_ioport_*' -D "$work/qemu-trace.log" &
qemu_pid=$!
# Every step ends within its timeout and says so on the console: a console silent for longer
# is a guest that froze.
froze=""
silent=0
last=""
while kill -0 "$qemu_pid" 2>/dev/null; do
  sleep 2
  now=$(stat -c %s "$work/console.log" 2>/dev/null || echo 0)
  if [ "$now" != "$last" ]; then
    last=$now
    silent=0
  else
    silent=$((silent + 2))
  fi
  if [ "$silent" -gt $((step_timeout + 60)) ] || [ $(($(date +%s) - started)) -gt 1200 ]; then
    froze=$(sed -n 's/^guest: \[[0-9.]*\] step [0-9]*: //p' "$work/console.log" | tail -n 1)
    kill "$qemu_pid" 2>/dev/null || true
  fi
done
status=0
wait "$qemu_pid" || status=$?
qemu_pid=""
echo "kernel-drivers: QEMU ran $(($(date +%s) - started)) s (status $status)"

results="$work/results"
mkdir -p "$results"
tar -xf "$work/results.img" -C "$results" 2>/dev/null || true
rm -f "$work/initramfs.cpio"

failed=0
passed=0
step_failed=0
current=""
fail() {
  echo "FAIL $current: $*"
  step_failed=1
}
# Ends the current check: counts it, and says what it found.
conclude() {
  if [ "$step_failed" -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $current${1:+: $1}"
  else
    failed=$((failed + 1))
  fi
  step_failed=0
}

# QEMU's record split by the markers: for each step (two hex digits, NN), NN.data holds the
# writes to the data register (offset 0), NN.strobed the bytes its printer took (the data
# register at each rising strobe with SELECT and INIT high), NN.before how many bytes the
# printer had taken before the step; all.strobed every byte the printer took.
qemu="$work/qemu"
mkdir -p "$qemu"
: > "$qemu/all.strobed"
awk -v dir="$qemu" '
  function num(h,   i, n) {
    n = 0
    h = tolower(substr(h, 3))
    for (i = 1; i <= length(h); i++) n = n * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1
    return n
  }
  function bit(v, b) { return int(v / 2 ^ b) % 2 }
  function name(n) { return sprintf("%s/%02d", dir, n) }
  BEGIN { step = 0; data = 0; control = 0; taken = 0 }
  $1 == "parallel_ioport_write" && $4 == "addr" {
    a = num($5)
    v = num($7)
    if (a == 7 && v < 128) {
      if (step) print "step " step " has no end marker" > (dir "/problems")
      step = v
      printf "" > (name(step) ".data")
      printf "" > (name(step) ".strobed")
      print taken > (name(step) ".before")
      close(name(step) ".before")
    } else if (a == 7) {
      if (v - 128 != step) print "end marker " v - 128 " inside step " step > (dir "/problems")
      close(name(step) ".data")
      close(name(step) ".strobed")
      step = 0
    } else if (a == 0) {
      data = v
      if (step) printf "%02X\n", v > (name(step) ".data")
    } else if (a == 2) {
      if (bit(v, 0) && bit(v, 2) && bit(v, 3) && !bit(control, 0)) {
        taken++
        printf "%02X\n", data > (dir "/all.strobed")
        if (step) printf "%02X\n", data > (name(step) ".strobed")
      }
      control = v
    }
  }
  END { if (step) print "step " step " has no end marker" > (dir "/problems") }
' "$work/qemu-trace.log"
od -An -v -tx1 "$work/printer.out" | tr -s ' ' '\n' | sed '/^$/d' | tr a-f A-F > "$qemu/printer.hex"

# The bytes a tavrix-cli trace says were written, one per line.
written() { [ -f "$1" ] || return 0; sed -n 's/^W \([0-9A-F][0-9A-F]\)$/\1/p' "$1"; }
# same WHAT FILE-A FILE-B: both hold the same bytes, or a failure says where they part.
same() {
  cmp -s "$2" "$3" && return 0
  local a b at x y
  a=$(wc -l < "$2")
  b=$(wc -l < "$3")
  at=$(cmp "$2" "$3" 2>&1 | sed -n 's/.* differ: .*line \([0-9]*\)$/\1/p')
  [ -n "$at" ] || at=$(((a < b ? a : b) + 1))
  x=$(sed -n "${at}p" "$2")
  y=$(sed -n "${at}p" "$3")
  fail "$1: $a bytes against $b; byte $at is ${x:-none} against ${y:-none}"
  return 1
}
contains() {
  grep -qF -- "$2" "$1"/out "$1"/err 2>/dev/null || fail "no \"$2\" in its output"
}

# check_bytes DIR NN NODE: every byte the program traced reached the data register, in order,
# and no other byte did; through lp (NODE lp) each one also reached QEMU's printer file, while
# ppdev strobes nothing. The board is idle (0x24) right after open and again before close.
check_bytes() {
  local dir="$1" nn="$2" node="$3"
  written "$dir/trace" > "$dir/written"
  same "trace against QEMU's data register" "$dir/written" "$qemu/$nn.data" || true
  if [ "$node" = lp ]; then
    local before count
    before=$(cat "$qemu/$nn.before")
    count=$(wc -l < "$qemu/$nn.strobed")
    sed -n "$((before + 1)),$((before + count))p" "$qemu/printer.hex" > "$dir/printed"
    same "trace against QEMU's printer file" "$dir/written" "$dir/printed" || true
  elif [ -s "$qemu/$nn.strobed" ]; then
    fail "the printer took $(wc -l < "$qemu/$nn.strobed") bytes: they went through lp, not ppdev"
  fi
  if [ "$node" != none ] && [ ! -s "$dir/written" ]; then
    fail "nothing was written"
  elif [ "$node" != none ]; then
    [ "$(head -n 1 "$dir/written")" = 24 ] ||
      fail "the first byte written is not the idle byte 24 but '$(head -n 1 "$dir/written")'"
    [ "$(tail -n 1 "$dir/written")" = 24 ] ||
      fail "the last byte written is not the idle byte 24 but '$(tail -n 1 "$dir/written")'"
  fi
}

# What each step must come to: its exit status (rc), the driver that carries its bytes (node:
# lp, ppdev, or none when no port may be opened) and texts its output must hold. QEMU's port
# has no board: the board test finds the data line wrong (1), identify finds the data line
# wrong (stuck, or wandering where QEMU's printer toggles ACK by itself) or no chip (1), a read
# finds that no chip answers and saves nothing (1), SIGTERM ends with 143.
expect() {
  texts=()
  node=ppdev
  case "$1" in
    ppdev-board-test | search-without-lp | search-lp-busy)
      rc=1 texts=("puerto: /dev/parport0, controlador de puerto paralelo (ppdev)") ;;
    ppdev-identify | ppdev-beside-lp-identify) rc=1 texts=("PIC: ") ;;
    ppdev-read | ppdev-beside-lp-read) rc=1 texts=("No responde ningún PIC") ;;
    ppdev-read-sigterm | second-instance) rc=143 ;;
    lp-board-test | search-with-lp)
      rc=1 node=lp texts=("puerto: /dev/lp0, controlador de impresora (lp)") ;;
    lp-identify) rc=1 node=lp texts=("PIC: ") ;;
    lp-read) rc=1 node=lp texts=("No responde ningún PIC") ;;
    lp-read-sigterm | lp-in-use) rc=143 node=lp ;;
    lp-busy) rc=2 node=none texts=("Imposible comunicar con el puerto paralelo." "/dev/lp0: ") ;;
    search-no-driver) rc=2 node=none texts=("Imposible comunicar con el puerto paralelo." modprobe) ;;
    ppdev-no-port) rc=2 node=none texts=("Imposible comunicar con el puerto paralelo." "/dev/parport1: ") ;;
  esac
}

steps=(search-no-driver ppdev-board-test ppdev-identify ppdev-read search-without-lp
  ppdev-read-sigterm lp-board-test lp-identify lp-read lp-read-sigterm search-with-lp
  ppdev-beside-lp-identify ppdev-beside-lp-read ppdev-no-port lp-busy search-lp-busy
  second-instance lp-in-use)

current="guest"
if [ -n "$froze" ]; then
  fail "it stopped answering during its step \"$froze\""
elif [ "$status" -ne 0 ]; then
  fail "QEMU ended with status $status"
fi
conclude "booted, ran its steps and powered off in $(($(date +%s) - started)) s"
number=0
for name in "${steps[@]}"; do
  number=$((number + 1))
  nn=$(printf %02d "$number")
  dir="$results/$nn-$name"
  current="$nn $name"
  if [ ! -f "$dir/rc" ] || [ ! -f "$qemu/$nn.data" ]; then
    fail "did not run"
    conclude
    continue
  fi
  expect "$name"
  got=$(cat "$dir/rc")
  [ "$got" = "$rc" ] || fail "exit status $got, not $rc: $(head -c 300 "$dir/err" | tr '\n' ' ')"
  for text in "${texts[@]}"; do contains "$dir" "$text"; done
  check_bytes "$dir" "$nn" "$node"
  case "$name" in
    *identify)
      grep -qE "^(línea de datos: (siempre [01]|inestable)|palabra de identificación: )" \
        "$dir/out" || fail "neither the data line nor the identification word is named"
      ;;
    *-read)
      [ ! -e "$results/$name.hex" ] || fail "a HEX file was saved from an empty socket"
      ;;
    *board-test | search-*)
      # Nothing is wired to the port: a data line found right would be a false report.
      ! grep -q "línea de datos: bien" "$dir/out" || fail "the board test found the data line right"
      ;;
  esac
  if [ "$rc" = 143 ]; then
    [ "$(tail -n 1 "$dir/trace" 2>/dev/null)" = "W 24" ] || fail "the trace does not end with W 24"
  fi
  if [ "$name" = ppdev-no-port ] && grep -q "rmmod" "$dir/err"; then
    fail "a node with no port behind it is taken for one held by lp"
  fi
  if [ "$name" = second-instance ]; then
    # The second instance, searching while the first holds parport0, is refused at once and
    # names the holder; it writes nothing.
    second="$dir/second"
    [ "$(cat "$second/rc" 2>/dev/null)" = 2 ] || fail "second instance: exit status" \
      "$(cat "$second/rc" 2>/dev/null), not 2: $(head -c 300 "$second/err" | tr '\n' ' ')"
    grep -q ppdev0 "$second/err" || fail "second instance: the holder (ppdev0) is not named"
    ! grep -q '^W ' "$second/trace" 2>/dev/null || fail "second instance: wrote to the port"
  fi
  if [ "$name" = lp-in-use ]; then
    # The second, asking for parport0 while the first reads through lp0, is refused without
    # claiming the port (the first's bytes, checked above, all went out); it writes nothing.
    second="$dir/second"
    [ "$(cat "$second/rc" 2>/dev/null)" = 2 ] || fail "second instance: exit status" \
      "$(cat "$second/rc" 2>/dev/null), not 2: $(head -c 300 "$second/err" | tr '\n' ' ')"
    grep -q "a través del controlador de impresora (/dev/lp0)" "$second/err" ||
      fail "second instance: lp0 in use is not named"
    ! grep -q '^W ' "$second/trace" 2>/dev/null || fail "second instance: wrote to the port"
  fi
  conclude "status $got, $(wc -l < "$dir/written") bytes written, $(awk -v a="$(cat "$dir/started")" \
    -v b="$(cat "$dir/ended")" 'BEGIN { printf "%.1f s", b - a }')"
done

current="markers"
[ ! -s "$qemu/problems" ] || fail "$(tr '\n' ' ' < "$qemu/problems")"
[ "$(ls -d "$results"/[0-9]*-* 2>/dev/null | wc -l)" -eq "${#steps[@]}" ] ||
  fail "the guest ran other steps than ${steps[*]}"
conclude "every step framed"
current="kernel log"
# The drivers' complaints: a device released while another held the port means the printer
# driver was left believing in a claim it never got.
if [ ! -f "$results/dmesg" ]; then
  fail "missing"
elif grep -E "not owner|BUG:|Oops|WARNING:|lockup|blocked for more than" "$results/dmesg" \
  > "$work/kernel-complaints"; then
  fail "$(head -n 3 "$work/kernel-complaints" | tr '\n' ' ')"
fi
conclude "no complaint from the drivers"
current="printer file"
same "QEMU's printer file against the strobes in its trace" "$qemu/printer.hex" \
  "$qemu/all.strobed" && conclude "$(wc -l < "$qemu/printer.hex") bytes, each strobed" ||
  conclude

if [ "$failed" -ne 0 ]; then
  echo "kernel-drivers: console of the guest:"
  tail -n 30 "$work/console.log"
  echo "kernel-drivers: the run's files are in $work"
fi
echo "kernel-drivers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
