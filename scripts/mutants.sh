#!/usr/bin/env bash
# Holds every guard of the batch file to a test. For each guard that stands alone, and for each
# group of guards that back each other up (taken out together: one of them missing alone rightly
# changes nothing), it builds the x86_64 test programs and the program with those template lines
# removed, by their place in the template, and runs the tests that run a batch file (CTest label
# "batch"; the template's golden text and the resources do not count), the likeliest killer
# first, each mutant until its first failing test. A mutant that no test kills is a survivor: the
# script prints a table and exits non-zero.
#
# It reuses the x86_64 build of the test run (build/x86_64, made when missing) and puts it back as
# it was at the end. MUTANTS_ONLY=regex runs only the mutants whose names match.
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
build=${BUILD_DIR:-$repo/build}/x86_64
source "$repo/scripts/build.sh"
source "$repo/scripts/wine-env.sh"

# name | template lines (1-based, in the template's patch lines) | why they go together | the
# tests likeliest to kill it (a ctest regex)
mutants=(
  "a user's CD variable|2||BatchCleanupTest.TheSetupRunsOnlyFromACompleteCopy"
  "the CD copy's status|6,9|the command interpreter keeps xcopy's status through \"if exist\" and a cd that works: the cd's status line sees it too|EndToEndTest.AbbrechenDuringTheCopy"
  "Disk1\\setup.exe in the copy|7||CopyFailureTest.ACopyThatFails"
  "entering the copy's Disk1|9,10|cd's status, and %CD% for a cd that landed elsewhere|BatchCleanupTest.TheCopysScripts"
  "the script in the copy|13,15|xcopy's status, and the copied script's size|BatchCleanupTest.TheSetupRunsOnlyFromACompleteCopy"
  "the setup's folder|16||BatchCleanupTest.TheSetupStartsOnlyInsideTheCopysDisk1"
  "the setup's start|18||BatchCleanupTest.TheSetupRunsOnlyFromACompleteCopy"
  "the hold after the setup|19||PatchRunTest.TheCopyStaysUntilTheSetupsWholeTreeHasEnded"
  "the clean-up's place|31||BatchCleanupTest.WhenTheTempDisk"
)

template=$repo/patch/BatchTemplate.cpp
mutant=$build/mutant/BatchTemplate.cpp

# The template's patch lines: the entries of kPatchLines, one a source line.
entry_lines() {
  awk '/kPatchLines\[\] = \{/ { inside = 1; next } inside && /^\};/ { exit }
       inside && /^[[:space:]]*("|nullptr)/ { print NR }' "$template"
}

# Writes the template without the given entries (comma-separated places), its includes made
# reachable from another folder; prints the removed lines.
write_mutant() { # places
  local places=$1 numbers="" place line
  mapfile -t lines < <(entry_lines)
  for place in ${places//,/ }; do
    line=${lines[$((place - 1))]}
    numbers="$numbers $line"
    # Only guards are ever removed: a changed template must update the places above.
    sed -n "${line}p" "$template" | grep -Eq '^[[:space:]]*"(if |for |set )' ||
      { echo "mutants.sh: template line $place is no guard: $(sed -n "${line}p" "$template")" >&2; exit 2; }
    sed -n "${line}p" "$template" | sed 's/^[[:space:]]*/    /'
  done
  mkdir -p "$(dirname "$mutant")"
  awk -v drop="$numbers" 'BEGIN { n = split(drop, d, " "); for (i = 1; i <= n; i++) skip[d[i]] = 1 }
       !(NR in skip)' "$template" |
    sed 's|^#include "\([A-Za-z]*\.h\)"|#include "patch/\1"|' >"$mutant.new"
  cmp -s "$mutant.new" "$mutant" 2>/dev/null && rm -f "$mutant.new" || mv "$mutant.new" "$mutant"
}

build_with() { # template source
  configure_target x86_64 "$build" -DINSTALL_BATCH_TEMPLATE_SOURCE="$1" &&
    cmake --build "$build" -j "$(nproc)" --target window_tests e2e_tests install_exe >/dev/null
}

restore() {
  build_with "$template" || echo "mutants.sh: putting the x86_64 build back failed" >&2
  rm -rf "$build/mutant"
}

bash "$repo/scripts/deps.sh"
[ -f "$build/CMakeCache.txt" ] || build_target x86_64 "$build" >/dev/null
trap 'wine_stop; restore' EXIT
trap 'exit 130' INT TERM HUP
WINE_FORCE_XVFB=1 wine_start "$build" >/dev/null || { echo "mutants.sh: no Wine prefix" >&2; exit 1; }

# The first failing test of a ctest run, or nothing.
run_tests() { # ctest arguments...
  local log=$build/mutant/ctest.log
  timeout 900 ctest --test-dir "$build" -L batch --stop-on-failure --timeout 240 -O "$log" "$@" \
    >/dev/null 2>&1 || true
  grep -Eo '[0-9]+ - [A-Za-z0-9_.]+ \([A-Za-z ]+\)' "$log" | head -n 1 | awk '{ print $3 }' || true
}

survivors=0
table=()
start=$(date +%s)
for entry in "${mutants[@]}"; do
  IFS='|' read -r name places why killer <<<"$entry"
  # MUTANTS_ONLY=regex runs only the mutants whose names match.
  [[ "$name" =~ ${MUTANTS_ONLY:-.} ]] || continue
  echo "[mutants] $name: without template lines $places"
  write_mutant "$places"
  build_with "$mutant" || { echo "mutants.sh: the mutant did not build" >&2; exit 2; }
  killed_by=$(run_tests -R "$killer")
  [ -n "$killed_by" ] || killed_by=$(run_tests -E "$killer")
  if [ -n "$killed_by" ]; then
    table+=("killed    $name (lines $places) by $killed_by")
  else
    cp "$build/mutant/ctest.log" "$build/mutant-survivor-$places.log" 2>/dev/null || true
    table+=("SURVIVED  $name (lines $places)${why:+: $why}; its tests: $build/mutant-survivor-$places.log")
    survivors=$((survivors + 1))
  fi
done
echo "[mutants] each guard of the batch file against the tests that run it ($(($(date +%s) - start)) s):"
printf '  %s\n' "${table[@]}"
[ "$survivors" = 0 ] || { echo "[mutants] $survivors survived: write the test that catches it" >&2; exit 1; }
