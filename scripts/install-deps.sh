#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, running and testing Vantrel need.
# Silent and quick when everything is already there; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev qt6-multimedia-dev libgl-dev libxcb1-dev
  qt6-qpa-plugins
  libsndfile1-dev libsamplerate0-dev
  espeak-ng sox festival festvox-us-slt-hts
  clang libclang-rt-14-dev
  xvfb xauth pulseaudio pulseaudio-utils at-spi2-core dbus-daemon dbus-bin
  python3 python3-pyatspi python3-gi gir1.2-atspi-2.0 python3-numpy iproute2
  pocketsphinx pocketsphinx-en-us xdotool
  lintian appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "install-deps: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
