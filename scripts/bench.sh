#!/usr/bin/env bash
# Benchmarks under Wine, on this machine:
#  1. start-up: process start to the main dialog being visible, against a minimal Win32 dialog
#     program of ours as the floor, in the same run;
#  2. the patch run's own overhead: "Weiter >>>" to the program's end, against running the same
#     temp.bat directly in the same prefix, on a sample CD of 128 MiB. The overhead must stay
#     within one wait slice (1 s) plus 5 % of the batch file's time.
# It measures the i686 product where the host runs 32-bit code (natively or through qemu
# user-mode), else the x86_64 twin (INSTALL_ONLY_X86_64=1 chooses the twin on any host), and says
# which.
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
root=${BUILD_DIR:-$repo/build}
runs=${BENCH_RUNS:-10}
tools=(install_exe make_sample_cd setup_stub keep_desktop min_dialog bench probe)

source "$repo/scripts/start.sh"
run_start "target:" "$root" "${tools[@]}"
arch=$RUN_ARCH
build=$root/$arch

WINE_FORCE_XVFB=${WINE_FORCE_XVFB-1}
wine_start "$build" || { echo "bench.sh: the Wine prefix could not be set up" >&2; exit 1; }
c=$WINEPREFIX/drive_c
mkdir -p "$c/bench"
cp "$build/install.exe" "$build/tests/min_dialog.exe" "$c/bench/"
bench() { timeout 900 wine "$build/tests/bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GiB, $(wine --version), Xvfb"

# Interleaved, so both programs see the same state of the machine.
floor=() program=()
for _ in $(seq "$runs"); do
  floor+=("$(bench startup 'C:\bench\min_dialog.exe' Floor 1 | awk '{print $2}')")
  program+=("$(bench startup 'C:\bench\install.exe' 'NebuLark 5 Installation' 1 | awk '{print $2}')")
done
f=$(printf '%s\n' "${floor[@]}" | median)
p=$(printf '%s\n' "${program[@]}" | median)
echo "start-up to a visible dialog, median of $runs: minimal dialog ${f} ms, install.exe ${p} ms"

# A product CD of 128 MiB: the copy dominates the run.
head -c $((128 * 1048576)) /dev/urandom >"$build/wine/drives/cd-good/Disk1/data2.cab"
export STUB_RECORD='C:\bench\stub.txt'
clean() { (cd "$c" && for n in $(timeout 60 wine "$build/tests/make_sample_cd.exe" --list </dev/null 2>/dev/null | tr -d '\r'); do rm -rf "$n"; done); }
run=() batch=()
bench_run() { clean; run+=("$(bench run 'C:\bench\install.exe' | awk '{print $2}')"); }
bench_batch() { clean; batch+=("$(bench batch 'C:\bench\temp.bat' | awk '{print $2}')"); }
walk=()
for _ in 1 2 3 4 5; do walk+=("$(bench walk 'D:\' | awk '{print $2}')"); done
w=$(printf '%s\n' "${walk[@]}" | median)
echo "the space check's walk of the 128 MiB CD, median of 5: ${w} ms"
bench_run # writes C:\bench\temp.bat, and warms the cache
run=()
for _ in 1 2 3; do bench_run; bench_batch; bench_batch; bench_run; done
clean
r=$(printf '%s\n' "${run[@]}" | median)
b=$(printf '%s\n' "${batch[@]}" | median)
awk -v r="$r" -v b="$b" 'BEGIN {
  o = r - b; limit = 1000 + 0.05 * b
  printf "patch run on a 128 MiB CD, median of 6: whole run %.0f ms, temp.bat alone %.0f ms, overhead %.0f ms (limit %.0f ms): %s\n",
    r, b, o, limit, (o <= limit) ? "within" : "OVER"
  exit (o <= limit) ? 0 : 1 }'
