# shellcheck shell=bash
# Sourced by the test scripts that count their own checks (tests/wine/run.sh,
# tests/install/*.sh): one line a check, the sum last. A script that names
# what its lines ran against sets $label first.
#
#   pass WHAT / fail WHAT   "PASS <label>WHAT" / "FAIL <label>WHAT", counted
#   finish                  "<label>N passed, M failed"; exits non-zero when
#                           a check failed

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS ${label:-}$1"; }
fail() { failed=$((failed + 1)); echo "FAIL ${label:-}$1"; }
finish() {
  echo "${label:-}$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
