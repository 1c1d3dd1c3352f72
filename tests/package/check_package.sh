#!/usr/bin/env bash
# Checks a built package: lintian (no error, no warning), its desktop entry and AppStream
# metainfo, and the sandbox of its systemd unit: the options that still leave some
# exposure, and the score.
# (systemd-analyze verify needs the unit's program and man page in place: the install
# test runs it on the installed unit.)
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

echo "== appstreamcli validate"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || { echo "check_package: the package has no AppStream metainfo" >&2; exit 1; }
# Notes of the kind "info" are allowed; an error or a warning fails.
appstreamcli validate --no-net --pedantic "${metainfo[@]}"

echo "== systemd-analyze security"
unit=""
for folder in usr/lib/systemd/system lib/systemd/system; do
  [ -f "$root/$folder/quorvale-server.service" ] && unit=$folder/quorvale-server.service
done
[ -n "$unit" ] || { echo "check_package: the package has no quorvale-server.service" >&2; exit 1; }
report=$(systemd-analyze security --offline=yes --root="$root" "/$unit")
grep -E '✗|Overall' <<<"$report"
