#!/usr/bin/env bash
# Builds the Linux plug-in and runs the demo: quorvix-host driving the
# simulated transmitter.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh linux
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target quorvix-host
exec build/tools/host/quorvix-host "$@" demo
