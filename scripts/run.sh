#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the local quote server in the background, then Vantrel; the server stops when Vantrel ends.
# The server serves the simulated market unless a source is named: its name, then any options of
# vantrel-feed, as `make run SOURCE="..."` passes them. A source named in ~/.config/vantrel/feed.conf
# does not count here, so that a plain run stays offline.
#
#   scripts/run.sh BUILD_DIR                                      the simulated market
#   scripts/run.sh BUILD_DIR truefx,kraken                        live prices, as the package serves
#   scripts/run.sh BUILD_DIR ecb                                  the European Central Bank's rates
#   scripts/run.sh BUILD_DIR oanda --account ID --token-file FILE
#   scripts/run.sh BUILD_DIR simulated --fault stall
set -euo pipefail
build_dir=${1:-build}
shift || true
feed="$build_dir/tools/feed/vantrel-feed"
program="$build_dir/src/vantrel"

if [[ $# -eq 0 ]]; then
  feed_arguments=(--source simulated)
else
  feed_arguments=(--source "$@")
fi

feed_pid=
stop_feed() { [[ -n "$feed_pid" ]] && kill "$feed_pid" 2>/dev/null; wait "$feed_pid" 2>/dev/null || true; }
trap stop_feed EXIT
trap 'exit 130' INT TERM

"$feed" "${feed_arguments[@]}" &
feed_pid=$!
sleep 0.5
if ! kill -0 "$feed_pid" 2>/dev/null; then
  status=0
  wait "$feed_pid" || status=$?
  feed_pid=
  # 1: it could not listen, most likely because a quote server already does on your socket, such as the one the
  # package starts for each user; anything else: the source or its options were refused.
  if [[ $status -ne 1 ]]; then
    echo "run: vantrel-feed ${feed_arguments[*]} did not start (exit status $status)" >&2
    exit 1
  fi
  echo "run: vantrel-feed did not start; Vantrel will use whatever serves the quote page already" \
       "(the installed one? systemctl --user stop vantrel-feed.socket vantrel-feed.service)" >&2
fi

"$program"
