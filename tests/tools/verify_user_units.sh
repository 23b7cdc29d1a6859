#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The package's systemd user units as systemd reads them: `systemd-analyze --user verify` must find
# nothing to say. The units come from UNIT_DIR, the service naming a vantrel-feed that exists; the
# manual page they refer to is looked for in MAN_DIR (docs/man) when man is installed.
#
#   tests/tools/verify_user_units.sh UNIT_DIR MAN_DIR      exit 77 when systemd-analyze is missing
set -euo pipefail
unit_dir=$1
man_dir=$2

if ! command -v systemd-analyze >/dev/null; then
  echo "SKIPPED: systemd-analyze is not installed (Debian package systemd), so the user units were not verified"
  exit 77
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A user manager is asked for its runtime directory even when it only reads unit files.
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
check_man=no
if command -v man >/dev/null; then
  mkdir -p "$scratch/man/man1"
  cp "$man_dir"/*.1 "$scratch/man/man1/"
  export MANPATH=$scratch/man
  check_man=yes
fi

units=("$unit_dir"/*.socket "$unit_dir"/*.service)
echo "systemd-analyze --user verify --man=$check_man ${units[*]##*/}"
# Unknown keys and the like are only warned about, with a success status: any word from it fails.
if ! out=$(systemd-analyze --user verify --man="$check_man" "${units[@]}" 2>&1) || [[ -n "$out" ]]; then
  echo "$out"
  exit 1
fi
echo "verified: nothing to say"
