#!/usr/bin/env bash
# Installs the Debian package with apt as a user would, checks the installed programs, manual
# pages, desktop entries, guide and device file, checks that an edited /etc/Tavrix.ini survives
# a reinstall, then purges the package and whatever apt brought with it, leaving the machine as
# it was. Usage: scripts/package-check.sh [tavrix_….deb] (default: build one with package.sh).
# Runs as root or through sudo; refuses to run over a Tavrix installed by other means.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive

fail() { echo "package-check.sh: $*" >&2; exit 1; }

known() { dpkg-query -W -f='${db:Status-Abbrev}' tavrix 2>/dev/null | grep -qv '^un'; }
if known; then
  fail "the package tavrix is installed or left its files; purge it first (apt purge tavrix)"
fi
for f in /usr/bin/tavrix /usr/bin/tavrix-sim /usr/bin/tavrix-cli /usr/share/tavrix; do
  [ ! -e "$f" ] || fail "$f is there without the package (an install by hand?); remove it first"
done

deb="${1:-}"
[ -n "$deb" ] || deb="$("$root/scripts/package.sh" | tail -n 1)"
deb="$(realpath "$deb")"
[ -f "$deb" ] || fail "no package at $deb"
version="$(dpkg-deb -f "$deb" Version)"
version="${version%-*}"

work="$(mktemp -d)"
apt_get() {
  $sudo_cmd apt-get -y -q -o Dpkg::Use-Pty=0 -o DPkg::Lock::Timeout=300 "$@" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "apt-get $* failed"; }
}
installed_packages() {
  dpkg-query -W -f='${Package}:${Architecture} ${Version} ${db:Status-Abbrev}\n' | sort
}
# Purges the package and what apt brought with it, and puts back a device file found before.
put_back() {
  if known; then
    $sudo_cmd apt-get -y -q purge tavrix >/dev/null 2>&1 || true
  fi
  local added
  added="$(comm -13 <(cut -d' ' -f1 "$work/packages-before" | sort) \
    <(installed_packages | awk '$3 ~ /^.i/ {print $1}' | sort))"
  [ -z "$added" ] || $sudo_cmd apt-get -y -q purge $added >/dev/null 2>&1 || true
  if [ -e "$work/Tavrix.ini.before" ]; then
    $sudo_cmd cp -a "$work/Tavrix.ini.before" /etc/Tavrix.ini
    $sudo_cmd rm -f "$work/Tavrix.ini.before"
  fi
}
installed_packages >"$work/packages-before"
trap 'status=$?; put_back; rm -rf "$work"; exit $status' EXIT
# A device file left by an install by hand is put back as it was after the purge.
if [ -e /etc/Tavrix.ini ]; then
  $sudo_cmd cp -a /etc/Tavrix.ini "$work/Tavrix.ini.before"
  $sudo_cmd rm -f /etc/Tavrix.ini
fi

echo "package-check.sh: installing $deb" >&2
apt_get install "$deb"

# The programs, from the installed files.
[ "$(command -v tavrix-cli)" = /usr/bin/tavrix-cli ] || fail "tavrix-cli is not /usr/bin/tavrix-cli"
[ "$(tavrix-cli --version)" = "tavrix-cli $version" ] ||
  fail "tavrix-cli --version says '$(tavrix-cli --version)', the package is $version"
devices="$(tavrix-cli --ini /etc/Tavrix.ini devices)"
shipped="$(grep -c '^\[PIC' "$root/data/Tavrix.ini")"
[ "$(printf '%s\n' "$devices" | grep -c '^PIC')" = "$shipped" ] ||
  fail "tavrix-cli devices listed: $devices"
# A write and a verify on the virtual board: the engine and the device file work as installed.
chip="$work/chip.hex"
tavrix-cli --ini /etc/Tavrix.ini --virtual "$chip" --device PIC16F84A \
  write "$root/tests/fixtures/gpasm__flash_16f84a.hex" >"$work/write.log" 2>&1 ||
  { cat "$work/write.log" >&2; fail "write on the virtual board failed"; }
tavrix-cli --ini /etc/Tavrix.ini --virtual "$chip" --device PIC16F84A \
  verify "$root/tests/fixtures/gpasm__flash_16f84a.hex" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log" >&2; fail "verify on the virtual board failed"; }
# The window starts and runs its event loop (no display: offscreen) until it is stopped.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 tavrix-sim >"$work/sim.log" 2>&1 || status=$?
[ "$status" = 124 ] || { cat "$work/sim.log" >&2; fail "tavrix-sim ended with $status"; }

# Manual pages, menu entries, icon, guide and its pictures, the conffile.
for page in tavrix tavrix-sim tavrix-cli; do
  [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1.gz" ] || fail "man -w $page: $(man -w "$page" 2>&1)"
done
for f in /usr/share/applications/tavrix.desktop /usr/share/applications/tavrix-sim.desktop \
  /usr/share/icons/hicolor/scalable/apps/tavrix.svg /usr/share/doc/tavrix/guia.md \
  /usr/share/doc/tavrix/contador.hex /usr/share/doc/tavrix/copyright /usr/share/tavrix/Tavrix.ini; do
  [ -s "$f" ] || fail "missing $f"
done
for picture in $(grep -o '([a-z0-9-]*\.png)' /usr/share/doc/tavrix/guia.md | tr -d '()'); do
  [ -s "/usr/share/doc/tavrix/$picture" ] || fail "the guide shows $picture, not installed"
done
dpkg-query -W -f='${Conffiles}\n' tavrix | grep -q '^ /etc/Tavrix.ini ' ||
  fail "/etc/Tavrix.ini is not a conffile"
cmp -s /etc/Tavrix.ini "$root/data/Tavrix.ini" || fail "/etc/Tavrix.ini is not the shipped file"

# An edited device file survives a reinstall.
echo "; edited by the user" | $sudo_cmd tee -a /etc/Tavrix.ini >/dev/null
cp /etc/Tavrix.ini "$work/edited.ini"
apt_get install --reinstall "$deb"
cmp -s /etc/Tavrix.ini "$work/edited.ini" || fail "the reinstall replaced the edited /etc/Tavrix.ini"
tavrix-cli --ini /etc/Tavrix.ini devices >/dev/null || fail "devices after the reinstall"
# A device file the user deleted comes back as the guide says: a reinstall with force-confmiss.
$sudo_cmd rm /etc/Tavrix.ini
apt_get install --reinstall -o Dpkg::Options::=--force-confmiss "$deb"
cmp -s /etc/Tavrix.ini "$root/data/Tavrix.ini" || fail "force-confmiss did not bring /etc/Tavrix.ini back"

# Purge: nothing of the package stays, and the machine has the packages it had.
apt_get purge tavrix
for f in /usr/bin/tavrix /usr/bin/tavrix-sim /usr/bin/tavrix-cli /etc/Tavrix.ini \
  /usr/share/doc/tavrix /usr/share/tavrix /usr/share/man/man1/tavrix-cli.1.gz; do
  [ ! -e "$f" ] || fail "$f is still there after the purge"
done
put_back
installed_packages | diff "$work/packages-before" - >&2 ||
  fail "the installed packages differ from before the check"
echo "package-check.sh: $deb installed, checked and purged" >&2
