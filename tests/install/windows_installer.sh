#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh WoW64 prefix: a silent
# install in each scope, the registry entries of both DLLs pointing into the
# install folder, each in its own registry view, a script client that creates Quorvix.clsOutputDriver through the
# installed 64-bit DLL and drives quorvix-sim, the installer refusing (exit
# code 3, nothing changed) while a host has the DLL loaded and running over
# the installed copy once it has let go, an upgrade from an older installer
# that leaves one entry, and a silent uninstall (the entry's own
# QuietUninstallString) that removes the class, the files and the entry and
# keeps a settings key written before.
#
#   tests/install/windows_installer.sh <quorvix-setup-VERSION.exe> <dist dir> <quorvix-sim>
#
# <dist dir> is what `dist` collected (x64/, x86/); an older installer is
# built from it for the upgrade. Needs wine wine64 xvfb nsis and
# tools/wine32.sh setup. Ends with "N passed, M failed".
#
# The installer registers the 32-bit DLL with the 32-bit regsvr32 of
# SysWOW64, so every Wine process runs through tools/wine32.sh (the 32-bit
# half under QEMU), and the 32-bit view is read by the 32-bit reg of SysWOW64:
# Wine 8's 64-bit reg /reg:32 misses what a 32-bit program wrote.
set -u

if [ $# -ne 3 ]; then
  echo "usage: $0 <quorvix-setup-VERSION.exe> <dist dir> <quorvix-sim>" >&2
  exit 2
fi
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dist=$(cd "$2" && pwd) || exit 2
sim=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
here=$(cd "$(dirname "$0")" && pwd)
wine=("$(cd "$here/../../tools" && pwd)/wine32.sh" run)
reg32='C:\windows\syswow64\reg.exe'
version=$(basename "$setup" .exe)
version=${version#quorvix-setup-}
# shellcheck source=../wine/wine_session.sh
. "$here/../wine/wine_session.sh"
# shellcheck source=../pass_fail.sh
. "$here/../pass_fail.sh"
require_files "$setup" "$dist/x64/quorvix.dll" "$dist/x86/quorvix.dll" "$sim"

work=$(mktemp -d /tmp/quorvix-setup.XXXXXX)
sim_pid=

cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  end_wine_session
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A crashing 32-bit regsvr32 ends at once rather than wait in winedbg's window.
wine_environment 'winedbg.exe=d'
start_display 1024x768x24 || { fail "Xvfb starts"; finish; }
# wine32.sh makes the prefix on first use; a 32-bit program shows it runs.
if ! make_prefix "${wine[@]}" 'C:\windows\syswow64\cmd.exe' /c exit 0; then
  fail "fresh WoW64 Wine prefix running a 32-bit program (tools/wine32.sh)"
  cat "$work/wineboot.log"; finish
fi
# Every Windows profile's classes have it; without it Wine 8 gives a 32-bit
# program the 64-bit HKCU\Software\Classes\CLSID, and the per-user 32-bit
# registration would overwrite the 64-bit one.
timeout 60 "${wine[@]}" reg add 'HKCU\Software\Classes\Wow6432Node' /f >/dev/null 2>&1

unixpath() { "${wine[@]}" winepath -u "$1" 2>/dev/null; }

# Runs a Windows program and waits until every process of the prefix has
# ended (an uninstaller hands over to a copy of itself).
run() {  # timeout program args...
  local limit=$1
  shift
  timeout "$limit" "${wine[@]}" "$@" >"$work/run.out" 2>&1
  local status=$?
  timeout 120 wineserver -w
  return $status
}

# The reg of a registry view: 64 (System32's) or 32 (SysWOW64's).
reg() {  # 32|64 args...
  local program=reg
  [ "$1" = 32 ] && program=$reg32
  shift
  timeout 60 "${wine[@]}" "$program" "$@"
}

# The value (or the default value, for an empty name) of a key, in the
# given registry view.
reg_value() {  # key name [32|64]
  local which=(/v "$2")
  [ -z "$2" ] && which=(/ve)
  reg "${3:-64}" query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\([^ ].*[^ ]\|(Default)\) \{2,\}REG_[A-Z_]* \{2,\}//p' | head -n1
}
reg_exists() {  # key [32|64]
  reg "${2:-64}" query "$1" >/dev/null 2>&1
}

clsid='{38398B92-E04C-4725-AC17-5BA1348878A6}'
entry='Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvixTransmitter'
uninstall_root='Software\Microsoft\Windows\CurrentVersion\Uninstall'

# Checks one scope's installation: hive HKLM or HKCU, its classes key, the
# folder (Windows path) and version.
check_installed() {  # label hive classes folder version
  local label=$1 hive=$2 classes=$3 folder=$4 want=$5
  local key="$hive\\$entry" problems=()
  [ "$(reg_value "$key" DisplayName)" = "Quorvix Transmitter" ] || problems+=(DisplayName)
  [ "$(reg_value "$key" DisplayVersion)" = "$want" ] || problems+=(DisplayVersion)
  [ "$(reg_value "$key" Publisher)" = "Quorvix" ] || problems+=(Publisher)
  [ "$(reg_value "$key" InstallLocation)" = "$folder" ] || problems+=(InstallLocation)
  [[ "$(reg_value "$key" EstimatedSize)" == 0x* ]] || problems+=(EstimatedSize)
  [[ "$(reg_value "$key" UninstallString)" == "\"$folder\\uninstall.exe\" /"* ]] ||
    problems+=(UninstallString)
  [[ "$(reg_value "$key" QuietUninstallString)" == "\"$folder\\uninstall.exe\" /S /"* ]] ||
    problems+=(QuietUninstallString)
  if [ ${#problems[@]} -eq 0 ]; then
    pass "$label: entry under installed programs ($hive), version $want"
  else
    fail "$label: entry lacks or has wrong ${problems[*]}"
    reg 64 query "$key" 2>/dev/null | tr -d '\r'
  fi
  local server
  server=$(reg_value "$classes\\CLSID\\$clsid\\InprocServer32" "" 64)
  if [ "$server" = "$folder\\x64\\quorvix.dll" ] &&
     [ "$(reg_value "$classes\\Quorvix.clsOutputDriver\\CLSID" "")" = "$clsid" ]; then
    pass "$label: the 64-bit class points into the folder ($server)"
  else
    fail "$label: the 64-bit class points to '$server'"
  fi
  # As a 32-bit host reads them, and where they are kept.
  server=$(reg_value "$classes\\CLSID\\$clsid\\InprocServer32" "" 32)
  local progid stored
  progid=$(reg_value "$classes\\Quorvix.clsOutputDriver\\CLSID" "" 32)
  stored=$(reg_value "$classes\\Wow6432Node\\CLSID\\$clsid\\InprocServer32" "" 64)
  if [ "$server" = "$folder\\x86\\quorvix.dll" ] && [ "$progid" = "$clsid" ] &&
     [ "$stored" = "$server" ]; then
    pass "$label: in the 32-bit view the class points to the 32-bit DLL ($server, under Wow6432Node) and the ProgID names it"
  else
    fail "$label: in the 32-bit view the class points to '$server' (under Wow6432Node: '$stored'), the ProgID names '$progid'"
  fi
  local unix
  unix=$(unixpath "$folder")
  if cmp -s "$unix/x64/quorvix.dll" "$dist/x64/quorvix.dll" &&
     [ -f "$unix/uninstall.exe" ] &&
     cmp -s "$unix/x86/quorvix.dll" "$dist/x86/quorvix.dll"; then
    pass "$label: the DLLs and the uninstaller are in $folder"
  else
    fail "$label: files in $folder: $(cd "$unix" 2>/dev/null && find . -type f | tr '\n' ' ')"
  fi
}

entries_named() {  # hive: how many entries carry the product's name
  reg 64 query "$1\\$uninstall_root" /s 2>/dev/null |
    tr -d '\r' | grep -c '^ *DisplayName *REG_SZ *Quorvix Transmitter$'
}

# --- All users, default folder ------------------------------------------------------

all_folder='C:\Program Files\Quorvix'
if run 300 "$setup" /S /AllUsers; then
  pass "silent install for all users (/S /AllUsers)"
  check_installed "all users" HKLM 'HKLM\Software\Classes' "$all_folder" "$version"
else
  fail "silent install for all users (exit $?)"; cat "$work/run.out"
fi

# --- A script client through the installed 64-bit DLL --------------------------------

settings_key='HKCU\Software\VB and VBA Program Settings\Installer Test\Plugins\quorvix.dll'
reg 64 add "$settings_key" /v ComPort /t REG_SZ /d 5 /f >/dev/null 2>&1
reg 64 add "$settings_key" /v ComSettings /t REG_SZ /d 38400,n,8,1 /f >/dev/null 2>&1
rm -f "$WINEPREFIX/dosdevices/com5"
# The simulator runs until its standard input ends: a pipe held open here.
mkfifo "$work/sim-input"
"$sim" --link "$WINEPREFIX/dosdevices/com5" --log "$work/sim.log" <"$work/sim-input" \
  >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 8>"$work/sim-input"
for _ in $(seq 100); do [ -L "$WINEPREFIX/dosdevices/com5" ] && break; sleep 0.05; done
cp "$here/client.vbs" "$work/client.vbs"
run 120 cscript //nologo "$(winpath "$work/client.vbs")"
tr -d '\r' <"$work/run.out" >"$work/client.out"
exec 8>&-
wait "$sim_pid" 2>/dev/null
sim_pid=
if grep -q '^set channel 5 to 200$' "$work/client.out" &&
   grep -q ' frame 5 200$' "$work/sim.log"; then
  pass "cscript creates Quorvix.clsOutputDriver from the installed DLL and drives quorvix-sim"
else
  fail "cscript client"; cat "$work/client.out"
fi

# --- Files in use: the installer refuses and changes nothing ---------------------------

cp "$here/hold.vbs" "$work/hold.vbs"
timeout 300 "${wine[@]}" cscript //nologo "$(winpath "$work/hold.vbs")" \
  "$(winpath "$work/release")" >"$work/hold.out" 2>&1 &
holder_pid=$!
for _ in $(seq 200); do grep -q loaded "$work/hold.out" 2>/dev/null && break; sleep 0.1; done
timeout 300 "${wine[@]}" "$setup" /S /AllUsers >"$work/run.out" 2>&1
status=$?
if grep -q loaded "$work/hold.out" && [ $status -eq 3 ]; then
  pass "with the DLL loaded by a host, the installer exits 3 (files in use)"
  check_installed "all users, still" HKLM 'HKLM\Software\Classes' "$all_folder" "$version"
else
  fail "with the DLL loaded by a host, the installer exits $status"
fi
touch "$work/release"
wait "$holder_pid"
timeout 120 wineserver -w
if run 300 "$setup" /S /AllUsers; then
  pass "once the host has let go, the same installer runs over the installed copy"
else
  fail "the installer over the installed copy (exit $?)"; cat "$work/run.out"
fi

# --- Current user: an older version, then this one over it ----------------------------

user_folder='C:\QuorvixUser'
older=$work/quorvix-setup-0.0.1.exe
if ! "$here/../../packaging/windows/build.sh" 0.0.1 "$dist" "$older" >"$work/older.log" 2>&1; then
  fail "an older installer builds"; cat "$work/older.log"; finish
fi
if run 300 "$older" /S /CurrentUser "/D=$user_folder" &&
   [ "$(reg_value "HKCU\\$entry" DisplayVersion)" = 0.0.1 ]; then
  pass "silent install of 0.0.1 for the current user (/S /CurrentUser /D=$user_folder)"
else
  fail "silent install of 0.0.1 for the current user"; cat "$work/run.out"
fi
if run 300 "$setup" /S /CurrentUser; then
  pass "silent upgrade to $version for the current user (the folder remembered)"
  check_installed "current user" HKCU 'HKCU\Software\Classes' "$user_folder" "$version"
else
  fail "silent upgrade for the current user (exit $?)"; cat "$work/run.out"
fi
for hive in HKCU HKLM; do
  count=$(entries_named "$hive")
  if [ "$count" = 1 ]; then
    pass "one entry under installed programs in $hive"
  else
    fail "$count entries under installed programs in $hive"
  fi
done

# --- Silent uninstall, as the entry says -----------------------------------------------

uninstall() {  # label hive classes folder
  local label=$1 hive=$2 classes=$3 folder=$4
  local quiet program arguments
  quiet=$(reg_value "$hive\\$entry" QuietUninstallString)
  program=${quiet#\"}
  program=${program%%\"*}
  arguments=${quiet#\"$program\" }
  # shellcheck disable=SC2086  # the entry's switches
  if [ -n "$program" ] && run 300 "$program" $arguments; then
    pass "$label: $quiet"
  else
    fail "$label: silent uninstall '$quiet'"; cat "$work/run.out"
  fi
  local left=()
  reg_exists "$classes\\CLSID\\$clsid" 64 && left+=("class (64-bit view)")
  reg_exists "$classes\\CLSID\\$clsid" 32 && left+=("class (32-bit view)")
  reg_exists "$classes\\Quorvix.clsOutputDriver" 64 && left+=("ProgID (64-bit view)")
  reg_exists "$classes\\Quorvix.clsOutputDriver" 32 && left+=("ProgID (32-bit view)")
  reg_exists "$hive\\$entry" && left+=(entry)
  [ -e "$(unixpath "$folder")" ] && left+=("$folder")
  if [ ${#left[@]} -eq 0 ]; then
    pass "$label: the class, the files and the entry are gone"
  else
    fail "$label: left behind: ${left[*]}"
  fi
}
uninstall "current user" HKCU 'HKCU\Software\Classes' "$user_folder"
uninstall "all users" HKLM 'HKLM\Software\Classes' "$all_folder"
if [ "$(reg_value "$settings_key" ComPort)" = 5 ]; then
  pass "the settings key written before stays"
else
  fail "the settings key is gone"
fi

finish
