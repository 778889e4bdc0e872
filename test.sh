#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the native build and
# its tests, then the Windows program, cross-built, and its tests under wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"

# SolvaneUpdate.exe embeds the image containers of build/.
cmake --preset windows >/dev/null
cmake --build build-win
scripts/wine-tests.sh build-win
