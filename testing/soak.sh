#!/usr/bin/env bash
# Soak and load: drives the Linux plug-in against quorvix-sim and prints every
# figure. Fails only on what must never happen: a frame lost or corrupted on
# the line, a DMX-In report lost, doubled or out of order, memory growing
# under a flood, a crash.
#   testing/soak.sh [short|long] [BUILD_DIR]
# short (CI): 50,000 frames, a 5 s flood, 1,000 input changes, 3 s a rate;
# long (releases): 1,000,000 frames, a 30 s flood, 10,000 changes, 20 s a rate.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-short}
build=${2:-build}
case "$mode" in
  short) frames=50000 flood=5 changes=1000 rate_seconds=3 ;;
  long) frames=1000000 flood=30 changes=10000 rate_seconds=20 ;;
  *) echo "usage: $0 [short|long] [BUILD_DIR]" >&2; exit 2 ;;
esac

soak=$build/testing/soak/quorvix-soak
[ -x "$soak" ] || cmake --build "$build" --target quorvix-soak

failed=0
run() {
  local started=$SECONDS
  if ! "$soak" "$@"; then
    echo "FAILED: quorvix-soak $*"
    failed=1
  fi
  printf '  (%d s)\n' $((SECONDS - started))
}

echo "soak, $mode mode"
run frames "$frames"
run flood "$flood"
run dmxin "$changes"
run rate38400 "$rate_seconds"
run rate19200 "$rate_seconds"
exit $failed
