#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from an already built tree and checks it as a Debian packager would:
# lintian on the .deb with no error and no warning, the desktop entry and the AppStream metadata it
# installs, the changelog's latest entry against the package's version, and a licence identifier in
# every source file. One line per check, "package: NAME passed" or "package: NAME FAILED".
#
#   scripts/check-package.sh BUILD_DIR      leaves BUILD_DIR/vantrel_<version>_<arch>.deb
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
failures=0

verdict() {
  if [[ $2 -eq 0 ]]; then
    echo "package: $1 passed"
  else
    echo "package: $1 FAILED"
    failures=$((failures + 1))
  fi
}

echo "-- cpack -G DEB"
if ! cpack_log=$(cd "$build" && cpack -G DEB 2>&1); then
  echo "$cpack_log"
  verdict "cpack" 1
  exit 1
fi
deb=$(sed -nE 's/^CPack: - package: (.*\.deb) generated\.$/\1/p' <<<"$cpack_log")
echo "$deb"
dpkg-deb -x "$deb" "$unpacked"

# Info and pedantic tags are shown for what they are worth; errors and warnings fail.
echo "-- lintian"
lintian_out=$(lintian --display-info --pedantic --show-overrides "$deb" 2>&1)
lintian_status=$?
echo "$lintian_out"
for kind in E W I P; do printf '%s: %s  ' "$kind" "$(grep -c "^$kind: " <<<"$lintian_out")"; done
echo "(lintian tags: errors, warnings, info, pedantic)"
grep -qE '^[EW]: ' <<<"$lintian_out" && lintian_status=1
verdict "lintian" "$lintian_status"

echo "-- desktop-file-validate"
desktop_status=0
desktop_files=("$unpacked"/usr/share/applications/*.desktop)
[[ -f "${desktop_files[0]}" ]] || { echo "no desktop entry in the package"; desktop_status=1; }
for file in "${desktop_files[@]}"; do
  [[ -f "$file" ]] || continue
  # It reports its warnings on standard output and still exits with 0.
  out=$(desktop-file-validate "$file" 2>&1) || desktop_status=1
  [[ -z "$out" ]] || { echo "$out"; desktop_status=1; }
done
verdict "desktop entry" "$desktop_status"

echo "-- appstreamcli validate --no-net"
metainfo_status=0
metainfo_files=("$unpacked"/usr/share/metainfo/*.metainfo.xml)
[[ -f "${metainfo_files[0]}" ]] || { echo "no AppStream metadata in the package"; metainfo_status=1; }
for file in "${metainfo_files[@]}"; do
  [[ -f "$file" ]] || continue
  appstreamcli validate --no-net --pedantic "$file" || metainfo_status=1
done
verdict "appstream metadata" "$metainfo_status"

echo "-- changelog"
package_version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(dpkg-parsechangelog -l "$unpacked/usr/share/doc/vantrel/changelog.gz" -S Version 2>&1)
echo "package $package_version, latest changelog entry $changelog_version"
[[ "$changelog_version" == "$package_version" ]]
verdict "changelog version" $?

echo "-- licence identifiers"
spdx_out=$(bash scripts/add-spdx-headers.sh --check)
spdx_status=$?
# The whole list says nothing more than its first lines and its count.
head -n 10 <<<"$spdx_out"
[[ $(wc -l <<<"$spdx_out") -le 11 ]] || { echo "..."; tail -n 1 <<<"$spdx_out"; }
verdict "licence identifiers" "$spdx_status"

[[ $failures -eq 0 ]]
