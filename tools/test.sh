#!/usr/bin/env bash
# Builds everything and runs every test: unit, POSIX, simulator and
# integration tests on Linux, then the Windows DLLs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh all

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
(cd build && ctest --output-on-failure -j2)

if [ -x tests/wine/run.sh ]; then
  for arch in x86_64 i686; do
    cmake -S . -B "build-$arch-w64-mingw32" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
    cmake --build "build-$arch-w64-mingw32" -j2
  done
  tests/wine/run.sh build-x86_64-w64-mingw32 build-i686-w64-mingw32 build
fi
echo "All tests passed."
