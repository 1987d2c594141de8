#!/usr/bin/env bash
# quorvix-host --ui gtk opens the dialog on the display; an unknown UI is
# refused. Usage (on a display): host_ui.sh QUORVIX_HOST
set -euo pipefail

host=$1
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$XDG_CONFIG_HOME"' EXIT

status=0
"$host" --ui bogus init T quorvix.so configure >/dev/null 2>&1 || status=$?
if [ "$status" -ne 64 ]; then
  echo "--ui bogus: exit code $status, expected 64" >&2
  exit 1
fi

"$host" --ui gtk init T quorvix.so configure term &
pid=$!
if ! timeout 60 xdotool search --sync --onlyvisible --name '^Konfiguration$' >/dev/null; then
  echo "no dialog appeared" >&2
  exit 1
fi
echo "the dialog is open"
