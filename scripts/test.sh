#!/usr/bin/env bash
# Installs what is missing, builds install.exe and its tests for i686 (the product) and x86_64
# (its twin), and runs every suite the host can run under Wine, each in a private prefix with an
# X server of its own. Where the host runs no 32-bit code, the i686 program is checked by reading
# its file from the x86_64 suite. INSTALL_ONLY_X86_64=1 takes that path on any host.
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
build=${BUILD_DIR:-$repo/build}

bash "$repo/scripts/deps.sh"
source "$repo/scripts/build.sh"
source "$repo/scripts/wine-arch.sh"
build_target i686 "$build/i686"
build_target x86_64 "$build/x86_64" -DINSTALL_I686_EXE="$build/i686/install.exe"

if why=$(host_runs_win32 "$build/i686/tests/probe.exe" "$build/i686/wine/prefix"); then
  targets=(i686 x86_64)
  echo "[test] running the i686 and the x86_64 suites: $why"
else
  targets=(x86_64)
  echo "[test] running the x86_64 suite only, and checking the i686 install.exe by reading its file: $why"
fi

WINE_FORCE_XVFB=${WINE_FORCE_XVFB-1}
status=0 passed=0 failed=0 summary=()
for arch in "${targets[@]}"; do
  log=$build/$arch/ctest.log
  rm -f "$log"
  (
    source "$repo/scripts/wine-env.sh"
    wine_start "$build/$arch" || { echo "[test] the $arch Wine prefix could not be set up" >&2; exit 1; }
    timeout 1500 ctest --test-dir "$build/$arch" --output-on-failure --timeout 300 -O "$log" "$@"
  ) || status=1
  line=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" 2>/dev/null | tail -n1 || true)
  if [ -z "$line" ]; then
    summary+=("$arch: the suite did not run to its end")
    status=1
    continue
  fi
  read -r f _ _ _ _ total <<<"$line"
  passed=$((passed + total - f)) failed=$((failed + f))
  summary+=("$arch: $((total - f)) of $total passed")
done
printf '[test] %s\n' "${summary[@]}"
[ "$status" = 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "$passed passed, $failed failed"
exit "$status"
