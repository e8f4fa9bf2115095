#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, as root. Does nothing when all is there.
set -euo pipefail

# Both targets' compilers: the win32 thread model for the programs we ship (its runtime needs
# nothing newer than Windows XP), the POSIX one for the tests (GoogleTest needs std::mutex).
# wine32 for the i686 product, through qemu user-mode where the kernel refuses 32-bit code;
# wine64 for the x86_64 twin everywhere. gcc and libfuse3 build the tests' slow CD (a FUSE file
# system).
packages=(cmake ninja-build
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
  mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32
  gcc-mingw-w64-x86-64-win32 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  googletest wine wine32:i386 wine64 fonts-wine xvfb imagemagick locales qemu-user-static
  gcc pkg-config libfuse3-dev fuse3)

# A German and a Japanese locale give Wine their code pages (ANSI 1252 with OEM 850, and 932) for
# the tests that need them.
test_locales() {
  local name
  for name in de_DE ja_JP; do
    locale -a 2>/dev/null | grep -qix "$name.utf8" && continue
    localedef -i "$name" -f UTF-8 "$name.UTF-8" ||
      { echo "deps.sh: generating the $name.UTF-8 locale failed" >&2; exit 1; }
  done
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  test_locales
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" != 0 ]; then
  echo "deps.sh: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
if ! apt-get update -q || ! apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "deps.sh: installing ${missing[*]} failed; check the network and apt's sources, then run again" >&2
  exit 1
fi
test_locales
