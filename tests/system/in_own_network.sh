#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a network namespace of its own that has nothing but a loopback, and removes the
# namespace afterwards. The program's quote address is fixed at 127.0.0.1:8755, so two system tests on
# one loopback would take each other's port; each in its own namespace, they can run side by side.
# Where no namespace can be made (not root, no ip), the command waits for the others instead, on a lock.
#
#   in_own_network.sh COMMAND [ARGUMENT ...]
set -uo pipefail
name=vantrel-$$-$RANDOM
if ip netns add "$name" 2>/dev/null; then
  trap 'ip netns delete "$name" 2>/dev/null || true' EXIT
  ip netns exec "$name" ip link set lo up
  ip netns exec "$name" "$@"
else
  flock "${TMPDIR:-/tmp}/vantrel-quote-port.lock" "$@"
fi
