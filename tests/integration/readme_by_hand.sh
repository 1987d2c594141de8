#!/usr/bin/env bash
# Runs the README's "Driving it by hand" block as a user would, from a
# checkout whose build folder is BUILD, in a home of its own.
# Usage: readme_by_hand.sh README BUILD
set -uo pipefail

readme=$1
build=$2
home=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-readme.XXXXXX")
trap 'rm -rf "$home"' EXIT
block=$(awk '/^<!-- by-hand:/ { marked = 1; next }
             marked && /^```sh$/ { inside = 1; next }
             inside && /^```$/ { exit }
             inside { print }' "$readme")
[ -n "$block" ] || { echo "no by-hand block in $readme"; exit 1; }
ln -s "$build" "$home/build"
cd "$home" || exit 1
unset XDG_CONFIG_HOME
output=$(HOME=$home bash -euo pipefail -c "$block" 2>&1 </dev/null)
status=$?
failed=0
[ $status -eq 0 ] || { echo "the block exited $status"; failed=1; }
for expected in "Enable -> True" "SetChannel(5, 200) -> True" "Disable -> True"; do
  grep -qF -- "$expected" <<<"$output" || { echo "missing: $expected"; failed=1; }
done
[ -e "$home/.config/quorvix/ports/COM1" ] &&
  { echo "the simulator's link outlived kill"; failed=1; }
[ $failed -eq 0 ] || { echo "--- block:"; echo "$block"; echo "--- output:"; echo "$output"; }
exit $failed
