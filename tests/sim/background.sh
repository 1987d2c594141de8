#!/usr/bin/env bash
# quorvix-sim in the background: detached with --background (its process id
# the only output, the link there when it returns), commands from a FIFO
# whose writers come and go, or from a file whose end does not end it.
# Usage: background.sh SIM
set -uo pipefail

sim=$1
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-sim-background.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
failed=0
fail() { echo "$*"; failed=1; }
# Waits (at most 10 s) until `test` holds.
wait_for() {
  for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done
  return 1
}

mkfifo "$dir/fifo"
pid=$("$sim" --link "$dir/COM1" --log "$dir/fifo.log" --commands "$dir/fifo" \
      --background)
status=$?
pids+=("$pid")
[ $status -eq 0 ] || fail "--background exited $status"
[[ $pid =~ ^[0-9]+$ ]] || fail "--background printed \"$pid\", not a process id"
[ -L "$dir/COM1" ] || fail "the link is not there when --background returns"
echo "in 2 7" >"$dir/fifo"
echo "in 3 8" >"$dir/fifo"   # a second writer after the first has gone
wait_for 'grep -q "input 3 8" "$dir/fifo.log"' ||
  fail "commands through the FIFO did not arrive"
grep -q "input 2 7" "$dir/fifo.log" || fail "the first writer's command is lost"
echo quit >"$dir/fifo"
wait_for '! kill -0 "$pid" 2>/dev/null' || fail "quit through the FIFO did not end it"
wait_for '[ ! -e "$dir/COM1" ]' || fail "the link stayed after quit"

printf 'in 4 9\n' >"$dir/commands"
pid=$("$sim" --log "$dir/file.log" --commands "$dir/commands" --background)
pids+=("$pid")
wait_for 'grep -q "input 4 9" "$dir/file.log"' || fail "the file's command did not run"
kill -0 "$pid" 2>/dev/null || fail "the end of the file ended the simulator"
kill -TERM "$pid"
wait_for 'grep -q " exit$" "$dir/file.log"' || fail "SIGTERM did not end it cleanly"

[ $failed -eq 0 ] || { echo "--- logs:"; cat "$dir"/*.log; }
exit $failed
