#!/usr/bin/env bash
# The main job: builds install.exe and runs it under Wine against the sample product CD in D:.
# With $DISPLAY set you drive the dialog yourself; without it the run goes through the dialog by
# itself under a private X server and reports what happened.
# It runs the i686 product: natively where the kernel runs 32-bit code, else through qemu
# user-mode (registered for this run only). Where neither can be, it runs the x86_64 twin
# (INSTALL_ONLY_X86_64=1 chooses the twin on any host, INSTALL_NO_QEMU=1 rules qemu out).
set -euo pipefail
repo=$(dirname "$(dirname "$(readlink -f "$0")")")
root=${BUILD_DIR:-$repo/build}
tools=(install_exe make_sample_cd setup_stub keep_desktop autopilot probe)

source "$repo/scripts/start.sh"
run_start "==" "$root" "${tools[@]}"
arch=$RUN_ARCH
build=$root/$arch
shots=$build/screenshots

interactive=${DISPLAY:+1}
if ! wine_start "$build"; then
  echo "main.sh: the Wine prefix for the $arch program could not be set up (see above)" >&2
  exit 1
fi

# The installed product's settings key, where the patch records the CD drive; a copy of the
# program on C:, as a user would start it from the hard disk.
c=$WINEPREFIX/drive_c
mkdir -p "$c/patch" "$c/records" "$shots"
cp "$build/install.exe" "$c/patch/install.exe"
rm -f "$c/patch/setup.inx" "$c/patch/temp.bat" "$c/records/setup-run.txt" "$shots"/*.bmp "$shots"/*.png
# The product's own setup is 32-bit: its key lives in the registry's 32-bit view (in a 64-bit
# prefix, under Wow6432Node), where both builds record CDPath.
key='HKLM\SOFTWARE\Tavix Technologies\NebuLark 5\Settings'
view=()
[ "$WINEARCH" = win64 ] && view=(/reg:32)
for v in "${view[@]}" ""; do
  timeout 60 wine reg add "$key" /f $v </dev/null >/dev/null 2>&1 ||
    { echo "main.sh: could not create the product's settings key in the prefix" >&2; exit 1; }
done
export STUB_RECORD='C:\records\setup-run.txt'

echo "== install.exe in C:\\patch, the sample product CD in D:"
# Compare it with a shipped one: the same sources give the same bytes (scripts/repro.sh).
echo "   SHA-256 $(sha256sum <"$build/install.exe" | cut -c1-64)  ($(basename "$(dirname "$build/install.exe")")/install.exe, $(stat -c %s "$build/install.exe") bytes)"
if [ -n "$interactive" ]; then
  echo "   the dialog is on your display ($DISPLAY); the job goes on when install.exe ends"
  timeout 3600 wine 'C:\patch\install.exe' </dev/null >/dev/null 2>&1 || true
else
  export STUB_SLEEP_MS=2000 # long enough to see the wait window
  timeout 600 wine "$build/tests/autopilot.exe" 'C:\patch\install.exe' 'C:\patch' \
    "$(wine_path "$shots")" </dev/null 2>/dev/null | tr -d '\r' | iconv -f WINDOWS-1252 -t UTF-8 |
    sed 's/^/   /' || true
fi

echo
echo "== temp.bat written beside install.exe"
if [ -f "$c/patch/temp.bat" ]; then tr -d '\r' <"$c/patch/temp.bat" | sed 's/^/   | /'; else echo "   (none)"; fi
echo
echo "== setup.inx beside install.exe"
if [ -f "$c/patch/setup.inx" ]; then
  echo "   $(stat -c %s "$c/patch/setup.inx") bytes, $(cmp -s "$c/patch/setup.inx" "$repo/res/setup.inx" && echo identical to || echo DIFFERENT from) the payload"
else echo "   (none)"; fi
echo
echo "== how the product's setup (the stub in Disk1) was started"
if [ -f "$c/records/setup-run.txt" ]; then tr -d '\r' <"$c/records/setup-run.txt" | sed 's/^/   /'; else echo "   it was not started"; fi
echo
echo "== what is left of the CD copy on C:"
left=$(cd "$c" && for n in $(timeout 60 wine "$build/tests/make_sample_cd.exe" --list </dev/null 2>/dev/null | tr -d '\r'); do [ -e "$n" ] && echo "$n"; done || true)
echo "   ${left:-nothing}"
echo
echo "== CDPath recorded"
timeout 60 wine reg query "$key" /v CDPath "${view[@]}" </dev/null 2>/dev/null |
  tr -d '\r' | grep -i cdpath | sed 's/^ */   /' || echo "   (none)"
for bmp in "$shots"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
if ls "$shots"/*.png >/dev/null 2>&1; then
  echo
  echo "== screenshots"
  ls "$shots"/*.png | sed 's/^/   /'
fi
