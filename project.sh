#!/usr/bin/env bash
# One place that knows the packages and the build steps.
#   ./project.sh demo   install what is missing, build, run the demo
#   ./project.sh test   install what is missing, build twice (optimised and sanitized), run all tests
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev
          libcurl4-openssl-dev libminizip-dev zlib1g-dev libsodium-dev libzstd-dev zstd zip unzip python3
          minisign nginx-light openssl libarchive-tools libpugixml-dev gettext xvfb x11-utils lintian strace)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# build DIR [cmake options...]
build() {
  local dir=$1; shift
  local werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  cmake -S . -B "$dir" -G Ninja -DWARNINGS_AS_ERRORS=$werror "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

run_tests() {
  local dir=$1
  ctest --test-dir "$dir" -j "$(nproc)" --output-on-failure --timeout 300
}

case "${1:-}" in
  demo)
    install_missing
    tools/demo.sh build/demo
    ;;
  test)
    install_missing
    # Full debug information doubles the build time; the sanitizers' reports need line tables only.
    build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
    run_tests build/release
    # Timings under the sanitizers mean nothing: the benchmarks are built once, optimised.
    build build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=ON -DBUILD_BENCHMARKS=OFF \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
    run_tests build/sanitize
    ;;
  *)
    echo "usage: $0 demo|test" >&2
    exit 2
    ;;
esac
