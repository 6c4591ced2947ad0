# Shared by scripts/run and scripts/test: package installation and the build.
# shellcheck shell=bash

ZMK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Everything the build, the tests and the demonstration need, as Debian packages.
ZMK_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth
  python3
  libxlsxwriter-dev python3-openpyxl libreoffice-calc-nogui
  fonts-dejavu-core poppler-utils
  libzip-dev libpugixml-dev
)

zmk_log() { printf '== %s\n' "$*" >&2; }

# Installs the packages that are missing (as root, or through sudo).
zmk_ensure_packages() {
  local missing=() p
  for p in "${ZMK_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  zmk_log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# zmk_build DIR [cmake options...] [-- build options...]: configures DIR
# (once) and builds it.
zmk_build() {
  local dir=$1; shift
  local configure=() build=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do configure+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift && build=("$@")
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ZMK_ROOT" -B "$dir" -G Ninja "${configure[@]}" >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)" "${build[@]}"
}
