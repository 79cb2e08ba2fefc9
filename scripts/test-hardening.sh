#!/usr/bin/env bash
# Hardening checks: the model, the command and all their tests under
# AddressSanitizer and UndefinedBehaviorSanitizer (preset asan), then a
# bounded, reproducible libFuzzer run of each fuzz target from its committed
# seed corpus. Exits non-zero on any test failure or fuzzer finding.
# Needs cmake, g++ and GoogleTest (as the default build) plus clang-14 and
# libclang-rt-14-dev; it installs nothing itself.
# usage: test-hardening.sh          (about five to seven minutes on two cores)
# Environment: FUZZ_ENTRY_RUNS, FUZZ_CSV_RUNS, FUZZ_PROFILE_RUNS, FUZZ_TABLE_RUNS,
# FUZZ_UNITS_RUNS, FUZZ_MEASURED_RUNS, FUZZ_VFP_DECK_RUNS, FUZZ_REQUEST_RUNS,
# FUZZ_NODAL_VFP_RUNS override the number of executions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

echo "== Model, command and tests under ASan + UBSan (preset asan)"
cmake --preset asan
cmake --build --preset asan -j"$jobs"
# The accuracy test's 200 random wells take half a minute natively and ten
# times that here: 20 of them look for memory faults as well.
FLOWMODEL_ACCURACY_WELLS=20 ctest --preset asan -j"$jobs"

echo "== Fuzz targets (clang-14, libFuzzer + ASan + UBSan)"
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14
cmake --build build-fuzz -j"$jobs"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs one target for a fixed number of executions from a copy of its seed
# corpus (so the run never writes into the repository), with a fixed seed:
# the same inputs are tried on every run. The time limit only guards against
# a much slower machine; a finding makes libFuzzer exit non-zero.
fuzz() {
  local target=$1 corpus=$2 runs=$3 timeout=${4:-10}
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  cp fuzz/corpus/"$corpus"/* "$work/$target/corpus/"
  echo "-- $target: $runs executions, seed 1"
  if ! build-fuzz/"$target" -seed=1 -runs="$runs" -max_total_time=180 -timeout="$timeout" \
      -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/$target/artifacts/" "$work/$target/corpus" \
      >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    for f in "$work/$target/artifacts"/*; do
      [ -e "$f" ] && echo "finding: $(basename "$f") (base64: $(base64 -w0 "$f"))"
    done
    echo "FAIL: $target found a fault" >&2
    return 1
  fi
  grep -E '^stat::number_of_executed_units|^Done|^requests:' "$work/$target.log" || true
  if grep -q '^requests: 0 answered' "$work/$target.log"; then
    echo "FAIL: $target refused every request: it checked nothing" >&2
    return 1
  fi
}

fuzz fuzz_entry entry "${FUZZ_ENTRY_RUNS:-6000000}"
fuzz fuzz_csv csv "${FUZZ_CSV_RUNS:-200000}"
fuzz fuzz_profile profile "${FUZZ_PROFILE_RUNS:-200000}"
fuzz fuzz_table table "${FUZZ_TABLE_RUNS:-200000}"
fuzz fuzz_units units "${FUZZ_UNITS_RUNS:-300000}"
fuzz fuzz_measured measured "${FUZZ_MEASURED_RUNS:-200000}"
fuzz fuzz_vfp_deck vfp "${FUZZ_VFP_DECK_RUNS:-100000}"
# Whole traverses, a few milliseconds each under the sanitizers, the
# slowest (a heated march shot for from its wellhead, or lifted) seconds: a
# bounded exploring run beyond the seeds. Longer runs: FUZZ_REQUEST_RUNS.
fuzz fuzz_request request "${FUZZ_REQUEST_RUNS:-10000}" 120
# Nodal analyses and small tables, dozens of traverses each (2 to 20 a
# second under the sanitizers): bounded by the three minutes of every target.
fuzz fuzz_nodal_vfp nodal-vfp "${FUZZ_NODAL_VFP_RUNS:-2000}" 120
echo "== Hardening checks passed"
