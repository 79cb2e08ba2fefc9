#!/usr/bin/env bash
# Cross-builds the launcher for 64-bit Windows (build/launcher/x86_64, used by the Wine
# tests) and 32-bit Windows (build/launcher/i686, the release target) from the same sources.
# Needs: cmake, mingw-w64, g++-mingw-w64-i686, g++-mingw-w64-x86-64.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

for arch in x86_64 i686; do
  build="$root/build/launcher/$arch"
  echo "== launcher: configuring and building $arch in $build"
  cmake -S "$root/launcher" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build" -j2
done
