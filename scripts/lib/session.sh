# SPDX-License-Identifier: GPL-3.0-or-later
# A private session for running the programs headless: a runtime directory of its own, a virtual screen
# and a PulseAudio server with a null sink, all stopped again when the calling script exits.
# Source it, then call session_begin, and session_xvfb / session_pulse as needed.

# Makes the runtime directory ($session_dir, also XDG_RUNTIME_DIR) and stops everything on exit.
session_begin() {
  session_dir=$(mktemp -d)
  chmod 700 "$session_dir"
  session_pids=()
  export XDG_RUNTIME_DIR=$session_dir
  trap session_end EXIT
}

# Stops what the session started, newest first, and waits for each to go.
session_end() {
  local i pid
  for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
    kill "${session_pids[$i]}" 2>/dev/null || true
  done
  for pid in "${session_pids[@]}"; do
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  done
  rm -rf "$session_dir"
}

# Remembers a process to stop at the end.
session_track() {
  session_pids+=("$1")
}

# A virtual screen of the given size (default 1280x1024) on a free display; exports DISPLAY.
session_xvfb() {
  # -noreset: by default Xvfb resets when its last client leaves, and a program starting just then fails.
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp -noreset 3>"$session_dir/display" 2>/dev/null &
  session_track $!
  for _ in $(seq 100); do [[ -s "$session_dir/display" ]] && break; sleep 0.1; done
  [[ -s "$session_dir/display" ]] || { echo "session: Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$(cat "$session_dir/display")
}

# PulseAudio with one null sink "rec" (record it from rec.monitor); exports PULSE_SERVER.
session_pulse() {
  cat >"$session_dir/pa.conf" <<CONF
load-module module-null-sink sink_name=rec rate=48000 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$session_dir/pulse/native
set-default-sink rec
CONF
  pulseaudio -D -n -F "$session_dir/pa.conf" --exit-idle-time=-1 --disallow-exit \
    --log-target=file:"$session_dir/pulse.log" 2>/dev/null
  for _ in $(seq 100); do [[ -s "$session_dir/pulse/pid" ]] && break; sleep 0.1; done
  [[ -s "$session_dir/pulse/pid" ]] || { echo "session: pulseaudio did not start" >&2; return 1; }
  session_track "$(cat "$session_dir/pulse/pid")"
  export PULSE_SERVER=unix:$session_dir/pulse/native
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
}
