# What this host can run, and which build a Windows file is. Source it.

# The machine of a PE file: i686, x86_64, or "unknown".
pe_machine() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || offset=
  [ -n "$offset" ] || { echo unknown; return; }
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in
    014c) echo i686 ;;
    8664) echo x86_64 ;;
    *) echo unknown ;;
  esac
}

# What every Wine call of the scripts leaves out: no .NET or Gecko installers, no menu entries.
WINE_DLL_OVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Wine maps the shared user data at a fixed address (0x7ffe0000) into every new process. In a
# randomized address space another mapping now and then lies there first, and the new process
# dies before it starts ("failed to map the shared user data", hidden by WINEDEBUG=-all): its
# CreateProcess fails with ERROR_INTERNAL_ERROR, about once in 2,000 starts on wine-8.0 here, and
# a batch file's xcopy or setup then "cannot be recognized". Every Wine program of the scripts
# starts without randomization (inherited by the processes it starts), where the host allows it
# (a container's seccomp filter may refuse the personality).
# Asked once a run: the tests' emulator, started for every test program, inherits the answer.
if [ -z "${WINE_FIXED_LAYOUT+set}" ]; then
  WINE_FIXED_LAYOUT=""
  if setarch "$(uname -m)" -R true </dev/null >/dev/null 2>&1; then
    WINE_FIXED_LAYOUT="setarch $(uname -m) -R"
  fi
  export WINE_FIXED_LAYOUT
fi

BINFMT=/proc/sys/fs/binfmt_misc
# i386 ELF executables, as qemu's own binfmt entry for i386 matches them.
QEMU_I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
QEMU_I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# Without it, qemu splits Wine's reservation of the upper 2 GiB into some 65,000 mmap calls and
# every 32-bit process takes about a minute to start.
QEMU_I386_RESERVED_VA=0x7fff0000
# Sourced again by wine-env.sh in the callers' subshells: what was chosen stays.
: "${I686_MODE:=none}" "${I686_WHY:=}" "${I686_REGISTERED:=}" "${I686_MOUNTED:=}"

# Runs one i386 Linux program of Wine's; answers whether the kernel (or a handler) ran it.
i386_runs() { timeout 30 /usr/lib/wine/wineserver32 --version </dev/null >/dev/null 2>&1; }

# Whether an enabled binfmt_misc entry already hands i386 ELF programs to an interpreter.
i386_handler_registered() {
  local entry
  for entry in "$BINFMT"/*; do
    case ${entry##*/} in register | status) continue ;; esac
    [ -f "$entry" ] || continue
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -q '^magic 7f454c46010101.*02000300$' "$entry" 2>/dev/null && return 0
  done
  return 1
}

# Runs probe.exe (an i686 console program that prints "win32 ok") in prefix; answers whether it
# did. Output goes to a file, not a pipe: Wine's background processes would hold a pipe open.
i686_probe() { # probe.exe prefix prefix-arch
  local out answer server=/usr/lib/wine/wineserver64
  # A server of the prefix's own width: a 64-bit one makes a new prefix a 64-bit installation.
  [ "$3" = win32 ] && server=/usr/lib/wine/wineserver32
  out=$(mktemp)
  mkdir -p "$2"
  if [ "$3" = win64 ]; then
    # A 64-bit prefix, made natively by wine64; only the 32-bit program runs under qemu.
    if [ ! -f "$2/system.reg" ]; then
      WINEPREFIX=$2 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="$WINE_DLL_OVERRIDES" \
        timeout -k 5 300 $WINE_FIXED_LAYOUT /usr/lib/wine/wine64 wineboot.exe -i </dev/null >/dev/null 2>&1 || true
      WINEPREFIX=$2 timeout 60 $server -w </dev/null >/dev/null 2>&1 || true
    fi
  fi
  WINEPREFIX=$2 $server -p </dev/null >/dev/null 2>&1 &
  WINEPREFIX=$2 WINEARCH=$3 WINEDEBUG=-all WINEDLLOVERRIDES="$WINE_DLL_OVERRIDES" \
    timeout -k 5 180 $WINE_FIXED_LAYOUT /usr/lib/wine/wine "$1" </dev/null >"$out" 2>/dev/null || true
  WINEPREFIX=$2 timeout 30 $server -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$2 timeout 30 $server -w </dev/null >/dev/null 2>&1 || true
  answer=$(tr -d '\r' <"$out")
  rm -f "$out"
  [ "$answer" = "win32 ok" ]
}

# Registers qemu user-mode for i386 programs, where that can be done; sets I686_QEMU_REASON and
# fails otherwise.
i686_register_qemu() {
  I686_QEMU_REASON=
  [ "$(id -u)" = 0 ] || { I686_QEMU_REASON="registering qemu user-mode needs root"; return 1; }
  [ -x /usr/bin/qemu-i386-static ] || { I686_QEMU_REASON="qemu-user-static is not installed"; return 1; }
  if [ ! -e "$BINFMT/register" ]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
      { I686_QEMU_REASON="binfmt_misc is not available and cannot be mounted"; return 1; }
    I686_MOUNTED=1
  fi
  if ! i386_handler_registered; then
    printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386-static:F' "$QEMU_I386_MAGIC" "$QEMU_I386_MASK" \
      >"$BINFMT/register" 2>/dev/null ||
      { I686_QEMU_REASON="binfmt_misc refused the qemu entry"; return 1; }
    I686_REGISTERED=1
  fi
  return 0
}

# Leaves the host as this run found it: the qemu entry and the binfmt_misc mount go if this run
# made them. Safe to call more than once.
i686_release() {
  if [ -n "$I686_REGISTERED" ] && [ -e "$BINFMT/qemu-i386" ]; then
    echo -1 >"$BINFMT/qemu-i386" 2>/dev/null || true
  fi
  I686_REGISTERED=
  if [ -n "$I686_MOUNTED" ]; then
    umount "$BINFMT" 2>/dev/null || true
  fi
  I686_MOUNTED=
}

# The i686 suite's prefix is 32-bit natively and 64-bit under qemu: one of the other kind goes.
prefix_of_arch() { # prefix win32|win64
  if [ -f "$1/system.reg" ] && ! grep -q "^#arch=$2" "$1/system.reg"; then
    WINEPREFIX=$1 timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$1"
  fi
  return 0
}

# Decides how the i686 product runs here and sets I686_MODE and I686_WHY:
#   native  the kernel runs 32-bit code: wine32 in a 32-bit prefix;
#   qemu    through qemu user-mode: wine32's loader under qemu, in a 64-bit prefix made natively
#           by wine64 (QEMU_RESERVED_VA is exported);
#   none    not at all here: the x86_64 twin runs instead, and the i686 file is read.
# INSTALL_ONLY_X86_64=1 chooses none, INSTALL_NO_QEMU=1 rules out qemu, INSTALL_FORCE_QEMU=1
# takes qemu even where the kernel runs 32-bit code (to measure that path). A qemu entry this made
# is removed by i686_release (the callers trap it). Never call it in a command substitution: the
# registration and the exports must reach the caller.
i686_choose() { # probe.exe build-folder
  local probe prefix why
  probe=$(readlink -f "$1") prefix=$(readlink -f "$2")/wine/prefix
  I686_MODE=none
  if [ -n "${INSTALL_ONLY_X86_64:-}" ]; then
    I686_WHY="INSTALL_ONLY_X86_64 is set"
    return
  fi
  if [ ! -x /usr/lib/wine/wine ] || [ ! -x /usr/lib/wine/wineserver32 ]; then
    I686_WHY="wine32 is not installed"
    return
  fi
  if ! i386_handler_registered; then
    # INSTALL_FORCE_QEMU=1 takes the qemu path on a host that runs 32-bit code itself: only to
    # measure that path; the entry goes again at the end.
    if [ -z "${INSTALL_FORCE_QEMU:-}" ] && i386_runs; then
      # Native: never register anything here, an entry would take precedence over the kernel.
      prefix_of_arch "$prefix" win32
      if i686_probe "$probe" "$prefix" win32; then
        I686_MODE=native I686_WHY="the kernel runs 32-bit programs"
      else
        I686_WHY="wine32 could not run a 32-bit Windows program"
      fi
      return
    fi
    why="the kernel refuses 32-bit (i386) programs"
    [ -n "${INSTALL_FORCE_QEMU:-}" ] && why="INSTALL_FORCE_QEMU is set"
    if [ -n "${INSTALL_NO_QEMU:-}" ]; then
      I686_WHY="$why, and INSTALL_NO_QEMU is set"
      return
    fi
    if ! i686_register_qemu; then
      I686_WHY="$why, and qemu user-mode cannot be used: $I686_QEMU_REASON"
      i686_release
      return
    fi
  else
    why="an i386 binfmt handler is registered on this host"
    if [ -n "${INSTALL_NO_QEMU:-}" ]; then
      I686_WHY="$why, and INSTALL_NO_QEMU is set"
      return
    fi
  fi
  export QEMU_RESERVED_VA=$QEMU_I386_RESERVED_VA
  prefix_of_arch "$prefix" win64
  if i686_probe "$probe" "$prefix" win64; then
    I686_MODE=qemu I686_WHY="$why"
    export INSTALL_WINE_QEMU=1
  else
    I686_WHY="$why, and wine32 did not run under qemu user-mode either"
    unset QEMU_RESERVED_VA
    i686_release
  fi
  return 0
}
