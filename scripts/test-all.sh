#!/usr/bin/env bash
# Every test of the project, from a fresh Debian machine: installs what is
# missing, builds the model, the tool and the launcher, and runs all tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

echo "== Flow model, command and benchmarks (native build)"
cmake --preset default -DFLOWMODEL_REQUIRE_ALL_TESTS=ON  # nothing left out or skipped unseen
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

echo "== A clone with nothing beside it builds and passes the native tests"
bash scripts/test-standalone.sh

echo "== Sanitizers and bounded fuzz runs"
bash scripts/test-hardening.sh

if [ -f launcher/scripts/build.sh ]; then
  echo "== Windows start-up executable (cross build, tests under Wine)"
  bash launcher/scripts/build.sh
  bash launcher/tests/run.sh
  if [ -f launcher/resources/tests/run.sh ]; then
    bash launcher/resources/tests/run.sh
  fi
fi
echo "== All tests passed"
