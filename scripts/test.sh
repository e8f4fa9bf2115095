#!/usr/bin/env bash
# Installs what is missing, builds install.exe and its tests for i686 (the product) and x86_64
# (its twin), and runs every suite the host can run under Wine, each in a private prefix with an
# X server of its own. Where the kernel runs no 32-bit code, the i686 suite runs through qemu
# user-mode (registered for this run only); where that cannot be, the i686 program is checked by
# reading its file from the x86_64 suite. INSTALL_ONLY_X86_64=1 takes that path on any host,
# INSTALL_NO_QEMU=1 rules qemu out. Then it checks that install.exe builds byte for byte the same
# from another folder (scripts/repro.sh) and that each guard of the batch file is held by a test
# (scripts/mutants.sh).
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
build=${BUILD_DIR:-$repo/build}

source "$repo/scripts/start.sh"
run_start "[test]" "$build"
targets=(i686 x86_64)
[ "$RUN_ARCH" = i686 ] || targets=(x86_64)

WINE_FORCE_XVFB=${WINE_FORCE_XVFB-1}
status=0 passed=0 failed=0 summary=()
for arch in "${targets[@]}"; do
  log=$build/$arch/ctest.log
  rm -f "$log"
  (
    trap wine_stop EXIT
    # Under qemu every 32-bit process starts slowly: the tests' own time limits stretch by this.
    if [ "$arch" = i686 ] && [ "$I686_MODE" = qemu ]; then export INSTALL_TEST_TIME_SCALE=4; fi
    wine_start "$build/$arch" || { echo "[test] the $arch Wine prefix could not be set up" >&2; exit 1; }
    # A test's own limit (its tests carry none of their own), stretched with theirs.
    timeout 1500 ctest --test-dir "$build/$arch" --output-on-failure \
      --timeout $((240 * ${INSTALL_TEST_TIME_SCALE:-1})) -O "$log" "$@"
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
# What CI proves beyond the suites: the exe a user gets is the one these sources build, and each
# guard of the batch file is held by a test.
for check in repro mutants; do
  if bash "$repo/scripts/$check.sh"; then
    passed=$((passed + 1)) summary+=("$check: passed")
  else
    status=1 failed=$((failed + 1)) summary+=("$check: FAILED")
  fi
done
printf '[test] %s\n' "${summary[@]}"
[ "$status" = 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "$passed passed, $failed failed"
exit "$status"
