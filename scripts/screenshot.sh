#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot.png: Vantrel and its rate views on a virtual screen, fed by vantrel-feed.
# Needs xvfb, imagemagick and a window manager for the title bars (apt-get install xvfb imagemagick openbox).
set -euo pipefail
build_dir=${1:-build}
out=${2:-docs/screenshot.png}

source "$(dirname "$0")/lib/session.sh"
session_begin
session_xvfb 860x470
export XDG_CACHE_HOME=$session_dir/cache
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  session_track $!
  sleep 0.5
fi

"$build_dir/tools/feed/vantrel-feed" --seed 1 >/dev/null & # on the session's socket, where Vantrel asks
session_track $!
"$build_dir/src/vantrel" &
session_track $!
# Two refresh ticks, so the grids are filled.
sleep 8
import -window root "$out"
echo "wrote $out"
