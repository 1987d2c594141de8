#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, when
# any is missing. Usage:
# tools/install-deps.sh [linux|windows|ola|gtk|packaging|all]
set -euo pipefail

# libudev-dev: which serial devices are present, and their stable names.
linux_packages=(cmake ninja-build g++ pkg-config python3 libglib2.0-dev
                libudev-dev libgtest-dev libgmock-dev googletest
                libbenchmark-dev)
# The tests also build the tree with clang, and with its sanitizers and
# libFuzzer.
test_packages=(clang libclang-rt-14-dev)
# quorvix-ola builds only where OLA's client library is; its test runs the
# daemon from ola; systemd-analyze (systemd) checks its example unit. The
# systemd package starts nothing where systemd is not running already.
ola_packages=(libola-dev ola systemd)
# The GTK dialog module, and its tests on a virtual X server with a font;
# librsvg2-common loads the theme's arrow icons.
gtk_packages=(libgtk-3-dev librsvg2-common xvfb xdotool fonts-dejavu-core)
# googletest: its sources, built with mingw-w64 for the Wine contract tests.
# wine64 recommends wine32, which must stay out: with it, wine tries the
# 32-bit loader first, and these machines cannot run 32-bit programs.
windows_packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools googletest
                  libwine-dev wine wine64 xvfb x11-utils imagemagick
                  xdotool)

# The Windows installer (makensis) and the Debian packages: their build, the
# build dependencies of debian/control beyond the lists above, and lintian.
packaging_packages=(nsis dpkg-dev debhelper lintian libgtk-3-dev libola-dev
                    systemd)

set_name=${1:-all}
case "$set_name" in
  linux) wanted=("${linux_packages[@]}") ;;
  windows) wanted=("${windows_packages[@]}") ;;
  ola) wanted=("${ola_packages[@]}") ;;
  gtk) wanted=("${gtk_packages[@]}") ;;
  packaging) wanted=("${linux_packages[@]}" "${packaging_packages[@]}") ;;
  all) wanted=("${linux_packages[@]}" "${test_packages[@]}" "${ola_packages[@]}"
               "${gtk_packages[@]}" "${windows_packages[@]}"
               "${packaging_packages[@]}") ;;
  *) echo "usage: $0 [linux|windows|ola|gtk|packaging|all]" >&2; exit 2 ;;
esac

# The 32-bit half of Wine, run under emulation: unpacked into a cache of its
# own, never installed (wine32 must stay out, as above). Without it only the
# Wine tests' 32-bit suite fails (it says why), so the rest goes on.
wine32_setup() {
  case "$set_name" in
    windows|all)
      "$(dirname "$0")/wine32.sh" setup ||
        echo "install-deps: tools/wine32.sh setup failed; the 32-bit Wine tests will fail" >&2 ;;
  esac
}

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  wine32_setup
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# No service may start while packages install: ola's olad would broadcast
# Art-Net and sACN on every interface and serve its web page on all
# addresses. A policy-rc.d that refuses every start stands in for whatever
# is there (which may allow starts) and is put back afterwards.
policy=/usr/sbin/policy-rc.d
"${sudo_cmd[@]}" sh -c "if [ -e $policy ] && [ ! -e $policy.quorvix-saved ]; then
    mv $policy $policy.quorvix-saved
  fi
  printf '#!/bin/sh\\nexit 101\\n' > $policy && chmod 755 $policy"
restore_policy() {
  "${sudo_cmd[@]}" sh -c "rm -f $policy
    if [ -e $policy.quorvix-saved ]; then mv $policy.quorvix-saved $policy; fi"
}
trap restore_policy EXIT

"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
wine32_setup
