# The one start of test.sh, main.sh and bench.sh. Source it, then call
#   run_start TAG BUILD_ROOT [TARGET...]
# It installs what is missing, builds, sets the traps that leave the host as the run found it
# (Wine stopped, a qemu entry of the run removed), decides how the i686 product runs here
# (I686_MODE, I686_WHY; see wine-arch.sh) and says so in one line. With no TARGET it builds
# everything for both architectures (the test suites); with targets it builds those for the
# architecture that will run. RUN_ARCH is then i686 or x86_64: the build the run uses.
START_SCRIPTS=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
source "$START_SCRIPTS/build.sh"
source "$START_SCRIPTS/wine-env.sh"

run_start() { # tag build-root [target...]
  local tag=$1 root=$2
  shift 2
  bash "$START_SCRIPTS/deps.sh"
  if [ $# -eq 0 ]; then
    build_target i686 "$root/i686" || exit 1
    build_target x86_64 "$root/x86_64" -DINSTALL_I686_EXE="$root/i686/install.exe" || exit 1
  else
    build_target_only i686 "$root/i686" "$@" >/dev/null || exit 1
  fi
  # Whatever ends the run: Wine goes first, then a qemu entry this run made. A subshell that
  # starts Wine of its own traps wine_stop itself (subshells do not inherit traps).
  trap 'wine_stop; i686_release' EXIT
  trap 'exit 130' INT TERM HUP
  i686_choose "$root/i686/tests/probe.exe" "$root/i686"
  case $I686_MODE in
    native) echo "$tag the i686 product runs natively: $I686_WHY" ;;
    qemu) echo "$tag the i686 product runs under wine32 through qemu user-mode: $I686_WHY" ;;
    *) echo "$tag the i686 product cannot run here, the x86_64 twin runs instead and the i686 file is read: $I686_WHY" ;;
  esac
  RUN_ARCH=i686
  if [ "$I686_MODE" = none ]; then
    RUN_ARCH=x86_64
    [ $# -eq 0 ] || build_target_only x86_64 "$root/x86_64" "$@" >/dev/null || exit 1
  fi
}
