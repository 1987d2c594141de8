#!/usr/bin/env bash
# Every program's command line behaves as users know from other tools:
# --help on standard output with 0, --version with the project's version,
# --opt=value, and an unknown option or a bad value named on standard
# error with 64. Usage: command_lines.sh VERSION SIM HOST SOAK [OLA]
set -uo pipefail

version=$1
shift
failed=0
fail() { echo "$*"; failed=1; }

# expect STATUS STDOUT-REGEX STDERR-REGEX PROGRAM ARGUMENTS...
expect() {
  local status=$1 out_pattern=$2 err_pattern=$3
  shift 3
  local out err code
  out=$("$@" 2>/tmp/quorvix-cl.$$ </dev/null)
  code=$?
  err=$(cat /tmp/quorvix-cl.$$)
  rm -f /tmp/quorvix-cl.$$
  [ "$code" -eq "$status" ] || fail "$*: exit status $code, not $status ($err)"
  grep -qE -- "$out_pattern" <<<"$out" || fail "$*: standard output lacks /$out_pattern/: $out"
  grep -qE -- "$err_pattern" <<<"$err" || fail "$*: standard error lacks /$err_pattern/: $err"
}

for program in "$@"; do
  name=$(basename "$program")
  expect 0 "^Usage:" "^$" "$program" --help
  expect 0 "^Usage:" "^$" "$program" -h
  expect 0 "^$name $version\$" "^$" "$program" --version
  expect 64 "^$" "^$name: Unknown option --frobnicate\$" "$program" --frobnicate
done

sim=$1 host=$2 soak=$3
expect 64 "^$" "quorvix-sim: --baud: baud: baud rate 'fast' is not" "$sim" --baud=fast
expect 64 "^$" "quorvix-host: --ui takes gtk, none or auto, not \"bogus\"" \
  "$host" --ui=bogus name
expect 64 "^$" "quorvix-host: unknown command \"frobnicate\"" "$host" frobnicate
expect 64 "^$" "quorvix-soak: frames takes N from 1 to 100000000, not \"abc\"" \
  "$soak" frames abc
expect 64 "^$" "quorvix-soak: frames takes N from 1 to 100000000, not \"-5\"" \
  "$soak" frames -5
expect 64 "^$" "quorvix-soak: --lib needs a path" "$soak" --lib= frames 5
# The one plug-in loader, in each program's words.
expect 1 "^$" "^quorvix-host: cannot load /nonexistent/libquorvix.so: " \
  "$host" --lib=/nonexistent/libquorvix.so name
expect 1 "^$" "^quorvix-host: the plug-in lacks qvx_create\$" \
  "$host" --lib=libm.so.6 name
if [ $# -ge 4 ]; then
  ola=$4
  expect 64 "^$" "quorvix-ola: -u takes a universe number from 0 to 4294967295, not \"x\"" \
    "$ola" -u x
  expect 64 "^$" "quorvix-ola: -l takes a level from 0 to 4, not \"9\"" \
    "$ola" --universe=1 -l 9
  expect 1 "^$" "cannot load the plug-in /nonexistent/libquorvix.so: " \
    "$ola" -u 1 --library=/nonexistent/libquorvix.so
  expect 1 "^$" "the plug-in lacks qvx_create \(too old for quorvix-ola\?\)" \
    "$ola" -u 1 --library=libm.so.6
fi
exit $failed
