#!/usr/bin/env bash
# quorvix-host ports lists every port with its device and whether this user
# may open it; `device PATH` names the port's device and keeps it.
# Usage: host_ports.sh HOST
set -uo pipefail

host=$1
# shellcheck source=host_home.sh
. "$(dirname "$0")/host_home.sh"
host_home ports COM5 pulled-adapter
failed=0
check() {  # check OUTPUT EXTENDED-REGEX WHAT
  grep -qE -- "$2" <<<"$1" || { echo "missing $3: $2"; echo "$1"; failed=1; }
}

output=$("$host" init Host q.so device /dev/null term 2>&1)
status=$?
[ $status -eq 0 ] || { echo "device exited $status"; failed=1; }
check "$output" "^SetPortDevice -> COM1$" "the port named"
check "$output" "^ *trace: \[Quorvix\] COM1 is now /dev/null " "its trace line"
[ "$(readlink "$home/quorvix/ports/COM1")" = /dev/null ] ||
  { echo "COM1 does not lead to /dev/null"; failed=1; }

output=$("$host" ports 2>&1)
status=$?
[ $status -eq 0 ] || { echo "ports exited $status"; failed=1; }
check "$output" "^PORT +DEVICE +BY-ID +USB +DESCRIPTION +MAY OPEN$" "the heading"
check "$output" "^COM1 +/dev/null +- +- +- +yes$" "the port linked by device"
check "$output" "^COM5 +$home/pulled-adapter +- +- +- +not present$" \
  "the link that leads nowhere"

"$host" init Host q.so device relative/tty term >/dev/null 2>&1
status=$?
[ $status -eq 1 ] || { echo "a relative device exited $status, not 1"; failed=1; }
exit $failed
