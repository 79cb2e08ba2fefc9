#!/usr/bin/env bash
# Runs the launcher's tests: the native unit tests of the platform-free pieces (g++ and
# GoogleTest, built into build/launcher/native), then the Wine integration tests against
# the 64-bit build and the PE checks of both builds. Expects scripts/build.sh to have run.
# Ends with "launcher: N passed, M failed" and a non-zero status on any failure.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
native="$root/build/launcher/native"
passed=0
failed=0

# ---- native unit tests ----
mkdir -p "$native"
if g++ -std=c++17 -O1 -Wall -Wextra -Werror -I"$root/launcher/src" \
      "$root/launcher/tests/unit/launcher_pure_test.cpp" "$root/launcher/src/dir_cut.cpp" \
      -lgtest -lgtest_main -pthread -o "$native/launcher_pure_test"; then
  "$native/launcher_pure_test" --gtest_output="xml:$native/launcher_pure_test.xml"
  if [ -f "$native/launcher_pure_test.xml" ]; then
    counts=$(python3 - "$native/launcher_pure_test.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
suite = ET.parse(sys.argv[1]).getroot()
tests, failures, errors = (int(suite.get(k, 0)) for k in ("tests", "failures", "errors"))
print(tests - failures - errors, failures + errors)
PY
)
    passed=$((passed + ${counts% *}))
    failed=$((failed + ${counts#* }))
  else
    echo "launcher: native unit tests produced no report"
    failed=$((failed + 1))
  fi
  rm -f "$native/launcher_pure_test.xml"
else
  echo "launcher: native unit tests did not build"
  failed=$((failed + 1))
fi

# ---- Wine integration tests and PE checks ----
log="$native/wine_tests.log"
python3 "$root/launcher/tests/wine_tests.py" "$root/build/launcher/x86_64" "$root/build/launcher/i686" \
  2>&1 | tee "$log"
summary=$(grep -E '^wine-tests: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -1)
if [ -n "$summary" ]; then
  read -r wp wf < <(echo "$summary" | sed -E 's/^wine-tests: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/')
  passed=$((passed + wp))
  failed=$((failed + wf))
else
  echo "launcher: the Wine tests ended without a summary"
  failed=$((failed + 1))
fi

echo "launcher: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
