#!/bin/sh
# Builds the installer: build.sh VERSION DIST OUTFILE (DIST as `dist` fills
# it: x64/quorvix.dll, x86/quorvix.dll). Used by the
# `installer` target and by the upgrade test, which builds an older one.
set -eu
[ $# -eq 3 ] || { echo "usage: $0 VERSION DIST OUTFILE" >&2; exit 2; }
exec makensis -V2 -WX -INPUTCHARSET UTF8 -DVERSION="$1" -DDIST="$2" \
  -DOUTFILE="$3" "$(dirname "$0")/quorvix.nsi"
