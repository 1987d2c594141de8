#!/usr/bin/env bash
# Runs a command on a private virtual X server: Xvfb picks a free display
# itself (-displayfd), so tests running side by side never share one.
# GTK is kept from the accessibility bus and from dconf.
set -euo pipefail

fifo_dir=$(mktemp -d)
trap 'kill "${xvfb_pid:-}" 2>/dev/null || true; wait "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo_dir/display" \
  2>"$fifo_dir/xvfb.log" &
xvfb_pid=$!
read -r display <"$fifo_dir/display" || {
  echo "with_xvfb.sh: Xvfb did not start:" >&2
  cat "$fifo_dir/xvfb.log" >&2
  exit 1
}
DISPLAY=":$display" NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory "$@"
