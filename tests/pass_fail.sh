# shellcheck shell=bash
# Sourced by the test scripts that count their own checks (tests/wine/run.sh,
# tests/install/*.sh): one line a check, the sum last. A script that names
# what its lines ran against sets $check_prefix first (not $label: a
# function's local of that name would stand in for it).
#
#   pass WHAT / fail WHAT   "PASS <prefix>WHAT" / "FAIL <prefix>WHAT", counted
#   finish                  "<prefix>N passed, M failed"; exits non-zero when
#                           a check failed

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS ${check_prefix:-}$1"; }
fail() { failed=$((failed + 1)); echo "FAIL ${check_prefix:-}$1"; }
finish() {
  echo "${check_prefix:-}$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
