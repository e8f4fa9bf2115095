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

# Whether this host runs 32-bit Windows code: runs a tiny i686 console program under wine32 in
# the given (32-bit) prefix, with a time limit. Prints why on stdout; answers through its status.
# Some kernels refuse every i386 binary, Wine's 32-bit loader and server included.
host_runs_win32() { # probe.exe prefix
  if [ -n "${INSTALL_ONLY_X86_64:-}" ]; then
    echo "INSTALL_ONLY_X86_64 is set"
    return 1
  fi
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "wine32 is not installed"
    return 1
  fi
  local out
  out=$(mktemp)
  mkdir -p "$2"
  # Output to a file, not a pipe: Wine's background processes would hold a pipe open.
  WINEPREFIX=$2 wineserver -p </dev/null >/dev/null 2>&1 &
  WINEPREFIX=$2 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    timeout -k 5 180 /usr/lib/wine/wine "$1" </dev/null >"$out" 2>/dev/null || true
  WINEPREFIX=$2 timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$2 timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
  local answer
  answer=$(tr -d '\r' <"$out")
  rm -f "$out"
  if [ "$answer" = "win32 ok" ]; then
    echo "wine32 ran a 32-bit Windows program"
    return 0
  fi
  if ! timeout 10 /usr/lib/wine/wine --version </dev/null >/dev/null 2>&1; then
    echo "the kernel refuses 32-bit (i386) programs"
  else
    echo "wine32 could not run a 32-bit Windows program"
  fi
  return 1
}
