#!/usr/bin/env bash
# Tests of the Windows plug-in under Wine. Builds nothing: give it the two
# Windows build folders (mingw-x86_64 and mingw-i686 toolchains, target all)
# and the Linux quorvix-sim.
#
#   tests/wine/run.sh <win64 build dir> <win32 build dir> <quorvix-sim>
#
# Needs: wine wine64 xvfb (without wine32), the mingw-w64 binutils for the
# checks of the DLLs, xdotool and imagemagick, and tools/wine32.sh setup.
# After the checks of both DLLs as files, the same steps run twice, each time
# as this script again with QUORVIX_WINE_SUITE set: the 64-bit DLL with the
# 64-bit test host in a fresh 64-bit prefix, then the 32-bit DLL with the
# 32-bit test host in a fresh WoW64 prefix whose 32-bit half runs under QEMU
# (tools/wine32.sh run). Every Wine step runs one after the other, each under
# a timeout. Ends with "N passed, M failed" and exits non-zero when a step
# failed.
#
# QUORVIX_WINE_ONLY="dialog-layout dmxin" runs only the named test-host
# scenarios (after the checks of the DLLs and the registration), for
# iterating on a few; QUORVIX_WINE_BITS=32 runs only the 32-bit suite.
set -u

if [ $# -ne 3 ]; then
  echo "usage: $0 <win64 build dir> <win32 build dir> <quorvix-sim>" >&2
  exit 2
fi
win64=$(cd "$1" && pwd) || exit 2
win32=$(cd "$2" && pwd) || exit 2
sim=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
here=$(cd "$(dirname "$0")" && pwd)
wine32=$(cd "$here/../../tools" && pwd)/wine32.sh
# shellcheck source=wine_session.sh
. "$here/wine_session.sh"
# shellcheck source=../pass_fail.sh
. "$here/../pass_fail.sh"
require_files "$win64/quorvix.dll" "$win64/quorvix_wine_host.exe" \
  "$win64/quorvix_win32_contract_tests.exe" \
  "$win32/quorvix.dll" "$win32/quorvix_wine_host.exe" \
  "$win32/quorvix_win32_contract_tests.exe" "$sim"

work=$(mktemp -d /tmp/quorvix-wine.XXXXXX)
sim_pid=
feeder_pid=
pair_pid=
watcher_pid=
x_server_pid=
closer_pid=

# In a suite, each name says which DLL it ran against.
check_prefix=
[ -n "${QUORVIX_WINE_SUITE:-}" ] && check_prefix="$QUORVIX_WINE_SUITE-bit: "

stop_sim() {
  [ -n "$feeder_pid" ] && kill "$feeder_pid" 2>/dev/null
  [ -n "$sim_pid" ] && { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; }
  feeder_pid=
  sim_pid=
}

cleanup() {
  stop_sim
  [ -n "$pair_pid" ] && kill "$pair_pid" 2>/dev/null
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null
  [ -n "$x_server_pid" ] && kill "$x_server_pid" 2>/dev/null
  [ -n "$closer_pid" ] && kill "$closer_pid" 2>/dev/null
  end_wine_session
  rm -rf "$work"
  if [ -n "${QUORVIX_WINE_COUNTS:-}" ]; then
    echo "$passed $failed" >>"$QUORVIX_WINE_COUNTS"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- The DLLs as files -------------------------------------------------------

check_dll() {  # name dll objdump windres format
  local name=$1 dll=$2 objdump=$3 windres=$4 format=$5
  local dump
  dump=$("$objdump" -p "$dll") || { fail "$name: objdump reads it"; return; }
  if "$objdump" -f "$dll" | grep -q "file format $format"; then
    pass "$name: is $format"
  else
    fail "$name: is $format"
  fi
  local exports
  exports=$(printf '%s\n' "$dump" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
  if [ "$exports" = "DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer " ]; then
    pass "$name: exports the five undecorated Dll names and nothing else"
  else
    fail "$name: exports are [$exports]"
  fi
  local imports others
  imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  others=$(printf '%s\n' $imports |
    grep -v -x -E 'kernel32.dll|user32.dll|advapi32.dll|ole32.dll|oleaut32.dll|msvcrt.dll' |
    tr '\n' ' ')
  if [ -z "$others" ] && [ -n "$imports" ]; then
    pass "$name: imports only system DLLs ($imports)"
  else
    fail "$name: imports non-system DLLs: $others"
  fi
  if "$windres" -i "$dll" -O rc 2>/dev/null | grep -q '^1 "TYPELIB"'; then
    pass "$name: carries resource 1 TYPELIB"
  else
    fail "$name: carries resource 1 TYPELIB"
  fi
}

if [ -z "${QUORVIX_WINE_SUITE:-}" ]; then
  check_dll "64-bit DLL" "$win64/quorvix.dll" x86_64-w64-mingw32-objdump \
    x86_64-w64-mingw32-windres pei-x86-64
  check_dll "32-bit DLL" "$win32/quorvix.dll" i686-w64-mingw32-objdump \
    i686-w64-mingw32-windres pei-i386
  for bits in ${QUORVIX_WINE_BITS:-64 32}; do
    : >"$work/counts"
    QUORVIX_WINE_SUITE=$bits QUORVIX_WINE_COUNTS=$work/counts "$0" "$@"
    status=$?
    read -r suite_passed suite_failed <"$work/counts" ||
      { suite_passed=0; suite_failed=0; }
    passed=$((passed + suite_passed))
    failed=$((failed + suite_failed))
    if [ $status -ne 0 ] && [ "$suite_failed" -eq 0 ]; then
      fail "the $bits-bit suite ended early (exit $status)"
    fi
  done
  finish
fi

# --- One suite: the DLL, the test host and the Wine of one bitness -------------

bits=$QUORVIX_WINE_SUITE
if [ "$bits" = 64 ]; then
  build=$win64
  wine=(wine)
  regsvr32=regsvr32
  cscript=cscript
  reg=reg
  new_prefix=(wineboot -i)
  dll_overrides=
  typelib_platform=win64
  host_format=pei-x86-64
elif [ "$bits" = 32 ]; then
  # The 32-bit programs of a WoW64 prefix; its 64-bit programs (explorer)
  # run natively beside them. A crash ends the program at once: winedbg's
  # crash window would wait for a click until the step's timeout, and its
  # backtrace of an emulated process says little.
  build=$win32
  wine=("$wine32" run)
  regsvr32='C:\windows\syswow64\regsvr32.exe'
  cscript='C:\windows\syswow64\cscript.exe'
  reg='C:\windows\syswow64\reg.exe'
  # wine32.sh makes the prefix on first use; a 32-bit program shows it runs.
  new_prefix=("$wine32" run 'C:\windows\syswow64\cmd.exe' /c exit 0)
  dll_overrides='winedbg.exe=d'
  typelib_platform=win32
  host_format=pei-i386
else
  fail "QUORVIX_WINE_BITS names 64 or 32, not $bits"; exit 1
fi

# --- One fresh prefix, with a display before its first process ----------------

wine_environment "$dll_overrides"
start_display 1024x768x24 || { fail "Xvfb starts"; finish; }

if make_prefix "${new_prefix[@]}"; then
  pass "fresh $bits-bit Wine prefix"
else
  fail "fresh $bits-bit Wine prefix"; cat "$work/wineboot.log"
  finish
fi
# Under emulation a 32-bit program takes seconds longer to start when it has
# to start the wineserver and Wine's services too: they stay up meanwhile.
# Its output goes nowhere: at exit it lists every object it still holds.
[ "$bits" = 32 ] && wineserver -p >/dev/null 2>&1

if x86_64-w64-mingw32-objdump -f "$build/quorvix_wine_host.exe" |
   grep -q "file format $host_format"; then
  pass "the test host is $host_format"
else
  fail "the test host is $host_format"
fi

bin=$work/bin
mkdir -p "$bin"
cp "$build/quorvix.dll" "$build/quorvix_wine_host.exe" \
  "$build/quorvix_win32_contract_tests.exe" "$here/client.vbs" "$bin/"
dll=$(winpath "$bin/quorvix.dll")
host=$bin/quorvix_wine_host.exe
export QUORVIX_DLL=$dll

wine_step() {  # name timeout command...: runs a Wine command; its standard
               # output without CRs in step.txt, Wine's own noise in step.err
  local limit=$2
  shift 2
  timeout "$limit" "$@" >"$work/step.out" 2>"$work/step.err"
  local status=$?
  tr -d '\r' <"$work/step.out" >"$work/step.txt"
  return $status
}

# The step's own verdict: its last line reads "N passed, 0 failed".
step_passed() { tail -n1 "$work/step.txt" | grep -q '^[0-9]* passed, 0 failed$'; }

# The registry as a program of the suite's bitness sees it.
reg_query() { timeout 60 "${wine[@]}" "$reg" query "$@" 2>/dev/null | tr -d '\r'; }
reg_exists() { timeout 60 "${wine[@]}" "$reg" query "$1" >/dev/null 2>&1; }
reg_add() { timeout 60 "${wine[@]}" "$reg" add "$@" >/dev/null 2>&1; }

# --- The simulated transmitter on COM5 -----------------------------------------

start_sim() {  # name
  local dir=$work/sim-$1
  mkdir -p "$dir"
  : >"$dir/commands"
  mkfifo "$dir/input"
  rm -f "$WINEPREFIX/dosdevices/com5"
  tail -n +1 -f "$dir/commands" >"$dir/input" &
  feeder_pid=$!
  "$sim" --link "$WINEPREFIX/dosdevices/com5" --log "$dir/log" \
    <"$dir/input" >"$dir/out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [ -L "$WINEPREFIX/dosdevices/com5" ] && break; sleep 0.05; done
  sim_log=$(winpath "$dir/log")
  sim_commands=$(winpath "$dir/commands")
  [ -L "$WINEPREFIX/dosdevices/com5" ]
}

wanted() {  # scenario
  [ -z "${QUORVIX_WINE_ONLY:-}" ] || [[ " $QUORVIX_WINE_ONLY " == *" $1 "* ]]
}

run_scenario() {  # scenario [desktop: inside Wine's virtual desktop]
  wanted "$1" || return 0
  if ! start_sim "$1"; then
    fail "host $1: simulator on COM5"; return
  fi
  local program=("$host")
  [ "${2:-}" = desktop ] && program=(explorer /desktop=quorvix,1024x768 "$host")
  wine_step "$1" 300 "${wine[@]}" "${program[@]}" "$1" "$sim_log" "$sim_commands"
  local status=$?
  stop_sim
  sed "s/^/    /" "$work/step.txt"
  if [ $status -eq 0 ] && step_passed; then
    pass "host $1: $(tail -n1 "$work/step.txt")"
  else
    fail "host $1 (exit $status)"
    sed "s/^/    stderr: /" "$work/step.err" | tail -n 20
  fi
}

# --- The platform interfaces' contracts, kept by the Win32 back ends ---------

# COM8 and COM9 are two ends of a pair of pseudo-terminals (pty_pair.py).
# Each GoogleTest case counts by its name, a skipped one is shown with its
# reason; a program that ends without naming its verdicts (a crash, the
# timeout) fails as a whole.
if wanted contract; then
  python3 "$here/pty_pair.py" "$WINEPREFIX/dosdevices/com8" \
    "$WINEPREFIX/dosdevices/com9" "$work/pty-pair-request" &
  pair_pid=$!
  for _ in $(seq 100); do [ -L "$WINEPREFIX/dosdevices/com9" ] && break; sleep 0.05; done
  QUORVIX_PTY_PAIR=$(winpath "$work/pty-pair-request") \
    wine_step contract 300 "${wine[@]}" "$bin/quorvix_win32_contract_tests.exe"
  status=$?
  kill "$pair_pid" 2>/dev/null
  wait "$pair_pid" 2>/dev/null
  pair_pid=
  rm -f "$WINEPREFIX/dosdevices/com8" "$WINEPREFIX/dosdevices/com9"
  verdicts=$(sed -n -E 's/^\[ +(OK|FAILED|SKIPPED) +\] ([^ ,]+).* \([0-9]+ ms\)$/\1 \2/p' \
    "$work/step.txt")
  while read -r verdict name; do
    case $verdict in
      OK) pass "contract: $name" ;;
      FAILED) fail "contract: $name" ;;
      SKIPPED) echo "SKIP ${check_prefix}contract: $name" ;;
    esac
  done <<<"$verdicts"
  if [ -z "$verdicts" ] ||
     { [ $status -ne 0 ] && ! grep -q '^FAILED' <<<"$verdicts"; }; then
    fail "contracts (exit $status)"
  fi
  grep -A1 ': Skipped$' "$work/step.txt" | grep -v -e ': Skipped$' -e '^--$' |
    sort -u | sed "s/^/    skipped: /"
  grep -A8 'Failure$' "$work/step.txt" | sed "s/^/    /"
fi

# --- Per-user registration writes and removes only its own keys ----------------

clsid='{38398B92-E04C-4725-AC17-5BA1348878A6}'
user_classes='HKCU\Software\Classes'
if wine_step user-register 120 "${wine[@]}" "$regsvr32" /s /n /i:user "$dll" &&
   reg_query "$user_classes\\CLSID\\$clsid\\InprocServer32" | grep -q Apartment &&
   reg_query "$user_classes\\Quorvix.clsOutputDriver\\CLSID" | grep -q "$clsid"; then
  pass "regsvr32 /n /i:user registers under HKCU\\Software\\Classes"
else
  fail "regsvr32 /n /i:user registers under HKCU\\Software\\Classes"
fi
if wine_step user-unregister 120 "${wine[@]}" "$regsvr32" /s /u /n /i:user "$dll" &&
   ! reg_exists "$user_classes\\CLSID\\$clsid" &&
   ! reg_exists "$user_classes\\Quorvix.clsOutputDriver" &&
   ! reg_exists "HKCR\\CLSID\\$clsid" &&
   ! reg_exists 'HKCR\TypeLib\{B71DC130-1DC8-4041-B8B9-C061E543A4F1}'; then
  pass "regsvr32 /u /n /i:user removes what it added"
else
  fail "regsvr32 /u /n /i:user removes what it added"
fi

# --- Registration for all users ---------------------------------------------------

if wine_step register 120 "${wine[@]}" "$regsvr32" /s "$dll" &&
   reg_query "HKCR\\CLSID\\$clsid\\InprocServer32" | grep -q 'ThreadingModel.*Apartment' &&
   reg_query "HKCR\\Quorvix.clsOutputDriver\\CLSID" | grep -q "$clsid" &&
   reg_query "HKCR\\TypeLib\\{B71DC130-1DC8-4041-B8B9-C061E543A4F1}\\1.0\\0\\$typelib_platform" | grep -q quorvix.dll; then
  pass "wine regsvr32 registers class, ProgID and type library"
else
  fail "wine regsvr32 registers class, ProgID and type library"
  cat "$work/step.txt"
fi
# As on 64-bit Windows, a 32-bit server's class is for 32-bit clients only.
if [ "$bits" = 32 ]; then
  if ! timeout 60 "${wine[@]}" reg query "HKCR\\CLSID\\$clsid" >/dev/null 2>&1; then
    pass "the class is in the 32-bit view only (Wow6432Node)"
  else
    fail "the class is in the 32-bit view only (Wow6432Node)"
  fi
fi

# --- The VBScript client, with a box watcher beside it ---------------------------

# A script cannot reach the dialog its Configure opens; a user beside it
# clicks the close box (tool window caption: the box sits 11 pixels from the
# right edge, 9 from the top), and each click is counted.
close_dialogs() {  # click log
  local id WIDTH
  while :; do
    for id in $(xdotool search --onlyvisible --name '^Konfiguration$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$id" | grep '^WIDTH=')"
      xdotool mousemove --window "$id" $((WIDTH - 11)) 9 click 1 &&
        echo "$id" >>"$1"
    done
    sleep 0.5
  done
}

script_key='HKCU\Software\VB and VBA Program Settings\Wine Script Host\Plugins\quorvix.dll'
reg_add "$script_key" /v ComPort /t REG_SZ /d 5 /f
reg_add "$script_key" /v ComSettings /t REG_SZ /d 38400,n,8,1 /f
if ! wanted cscript; then
  :
elif start_sim script; then
  boxes=$work/script-boxes.log
  : >"$boxes"
  timeout 300 "${wine[@]}" "$host" watch-boxes "$(winpath "$boxes")" \
    "$(winpath "$work/script-done")" >/dev/null 2>&1 &
  watcher_pid=$!
  : >"$work/script-closes.log"
  close_dialogs "$work/script-closes.log" &
  closer_pid=$!
  wine_step cscript 300 "${wine[@]}" "$cscript" "$(winpath "$bin/client.vbs")"
  status=$?
  kill "$closer_pid" 2>/dev/null
  wait "$closer_pid" 2>/dev/null
  closer_pid=
  touch "$work/script-done"
  wait "$watcher_pid" 2>/dev/null
  watcher_pid=
  stop_sim
  sed "s/^/    /" "$work/step.txt"
  if [ $status -eq 0 ] && step_passed; then
    pass "cscript client: $(tail -n1 "$work/step.txt")"
  else
    fail "cscript client (exit $status; a missing last line is a script error)"
    reg_query "$script_key" | sed "s/^/    settings: /"
    tail -n 20 "$work/sim-script/log" | sed "s/^/    simulator: /"
  fi
  if [ -s "$work/script-closes.log" ]; then
    pass "cscript client: its Configure showed the dialog, closed by its close box"
  else
    fail "cscript client: no dialog to close"
  fi
  if [ ! -s "$boxes" ]; then
    pass "cscript client: no message box at 38400 baud"
  else
    fail "cscript client: boxes shown: $(cat "$boxes")"
  fi
else
  fail "cscript client: simulator on COM5"
fi

# --- The Win32 test host -------------------------------------------------------------

# A port that cannot be opened (a folder): what a port in use looks like.
mkdir -p "$work/not-a-port"
ln -sfn "$work/not-a-port" "$WINEPREFIX/dosdevices/com7"

for scenario in link boxes recovery serial-loss dispatch invoke-fuzz; do
  run_scenario "$scenario"
done

run_scenario settings
if wanted settings; then
  settings_key='HKCU\Software\VB and VBA Program Settings\Wine Test Host\Plugins\quorvix.dll'
  settings=$(reg_query "$settings_key")
  if printf '%s\n' "$settings" | grep -q -E 'ComPort +REG_SZ +5$' &&
     printf '%s\n' "$settings" | grep -q -E 'ComSettings +REG_SZ +38400,n,8,1$' &&
     printf '%s\n' "$settings" | grep -q -E 'DMXInActive +REG_SZ +False$' &&
     printf '%s\n' "$settings" | grep -q -E 'DMXInChannels +REG_SZ +33$' &&
     printf '%s\n' "$settings" | grep -q -E 'DMXInInterval +REG_SZ +50$'; then
    pass "wine reg query reads the settings Term wrote"
  else
    fail "wine reg query reads the settings Term wrote"
    printf '%s\n' "$settings"
  fi
fi

for scenario in objects dmxin script-helper unload; do
  run_scenario "$scenario"
done

# --- The configuration dialog's real window -------------------------------------

for scenario in dialog-layout dialog-link dialog-numbers dialog-modal; do
  run_scenario "$scenario"
done

# The same window at 120 DPI: every place follows the prefix's DPI.
if wanted dialog-layout-120dpi; then
  desktop_key='HKCU\Control Panel\Desktop'
  reg_add "$desktop_key" /v LogPixels /t REG_DWORD /d 120 /f
  QUORVIX_WINE_ONLY=dialog-layout run_scenario dialog-layout
  reg_add "$desktop_key" /v LogPixels /t REG_DWORD /d 96 /f
fi

# Real keys through the X server. Without a window manager only Wine's
# virtual desktop takes the X focus, so the test host runs inside one and
# asks (tests/wine/x_requests.h) for keys and a screenshot; explorer does
# not pass on its exit status, the last line of the output tells.
x_requests=$work/x-requests

serve_x_requests() {
  local request status desktop
  while :; do
    if [ -f "$x_requests/request" ]; then
      request=$(cat "$x_requests/request")
      rm -f "$x_requests/request"
      case $request in
        focus-desktop\ *)
          desktop=$(xdotool search --name '^quorvix - Wine desktop$' | head -n1)
          # shellcheck disable=SC2086  # the request's X and Y
          [ -n "$desktop" ] &&
            xdotool windowfocus --sync "$desktop" &&
            xdotool mousemove --window "$desktop" ${request#focus-desktop } click 1
          status=$? ;;
        screenshot)
          import -window root "$build/dialog.png"
          status=$? ;;
        *)
          # shellcheck disable=SC2086  # the request is xdotool's arguments
          xdotool $request
          status=$? ;;
      esac
      echo "$status" >"$x_requests/done.tmp"
      mv "$x_requests/done.tmp" "$x_requests/done"
    fi
    sleep 0.05
  done
}

if wanted dialog-keys; then
  mkdir -p "$x_requests"
  serve_x_requests &
  x_server_pid=$!
  QUORVIX_X_REQUESTS=$(winpath "$x_requests") run_scenario dialog-keys desktop
  kill "$x_server_pid" 2>/dev/null
  wait "$x_server_pid" 2>/dev/null
  x_server_pid=
  if [ -s "$build/dialog.png" ]; then
    pass "screenshot of the dialog: $build/dialog.png"
  else
    fail "screenshot of the dialog"
  fi
fi


# --- Unregistration ------------------------------------------------------------------

if wine_step unregister 120 "${wine[@]}" "$regsvr32" /s /u "$dll" &&
   ! reg_exists 'HKCR\Quorvix.clsOutputDriver' &&
   ! reg_exists "HKCR\\CLSID\\$clsid"; then
  pass "wine regsvr32 /u removes class and ProgID"
else
  fail "wine regsvr32 /u removes class and ProgID"
fi
run_scenario unregistered

finish
