#!/usr/bin/env bash
# Builds everything and runs every test: unit, POSIX, simulator and
# integration tests on Linux, then the Windows DLLs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh all

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
(cd build && ctest --output-on-failure -j2)

# The same tree must build warning-free with clang too.
cmake -S . -B build-clang -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-clang -j2

# The Windows DLLs, 64- and 32-bit, tested under Wine against the simulator.
cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-win64 -j2
cmake --build build-win32 -j2
tests/wine/run.sh build-win64 build-win32 build/tools/sim/quorvix-sim
echo "All tests passed."
