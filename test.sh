#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the native build and
# its tests, then the Windows program, cross-built, and its tests under wine.
set -euo pipefail
cd "$(dirname "$0")"

# SOLVANE_WERROR=ON (as CI sets it) makes every compiler warning an error.
scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick
werror=-DSOLVANE_WERROR=${SOLVANE_WERROR:-OFF}
cmake --preset native "$werror" >/dev/null
cmake --build --preset native
ctest --preset native -j "$(nproc)"

# SolvaneUpdate.exe embeds the image containers of build/.
cmake --preset windows "$werror" >/dev/null
cmake --build --preset windows
scripts/wine-tests.sh build-win
