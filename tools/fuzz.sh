#!/usr/bin/env bash
# Runs every libFuzzer fuzzer of a QUORVIX_FUZZ build for a bounded time,
# starting from its seed corpus and its kept regression inputs. A crash
# leaves its input in the printed folder: fix the fault, then keep the input
# in tests/fuzz/regressions/<fuzzer>/.
#   tools/fuzz.sh BUILD_DIR [SECONDS_EACH]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: $0 BUILD_DIR [SECONDS_EACH]}
seconds=${2:-20}
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-fuzz.XXXXXX")

failed=0
for corpus in tests/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  inputs=("$corpus")
  [ -d "tests/fuzz/regressions/$name" ] && inputs+=("tests/fuzz/regressions/$name")
  mkdir -p "$work/$name/new"
  echo "-- $name, $seconds s"
  if ! tools/sanitizers/run.sh "$build/tests/fuzz/$name" -max_total_time="$seconds" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$work/$name/" \
      "$work/$name/new" "${inputs[@]}" >"$work/$name/log" 2>&1; then
    tail -n 60 "$work/$name/log"
    echo "FAILED: $name; its input is in $work/$name/"
    failed=1
  else
    { grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$work/$name/log" || true; } |
      tr -s ' \n' ' '
    echo
  fi
done
[ $failed -eq 0 ] && rm -rf "$work"
exit $failed
