#!/usr/bin/env bash
# The Debian packages as a user meets them: builds them with
# dpkg-buildpackage from a copy of this checkout (its own folder, nothing
# shared with the build trees), runs lintian (no error, no warning), installs
# them on this machine, uses them as a user would (a C program built with
# pkg-config, a CMake project with find_package(Quorvix), each driving the
# installed quorvix-sim; quorvix-host with the installed library and GTK
# module; quorvix-ola --version; systemd-analyze verify on the installed
# unit), then purges them and checks that no file of theirs is left. The
# purge runs however the script ends.
#
#   tests/install/debian_packages.sh
#
# Needs root (or sudo) and: dpkg-dev debhelper lintian, the build
# dependencies of debian/control, systemd (for systemd-analyze), a C
# compiler, cmake and pkg-config. Ends with "N passed, M failed".
set -u

here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
packages=(libquorvix0 libquorvix-dev quorvix-tools quorvix-ola)
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)

work=$(mktemp -d /tmp/quorvix-deb.XXXXXX)
sim_pid=
# shellcheck source=../pass_fail.sh
. "$here/../pass_fail.sh"

installed() { dpkg-query -W -f='${db:Status-Status}\n' "$1" 2>/dev/null | grep -qv '^not-installed$'; }
purge() {
  local present=()
  for package in "${packages[@]}"; do
    installed "$package" && present+=("$package")
  done
  [ ${#present[@]} -eq 0 ] ||
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive dpkg --purge "${present[@]}"
}
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  purge >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for package in "${packages[@]}"; do
  if installed "$package"; then
    echo "$package is installed already; purge it first" >&2
    exit 2
  fi
done

# --- Build and lint -------------------------------------------------------------

# The tracked files and the new ones not ignored, as they are now: what a
# commit of this work tree would hold.
mkdir -p "$work/quorvix"
(cd "$tree" && git ls-files -z --cached --others --exclude-standard |
   xargs -0 -I{} sh -c '[ -e "{}" ] && printf "%s\0" "{}"' |
   tar --null -T - -cf -) | tar -xf - -C "$work/quorvix"
version=$(cd "$work/quorvix" && dpkg-parsechangelog -S Version)
if (cd "$work/quorvix" &&
    DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -b -us -uc) \
    >"$work/build.log" 2>&1; then
  pass "dpkg-buildpackage -b -us -uc builds $version"
else
  fail "dpkg-buildpackage -b -us -uc"; tail -n 40 "$work/build.log"; finish
fi
debs=()
for package in "${packages[@]}"; do
  debs+=("$work/${package}_${version}_$(dpkg --print-architecture).deb")
done
changes=$(ls "$work"/quorvix_"${version}"_*.changes)
if lintian --fail-on error,warning --display-level '>=warning' \
     "$changes" >"$work/lintian.log" 2>&1 && ! grep -q '^[EW]:' "$work/lintian.log"; then
  pass "lintian: no error, no warning"
else
  fail "lintian"; cat "$work/lintian.log"
fi

# --- Install ---------------------------------------------------------------------

if "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
     apt-get install -y -qq --no-install-recommends "${debs[@]}" \
     >"$work/install.log" 2>&1; then
  pass "apt-get install of ${packages[*]}"
else
  fail "apt-get install"; cat "$work/install.log"; finish
fi

# Nothing of the build trees: a clean environment, the system's paths only.
user_env=(env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config")
mkdir -p "$work/home" "$work/config/quorvix/ports"
printf '[Plugins\\libquorvix.so]\nComPort=1\nComSettings=38400,n,8,1\n' \
  >"$work/config/quorvix/Install Test.ini"

# The simulator runs until its standard input ends: a pipe held open here.
start_sim() {  # name
  rm -f "$work/sim-input"
  mkfifo "$work/sim-input"
  "${user_env[@]}" quorvix-sim --link "$work/config/quorvix/ports/COM1" \
    --log "$work/sim-$1.log" <"$work/sim-input" >"$work/sim-$1.out" 2>&1 &
  sim_pid=$!
  exec 8>"$work/sim-input"
  for _ in $(seq 100); do [ -L "$work/config/quorvix/ports/COM1" ] && return 0; sleep 0.05; done
  return 1
}
stop_sim() {
  exec 8>&-
  wait "$sim_pid" 2>/dev/null
  sim_pid=
}

drive() {  # name program: runs the program against a fresh simulator
  local name=$1 program=$2 channel=$3 value=$4
  if ! start_sim "$name"; then
    fail "$name: quorvix-sim starts"; return
  fi
  local libquorvix
  libquorvix=$(realpath "$("${user_env[@]}" ldd "$program" | awk '/libquorvix/ {print $3}')")
  "${user_env[@]}" "$program" "$channel" "$value" >"$work/$name.out" 2>&1
  local status=$?
  stop_sim
  if [ $status -eq 0 ] && grep -q " frame $channel $value\$" "$work/sim-$name.log" &&
     [[ "$libquorvix" == /usr/lib/*/libquorvix.so.0.* ]]; then
    pass "$name: sets channel $channel to $value through $libquorvix"
  else
    fail "$name (exit $status, library ${libquorvix:-none})"
    cat "$work/$name.out"
  fi
}

# --- Use: pkg-config -------------------------------------------------------------

mkdir -p "$work/pkg-config"
cp "$here/user_project/client.c" "$work/pkg-config/"
# shellcheck disable=SC2016  # pkg-config runs in the user's shell
if (cd "$work/pkg-config" && "${user_env[@]}" sh -c \
      'cc -Wall -Werror -o client client.c $(pkg-config --cflags --libs quorvix)') \
    >"$work/pkg-config.log" 2>&1; then
  pass "cc with pkg-config --cflags --libs quorvix ($("${user_env[@]}" pkg-config --modversion quorvix))"
  drive pkg-config "$work/pkg-config/client" 5 200
else
  fail "cc with pkg-config --cflags --libs quorvix"; cat "$work/pkg-config.log"
fi

# --- Use: find_package(Quorvix) ----------------------------------------------------

cp -r "$here/user_project" "$work/cmake-project"
if "${user_env[@]}" cmake -S "$work/cmake-project" -B "$work/cmake-project/build" \
     >"$work/cmake.log" 2>&1 &&
   "${user_env[@]}" cmake --build "$work/cmake-project/build" >>"$work/cmake.log" 2>&1; then
  pass "a CMake project with find_package(Quorvix) builds"
  drive find_package "$work/cmake-project/build/client" 7 77
else
  fail "a CMake project with find_package(Quorvix)"; cat "$work/cmake.log"
fi

# --- Use: the programs --------------------------------------------------------------

for program in quorvix-ola quorvix-sim quorvix-host; do
  said=$("${user_env[@]}" "$program" --version 2>&1)
  if [ "$said" = "$program $version" ]; then
    pass "$program --version: $said"
  else
    fail "$program --version said: $said"
  fi
done

# quorvix-host finds the installed library by itself; asked for GTK without
# a display, the installed module (in its private folder) says why not.
if start_sim quorvix-host; then
  "${user_env[@]}" quorvix-host --ui gtk --trace init "Install Test" libquorvix.so \
    enable set 9 90 configure disable term >"$work/host.out" 2>&1
  status=$?
  stop_sim
  if [ $status -eq 0 ] && grep -q " frame 9 90\$" "$work/sim-quorvix-host.log" &&
     grep -q 'UI: none, since GTK 3 cannot open the display' "$work/host.out"; then
    pass "quorvix-host drives the installed library; its GTK module is found"
  else
    fail "quorvix-host with the installed library (exit $status)"; cat "$work/host.out"
  fi
else
  fail "quorvix-host: quorvix-sim starts"
fi

unit=$(dpkg -L quorvix-ola | grep '/systemd/system/quorvix-ola.service$')
if said=$(systemd-analyze verify "$unit" 2>&1) && [ -z "$said" ]; then
  pass "systemd-analyze verify $unit"
else
  fail "systemd-analyze verify $unit: $said"
fi
if ! find /etc/systemd/system -name 'quorvix-ola.service' | grep -q .; then
  pass "quorvix-ola.service is installed but not enabled"
else
  fail "quorvix-ola.service was enabled"
fi

# --- Purge ----------------------------------------------------------------------------

for deb in "${debs[@]}"; do
  dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^$'
done | sort -u >"$work/paths"
purge >"$work/purge.log" 2>&1
left=()
while read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  dpkg-query -S "$path" >/dev/null 2>&1 || left+=("$path")
done <"$work/paths"
if [ ${#left[@]} -eq 0 ] && ! /sbin/ldconfig -p | grep -q libquorvix; then
  pass "dpkg --purge leaves no file of the packages behind"
else
  fail "left behind after the purge: ${left[*]}"; cat "$work/purge.log"
fi

finish
