#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the local quote server in the background, then Vantrel; the server stops when Vantrel ends.
set -euo pipefail
build_dir=${1:-build}
feed="$build_dir/tools/feed/vantrel-feed"
program="$build_dir/src/vantrel"

feed_pid=
stop_feed() { [[ -n "$feed_pid" ]] && kill "$feed_pid" 2>/dev/null; wait "$feed_pid" 2>/dev/null || true; }
trap stop_feed EXIT
trap 'exit 130' INT TERM

"$feed" &
feed_pid=$!
sleep 0.5
if ! kill -0 "$feed_pid" 2>/dev/null; then
  # Most likely a quote server is already listening on the port; Vantrel will use that one.
  echo "run: vantrel-feed did not start; using whatever serves the quote page already" >&2
  feed_pid=
fi

"$program"
