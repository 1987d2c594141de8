#!/usr/bin/env bash
# libquorvix.so must not link GTK (nor what only GTK brings): it loads the
# GTK module at run time where GTK can work. Usage: no_gtk_link.sh LIBRARY
set -euo pipefail

needed=$(readelf -d "$1" | grep '(NEEDED)' || true)
if ! grep -q 'libglib-2.0' <<<"$needed"; then
  echo "no NEEDED entries read from $1 (expected GLib among them):" >&2
  echo "$needed" >&2
  exit 1
fi
if grep -Ei 'gtk|gdk|atk|pango|cairo|X11' <<<"$needed"; then
  echo "$1 links a toolkit library (above)" >&2
  exit 1
fi
echo "$1 needs: $(grep -o '\[.*\]' <<<"$needed" | tr '\n' ' ')"
