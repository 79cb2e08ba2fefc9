#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# usage: install-deps.sh [native|all]   (native: enough to build and run the model)
set -euo pipefail

packages=(cmake make g++ libgtest-dev libbenchmark-dev nlohmann-json3-dev python3)  # model, command, tests, benchmarks
if [ "${1:-all}" = all ]; then
  packages+=(
    inotify-tools                                                       # command tests: a file's creation as a signal
    librsvg2-bin pybind11-dev python3-dev python3-numpy python3-pytest  # regime-map render, Python module
    python3-venv python3-pip python3-setuptools python3-wheel           # pip install of the Python package
    python3-pandas python3-dask python3-distributed                     # evaluate_frame, evaluate_dask
    clang-14 libclang-rt-14-dev                                         # fuzz targets (libFuzzer)
    mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64  # Windows cross toolchain (launcher)
    wine64 icoutils file                               # run and inspect the launcher
    libopm-simulators-bin python3-opm-common           # OPM Flow reads the lift-curve tables
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
