#!/usr/bin/env bash
# quorvix-ola --device: the device is kept as the port's link, and why the
# port did not open reaches the log without --verbose, as a warning (shown
# at -l 2, where information is not). No olad is needed: the bridge enables
# the driver while it waits for one.
# Usage: bridge_device.sh BRIDGE
set -uo pipefail

bridge=$1
home=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-ola-device.XXXXXX")
log=$home/log
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$home
failed=0

# Runs the bridge with "$@" until it has tried the port once, into $log.
run_until_open_failed() {
  "$bridge" "$@" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    grep -q "Open failed" "$log" && break
    sleep 0.1
  done
  kill -TERM "$pid"
  wait "$pid"
  status=$?
  pid=
  [ $status -eq 0 ] || { echo "stopped by SIGTERM, it exited $status"; failed=1; }
}

run_until_open_failed --universe 1 --device "$home/adapter"
link=$home/quorvix/ports/COM1
for expected in \
    "quorvix-ola: trace: [Quorvix] COM1 is now $home/adapter ($link)" \
    "quorvix-ola: trace: [Quorvix] Open failed: COM1 does not exist ($link -> $home/adapter: No such file or directory)"; do
  grep -qxF -- "$expected" "$log" || { echo "missing: $expected"; failed=1; }
done
[ "$(readlink "$link")" = "$home/adapter" ] ||
  { echo "COM1 does not lead to the device"; failed=1; }
[ $failed -eq 0 ] || { echo "--- log:"; cat "$log"; }

run_until_open_failed -u 1 -d "$home/adapter" -l 2
grep -qF "quorvix-ola: trace: [Quorvix] Open failed: COM1" "$log" ||
  { echo "-l 2: the warning is missing"; failed=1; }
if grep -qF "is now" "$log"; then
  echo "-l 2: information was logged"; failed=1
fi
exit $failed
