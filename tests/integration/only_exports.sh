#!/usr/bin/env bash
# A shared library gives out exactly the symbols it promises, nothing of the
# C++ inside. Usage: only_exports.sh LIBRARY REGEX (each defined dynamic
# symbol must match REGEX, and at least one must)
set -euo pipefail

library=$1
allowed=$2
symbols=$(nm -D --defined-only "$library" | awk '{print $3}' | sort -u)
if [ -z "$symbols" ]; then
  echo "$library defines no dynamic symbols" >&2
  exit 1
fi
if stray=$(grep -Ev "$allowed" <<<"$symbols"); then
  echo "$library exports symbols outside /$allowed/:" >&2
  echo "$stray" | head -20 >&2
  echo "($(wc -l <<<"$stray") in all)" >&2
  exit 1
fi
echo "$library exports: $(tr '\n' ' ' <<<"$symbols")"
