# Shared by run.sh and test.sh: install what is missing, then configure and
# build. Sourced, not run.

MOVREL_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libqscintilla2-qt6-dev
  zip unzip 7zip libarchive-tools python3
  xvfb xauth
  zlib1g-dev libdeflate-dev
  g++-mingw-w64-x86-64-win32 wine64
)

movrel_missing_packages() {
  local missing=()
  for p in "${MOVREL_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

movrel_install_packages() {
  local missing
  missing=$(movrel_missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" = 0 ]; then
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing
  else
    echo "Missing packages. Run:"
    echo "  sudo apt-get install -y $missing"
    exit 1
  fi
}

# movrel_build DIR [cmake options...]
movrel_build() {
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@"
  fi
  cmake --build "$dir" -j "$(nproc)"
}
