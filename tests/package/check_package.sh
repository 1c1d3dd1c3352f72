#!/usr/bin/env bash
# Checks a built package: lintian (no error, no warning), its desktop entry, and its
# systemd unit, whose security exposure it prints.
# Usage: tests/package/check_package.sh dist/quorvale_<version>_<arch>.deb
set -euo pipefail
deb=${1:?usage: check_package.sh PACKAGE.deb}

echo "== lintian"
lintian --display-info --fail-on error,warning "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/quorvale.desktop"

echo "== systemd-analyze"
unit=$(cd "$root" && find lib/systemd/system usr/lib/systemd/system -name quorvale-server.service \
  2>/dev/null | head -n 1)
[ -n "$unit" ] || { echo "check_package: the package has no quorvale-server.service" >&2; exit 1; }
systemd-analyze verify --root="$root" "/$unit"
systemd-analyze security --offline=yes --root="$root" "/$unit"
