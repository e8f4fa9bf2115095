# Configures and builds one target in its own folder. Source it; build_target ARCH FOLDER
# [cmake options...] builds everything, build_target_only ARCH FOLDER TARGETS... builds those.
BUILD_REPO=$(dirname "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")")

toolchain_of() {
  case $1 in
    i686) echo "$BUILD_REPO/cmake/toolchain-mingw32.cmake" ;;
    x86_64) echo "$BUILD_REPO/cmake/toolchain-mingw64.cmake" ;;
  esac
}

configure_target() { # arch folder [cmake options...]
  local arch=$1 folder=$2
  shift 2
  cmake --no-warn-unused-cli -S "$BUILD_REPO" -B "$folder" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(toolchain_of "$arch")" "$@" >/dev/null ||
    { echo "configuring the $arch build in $folder failed (see the CMake messages above)" >&2; return 1; }
}

build_target() { # arch folder [cmake options...]
  configure_target "$@" || return 1
  cmake --build "$2" -j "$(nproc)" ||
    { echo "building the $1 target in $2 failed (see the compiler messages above)" >&2; return 1; }
}

build_target_only() { # arch folder targets...
  local arch=$1 folder=$2
  shift 2
  configure_target "$arch" "$folder" || return 1
  cmake --build "$folder" -j "$(nproc)" --target "$@" ||
    { echo "building $* for $arch in $folder failed (see the compiler messages above)" >&2; return 1; }
}
