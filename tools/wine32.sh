#!/usr/bin/env bash
# 32-bit Windows programs under Wine on a machine whose kernel runs no 32-bit
# Linux programs: the 32-bit half of Wine runs under QEMU's user-mode
# emulator, the 64-bit half (and wineserver) natively.
#
#   tools/wine32.sh setup                  prepares everything; a second run
#                                          costs nothing
#   tools/wine32.sh run PROGRAM [ARGS...]  runs PROGRAM in the 64-bit (WoW64)
#                                          prefix WINEPREFIX, made on first use;
#                                          exits with the program's code
#
# In that prefix C:\windows\syswow64\regsvr32.exe and cscript.exe are the
# 32-bit ones, and a 32-bit registration lands in Wow6432Node as on Windows.
#
# What setup makes, in QUORVIX_WINE32_CACHE (default /var/cache/quorvix/wine32
# for root, so that every clone and CI run on a machine shares it; about
# 0.6 GB, no download kept):
#   qemu-i386   the static emulator of QEMU 10 (bookworm-backports): Debian
#               12's QEMU 7.2 treats MAP_FIXED_NOREPLACE as a hint, and Wine's
#               address-space reservation then takes minutes per process
#   sysroot/    the i386 packages below, unpacked (never installed: the
#               machine's dpkg architectures stay as they are), with the 32-bit
#               loader and a copy of the system's 64-bit one side by side
# and it registers the i386 ELF magic with binfmt_misc (flag F) to that
# qemu-i386, so every 32-bit program Wine starts runs emulated.
set -euo pipefail

# Wine's 32-bit half and what its Unix libraries load: X11 for the display
# driver, FreeType and fontconfig for text.
packages=(wine32 libwine libc6 libgcc-s1 zlib1g libuuid1 libbsd0 libmd0
          libx11-6 libxext6 libxcb1 libxau6 libxdmcp6 libxrender1 libxrandr2
          libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
          libfreetype6 libpng16-16 libbrotli1 libfontconfig1 libexpat1)
# The suites whose i386 indexes pair with the machine's Wine (the security
# suite's i386 index has been seen out of step with its release file).
suites=(bookworm bookworm-updates)
qemu_suite=bookworm-backports
# Bump when the sysroot's recipe changes, so that setup makes it anew.
recipe=1

if [ -n "${QUORVIX_WINE32_CACHE:-}" ]; then
  cache=$QUORVIX_WINE32_CACHE
elif [ "$(id -u)" -eq 0 ]; then
  cache=/var/cache/quorvix/wine32
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvix/wine32
fi
sysroot=$cache/sysroot
qemu=$cache/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/quorvix-i386
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

usage() {
  echo "usage: $0 setup | run PROGRAM [ARGS...]" >&2
  exit 2
}

system_wine_version() {
  dpkg-query -W -f='${Version}' libwine:amd64 2>/dev/null ||
    { echo "wine32.sh: the system's 64-bit Wine (libwine:amd64) is missing;" \
           "tools/install-deps.sh windows installs it" >&2; exit 1; }
}

# The stamp names everything the cache was made from; setup remakes the
# cache when any of it changed (a Wine upgrade, a new package).
wanted_stamp() {
  printf 'recipe %s\nwine %s\npackages %s\n' "$recipe" "$(system_wine_version)" \
    "${packages[*]}"
}

# A private apt configuration (the machine's settings, such as a proxy, still
# apply): its own sources, lists and download folder, with i386 (or amd64 for
# the emulator) as its only architecture.
apt_config() {  # dir architecture suite...
  local dir=$1 arch=$2 suite
  shift 2
  mkdir -p "$dir/lists/partial" "$dir/archives/partial" "$dir/etc/sources.list.d"
  : >"$dir/status"
  : >"$dir/etc/sources.list"
  for suite in "$@"; do
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
      "http://deb.debian.org/debian $suite main" >>"$dir/etc/sources.list"
  done
  cat >"$dir/apt.conf" <<EOF
Dir::Etc::SourceList "$dir/etc/sources.list";
Dir::Etc::SourceParts "$dir/etc/sources.list.d/";
Dir::State "$dir/";
Dir::State::Lists "$dir/lists/";
Dir::State::status "$dir/status";
Dir::Cache "$dir/";
Dir::Cache::archives "$dir/archives/";
APT::Architecture "$arch";
APT::Architectures { "$arch"; };
Acquire::Languages "none";
APT::Sandbox::User "root";
EOF
  APT_CONFIG=$dir/apt.conf apt-get update -qq
}

make_cache() {
  local work=$cache/work
  rm -rf "$work" "$sysroot" "$qemu" "$cache/stamp"
  mkdir -p "$work/debs"

  apt_config "$work/apt-amd64" amd64 "$qemu_suite"
  (cd "$work/debs" && APT_CONFIG=$work/apt-amd64/apt.conf \
    apt-get download -qq qemu-user)
  dpkg-deb --fsys-tarfile "$work"/debs/qemu-user_*.deb |
    tar -x -O ./usr/bin/qemu-i386 >"$work/qemu-i386"
  chmod 755 "$work/qemu-i386"
  rm -f "$work"/debs/qemu-user_*.deb

  apt_config "$work/apt-i386" i386 "${suites[@]}"
  (cd "$work/debs" && APT_CONFIG=$work/apt-i386/apt.conf \
    apt-get download -qq "${packages[@]}")
  mkdir -p "$work/sysroot"
  local deb
  for deb in "$work"/debs/*.deb; do dpkg-deb -x "$deb" "$work/sysroot"; done

  local root=$work/sysroot
  # The same Wine on both halves, or their wineserver protocols differ.
  local version
  version=$(dpkg-deb -f "$work"/debs/libwine_*.deb Version)
  if [ "$version" != "$(system_wine_version)" ]; then
    echo "wine32.sh: i386 libwine $version does not match the system's" \
         "$(system_wine_version)" >&2
    exit 1
  fi
  # One wineserver for both halves: the system's, native.
  ln -sfn /usr/lib/wine/wineserver "$root/usr/lib/wine/wineserver"
  # Wine finds the loader of the other half next to its own, and each half's
  # libraries relative to its loader.
  cp /usr/lib/wine/wine64 "$root/usr/lib/wine/wine64"
  mkdir -p "$root/usr/lib/x86_64-linux-gnu"
  ln -sfn /usr/lib/x86_64-linux-gnu/wine "$root/usr/lib/x86_64-linux-gnu/wine"
  # user32 needs zlib1.dll, which libwine's post-install script makes; the
  # system's made it for i386 too.
  cp /usr/lib/x86_64-linux-gnu/wine/i386-windows/zlib1.dll \
    "$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
  # Without a cache of its own the 32-bit ld.so, searching under the
  # emulator, misses libraries in /lib (FreeType's zlib) and Wine runs
  # without fonts.
  echo 'include /etc/ld.so.conf.d/*.conf' >"$root/etc/ld.so.conf"
  ldconfig -r "$root"
  rm -rf "$root/usr/share/doc" "$root/usr/share/man"

  mv "$work/qemu-i386" "$qemu"
  mv "$root" "$sysroot"
  rm -rf "$work"
  wanted_stamp >"$cache/stamp"
}

register_binfmt() {
  if ! grep -q binfmt_misc /proc/mounts; then
    "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  if [ -e "$entry" ]; then
    grep -qx enabled "$entry" && return 0
    echo 1 | "${sudo_cmd[@]}" tee "$entry" >/dev/null
    return 0
  fi
  # i386 ELF executables (e_machine 3); F opens the emulator now, so it
  # serves every mount namespace and any root.
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":quorvix-i386:M::$magic:$mask:$qemu:F" |
    "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null
}

setup() {
  mkdir -p "$cache"
  exec 9>"$cache/lock"
  flock 9
  if [ ! -f "$cache/stamp" ] || [ "$(cat "$cache/stamp")" != "$(wanted_stamp)" ]; then
    echo "wine32.sh: making the 32-bit Wine in $cache" >&2
    make_cache
  fi
  register_binfmt
  exec 9>&-
}

run() {
  [ -n "${WINEPREFIX:-}" ] || { echo "wine32.sh: WINEPREFIX is not set" >&2; exit 2; }
  setup
  export QEMU_LD_PREFIX=$sysroot WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG-fixme-all}
  local wine64=$sysroot/usr/lib/wine/wine64
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Its output to /dev/null: the processes it leaves behind would keep a
    # pipe open for minutes. No Mono or Gecko installer either.
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml=" \
      "$wine64" wineboot -i </dev/null >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
  fi
  if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe" ]; then
    echo "wine32.sh: $WINEPREFIX has no 32-bit half (made by a 64-bit-only" \
         "Wine?); give a new WINEPREFIX" >&2
    exit 1
  fi
  exec "$wine64" "$@"
}

case "${1:-}" in
  setup) [ $# -eq 1 ] || usage; setup ;;
  run) [ $# -ge 2 ] || usage; shift; run "$@" ;;
  *) usage ;;
esac
