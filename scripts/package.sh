#!/usr/bin/env bash
# Builds the Debian package of Tavrix and checks it with lintian. Usage: scripts/package.sh
# The checkout is left as it is: the sources are copied to build-package/ (TAVRIX_PACKAGE_DIR to
# change it) and built there with dpkg-buildpackage; the .deb, .changes and .buildinfo stay in
# that folder. Everything but the .deb's path, printed as the last line, goes to standard error.
# The suite is left to scripts/test.sh; TAVRIX_PACKAGE_CHECK=1 runs it inside the build as well.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${TAVRIX_PACKAGE_DIR:-$root/build-package}"

"$root/scripts/install-deps.sh" debhelper lintian >&2

# One version: project()'s, which --version shows; the changelog's newest entry must name it.
version="$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
changelog="$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)"
if [ -z "$version" ] || [ "${changelog%-*}" != "$version" ]; then
  echo "package.sh: CMakeLists.txt names version '$version' but debian/changelog '$changelog'" >&2
  exit 1
fi

# The sources as they are in the working tree (edits not yet committed included), without any
# build folder.
staged="$out/tavrix-$version"
rm -rf "$staged"
mkdir -p "$staged"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' _) |
    tar -C "$root" --null -T - -cf - | tar -C "$staged" -xf -
else
  tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$staged" -xf -
fi

arch="$(dpkg-architecture -qDEB_HOST_ARCH)"
rm -f "$out/tavrix_${version}_${arch}".{deb,changes,buildinfo}
options=(-b -us -uc "-j${TAVRIX_PACKAGE_JOBS:-2}")
if [ "${TAVRIX_PACKAGE_CHECK:-0}" != 1 ]; then
  export DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}"
  options+=(-Pnocheck)
fi
(cd "$staged" && dpkg-buildpackage "${options[@]}") >&2
rm -rf "$staged"

deb="$out/tavrix_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "package.sh: dpkg-buildpackage made no $deb" >&2; exit 1; }
# No errors; the warnings left are explained in debian/tavrix.lintian-overrides.
lintian --fail-on error --display-info "$out/tavrix_${version}_${arch}.changes" >&2
echo "$deb"
