#!/usr/bin/env bash
# Runs a test inside a private network namespace that has only the loopback,
# so that olad (which would broadcast Art-Net and sACN on every interface)
# and its clients can reach nothing else. Needs root (unshare --net).
# Usage: in_private_network.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  if ! unshare --net -- true 2>/dev/null; then
    echo "cannot make a private network namespace (unshare --net failed;" \
         "it needs root): this test runs olad only inside one" >&2
    exit 1
  fi
  QUORVIX_HOST_NETNS=$(readlink /proc/self/ns/net)
  export QUORVIX_HOST_NETNS
  exec unshare --net -- "$0" --inside "$@"
fi
shift

ip link set lo up
unset DBUS_SESSION_BUS_ADDRESS
exec "$@"
