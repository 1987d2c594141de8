#!/usr/bin/env bash
# quorvix-host as a user runs it: a port that cannot be opened is M1 with
# its reason shown, and the command fails. Usage: host_exit_status.sh HOST
set -uo pipefail

host=$1
# shellcheck source=host_home.sh
. "$(dirname "$0")/host_home.sh"
host_home exit COM1 no-such-adapter
failed=0

output=$("$host" init Host q.so enable term 2>&1)
status=$?
if [ $status -ne 1 ]; then
  echo "a failed Enable exited $status, not 1"; failed=1
fi
for expected in "Enable -> False" \
    "trace: [Quorvix] Open failed: COM1 does not exist ($home/quorvix/ports/COM1 -> $home/no-such-adapter: No such file or directory)" \
    "message box (error)"; do
  grep -qF -- "$expected" <<<"$output" || { echo "missing: $expected"; failed=1; }
done

"$host" init Host q.so name term >/dev/null 2>&1
status=$?
[ $status -eq 0 ] || { echo "calls that all succeed exited $status"; failed=1; }
"$host" init Host >/dev/null 2>&1
status=$?
[ $status -eq 64 ] || { echo "a command it cannot run exited $status, not 64"; failed=1; }

[ $failed -eq 0 ] || { echo "--- output:"; echo "$output"; }
exit $failed
