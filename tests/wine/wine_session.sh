# shellcheck shell=bash disable=SC2154  # $work is the caller's
# Sourced by the scripts that run Windows programs under Wine (tests/wine/run.sh,
# tests/install/windows_installer.sh, bench/wine_line_pacing.sh): a private
# X display and a fresh prefix in the caller's folder $work, and their end.
# Each step returns non-zero when it fails; the caller says so in its own
# words and counts it its own way.
#
#   require_files FILE...        exits 2 naming the first that is missing
#   wine_environment [OVERRIDES] exports WINEDEBUG, WINEDLLOVERRIDES (plus
#                                OVERRIDES), WINEARCH and WINEPREFIX
#                                ($work/prefix)
#   start_display SCREEN         Xvfb on a free display (SCREEN: WxHxD),
#                                waited for and exported as DISPLAY
#   make_prefix COMMAND...       the prefix made by COMMAND, then every Wine
#                                process of it ended; the output goes to
#                                $work/wineboot.log
#   end_wine_session             ends the prefix's processes and Xvfb (for
#                                the caller's EXIT trap)
#   winpath PATH                 PATH as a Windows program sees it (Z:)

xvfb_pid=

require_files() {
  local file
  for file in "$@"; do
    [ -f "$file" ] || { echo "missing: $file" >&2; exit 2; }
  done
}

# shellcheck disable=SC2120  # its argument is optional
wine_environment() {  # [more DLL overrides]
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=${1:+;$1}"
  export WINEARCH=win64
  export WINEPREFIX=$work/prefix
}

# The display comes before the prefix's first process: Wine's services and
# the driver's hidden window want one.
start_display() {  # screen
  Xvfb -displayfd 3 -nolisten tcp -screen 0 "$1" \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || return 1
  DISPLAY=:$(head -n1 "$work/display")
  export DISPLAY
}

make_prefix() {  # command...
  timeout 600 "$@" >"$work/wineboot.log" 2>&1 && timeout 120 wineserver -w
}

# Only a prefix of this session's own: never a WINEPREFIX the caller was
# started with.
end_wine_session() {
  if [ -d "$work/prefix" ]; then
    WINEPREFIX=$work/prefix timeout 30 wineserver -k >/dev/null 2>&1
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }
