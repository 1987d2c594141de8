#!/usr/bin/env bash
# Runs a command (a test run, a fuzzer) built with QUORVIX_SANITIZE, with
# the sanitizers' options set for it and every program it starts. Reports go
# to files, so a report of a child whose exit code nobody reads (the
# simulator, a host) is seen too: any report fails the run.
#   tools/sanitizers/run.sh COMMAND...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
reports=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-sanitizer-reports.XXXXXX")
trap 'rm -rf "$reports"' EXIT

# The plug-in keeps a thread_local error text and the tests unload it with
# dlclose; with __tls_get_addr intercepted, LeakSanitizer's exit scan can
# follow the unloaded module's stale TLS entry and crash ("Tracer caught
# signal 11", seen once in a CI run). Without the interception the TLS
# blocks are still found through the heap, so no leak goes unseen.
export ASAN_OPTIONS="intercept_tls_get_addr=0:detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/report"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"

"$@"
status=$?
if compgen -G "$reports/*" >/dev/null; then
  for report in "$reports"/*; do
    echo "== sanitizer report $(basename "$report")"
    cat "$report"
  done
  echo "sanitizer reports: the run fails" >&2
  exit 1
fi
exit $status
