#!/usr/bin/env bash
# The main job from a fresh Debian machine: installs what is missing, builds,
# and runs `pipeflow` on its built-in engineering cases.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh native
cmake --preset default > /dev/null
cmake --build build -j"$(nproc)" --target pipeflow
./build/bin/pipeflow
