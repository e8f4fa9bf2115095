# Shared by the main job and the test run: a private Wine prefix under the build folder with the
# sample product CDs as CD-ROM drives, an X server of its own, and a clean stop.
# Source it, then call wine_start BUILD_DIR, and wine_stop at the end (the caller traps it). The
# prefix follows the architecture of the build's install.exe: 32-bit for the i686 product, 64-bit
# (through wine64) for the x86_64 twin.
#
# Drives of the prefix:
#   C: fixed (the prefix's own)          D: CD-ROM, the sample product CD
#   E: CD-ROM without the marker file, with install.exe on it
#   F: CD-ROM whose marker is a folder   G: CD-ROM whose marker was written in 1975
#   H: a second fixed disk               Z: the Unix root (Wine's own)
#   S: fixed, 128 KiB (tmpfs)            T: fixed, exactly 680 MiB (tmpfs); only as root
#   W: fixed, a world-writable root (mode 0777): every user may rename and delete there
#   K: CD-ROM, the sample product CD with 24 MiB more in Disk1\Daten, read at 6 MiB/s through a FUSE
#      file system of the tests (a copy that takes seconds); only as root, with /dev/fuse

WINE_SCRIPTS=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
source "$WINE_SCRIPTS/wine-arch.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="$WINE_DLL_OVERRIDES"
WINE_XVFB_PID=
WINE_MOUNTS=()
WINE_FUSE_MOUNT= WINE_FUSE_PID= WINE_DESKTOP_PID=
# The slow CD's extra data and its rate: 24 MiB at 6 MiB/s.
SLOW_CD_EXTRA_MIB=24
SLOW_CD_RATE=$((6 * 1048576))

wine_log() { printf '[wine-env] %s\n' "$*" >&2; }

# Debian's wine and wineboot pick the 32-bit loader whenever wine32 is installed: a 64-bit prefix
# gets shims first on PATH that call wine64 directly. Debian's wineserver picks the 64-bit server
# whenever wine64 is installed, which turns a new 32-bit prefix into a 64-bit installation: every
# prefix gets a shim for the server of its own width. Under qemu user-mode (INSTALL_WINE_QEMU) the
# i686 build has a 64-bit prefix too, made and booted natively by wine64, while its 32-bit programs
# go through Debian's wine and so through wine32's loader under qemu.
wine_select_arch() { # build folder
  local arch bin wine=/usr/bin/wine wineboot=/usr/bin/wineboot
  arch=$(pe_machine "$1/install.exe")
  bin=$1/wine/bin
  mkdir -p "$bin"
  if [ "$arch" = x86_64 ] || [ -n "${INSTALL_WINE_QEMU:-}" ]; then
    export WINEARCH=win64
    if [ "$arch" = x86_64 ]; then
      export WINELOADER=/usr/lib/wine/wine64
      wine=/usr/lib/wine/wine64
    else
      unset WINELOADER
    fi
    wineboot="/usr/lib/wine/wine64 wineboot.exe"
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$bin/wineserver"
  else
    export WINEARCH=win32
    unset WINELOADER
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver32 "$@"\n' >"$bin/wineserver"
  fi
  # Every program of the prefix starts in the fixed address layout (see wine-arch.sh).
  printf '#!/bin/sh\nexec %s %s "$@"\n' "$WINE_FIXED_LAYOUT" "$wine" >"$bin/wine"
  printf '#!/bin/sh\nexec %s %s "$@"\n' "$WINE_FIXED_LAYOUT" "$wineboot" >"$bin/wineboot"
  chmod +x "$bin"/*
  case ":$PATH:" in *":$bin:"*) ;; *) export PATH="$bin:$PATH" ;; esac
}

# The Windows path of a Unix path, through Wine's Z: drive.
wine_path() { printf 'Z:%s' "$(readlink -f "$1" | sed 's|/|\\|g')"; }

wine_start_x() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${WINE_FORCE_XVFB:-}" ]; then
    return
  fi
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  for _ in $(seq 50); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  wine_log "Xvfb $DISPLAY (pid $WINE_XVFB_PID)"
}

wine_server_up() {
  wineserver -p </dev/null >/dev/null 2>&1 &
  timeout 120 wineboot </dev/null >/dev/null 2>&1 || true
}

wine_server_down() {
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
}

wine_make_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine_log "creating the prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 &
    if ! timeout 300 wineboot -i </dev/null >/dev/null 2>&1; then
      wine_log "wineboot could not create the $WINEARCH prefix $WINEPREFIX"
      wine_log "check that Wine runs on this host (scripts/deps.sh installs it), then run again"
      return 1
    fi
    # The server runs on until told: stop it, so the prefix is written out whole.
    wine_server_down
  fi
  # The test programs start only in a prefix that carries this marker: they delete folders such
  # as C:\Docs, which on a real machine would be a user's own.
  : >"$WINEPREFIX/drive_c/install-tests-sandbox.marker"
  # Wine's own fonts, so dialogs come out at their real sizes.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # The user folders link to the Unix home; plain folders keep everything on C: inside the prefix.
  find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type l 2>/dev/null | while read -r link; do
    rm -f "$link" && mkdir -p "$link"
  done
}

wine_mount_tmpfs() { # letter size folder
  local dir=$3
  mkdir -p "$dir"
  mountpoint -q "$dir" && umount "$dir" 2>/dev/null
  # 0755: only the owner may rename or delete at the root (a tmpfs is 1777 unless told).
  if [ "$(id -u)" = 0 ] && mount -t tmpfs -o "size=$2,mode=0755" tmpfs "$dir" 2>/dev/null; then
    WINE_MOUNTS+=("$dir")
    ln -sfn "$dir" "$WINEPREFIX/dosdevices/$1:"
    printf '"%s:"="hd"\n' "$1"
  else
    rm -f "$WINEPREFIX/dosdevices/$1:"
    wine_log "no tmpfs for $1: (needs root); its tests are skipped"
  fi
}

# The slow CD: builds the FUSE file system of the tests (a Linux program) and serves source at
# folder through it, throttled; prints the drive's registry line when it is mounted.
wine_mount_slow_cd() { # letter source folder build
  local letter=$1 source=$2 dir=$3 tool=$4/slowcd
  rm -f "$WINEPREFIX/dosdevices/$letter:"
  if [ "$(id -u)" != 0 ] || [ ! -c /dev/fuse ]; then
    wine_log "no /dev/fuse or not root: the slow CD $letter: and its tests are skipped"
    return 0
  fi
  if [ ! -x "$tool" ] || [ "$WINE_SCRIPTS/../tests/tools/slowcd.c" -nt "$tool" ]; then
    gcc -O2 "$WINE_SCRIPTS/../tests/tools/slowcd.c" $(pkg-config fuse3 --cflags --libs) -o "$tool" ||
      { wine_log "building the slow CD's file system failed: $letter: and its tests are skipped"; return 0; }
  fi
  mkdir -p "$dir"
  if mountpoint -q "$dir"; then fusermount3 -u "$dir" 2>/dev/null || umount -l "$dir" || true; fi
  "$tool" "$source" "$dir" "$SLOW_CD_RATE" </dev/null >/dev/null 2>&1 &
  WINE_FUSE_PID=$!
  for _ in $(seq 50); do mountpoint -q "$dir" && break; sleep 0.1; done
  if ! mountpoint -q "$dir"; then
    wine_log "the slow CD could not be mounted: $letter: and its tests are skipped"
    kill "$WINE_FUSE_PID" 2>/dev/null || true
    wait "$WINE_FUSE_PID" 2>/dev/null || true
    WINE_FUSE_PID=
    return 0
  fi
  WINE_FUSE_MOUNT=$dir
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
  printf '"%s:"="cdrom"\n' "$letter"
}

wine_unmount_slow_cd() {
  if [ -n "$WINE_FUSE_MOUNT" ]; then
    fusermount3 -u "$WINE_FUSE_MOUNT" 2>/dev/null || umount -l "$WINE_FUSE_MOUNT" 2>/dev/null || true
  fi
  # Unmounted, the file system ends by itself; the kill is for one that hangs.
  if [ -n "$WINE_FUSE_PID" ]; then
    kill "$WINE_FUSE_PID" 2>/dev/null || true
    wait "$WINE_FUSE_PID" 2>/dev/null || true
  fi
  WINE_FUSE_MOUNT= WINE_FUSE_PID=
}

# Lays out the drives afresh: sample CDs, the second fixed disk, the tmpfs disks; leftovers of an
# earlier run on C: go.
wine_make_drives() {
  local build=$1 drives=$1/wine/drives reg
  wine_unmount_slow_cd
  rm -rf "$drives"
  mkdir -p "$drives"/{cd-good,cd-nomarker,cd-markerdir,cd-oldmarker,cd-slow,fixed-h,fixed-w}
  # Wine derives a folder's DACL from its mode: 0755 gives the other users read and execute,
  # 0777 also DELETE and FILE_DELETE_CHILD.
  chmod 0755 "$drives/fixed-h" "$WINEPREFIX/drive_c"
  chmod 0777 "$drives/fixed-w"
  reg=$(mktemp --suffix=.reg)
  {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'
    # Windows 10 for the tests, whose patch runs follow the setup's tree in a job (jobs nest from
    # Windows 8 on); Windows 7 for install.exe itself, whose runs follow it in process snapshots.
    printf '[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="win10"\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\install.exe]\n"Version"="win7"\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n'
    printf '"d:"="cdrom"\n"e:"="cdrom"\n"f:"="cdrom"\n"g:"="cdrom"\n"h:"="hd"\n"w:"="hd"\n'
    wine_mount_tmpfs s 131072 "$build/wine/mnt-s"
    wine_mount_tmpfs t 713031680 "$build/wine/mnt-t"
    wine_mount_slow_cd k "$drives/cd-slow" "$build/wine/mnt-k" "$build"
  } >"$reg"
  local letter dir
  for pair in d:cd-good e:cd-nomarker f:cd-markerdir g:cd-oldmarker h:fixed-h w:fixed-w; do
    letter=${pair%%:*} dir=${pair#*:}
    ln -sfn "$drives/$dir" "$WINEPREFIX/dosdevices/$letter:"
  done
  # Wine reads the drive types from the registry's native view: in a 64-bit prefix, through the
  # 64-bit regedit (a 32-bit one would write them under Wow6432Node, where Wine never looks).
  local loader=wine
  [ "$WINEARCH" = win64 ] && loader=/usr/lib/wine/wine64
  timeout 120 $loader regedit /S "$(wine_path "$reg")" </dev/null >/dev/null 2>&1
  rm -f "$reg"

  local maker=$build/tests/make_sample_cd.exe stub=$build/tests/setup_stub.exe
  local icon=$WINE_SCRIPTS/../res/install.ico
  for pair in cd-good:good cd-nomarker:no-marker cd-markerdir:marker-folder cd-oldmarker:old-marker cd-slow:good; do
    timeout 120 wine "$maker" "$(wine_path "$drives/${pair%%:*}")" "$(wine_path "$stub")" \
      "$(wine_path "$icon")" "${pair#*:}" </dev/null >/dev/null 2>&1 ||
      { wine_log "make_sample_cd failed for ${pair%%:*}"; return 1; }
  done
  cp "$build/install.exe" "$drives/cd-nomarker/"
  # In a folder of Disk1: xcopy copies a folder's files before its subfolders, so a copy stopped
  # during it has Disk1\setup.exe already.
  mkdir -p "$drives/cd-slow/Disk1/Daten"
  head -c $((SLOW_CD_EXTRA_MIB * 1048576)) /dev/zero >"$drives/cd-slow/Disk1/Daten/data2.cab"

  # Whatever an earlier run left at C:'s root.
  local c=$WINEPREFIX/drive_c name
  for name in $(timeout 60 wine "$build/tests/make_sample_cd.exe" --list </dev/null 2>/dev/null | tr -d '\r'); do
    rm -rf "${c:?}/$name"
  done
  rm -rf "$c/patch" "$c"/stub-record*.txt
}

wine_start() { # build folder
  local build
  build=$(readlink -f "$1")
  export WINEPREFIX=$build/wine/prefix
  wine_select_arch "$build"
  wine_start_x
  wine_make_prefix || return 1
  wine_server_up
  wine_make_drives "$build" || { wine_log "laying out the test drives failed"; return 1; }
  # The drive types are read when the server starts.
  wine_server_down
  wine_server_up
  if [ -f "$build/tests/keep_desktop.exe" ]; then
    wine "$build/tests/keep_desktop.exe" 7200 </dev/null >/dev/null 2>&1 &
    WINE_DESKTOP_PID=$!
  fi
}

wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && wine_server_down
  # The server's end takes its programs with it; one that had not reached the server yet (a stop
  # right after the start) goes by its pid.
  if [ -n "$WINE_DESKTOP_PID" ]; then
    kill "$WINE_DESKTOP_PID" 2>/dev/null || true
    wait "$WINE_DESKTOP_PID" 2>/dev/null || true
    WINE_DESKTOP_PID=
  fi
  wine_unmount_slow_cd
  local dir
  for dir in "${WINE_MOUNTS[@]}"; do umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null; done
  WINE_MOUNTS=()
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null
    wait "$WINE_XVFB_PID" 2>/dev/null
    WINE_XVFB_PID=
  fi
  return 0
}
