#!/usr/bin/env bash
# Installs what is missing, builds install.exe and its tests, and runs every test under Wine in a
# private prefix with an X server of its own.
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
build=${BUILD_DIR:-$repo/build}

bash "$repo/scripts/deps.sh"
cmake --no-warn-unused-cli -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw32.cmake"
cmake --build "$build" -j "$(nproc)"

WINE_FORCE_XVFB=${WINE_FORCE_XVFB-1}
source "$repo/scripts/wine-env.sh"
wine_start "$build"
timeout 1500 ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
