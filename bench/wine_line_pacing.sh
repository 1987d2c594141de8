#!/usr/bin/env bash
# line_pacing_bench for the Windows DLL under Wine: in a fresh 64-bit prefix
# the 64-bit quorvix.dll is registered, and bench/wine's host drives it
# through COM on COM5, linked to a quorvix-sim that paces its line at 19200
# and then at 38400 baud, flat out for SECONDS (default 10) each, then a raw
# blocking WriteFile writer on the same line. Prints the same figures as the
# Linux benchmark, with the machine's load before and after. Wine's clock is
# placed against the simulator's by round trips to wine_clock_echo on
# 127.0.0.1. Builds nothing:
#
#   bench/wine_line_pacing.sh <win64 build dir> <Linux build dir> [SECONDS]
#
# (targets quorvix and line_pacing_host in the first; quorvix-sim and
# wine_clock_echo in the second). Needs wine, wine64 and xvfb. A benchmark:
# it exits non-zero only when something could not run, never on a figure.
set -u

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 <win64 build dir> <Linux build dir> [SECONDS]" >&2
  exit 2
fi
win64=$(cd "$1" && pwd) || exit 2
linux=$(cd "$2" && pwd) || exit 2
seconds=${3:-10}
sim=$linux/tools/sim/quorvix-sim
echo_program=$linux/bench/wine_clock_echo
# shellcheck source=../tests/wine/wine_session.sh
. "$(dirname "$0")/../tests/wine/wine_session.sh"
require_files "$win64/quorvix.dll" "$win64/line_pacing_host.exe" "$sim" \
  "$echo_program"

work=$(mktemp -d /tmp/quorvix-wine-bench.XXXXXX)
echo_pid=
sim_pid=

stop_sim() {
  [ -n "$sim_pid" ] || return 0
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  exec 4>&-
  sim_pid=
}

cleanup() {
  stop_sim
  [ -n "$echo_pid" ] && kill "$echo_pid" 2>/dev/null
  end_wine_session
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "load before: $(uptime)"

wine_environment
start_display 640x480x24 || { echo "Xvfb does not start" >&2; exit 1; }
if ! make_prefix wineboot -i; then
  echo "no fresh Wine prefix:" >&2
  cat "$work/wineboot.log" >&2
  exit 1
fi
bin=$work/bin
mkdir -p "$bin"
cp "$win64/quorvix.dll" "$win64/line_pacing_host.exe" "$bin/"
if ! timeout 120 wine regsvr32 /s "$(winpath "$bin/quorvix.dll")" \
     >/dev/null 2>&1; then
  echo "wine regsvr32 quorvix.dll failed" >&2
  exit 1
fi

"$echo_program" >"$work/echo.out" &
echo_pid=$!
for _ in $(seq 100); do [ -s "$work/echo.out" ] && break; sleep 0.05; done
echo_port=$(sed -n 's/^port //p' "$work/echo.out")
[ -n "$echo_port" ] || { echo "wine_clock_echo does not listen" >&2; exit 1; }

echo "Windows DLL, 64-bit, under $(wine --version 2>/dev/null)"
status=0
for baud in 19200 38400; do
  log=$work/sim-$baud.log
  rm -f "$WINEPREFIX/dosdevices/com5"
  mkfifo "$work/sim-$baud.in"
  exec 4<>"$work/sim-$baud.in"  # held open here: its input never ends
  "$sim" --link "$WINEPREFIX/dosdevices/com5" --log "$log" --baud "$baud" \
    <&4 >"$work/sim-$baud.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [ -L "$WINEPREFIX/dosdevices/com5" ] && break; sleep 0.05; done
  if [ ! -L "$WINEPREFIX/dosdevices/com5" ]; then
    echo "quorvix-sim does not start:" >&2
    cat "$work/sim-$baud.out" >&2
    exit 1
  fi
  timeout $((seconds * 2 + 300)) wine "$bin/line_pacing_host.exe" "$baud" \
    "$seconds" 5 "$(winpath "$log")" "$echo_port" 2>&1 4>&- | tr -d '\r'
  host_status=${PIPESTATUS[0]}
  stop_sim
  if [ "$host_status" -ne 0 ]; then
    echo "line_pacing_host at $baud baud ended with status $host_status" >&2
    status=1
  fi
done

echo
echo "load after: $(uptime)"
exit "$status"
