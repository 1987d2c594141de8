#!/usr/bin/env bash
# Runs every libFuzzer fuzzer of a QUORVIX_FUZZ build for a bounded time,
# starting from its seed corpus and its kept regression inputs where it has
# them, from nothing where it has none. The fuzzers are those the build
# lists, built first if they are not current. A crash leaves its input in
# the printed folder: fix the fault, then keep the input in
# tests/fuzz/regressions/<fuzzer>/.
#   tools/fuzz.sh BUILD_DIR [SECONDS_EACH]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: $0 BUILD_DIR [SECONDS_EACH]}
seconds=${2:-20}

if ! built=$(cmake --build "$build" -j2 --target fuzzers 2>&1); then
  echo "$built" | tail -n 30
  echo "cannot build the fuzzers of $build (configured with -DQUORVIX_FUZZ=ON?)" >&2
  exit 1
fi
list=$build/tests/fuzz/fuzzers.txt
fuzzers=()
programs=()
while read -r name program; do
  fuzzers+=("$name")
  programs+=("$program")
done <"$list"
[ ${#fuzzers[@]} -gt 0 ] || { echo "$list lists no fuzzer" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-fuzz.XXXXXX")
failed=0
# A corpus whose fuzzer is gone would go unused without a word.
for corpus in tests/fuzz/corpus/*/ tests/fuzz/regressions/*/; do
  [ -d "$corpus" ] || continue
  if ! printf '%s\n' "${fuzzers[@]}" | grep -qxF "$(basename "$corpus")"; then
    echo "FAILED: $corpus belongs to no fuzzer of $build"
    failed=1
  fi
done

for i in "${!fuzzers[@]}"; do
  name=${fuzzers[$i]}
  inputs=()
  for kind in corpus regressions; do
    [ -d "tests/fuzz/$kind/$name" ] && inputs+=("tests/fuzz/$kind/$name")
  done
  mkdir -p "$work/$name/new"
  echo "-- $name, $seconds s, ${#inputs[@]} input folder(s)"
  if ! tools/sanitizers/run.sh "${programs[$i]}" -max_total_time="$seconds" \
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
