#!/usr/bin/env bash
# Sets up, builds and runs VFD Vorlinx on Debian 12.
#
#   ./build.sh run       install what is missing, build, start the program
#   ./build.sh sim ARGS  build and start the display simulator (vfdsim --help)
#   ./build.sh test      install what is missing, build everything, run all tests
#   ./build.sh sanitize  the core tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./build.sh bench     build and run the benchmarks (optimised build)
#   ./build.sh fuzz [T]  build the fuzz targets with clang and run each (or target T) for
#                        VFD_FUZZ_SECONDS (default 20) seconds; findings land in build-fuzz/findings
#   ./build.sh format    check that the sources are formatted
#   ./build.sh package   build the Debian package (build-package/*.deb) and check it
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the program needs (the preview's font has the half-width katakana
# the displays show).
PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libsensors-dev libsystemd-dev libtag1-dev
  libcurl4-openssl-dev libxml2-dev nlohmann-json3-dev ca-certificates
  fonts-ipafont-gothic
  libtcd-dev xtide-data
  libicu-dev
)
# What the tests, the benchmarks and the format check need besides.
DEV_PACKAGES=(
  clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus xvfb
  lcdproc libio-lcdproc-perl
)

# What building and checking the Debian package needs besides: dpkg-shlibdeps (dpkg-dev, file)
# finds the libraries' packages, lintian judges the result, systemd-analyze reads the units.
PACKAGE_PACKAGES=(
  dpkg-dev file lintian systemd
)

ensure_packages() {  # extra packages...
  local missing=() p
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
      sudo=(sudo)
    else
      echo "Please install as root: apt-get install ${missing[*]}" >&2
      exit 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

configure() {  # directory, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

jobs=$(nproc 2>/dev/null || echo 2)

case "${1:-run}" in
  run)
    ensure_packages
    configure build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVFD_BUILD_TESTS=OFF \
      -DVFD_BUILD_BENCH=OFF
    cmake --build build-run --parallel "$jobs" --target vfdvorlinx vfdsim
    shift || true
    exec ./build-run/vfdvorlinx "$@"
    ;;
  sim)
    ensure_packages
    configure build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVFD_BUILD_TESTS=OFF \
      -DVFD_BUILD_BENCH=OFF
    cmake --build build-run --parallel "$jobs" --target vfdsim
    shift || true
    exec ./build-run/tools/vfdsim "$@"
    ;;
  test)
    ensure_packages "${DEV_PACKAGES[@]}"
    configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVFD_WERROR=ON
    cmake --build build --parallel "$jobs"
    ctest --test-dir build --output-on-failure --parallel "$jobs"
    ;;
  sanitize)
    ensure_packages "${DEV_PACKAGES[@]}"
    configure build-asan -DCMAKE_BUILD_TYPE=Debug -DVFD_SANITIZE=ON -DVFD_WERROR=ON -DVFD_BUILD_UI=OFF \
      -DVFD_BUILD_BENCH=OFF
    cmake --build build-asan --parallel "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure --parallel "$jobs"
    ;;
  bench)
    ensure_packages "${DEV_PACKAGES[@]}"
    configure build-bench -DCMAKE_BUILD_TYPE=Release -DVFD_BUILD_UI=OFF -DVFD_BUILD_TESTS=OFF
    cmake --build build-bench --parallel "$jobs"
    for b in build-bench/bench/*_bench; do "$b"; done
    ;;
  fuzz)
    ensure_packages clang libclang-rt-dev
    fuzz_targets=()
    for f in tests/fuzz/*_fuzz.cpp; do fuzz_targets+=("$(basename "$f" .cpp)"); done
    [ $# -ge 2 ] && fuzz_targets=("${@:2}")
    configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DVFD_FUZZ=ON -DVFD_WERROR=ON -DVFD_BUILD_TESTS=OFF -DVFD_BUILD_UI=OFF -DVFD_BUILD_BENCH=OFF
    cmake --build build-fuzz --parallel "$jobs" --target "${fuzz_targets[@]}"
    tests/fuzz/run build-fuzz "${VFD_FUZZ_SECONDS:-20}" "${fuzz_targets[@]}"
    ;;
  format)
    ensure_packages "${DEV_PACKAGES[@]}"
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    ;;
  package)
    ensure_packages "${PACKAGE_PACKAGES[@]}"
    configure build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVFD_WERROR=ON \
      -DVFD_BUILD_TESTS=OFF -DVFD_BUILD_BENCH=OFF
    cmake --build build-package --parallel "$jobs"
    rm -f build-package/vfdvorlinx_*.deb
    (cd build-package && cpack -G DEB >/dev/null)
    tools/check-package build-package/vfdvorlinx_*.deb
    ls build-package/vfdvorlinx_*.deb
    ;;
  *)
    sed -n '2,13p' "$0" >&2
    exit 2
    ;;
esac
