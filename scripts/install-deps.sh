#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Vantrel needs: by default what building and running it need (`make run`),
# with --test also what its tests need (`make test`). Silent and quick when everything is already
# there; uses sudo when not run as root. The same names serve Debian 12 and 13, so none carries a
# compiler's or a library's version.
#
#   scripts/install-deps.sh          build and run
#   scripts/install-deps.sh --test   build, run and test
set -euo pipefail

# Building: the compiler, CMake and Ninja, Qt and the audio libraries, libsystemd for the quote server's
# socket activation, libcurl for the program's download over the quote server's Unix socket, and the
# tools that make the clips at build time (festival's voice says the spoken
# ones, espeak-ng voices the animals' calls, sox cuts and treats them and makes the alert sounds).
# Running: Qt's platform plugins, which nothing links to, for X11 and for Wayland, and the time zones
# (the quote server reads New York's, by whose clock the FX week closes).
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libxcb1-dev
  libsndfile1-dev libsamplerate0-dev libpulse-dev libsystemd-dev libcurl4-openssl-dev
  festival festvox-us-slt-hts espeak-ng sox
  qt6-qpa-plugins qt6-wayland tzdata
)

case "${1:-}" in
  "") ;;
  --test)
    # The sanitizer and fuzzing tree (clang, libFuzzer); the system tests' virtual screen, sound servers
    # (PulseAudio, and PipeWire as new desktops run it), Wayland compositor (weston), accessibility bus and
    # network namespaces, with the Python that drives them; the speech recognizer that listens to the
    # clips; the screen reader that reads the program aloud (orca); socket activation and the user units
    # (systemd); the package's checks.
    packages+=(
      clang libclang-rt-dev
      xvfb xauth pulseaudio pulseaudio-utils at-spi2-core dbus-daemon dbus-bin
      pipewire pipewire-bin pipewire-pulse wireplumber libspa-0.2-modules weston
      python3 python3-pyatspi python3-gi gir1.2-atspi-2.0 python3-numpy iproute2
      pocketsphinx pocketsphinx-en-us xdotool orca
      systemd
      lintian appstream desktop-file-utils
    )
    ;;
  *)
    echo "usage: $0 [--test]" >&2
    exit 2
    ;;
esac

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
