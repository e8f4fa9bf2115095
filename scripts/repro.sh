#!/usr/bin/env bash
# Checks that install.exe comes out the same, byte for byte, from the same sources: for each
# target it builds the program we ship from a copy of the tracked sources in a folder of another
# path, and compares it with the build in build/<target>/ (the test run's) or, where there is none
# yet, with a second build of its own. On a difference it names the first offsets that differ.
# What it proves: the file a user gets is the file these sources build, whoever builds them
# where (no time stamp, no build path, the same resources).
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
build=${BUILD_DIR:-$repo/build}
source "$repo/scripts/build.sh"

work=$(mktemp -d /tmp/install-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The tracked sources, and nothing of any build, in a folder of another path.
mkdir -p "$work/elsewhere/sources"
git -C "$repo" ls-files -z | (cd "$repo" && xargs -0 cp --parents -t "$work/elsewhere/sources")

build_product() { # source folder build folder arch
  local log=$work/build-$3.log
  if ! { BUILD_REPO=$1 configure_target "$3" "$2" -DMINGW_THREADS=win32 -DINSTALL_BUILD_TESTS=OFF \
      -DCMAKE_BUILD_TYPE=Release && cmake --build "$2" -j "$(nproc)" --target install_exe; } \
      >"$log" 2>&1; then
    tail -n 20 "$log" | sed 's/^/  | /'
    return 1
  fi
}

status=0
for arch in i686 x86_64; do
  first=$build/$arch/install.exe
  if [ ! -f "$first" ]; then
    build_product "$repo" "$work/here-$arch" "$arch" || { echo "[repro] $arch: the build failed"; exit 1; }
    first=$work/here-$arch/install.exe
  fi
  build_product "$work/elsewhere/sources" "$work/elsewhere/build-$arch" "$arch" ||
    { echo "[repro] $arch: the build from the copy failed"; exit 1; }
  second=$work/elsewhere/build-$arch/install.exe
  if cmp -s "$first" "$second"; then
    echo "[repro] $arch: the same $(stat -c %s "$first") bytes from both builds, SHA-256 $(sha256sum <"$first" | cut -c1-64)"
  else
    status=1
    echo "[repro] $arch: the builds differ ($first and a build from another folder); first offsets (hex), bytes (octal):"
    cmp -l "$first" "$second" | head -n 20 | awk '{ printf "  0x%x: %s %s\n", $1 - 1, $2, $3 }'
  fi
done
exit "$status"
