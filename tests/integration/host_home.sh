# shellcheck shell=bash
# Sourced by the quorvix-host scripts beside it: a configuration folder of
# their own (XDG_CONFIG_HOME, removed at exit), in which PORT leads to a
# device that is not there.
#
#   host_home NAME PORT DEVICE   sets $home; $home/DEVICE is the missing device
host_home() {  # name port device
  home=$(mktemp -d "${TMPDIR:-/tmp}/quorvix-host-$1.XXXXXX")
  trap 'rm -rf "$home"' EXIT
  mkdir -p "$home/quorvix/ports"
  ln -s "$home/$3" "$home/quorvix/ports/$2"
  export XDG_CONFIG_HOME=$home
}
