#!/usr/bin/env bash
# The repository stands alone: a clone of the committed HEAD in an empty
# temporary folder (nothing beside it) configures, builds the model, the
# command, the benchmarks and their tests, and passes them. Uncommitted
# changes are not part of the clone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone -q "$root" "$work/repo"
cd "$work/repo"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DFLOWMODEL_BUILD_PYTHON=OFF > "$work/configure.log" \
  || { cat "$work/configure.log"; exit 1; }
cmake --build build -j"$(nproc)" > "$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
ctest --test-dir build -j"$(nproc)" --output-on-failure | tail -n 3
echo "== The clone stands alone"
