#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a network namespace of its own that has nothing but a loopback, and removes the
# namespace afterwards, so that system tests run side by side: each test's quote server is on its run's
# own Unix socket, but what else a test listens on (stand-in servers on TCP ports, the X server's abstract
# socket, per network namespace) would otherwise meet the others'.
#
# The command also gets a mount namespace with its own empty /tmp/.X11-unix and /var/lib/xkb. Xvfb's
# -displayfd takes the first display whose socket it can bind, and the abstract X sockets are per network
# namespace, so every test's Xvfb binds display :0: on one shared /tmp/.X11-unix each would unlink the
# others' X0 socket file (and a desktop's own), and on one /var/lib/xkb they would write their keymaps to
# the same server-0.xkm. -displayfd takes no /tmp/.X0-lock, so nothing else keeps them apart.
# Where no namespace can be made (not root, no ip), the command waits for the others instead, on a lock.
#
#   in_own_network.sh COMMAND [ARGUMENT ...]
set -uo pipefail
name=vantrel-$$-$RANDOM
if ip netns add "$name" 2>/dev/null; then
  trap 'ip netns delete "$name" 2>/dev/null || true' EXIT
  ip netns exec "$name" ip link set lo up
  # The mount points must exist outside; an X server would create /tmp/.X11-unix with these modes anyway.
  mkdir -p -m 1777 /tmp/.X11-unix
  mkdir -p /var/lib/xkb
  ip netns exec "$name" unshare --mount --propagation private -- bash -c '
    if ! mount -t tmpfs -o mode=1777 vantrel-x11 /tmp/.X11-unix ||
       ! mount -t tmpfs -o mode=0755 vantrel-xkb /var/lib/xkb; then
      echo "in_own_network.sh: could not mount a private /tmp/.X11-unix and /var/lib/xkb" >&2
      exit 1
    fi
    exec "$@"' in_own_network "$@"
else
  flock "${TMPDIR:-/tmp}/vantrel-system-tests.lock" "$@"
fi
