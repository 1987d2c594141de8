#!/usr/bin/env bash
# Builds everything and runs every test: unit, POSIX, simulator, layer and
# integration tests on Linux, the same tree with clang, the Linux tests again
# under the sanitizers, the fuzzers and the short soak, then the Windows DLLs
# under Wine, the Windows installer under Wine and the Debian packages
# (installed on this machine and purged again). Warnings are errors here
# (QUORVIX_WERROR), never in a user's own build. Prints the time each stage
# took.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_name=
stage_start=$SECONDS
stage() {
  [ -n "$stage_name" ] && printf '== %s took %d s\n' "$stage_name" $((SECONDS - stage_start))
  stage_name=$1
  stage_start=$SECONDS
  [ -n "$stage_name" ] && printf '== %s\n' "$stage_name"
  return 0
}

stage "dependencies"
tools/install-deps.sh all

stage "Linux build (g++)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIX_WERROR=ON
cmake --build build -j2

stage "Linux tests"
(cd build && ctest --output-on-failure -j2)

# The same tree must build warning-free with clang too; Release, so that the
# optimiser's warnings are seen as well.
stage "Linux build (clang, Release)"
cmake -S . -B build-clang -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=Release -DQUORVIX_WERROR=ON
cmake --build build-clang -j2

# The Windows DLLs, 64- and 32-bit, built as they ship (Release).
stage "Windows builds (mingw-w64, Release)"
cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQUORVIX_WERROR=ON
cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQUORVIX_WERROR=ON -DQUORVIX_OTHER_WIN_BUILD="$PWD/build-win32"
cmake --build build-win64 -j2
cmake --build build-win32 -j2

# The README's dist command, as written there.
stage "dist"
rm -rf build-win64/dist
cmake --build build-win64 --target dist
for file in x64/quorvix.dll x86/quorvix.dll REGISTERING.txt; do
  [ -f "build-win64/dist/$file" ] || { echo "dist lacks $file" >&2; exit 1; }
done

# The hardening tree: clang with ASan, UBSan and the library's assertions,
# every Linux test under it (any sanitizer report fails), then each fuzzer
# for a bounded time. One tree serves both (-fsanitize=fuzzer-no-link).
stage "Sanitizer build (clang, ASan+UBSan, fuzzers)"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE= -DQUORVIX_WERROR=ON -DQUORVIX_SANITIZE=ON -DQUORVIX_FUZZ=ON
cmake --build build-asan -j2

stage "Linux tests under the sanitizers"
(cd build-asan && ../tools/sanitizers/run.sh ctest --output-on-failure -j2)

stage "Fuzzers (20 s each)"
tools/fuzz.sh build-asan 20

stage "Soak (short)"
testing/soak.sh short build

stage "Wine tests"
tests/wine/run.sh build-win64 build-win32 build/tools/sim/quorvix-sim

# The installer as the README builds it, installed, used, upgraded and
# removed in a fresh Wine prefix.
stage "Windows installer (Wine)"
rm -f build-win64/quorvix-setup-*.exe
cmake --build build-win64 --target installer
tests/install/windows_installer.sh build-win64/quorvix-setup-*.exe build-win64/dist \
  build/tools/sim/quorvix-sim

# Last, so that no other stage ever meets them installed; purged however the
# stage ends.
stage "Debian packages (build, lintian, install, use, purge)"
tests/install/debian_packages.sh

stage ""
printf '== all stages took %d s\n' "$SECONDS"
echo "All tests passed."
