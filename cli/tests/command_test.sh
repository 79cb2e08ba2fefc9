#!/usr/bin/env bash
# The pipeflow command end to end: exit statuses, files and the default run.
set -u
exe=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
check() {  # check DESCRIPTION EXPECTED_STATUS ACTUAL_STATUS
  if [ "$2" != "$3" ]; then echo "FAIL: $1 (exit $3, expected $2)"; fails=$((fails + 1)); fi
}

"$exe" > "$tmp/defaults.txt"; check "default run" 0 $?
for regime in "stratified smooth" "stratified wavy" "annular" "slug" "dispersed bubble"; do
  grep -q " $regime " "$tmp/defaults.txt" || { echo "FAIL: default cases lack '$regime'"; fails=$((fails + 1)); }
done

"$exe" --help > /dev/null; check "help" 0 $?
"$exe" --version | grep -qx "pipeflow [0-9][0-9.]*" || { echo "FAIL: --version"; fails=$((fails + 1)); }
"$exe" eval --usl 1 --usg 5 --json > "$tmp/eval.json"; check "eval" 0 $?
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["usl"]==1 and d["ierr"]==0 and d["regime"], d' \
  "$tmp/eval.json"; check "eval --json is one JSON object" 0 $?
"$exe" eval --usl -1 > "$tmp/bad.txt"; check "improper input is a result, not an error" 0 $?
grep -q "improper input" "$tmp/bad.txt" || { echo "FAIL: eval does not show the status"; fails=$((fails + 1)); }
"$exe" eval --bogus 1 2> /dev/null; check "unknown input" 2 $?
"$exe" eval --usl abc 2> /dev/null; check "non-numeric input" 2 $?

printf 'usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n' > "$tmp/in.csv"
"$exe" batch --input "$tmp/in.csv" --output "$tmp/out.csv"; check "batch to file" 0 $?
[ "$(wc -l < "$tmp/out.csv")" = 2 ] || { echo "FAIL: batch output rows"; fails=$((fails + 1)); }
"$exe" batch < "$tmp/in.csv" | cmp -s - "$tmp/out.csv"; check "batch through pipes equals files" 0 $?
printf '1,2\n' >> "$tmp/in.csv"
"$exe" batch --input "$tmp/in.csv" --output "$tmp/out2.csv" 2> "$tmp/err.txt"; check "malformed row" 1 $?
grep -q "line 3" "$tmp/err.txt" || { echo "FAIL: malformed row not named by line"; fails=$((fails + 1)); }
"$exe" batch --input "$tmp/missing.csv" 2> /dev/null; check "unreadable input" 2 $?
"$exe" batch --input "$tmp/in.csv" --output "$tmp/no/such/dir.csv" 2> /dev/null; check "unwritable output" 2 $?
"$exe" batch --jobs 0 < "$tmp/in.csv" 2> /dev/null; check "bad --jobs" 2 $?

"$exe" map --nx 4 --ny 3 --csv > "$tmp/map.csv"; check "map --csv" 0 $?
[ "$(wc -l < "$tmp/map.csv")" = 13 ] || { echo "FAIL: map --csv rows"; fails=$((fails + 1)); }
"$exe" map --nx 4 --ny 3 --rol 850 --output "$tmp/map.svg"; check "map to file" 0 $?
"$exe" map --nx 4 --ny 3 --rol 850 | cmp -s - "$tmp/map.svg"; check "map to stdout equals file" 0 $?
grep -q "liquid 850 kg/m" "$tmp/map.svg" || { echo "FAIL: map title lacks the liquid density"; fails=$((fails + 1)); }
"$exe" map --usl 1 2> /dev/null; check "map: usl is an axis" 2 $?
"$exe" map --nx 1 2> /dev/null; check "map: too few points" 2 $?
"$exe" map --usg-min 10 --usg-max 1 2> /dev/null; check "map: reversed range" 2 $?
"$exe" map --usl-min 0 2> /dev/null; check "map: zero on a log axis" 2 $?
"$exe" map --jobs 0 2> /dev/null; check "map: bad --jobs" 2 $?
"$exe" map --output "$tmp/no/such/dir.svg" 2> /dev/null; check "map: unwritable output" 2 $?

# Nothing lost: the same file as input and output (also through a link) is
# refused before anything is written; a failed job leaves an existing output.
printf 'usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n' > "$tmp/big.csv"
for i in $(seq 1 3000); do echo "0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300"; done >> "$tmp/big.csv"
cp "$tmp/big.csv" "$tmp/big.orig"
ln -s "$tmp/big.csv" "$tmp/link.csv"
"$exe" batch --input "$tmp/big.csv" --output "$tmp/big.csv" 2> "$tmp/err.txt"; check "same file refused" 2 $?
"$exe" batch --input "$tmp/big.csv" --output "$tmp/link.csv" 2>> "$tmp/err.txt"; check "same file through a link refused" 2 $?
cmp -s "$tmp/big.csv" "$tmp/big.orig" || { echo "FAIL: the input was changed"; fails=$((fails + 1)); }
grep -q "same file" "$tmp/err.txt" || { echo "FAIL: same-file message"; fails=$((fails + 1)); }
echo "keep me" > "$tmp/keep.csv"
printf 'usl,usg\n1,2\n' | "$exe" batch --output "$tmp/keep.csv" 2> /dev/null; check "bad header" 2 $?
[ "$(cat "$tmp/keep.csv")" = "keep me" ] || { echo "FAIL: a failed job replaced the output"; fails=$((fails + 1)); }
ls -a "$tmp" | grep -q '\.tmp-' && { echo "FAIL: a temporary file was left behind"; fails=$((fails + 1)); }

# Every failed write is an error, and a batch stops at the first one.
# A full device: every write error is an exit status and a message. (How
# soon a batch stops after its first failed write is a benchmark's figure,
# bench/README.md, not a test's.)
if [ ! -w /dev/full ]; then
  echo "FAIL: /dev/full is not writable here: the full-device checks cannot run"; fails=$((fails + 1))
else
  "$exe" eval > /dev/full 2> /dev/null; check "eval to a full device" 2 $?
  "$exe" eval --json > /dev/full 2> /dev/null; check "eval --json to a full device" 2 $?
  "$exe" > /dev/full 2> /dev/null; check "default table to a full device" 2 $?
  "$exe" --help > /dev/full 2> /dev/null; check "help to a full device" 2 $?
  for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do cat "$tmp/big.orig"; done | grep -v '^usl' > "$tmp/rows"
  { head -1 "$tmp/big.orig"; for i in 1 2 3 4 5; do cat "$tmp/rows"; done; } > "$tmp/huge.csv"   # 300,000 rows
  "$exe" batch --input "$tmp/huge.csv" --output /dev/full --jobs 1 2> "$tmp/err.txt"; check "batch to a full device" 2 $?
  grep -q "No space left" "$tmp/err.txt" || { echo "FAIL: no message for the full device"; fails=$((fails + 1)); }
fi
"$exe" eval >&- 2> /dev/null; check "eval with standard output closed" 2 $?

# Help only where an option name may stand; a directory is named as one.
"$exe" eval --usl -h > /dev/null 2>&1; check "-h as a value" 2 $?
"$exe" batch --input -h > /dev/null 2>&1 < /dev/null; check "-h as a file name" 2 $?
"$exe" eval --usl 1 --help > /dev/null; check "--help after an option" 0 $?
"$exe" batch --input "$tmp" 2> "$tmp/err.txt"; check "directory as input" 2 $?
[ "$(wc -l < "$tmp/err.txt")" = 1 ] && grep -q "is a directory" "$tmp/err.txt" || { echo "FAIL: directory message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
"$exe" map --usg-min 1e10 --usg-max 1.0000000000000002e10 > /dev/null 2>&1; check "map: equal log ends" 2 $?

# Memory bounded: a line of 60 MB under a 300 MB address-space limit is a
# malformed row, not a crash.
python3 -c 'import sys; sys.stdout.write("usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n" + "1"*60000000 + "\n0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n")' > "$tmp/long.csv"
# (The sanitizer build reserves more address space than the limit allows, so
# the limit applies to the plain build only.)
if [ -z "${ASAN_OPTIONS:-}" ]; then
  (ulimit -v 300000; "$exe" batch --input "$tmp/long.csv" --output "$tmp/long.out" --jobs 1 2> "$tmp/err.txt")
else
  "$exe" batch --input "$tmp/long.csv" --output "$tmp/long.out" --jobs 1 2> "$tmp/err.txt"
fi
check "a 60 MB line under a memory limit" 1 $?
grep -q "line 2: record longer than" "$tmp/err.txt" || { echo "FAIL: long line not named"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
[ "$(wc -l < "$tmp/long.out")" = 3 ] || { echo "FAIL: long-line output rows"; fails=$((fails + 1)); }
{ cat "$tmp/in.csv"; printf '1,\0\n'; } | "$exe" batch > /dev/null 2> "$tmp/err.txt"; check "NUL byte" 2 $?
grep -q "not a text file" "$tmp/err.txt" || { echo "FAIL: NUL message"; fails=$((fails + 1)); }

# Constant inputs, JSON lines.
printf 'usl,usg,rog,visl,visg,rough,sigma,diam,angle\n0.1,5,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0\n' > "$tmp/rates.csv"
"$exe" batch --rol 850 --pres 5e6 --input "$tmp/rates.csv" > "$tmp/c.csv"; check "batch with constants" 0 $?
"$exe" eval --usl 0.1 --usg 5 --rol 850 --pres 5e6 --json > "$tmp/c.json"
python3 - "$tmp/c.csv" "$tmp/c.json" <<'PY' || { echo "FAIL: constants differ from eval"; fails=$((fails + 1)); }
import csv, json, sys
row = next(csv.DictReader(open(sys.argv[1])))
ev = json.load(open(sys.argv[2]))
assert float(row["rol"]) == 850 and float(row["dpt"]) == ev["dpt"] and row["regime"] == ev["regime"], (row, ev)
PY
"$exe" batch --usl 1 --input "$tmp/rates.csv" > /dev/null 2> "$tmp/err.txt"; check "input as column and option" 2 $?
grep -q "'usl' is given both" "$tmp/err.txt" || { echo "FAIL: column/option message"; fails=$((fails + 1)); }
"$exe" batch --format jsonl --input "$tmp/in.csv" > "$tmp/out.jsonl" 2> /dev/null; check "jsonl with a malformed row" 1 $?
python3 - "$tmp/out.jsonl" "$tmp/eval.json" <<'PY' || { echo "FAIL: jsonl lines"; fails=$((fails + 1)); }
import json, sys
rows = [json.loads(l) for l in open(sys.argv[1])]
ev = json.load(open(sys.argv[2]))
assert len(rows) == 2 and set(rows[0]) == set(ev) and rows[0]["dpt"] == ev["dpt"] and rows[1]["ierr"] == 2
PY

# The traverse: a pipeline from the examples, a line that chokes, bad input.
root=$(cd "$(dirname "$0")/../.." && pwd)
gas=(--rol 850 --visl 5e-3 --sigma 0.02 --gas-molar-mass 18 --visg 1.2e-5 --temp 300)
"$exe" traverse --profile "$root/examples/pipeline-profile.csv" --diam 0.15 --rough 4.6e-5 --liquid-rate 8 \
  --gas-rate 1.2 "${gas[@]}" --inlet-pres 5e6 --csv > "$tmp/tr.csv"; check "traverse --csv" 0 $?
python3 - "$tmp/tr.csv" <<'PY' || { echo "FAIL: traverse points"; fails=$((fails + 1)); }
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1])))
md = [float(r["md"]) for r in rows]
assert md[0] == 0 and md[-1] == 10000 and md == sorted(md), md[:5]
for node in (1500, 3000, 4200, 6000, 8000):
    assert node in md, node
assert float(rows[-1]["pres"]) < float(rows[0]["pres"])
PY
"$exe" traverse --length 5000 --angle 0 --diam 0.1 --liquid-rate 0 --gas-rate 6 "${gas[@]}" --inlet-pres 1e6 \
  --json > "$tmp/choke.json" 2> "$tmp/err.txt"; check "traverse that chokes" 3 $?
grep -q "cannot carry this flow" "$tmp/err.txt" || { echo "FAIL: choke message"; fails=$((fails + 1)); }
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert not d["summary"]["complete"] and d["points"]' \
  "$tmp/choke.json" || { echo "FAIL: choke output"; fails=$((fails + 1)); }
printf 'md (m),z (m)\n0,0\n10,1\n5,2\n' > "$tmp/bad-profile.csv"
"$exe" traverse --profile "$tmp/bad-profile.csv" --diam 0.1 --liquid-rate 1 --gas-rate 0.1 "${gas[@]}" \
  --inlet-pres 1e6 > "$tmp/bad.out" 2> "$tmp/err.txt"; check "traverse with a bad profile" 2 $?
grep -q "bad-profile.csv: line 4: column 'md'" "$tmp/err.txt" || { echo "FAIL: profile message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
[ -s "$tmp/bad.out" ] && { echo "FAIL: a bad profile wrote output"; fails=$((fails + 1)); }
"$exe" traverse --length 100 --diam 0.1 --liquid-rate 0 --gas-rate 0 "${gas[@]}" --inlet-pres 1e6 2> /dev/null; check "traverse without flow" 2 $?
"$exe" traverse --length 100 --diam 0.1 --liquid-rate 1 --gas-rate 0.1 --fluid-table x.csv --rol 1 --temp 300 --inlet-pres 1e6 2> /dev/null
check "traverse with a table and constants" 2 $?

# No silent default that changes the answer: a profile's lengths without a
# unit, a well without its direction, a gas ratio or a standard volume rate
# without a unit are refused, saying what they would be and what to write.
printf 'md,tvd\n0,0\n1000,1000\n' > "$tmp/no-unit.csv"
oil=(--diam 2.441in --outlet-pres 200psia --temp 300K --api 35 --gas-gravity 0.65 --oil-rate "1000 STB/d")
"$exe" traverse --profile "$tmp/no-unit.csv" "${oil[@]}" --gor "600 scf/STB" --flow-direction decreasing 2> "$tmp/err.txt"
check "a profile without a length unit" 2 $?
grep -q "column 'md' has no length unit.*--profile-unit m or ft" "$tmp/err.txt" || { echo "FAIL: length unit message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
"$exe" traverse --profile "$root/examples/oil-well.csv" "${oil[@]}" --gor "600 scf/STB" 2> "$tmp/err.txt"
check "a well without its direction" 2 $?
grep -q "descends as a well does.*give --flow-direction decreasing for a producer" "$tmp/err.txt" || { echo "FAIL: direction message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
"$exe" traverse --profile "$root/examples/oil-well.csv" "${oil[@]}" --gor 800 --flow-direction decreasing 2> "$tmp/err.txt"
check "a gas-oil ratio without a unit" 2 $?
grep -q -- "--gor 800 has no unit and would be 800 Sm3/Sm3 (4492 scf/STB)" "$tmp/err.txt" || { echo "FAIL: ratio message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
"$exe" nodal --profile "$root/examples/oil-well.csv" --diam 2.441in --outlet-pres 200psia --temp 300K --api 35 \
  --gas-gravity 0.65 --water-cut 0 --gor "600 scf/STB" --res-pres 3000psia --ipr vogel --q-max 2500 2> "$tmp/err.txt"
check "a rate without a unit" 2 $?
grep -q -- "--q-max 2500 has no unit and would be 2500 Sm3/s" "$tmp/err.txt" || { echo "FAIL: rate message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }

# --summary: the summary alone in every format, the same numbers as the
# full output's; refused with --svg. A nominal tubing size is refused with
# the inside diameter it stands for.
"$exe" traverse "${oil[@]}" --profile "$root/examples/oil-well.csv" --flow-direction decreasing --gor "600 scf/STB" \
  --json > "$tmp/full.json" 2> /dev/null
"$exe" traverse "${oil[@]}" --profile "$root/examples/oil-well.csv" --flow-direction decreasing --gor "600 scf/STB" \
  --summary > "$tmp/summary.txt" 2> /dev/null; check "traverse --summary" 0 $?
{ head -1 "$tmp/summary.txt" | grep -q "^inlet .* Pa, outlet" && [ "$(wc -l < "$tmp/summary.txt")" -lt 10 ]; } ||
  { echo "FAIL: --summary table"; cat "$tmp/summary.txt"; fails=$((fails + 1)); }
"$exe" traverse "${oil[@]}" --profile "$root/examples/oil-well.csv" --flow-direction decreasing --gor "600 scf/STB" \
  --summary --json > "$tmp/summary.json" 2> /dev/null
"$exe" traverse "${oil[@]}" --profile "$root/examples/oil-well.csv" --flow-direction decreasing --gor "600 scf/STB" \
  --summary --csv > "$tmp/summary.csv" 2> /dev/null
python3 - "$tmp/full.json" "$tmp/summary.json" "$tmp/summary.csv" <<'PY' || { echo "FAIL: --summary json/csv"; fails=$((fails + 1)); }
import csv, json, sys
full, alone = json.load(open(sys.argv[1])), json.load(open(sys.argv[2]))
assert set(alone) == {"summary"} and alone["summary"] == full["summary"]
rows = list(csv.DictReader(open(sys.argv[3])))
assert len(rows) == 1 and float(rows[0]["inlet_pres"]) == full["summary"]["inlet_pres"]
assert rows[0]["complete"] == "true" and int(rows[0]["evaluations"]) == full["summary"]["evaluations"]
PY
"$exe" traverse "${oil[@]}" --profile "$root/examples/oil-well.csv" --flow-direction decreasing --gor "600 scf/STB" \
  --summary --svg > /dev/null 2>&1; check "traverse --summary --svg" 2 $?
"$exe" traverse --profile "$root/examples/oil-well.csv" --diam 2-7/8in --outlet-pres 200psia --temp 300K --api 35 \
  --gas-gravity 0.65 --oil-rate "1000 STB/d" --gor "600 scf/STB" --flow-direction decreasing 2> "$tmp/err.txt"
check "a nominal tubing size" 2 $?
grep -q "2-7/8 in tubing of 6.5 lb/ft is 2.441 in inside" "$tmp/err.txt" || { echo "FAIL: nominal size message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }

# Heat transfer: a profile with its surroundings' column, the picture of both
# temperatures; options that mean nothing without --heat, a temp column with it.
water=(--diam 0.1 --liquid-rate 5 --gas-rate 0 --rol 1000 --visl 1e-3 --sigma 0.07 --gas-molar-mass 20 --visg 1e-5)
printf 'md_m,z_m,tsurr_degC\n0,0,10\n500,0,6\n1000,0,4\n' > "$tmp/sea.csv"
"$exe" traverse --profile "$tmp/sea.csv" "${water[@]}" --cpl 4180 --heat u-value --u-value 10 --temp-in 60degC \
  --inlet-pres 20bar --svg > "$tmp/heat.svg"; check "traverse with heat transfer, svg" 0 $?
grep -q 'class="surroundings"' "$tmp/heat.svg" || { echo "FAIL: heat picture lacks the surroundings"; fails=$((fails + 1)); }
"$exe" traverse --profile "$tmp/sea.csv" "${water[@]}" --temp 300 --inlet-pres 20bar 2> "$tmp/err.txt"
check "a tsurr column without --heat" 2 $?
grep -q "tsurr column is for heat transfer" "$tmp/err.txt" || { echo "FAIL: tsurr message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
"$exe" traverse --length 100 "${water[@]}" --temp 300 --inlet-pres 20bar --u-value 5 2> "$tmp/err.txt"
check "--u-value without --heat" 2 $?
"$exe" traverse --length 100 "${water[@]}" --heat u-value --u-value 5 --ambient 4degC --temp-in 60degC \
  --inlet-pres 20bar 2> "$tmp/err.txt"; check "heat transfer without the liquid's specific heat" 2 $?
grep -q -- "--cpl" "$tmp/err.txt" || { echo "FAIL: cpl message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }

# The black-oil well from the examples, in field units, and what it refuses.
oil=(--profile "$root/examples/oil-well.csv" --diam 2.441in --rough 0.0006in --flow-direction decreasing
     --outlet-pres 200psia --temp-in 180degF --temp-out 100degF --api 35 --gas-gravity 0.65 --water-gravity 1.07
     --oil-rate "1000 STB/d" --water-rate "300 STB/d" --gor "600 scf/STB")
# The oil well with one option's value replaced (an option given twice is refused).
oil_with() {  # oil_with NAME VALUE: prints the arguments NUL-separated
  local a=("${oil[@]}") i
  for ((i = 0; i < ${#a[@]}; i++)); do [ "${a[i]}" = "$1" ] && a[i + 1]=$2; done
  printf '%s\0' "${a[@]}"
}
"$exe" traverse "${oil[@]}" --csv --output-units field > "$tmp/oil.csv"; check "black-oil traverse" 0 $?
"$exe" traverse "${oil[@]}" --json > "$tmp/oil.json"; check "black-oil traverse --json" 0 $?
python3 - "$tmp/oil.csv" "$tmp/oil.json" <<'PY' || { echo "FAIL: black-oil traverse output"; fails=$((fails + 1)); }
import csv, json, sys
rows = list(csv.DictReader(open(sys.argv[1])))
si = json.load(open(sys.argv[2]))
assert rows[0]["md_ft"] == "0" and float(rows[-1]["md_ft"]) == 8000, rows[-1]
assert float(rows[0]["pres_psia"]) == 200 and abs(float(rows[0]["temp_degF"]) - 100) < 1e-9
# The same points as in SI, converted.
assert len(rows) == len(si["points"])
for r, p in zip(rows, si["points"]):
    assert abs(float(r["pres_psia"]) * 6894.757293168361 - p["pres"]) <= 1e-9 * p["pres"]
    assert abs(float(r["md_ft"]) * 0.3048 - p["md"]) <= 1e-9 * max(1, p["md"])
s = si["summary"]
assert s["units"] == "si" and s["oil_rate"] > 0 and s["inlet_pres"] > s["outlet_pres"]
PY
"$exe" traverse "${oil[@]}" --output-units field > "$tmp/oil.txt"; check "black-oil traverse table" 0 $?
grep -q "oil 1000 STB/d, water 300 STB/d, gas 600 Mscf/d" "$tmp/oil.txt" || { echo "FAIL: standard rates in the summary"; fails=$((fails + 1)); }
"$exe" traverse "${oil[@]}" --rol 850 2> "$tmp/err.txt"; check "black oil with a constant liquid" 2 $?
grep -q "cannot be combined with --api" "$tmp/err.txt" || { echo "FAIL: --api with --rol message"; fails=$((fails + 1)); }
# A gauge reading is the absolute pressure less the atmosphere (14.696 psia = 101325 Pa).
mapfile -d '' whp < <(oil_with --outlet-pres 185.304psig)
"$exe" traverse "${whp[@]}" --json > "$tmp/gauge.json"; check "a gauge pressure" 0 $?
python3 - "$tmp/oil.json" "$tmp/gauge.json" <<'PY' || { echo "FAIL: gauge pressure"; fails=$((fails + 1)); }
import json, sys
a, g = (json.load(open(f))["summary"] for f in sys.argv[1:])
assert abs(g["outlet_pres"] - a["outlet_pres"]) < 0.5 and g["atm_pres"] == 101325 and "atm_pres" not in a, (a, g)
PY
mapfile -d '' whp < <(oil_with --outlet-pres 185psig)
"$exe" traverse "${whp[@]}" --output-units field | grep -q "atmospheric pressure of 14.7 psia" \
  || { echo "FAIL: the table does not state the atmosphere"; fails=$((fails + 1)); }
mapfile -d '' whp < <(oil_with --outlet-pres "200 psi")
"$exe" traverse "${whp[@]}" 2> "$tmp/err.txt"; check "a bare psi" 2 $?
grep -q "ambiguous" "$tmp/err.txt" || { echo "FAIL: psi message"; fails=$((fails + 1)); }

# Surveys as exported: MD,Inc,TVD in feet with a BOM and CRLF, and with units in the headers.
well=(--diam 2.441in --rough 0.0006in --flow-direction decreasing --outlet-pres 200psia --temp-in 180degF
      --temp-out 100degF --api 35 --gas-gravity 0.65 --water-gravity 1.07 --oil-rate "1000 STB/d"
      --water-rate "300 STB/d" --gor "600 scf/STB")
"$exe" traverse --profile "$root/examples/directional-well.csv" --profile-unit ft "${well[@]}" > /dev/null
check "the directional survey" 0 $?
sed '1s/.*/\xEF\xBB\xBFMD (ft),Inc (deg),TVD (ft)\r/' "$root/examples/directional-well.csv" > "$tmp/named.csv"
"$exe" traverse --profile "$tmp/named.csv" "${well[@]}" > /dev/null; check "the survey with units in its headers" 0 $?

# Inputs are never overwritten by the results, through any path or link.
cp "$root/examples/pipeline-profile.csv" "$tmp/profile.csv"
ln -s "$tmp/profile.csv" "$tmp/profile-link.csv"
line=(--diam 0.15 --rough 4.6e-5 --liquid-rate 8 --gas-rate 1.2 "${gas[@]}" --inlet-pres 5e6)
"$exe" traverse --profile "$tmp/profile.csv" "${line[@]}" --csv --output "$tmp/profile-link.csv" 2> "$tmp/err.txt"
check "output onto the profile" 2 $?
cmp -s "$tmp/profile.csv" "$root/examples/pipeline-profile.csv" || { echo "FAIL: the profile was changed"; fails=$((fails + 1)); }
grep -q "same file as the input" "$tmp/err.txt" || { echo "FAIL: same-file message (traverse)"; fails=$((fails + 1)); }
printf 'pres,temp,rol,rog,visl,visg,sigma\n1e5,290,800,1,1e-3,1e-5,0.02\n1e5,310,800,1,1e-3,1e-5,0.02\n2e7,290,800,200,1e-3,1e-5,0.02\n2e7,310,800,200,1e-3,1e-5,0.02\n' > "$tmp/table.csv"
cp "$tmp/table.csv" "$tmp/table.orig"
"$exe" traverse --length 100 --diam 0.1 --liquid-rate 1 --gas-rate 0.1 --fluid-table "$tmp/table.csv" --temp 300 \
  --inlet-pres 1e6 --output "$tmp/table.csv" 2> /dev/null; check "output onto the fluid table" 2 $?
cmp -s "$tmp/table.csv" "$tmp/table.orig" || { echo "FAIL: the fluid table was changed"; fails=$((fails + 1)); }

# A traverse that computes no point, in every format: exit 3, no crash, no file left behind.
for fmt in --svg --csv --json ""; do
  "$exe" traverse --length 100 --diam 0.1 --liquid-rate 1 --gas-rate 0.1 --fluid-table "$tmp/table.csv" --temp 350 \
    --inlet-pres 1e6 $fmt --output "$tmp/none.out" 2> "$tmp/err.txt"; check "no point computed ($fmt)" 3 $?
  grep -q "the fluid has no state at md 0.0 m" "$tmp/err.txt" || { echo "FAIL: no-point message ($fmt)"; fails=$((fails + 1)); }
done
[ -z "$(find "$tmp" -name '.none.out.tmp-*')" ] || { echo "FAIL: a temporary file was left"; fails=$((fails + 1)); }
# One that stops on the way: the pressure where it stopped is not the outlet's; JSON without NaN.
"$exe" traverse --length 5000 --angle 0 --diam 0.1 --liquid-rate 0 --gas-rate 6 "${gas[@]}" --inlet-pres 1e6 \
  > "$tmp/stop.txt" 2> /dev/null; check "a line that chokes (table)" 3 $?
grep -q "pressure at md 104.5 m where it stopped" "$tmp/stop.txt" || { echo "FAIL: stop summary"; fails=$((fails + 1)); }
grep -q "outlet" "$tmp/stop.txt" && { echo "FAIL: a stopped march names an outlet pressure"; fails=$((fails + 1)); }
python3 - "$tmp/choke.json" <<'PY' || { echo "FAIL: stopped JSON"; fails=$((fails + 1)); }
import json, sys
text = open(sys.argv[1]).read()
assert "nan" not in text.lower() and "inf" not in text.lower().replace("inlet", "").replace("inventory", "")
s = json.loads(text)["summary"]
assert s["outlet_pres"] is None and s["stop_md"] > 0 and s["stop_pres"] > 0 and s["inlet_pres"] == 1e6, s
PY

# What the model refuses is named by option before any marching: exit 2, not 3.
"$exe" traverse --length 100 --diam 0.1 --rough 0.2 --liquid-rate 1 --gas-rate 0.1 "${gas[@]}" --inlet-pres 1e6 \
  2> "$tmp/err.txt"; check "roughness above the diameter" 2 $?
grep -q -- "--rough 0.2 m is larger than --diam 0.1 m" "$tmp/err.txt" || { echo "FAIL: rough message"; fails=$((fails + 1)); }
"$exe" traverse --length 100 --diam 0.1 --liquid-rate 1 --gas-rate 0.1 "${gas[@]/300/25}" --inlet-pres 1e6 \
  2> "$tmp/err.txt"; check "a bare temperature of 25" 2 $?
grep -q "degC" "$tmp/err.txt" || { echo "FAIL: bare temperature message"; fails=$((fails + 1)); }
"$exe" traverse "${oil[@]}" --co2 0.5 2> "$tmp/err.txt"; check "a gas gravity below its impurities" 2 $?
grep -q "hydrocarbon part a gravity of" "$tmp/err.txt" || { echo "FAIL: gas gravity message"; fails=$((fails + 1)); }

"$exe" traverse "${oil[@]}" --water-cut 0.3 2> /dev/null; check "water cut without a liquid rate" 2 $?
mapfile -d '' api < <(oil_with --api 0)
"$exe" traverse "${api[@]}" 2> "$tmp/err.txt"; check "an oil gravity of 0 API" 2 $?
grep -q "given twice" "$tmp/err.txt" && { echo "FAIL: --api 0 refused as a repeat"; fails=$((fails + 1)); }
"$exe" traverse "${oil[@]}" --output-units imperial 2> /dev/null; check "unknown output units" 2 $?
"$exe" traverse --length 100 --diam 0.1 --liquid-rate "250 STB/d" --gas-rate 0.1 "${gas[@]}" --inlet-pres 1e6 2> "$tmp/err.txt"
check "a volume rate without --api" 2 $?
grep -q "mass rate" "$tmp/err.txt" || { echo "FAIL: volume rate message"; fails=$((fails + 1)); }

# A gas-rich well: points are the stations and an output spacing, never the
# integrator's steps; invalid answers are bridged and said so on the error stream.
rich=(--profile "$root/examples/oil-well.csv" --diam 2.441in --rough 0.0006in --flow-direction decreasing
      --outlet-pres 200psia --temp-in 180degF --temp-out 100degF --api 35 --gas-gravity 0.65 --water-gravity 1.07
      --liquid-rate "1300 STB/d" --water-cut 5% --glr "2e4 scf/STB")
"$exe" traverse "${rich[@]}" --csv > "$tmp/rich.csv" 2> "$tmp/err.txt"; check "the gas-rich well" 0 $?
python3 - "$tmp/rich.csv" <<'PY' || { echo "FAIL: gas-rich well points"; fails=$((fails + 1)); }
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1])))
md = [float(r["md"]) for r in rows]
p = [float(r["pres"]) for r in rows]
assert len(rows) <= 9 + 200 + 20, len(rows)
assert all(b >= a for a, b in zip(p, p[1:])) and all(float(r["dpt"]) > 0 for r in rows)
assert max(b - a for a, b in zip(md, md[1:])) <= 2438.4 / 200 + 1e-9
assert any(r["answer"] == "bridged" for r in rows)
PY
grep -q "bridged between its valid answers" "$tmp/err.txt" || { echo "FAIL: bridged stretches not on stderr"; fails=$((fails + 1)); }
"$exe" traverse "${rich[@]}" --csv --output-step 100ft > "$tmp/rich100.csv" 2> /dev/null; check "--output-step" 0 $?
python3 -c 'import csv,sys; md=[float(r["md"]) for r in csv.DictReader(open(sys.argv[1]))]; assert max(b-a for a,b in zip(md,md[1:])) <= 30.48+1e-9 and len(md) < 120, len(md)' \
  "$tmp/rich100.csv" || { echo "FAIL: --output-step spacing"; fails=$((fails + 1)); }
# The choking 5 cm line: one warning naming critical flow, the last; before
# it only the answers jumping back and forth, each said once.
"$exe" traverse --length 2000 --diam 0.05 --liquid-rate 0.001 --gas-rate 0.5 "${gas[@]}" --inlet-pres 2e6 --csv \
  > /dev/null 2> "$tmp/err.txt"; check "the choking 5 cm line" 3 $?
[ "$(grep -c "critical flow" "$tmp/err.txt")" = 2 ] && grep "warning:" "$tmp/err.txt" | tail -1 | grep -q "tolerance not met .*critical flow" \
  && [ "$(grep "warning:" "$tmp/err.txt" | grep -vc "critical flow\|jumping back and forth")" = 0 ] \
  || { echo "FAIL: the choking line's warnings"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
# The fitted ranges the checks use are the ones the documentation shows.
"$exe" traverse --ranges > "$tmp/ranges.md"; check "--ranges" 0 $?
while IFS= read -r row; do
  grep -qF -- "$row" "$root/docs/traverse.md" || { echo "FAIL: docs/traverse.md lacks the range row: $row"; fails=$((fails + 1)); }
done < "$tmp/ranges.md"

# Lift-curve tables: one VFPPROD keyword, a record per (THP, WFR, GFR); entries that cannot
# be computed fail the command unless filled from their rate neighbours, and say so.
vwell=(--profile "$root/examples/oil-well.csv" --diam 2.441in --rough 0.0006in --temp-in 180degF --temp-out 100degF
       --api 35 --gas-gravity 0.65 --water-gravity 1.07 --tol 100)
"$exe" vfp "${vwell[@]}" --rates "100,400,1600 STB/d" --thp "100,200 psia" --water-cut "0,50%" --gor "300,900 scf/STB" \
  --deck-units field --table 3 > "$tmp/vfp.inc"; check "vfp" 0 $?
grep -q "^  3  8000  'LIQ'  'WCT'  'GOR'  'THP'  ' '  'FIELD'  'BHP' /$" "$tmp/vfp.inc" || { echo "FAIL: VFPPROD record 1"; fails=$((fails + 1)); }
[ "$(grep -c '^  [12] [12] [12] 1 ' "$tmp/vfp.inc")" = 8 ] || { echo "FAIL: VFPPROD records"; fails=$((fails + 1)); }
grep -q "^  0.3 0.9 /$" "$tmp/vfp.inc" || { echo "FAIL: GOR axis in Mscf/stb"; cat "$tmp/vfp.inc"; fails=$((fails + 1)); }
"$exe" vfp "${vwell[@]}" --rates "100,1000,5000,12000 STB/d" --thp "30,100 psia" --water-cut 0 --gor "2000 scf/STB" \
  > "$tmp/vfp2.inc" 2> "$tmp/err.txt"; check "vfp with entries that choke" 3 $?
grep -q "the first, THP 2.06843 barsa, .*(record 1 1 1 1, FLO 3): critical flow" "$tmp/err.txt" || { echo "FAIL: vfp failure message"; fails=$((fails + 1)); }
# A fill only between computed rates or one rate step beyond them: the
# second rate beyond is refused, or with clamp takes the nearest computed value.
"$exe" vfp "${vwell[@]}" --rates "100,1000,5000,12000 STB/d" --thp "30,100 psia" --water-cut 0 --gor "2000 scf/STB" \
  --fill extrapolate > "$tmp/vfp3.inc" 2> "$tmp/err.txt"; check "vfp --fill extrapolate two rates beyond" 3 $?
grep -q "THP 1, WFR 1, GFR 1, FLO 4 (critical flow.*) cannot be filled" "$tmp/err.txt" \
  || { echo "FAIL: vfp unbounded fill message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
"$exe" vfp "${vwell[@]}" --rates "100,1000,5000,12000 STB/d" --thp "30,100 psia" --water-cut 0 --gor "2000 scf/STB" \
  --fill clamp > "$tmp/vfp3.inc" 2> "$tmp/err.txt"; check "vfp --fill clamp" 0 $?
[ "$(grep -c '^-- filled: ' "$tmp/vfp3.inc")" = 3 ] && grep -q "^-- filled: THP 1, WFR 1, GFR 1, FLO 4 clamped to FLO 2" "$tmp/vfp3.inc" \
  && grep -q "warning: BHP falls" "$tmp/err.txt" \
  || { echo "FAIL: vfp fill and checks"; fails=$((fails + 1)); }
"$exe" vfp "${vwell[@]}" --rates "400,100 STB/d" --thp "100 psia" --water-cut 0 --gor "300 scf/STB" 2> "$tmp/err.txt"
check "vfp with rates not increasing" 2 $?
"$exe" vfp "${vwell[@]}" --rates "100 STB/d" --thp "100 psia" --water-cut 0 --gor "300 scf/STB" --outlet-pres 1e6 \
  2> /dev/null; check "vfp with a boundary of its own" 2 $?

# Nodal analysis: the operating point in JSON with its units in the keys; no crossing is exit 3, curves written.
nwell=(--profile "$root/examples/oil-well.csv" --diam 2.441in --rough 0.0006in --outlet-pres 200psia --temp-in 180degF
       --temp-out 100degF --api 35 --gas-gravity 0.65 --water-gravity 1.07 --water-cut 30% --gor "600 scf/STB")
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr vogel --q-max "2500 STB/d" --output-units field --json \
  > "$tmp/nodal.json"; check "nodal" 0 $?
python3 - "$tmp/nodal.json" <<'PY' || { echo "FAIL: nodal JSON"; fails=$((fails + 1)); }
import json, sys
d = json.load(open(sys.argv[1]))
op = d["operating_point"]
assert set(op) == {"liquid_rate_stb_d", "bhp_psia", "thp_psia", "wellhead_temp_degF", "regime_at_bottom", "stable"}, op
assert 500 < op["liquid_rate_stb_d"] < 2500 and op["thp_psia"] == 200 and op["stable"]
assert len(d["curves"]) >= 24 and all("outflow_bhp_psia" in c for c in d["curves"])
PY
"$exe" nodal "${nwell[@]}" --res-pres 1200psia --ipr pi --pi "1 STB/d/psi" --csv > "$tmp/nodal.csv" 2> "$tmp/err.txt"
check "nodal without a crossing" 3 $?
grep -q "no operating point against a wellhead pressure of .*: the well does not flow" "$tmp/err.txt" \
  || { echo "FAIL: no-crossing message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
[ "$(wc -l < "$tmp/nodal.csv")" -ge 25 ] || { echo "FAIL: nodal curves not written"; fails=$((fails + 1)); }
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr vogel 2> /dev/null; check "nodal: vogel without q-max" 2 $?
# SI keys and m3/s; a gas well sweeps its gas (Fetkovich, C with its units).
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr vogel --q-max "2500 STB/d" --json > "$tmp/nodal-si.json"
check "nodal in SI" 0 $?
"$exe" nodal "${nwell[@]/600 scf\/STB/20000 scf/STB}" --res-pres 3000psia --ipr fetkovich --c "0.01 Mscf/d/psi2" --n 0.8 \
  --output-units field --json > "$tmp/nodal-gas.json"; check "nodal of a gas well" 0 $?
python3 - "$tmp/nodal-si.json" "$tmp/nodal-gas.json" <<'PY' || { echo "FAIL: nodal SI and gas JSON"; fails=$((fails + 1)); }
import json, sys
si = json.load(open(sys.argv[1]))["operating_point"]
assert 0.001 < si["liquid_rate"] < 0.005 and 1e7 < si["bhp"] < 2e7, si  # m3/s, Pa
gas = json.load(open(sys.argv[2]))
assert set(gas["operating_point"]) == {"gas_rate_mscf_d", "bhp_psia", "thp_psia", "wellhead_temp_degF", "regime_at_bottom", "stable"}
assert all("gas_rate_mscf_d" in c for c in gas["curves"])
PY
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr fetkovich --c "0.01 Mscf/d/psi" --n 0.8 2> "$tmp/err.txt"
check "nodal: a backpressure coefficient without its squared pressure" 2 $?
grep -q "Mscf/d/psi2, Sm3/d/bar2 or m3/s/Pa2" "$tmp/err.txt" || { echo "FAIL: --c message"; fails=$((fails + 1)); }
# An injection well: the operating point said on the error stream with the
# SVG; a reservoir above the water column takes nothing (exit 3, the reason).
iwell=(--profile "$root/examples/oil-well.csv" --diam 2.441in --rough 0.0006in --temp-in 80degF --temp-out 180degF
       --water-gravity 1.03 --injector water --inlet-pres 70bar --ii "20 Sm3/d/bar" --tol 100)
"$exe" nodal "${iwell[@]}" --res-pres 250bar --svg > "$tmp/inj.svg" 2> "$tmp/err.txt"; check "nodal of an injector" 0 $?
grep -q "operating point: stable crossing at 0.0084" "$tmp/err.txt" || { echo "FAIL: injector's point"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
grep -q "water injector" "$tmp/inj.svg" || { echo "FAIL: injector's picture"; fails=$((fails + 1)); }
"$exe" nodal "${iwell[@]}" --res-pres 350bar > /dev/null 2> "$tmp/err.txt"; check "nodal: an injector that takes nothing" 3 $?
grep -q "the well takes nothing" "$tmp/err.txt" || { echo "FAIL: injector's reason"; cat "$tmp/err.txt"; fails=$((fails + 1)); }

# Answers the well cannot give are not reported: the outflow stopping at the
# limit pressure, a choking gas-rich well, a well written upward; units of the
# wrong phase, repeated options, options the inflow does not read.
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr vogel --q-max "2500 STB/d" --output-units field \
  --max-pres 2145psia --json > "$tmp/nodal-cap.json" 2> "$tmp/err.txt"; check "nodal: outflow stops at --max-pres" 3 $?
grep -q "the outflow stops at 10[67][0-9.]* STB/d because" "$tmp/err.txt" || { echo "FAIL: stop message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
python3 - "$tmp/nodal-cap.json" <<'PY' || { echo "FAIL: nodal JSON without a point"; fails=$((fails + 1)); }
import json, sys
d = json.load(open(sys.argv[1]))
assert d["operating_point"] is None and "the outflow stops at" in d["reason"], d["reason"]
PY
gwell=("${nwell[@]/600 scf\/STB/20000 scf/STB}")
gwell=("${gwell[@]/200psia/50psia}")
"$exe" nodal "${gwell[@]/--gor/--glr}" --res-pres 3000psia --ipr pi --pi "5 STB/d/psi" > /dev/null 2> "$tmp/err.txt"
check "nodal: a gas-rich well that chokes" 3 $?
grep -q "because critical flow" "$tmp/err.txt" || { echo "FAIL: choke message"; cat "$tmp/err.txt"; fails=$((fails + 1)); }
printf 'md,tvd\n0,0\n2000,-2000\n' > "$tmp/up.csv"
"$exe" nodal "${nwell[@]/$root\/examples\/oil-well.csv/$tmp/up.csv}" --res-pres 3000psia --ipr pi --pi "1 STB/d/psi" \
  > /dev/null 2> "$tmp/err.txt"; check "nodal: a well rising from its wellhead" 2 $?
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr pi --pi "1 STB/d/psi" --rates "500,1000 Mscf/d" 2> "$tmp/err.txt"
check "nodal: gas units for a liquid rate" 2 $?
grep -q "is a unit of another quantity" "$tmp/err.txt" || { echo "FAIL: unit message"; fails=$((fails + 1)); }
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --ipr vogel --q-max "2500 STB/d" --pi "1 STB/d/psi" 2> "$tmp/err.txt"
check "nodal: an option the inflow does not read" 2 $?
"$exe" nodal "${nwell[@]}" --res-pres 3000psia --res-pres 2000psia --ipr pi --pi "1 STB/d/psi" 2> "$tmp/err.txt"
check "nodal: an option given twice" 2 $?
grep -q -- "--res-pres is given twice" "$tmp/err.txt" || { echo "FAIL: repeat message"; fails=$((fails + 1)); }
for bad in '--rates=-1000,400,1600 STB/d' '--rates=0,400 STB/d' '--water-cut=0,120%' '--max-entries=3' \
           '--rates=100,100.000000001 STB/d'; do
  "$exe" vfp "${vwell[@]}" --thp "100,200 psia" --gor "300 scf/STB" --rates "100,400 STB/d" --water-cut 0 "$bad" \
    > /dev/null 2>&1; check "vfp refuses $bad" 2 $?
done
"$exe" vfp "${vwell[@]}" --rates "100,400 STB/d" --thp "100,200 psia" --water-cut "0,0.1 STB/Mscf" --wfr wgr \
  --gor "0.5,1 STB/Mscf" --gfr ogr --deck-units field > "$tmp/vfp-ogr.inc" 2> /dev/null; check "vfp: WGR and OGR" 0 $?
grep -q "^  0 0.1 /$" "$tmp/vfp-ogr.inc" && grep -q "^  0.5 1 /$" "$tmp/vfp-ogr.inc" \
  || { echo "FAIL: WGR and OGR axes in stb/Mscf"; fails=$((fails + 1)); }

# Output through a symbolic link lands in its target, the link kept; a job
# stopped by Ctrl-C or a kill leaves no temporary file behind.
mkdir -p "$tmp/links"
echo old > "$tmp/links/target.inc"
ln -s target.inc "$tmp/links/table.inc"
"$exe" vfp "${vwell[@]}" --rates "100,400 STB/d" --thp "100 psia" --water-cut 0 --gor "300 scf/STB" \
  --output "$tmp/links/table.inc" 2> /dev/null; check "vfp --output through a link" 0 $?
{ [ -L "$tmp/links/table.inc" ] && grep -q "^VFPPROD" "$tmp/links/target.inc"; } \
  || { echo "FAIL: the link was replaced or its target not written"; fails=$((fails + 1)); }
coproc WATCH { inotifywait -e create --format %f "$tmp/links" 2>&1; }
read -r -t 60 _ <&"${WATCH[0]}"; read -r -t 60 _ <&"${WATCH[0]}"  # "Setting up watches.", "Watches established."
"$exe" vfp "${vwell[@]:0:${#vwell[@]}-2}" --tol 0.01 --rates "100,200,300,400,500,600,700,800 STB/d" \
  --thp "100,150,200,250,300 psia" --water-cut "0,10,20,30,40%" --gor "300,400,500,600 scf/STB" \
  --output "$tmp/links/big.inc" 2> /dev/null &
job=$!
# Killed once it is writing: its temporary file beside the output is the
# signal (the watch is set up before the job starts; a minute only bounds a
# hang, it decides nothing).
if ! read -r -t 60 created <&"${WATCH[0]}" || [[ "$created" != *tmp-* ]]; then
  echo "FAIL: vfp made no temporary file beside its output ('${created:-}')"; fails=$((fails + 1))
fi
kill -TERM "$job"  # a background job of a script ignores SIGINT; TERM takes the same path
wait "$job"; rc=$?
[ "$rc" -ne 0 ] || { echo "FAIL: the interrupted vfp reported success"; fails=$((fails + 1)); }
if ls -A "$tmp/links" | grep -q "tmp-"; then echo "FAIL: an interrupted vfp left its temporary file"; fails=$((fails + 1)); fi
[ ! -e "$tmp/links/big.inc" ] || { echo "FAIL: an interrupted vfp wrote its output"; fails=$((fails + 1)); }

# Matching: a file it cannot take is refused before any work, naming line and
# column; the measured file is never overwritten by the output.
mwell=(--profile "$root/examples/oil-well.csv" --diam 2.441in --rough 0.0006in --api 35 --gas-gravity 0.65 --water-gravity 1.07)
"$exe" match "${mwell[@]}" > /dev/null 2>&1; check "match without --measured" 2 $?
printf 'date,oil_rate (STB/d),gas_rate (Mscf/d),whp (psig),gauge_md (ft),gauge_pres (psig)\n1,500,300,250,-10,2200\n' \
  > "$tmp/gauge-above.csv"
"$exe" match "${mwell[@]}" --measured "$tmp/gauge-above.csv" 2> "$tmp/err.txt" > /dev/null
check "match: a gauge above the wellhead" 2 $?
grep -q "line 2, column 'gauge_md': puts the gauge at or above the wellhead" "$tmp/err.txt" \
  || { echo "FAIL: the refusal names neither line nor column"; fails=$((fails + 1)); }
cp "$root/examples/well-tests.csv" "$tmp/tests.csv"
"$exe" match "${mwell[@]}" --measured "$tmp/tests.csv" --method no-slip --output "$tmp/tests.csv" > /dev/null 2>&1
check "match onto its measured file" 2 $?
cmp -s "$root/examples/well-tests.csv" "$tmp/tests.csv" || { echo "FAIL: the measured file was overwritten"; fails=$((fails + 1)); }
"$exe" match "${mwell[@]}" --measured "$root/examples/well-tests.csv" --heat ramey > /dev/null 2>&1
check "match: well tests, which bring their own temperatures, with --heat" 2 $?
"$exe" traverse "${mwell[@]}" --flow-direction decreasing --outlet-pres 200psia --temp-in 180degF --temp-out 100degF \
  --oil-rate "1000 STB/d" --gor "300 scf/STB" --lift-gas-rate "500 Mscf/d" --injection-depth 9000ft > /dev/null 2>&1
check "traverse: an injection point below the well" 2 $?

# vfp-check: a table the command writes holds every check (0); an inversion
# fails it (1) and is listed with its indices; an unreadable deck is 2 with
# its line and column; --table chooses, and a table not there is said.
"$exe" vfp --profile "$root/examples/oil-well.csv" --diam 2.441in --temp-in 180degF --temp-out 100degF --api 35 \
  --gas-gravity 0.65 --water-gravity 1.07 --rates "200,1600 STB/d" --thp "100,300 psia" --water-cut 0 \
  --gor "400 scf/STB" --deck-units field --table 4 --output "$tmp/own.inc" 2> /dev/null; check "vfp for vfp-check" 0 $?
"$exe" vfp-check "$tmp/own.inc" > "$tmp/check.txt"; check "vfp-check of a table written" 0 $?
grep -q "^VFPPROD 4 (.*own.inc line [0-9]*, FIELD, BHP): .*: ok$" "$tmp/check.txt" || { echo "FAIL: vfp-check summary line"; fails=$((fails + 1)); }
printf 'VFPINJ\n 2 1000 WAT THP METRIC BHP /\n 100 200 /\n 10 20 /\n1 150 140 /\n2 155 130 /\n' > "$tmp/inj.inc"
"$exe" vfp-check "$tmp/inj.inc" --json > "$tmp/check.json"; check "vfp-check of an inversion" 1 $?
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); t=d["tables"][0]; f=t["checks"]["bhp_rises_with_thp"]["found"]; assert not d["ok"] and len(f)==1 and f[0]["thp"]==2 and f[0]["flo"]==2 and f[0]["size"]==10 and t["bhp"]==[150,140,155,130], d' \
  "$tmp/check.json"; check "vfp-check --json lists the inversion" 0 $?
"$exe" vfp-check --table 3 "$tmp/inj.inc" 2> "$tmp/err.txt"; check "vfp-check of a table not there" 2 $?
grep -q "has no table 3; it has VFPINJ 2" "$tmp/err.txt" || { echo "FAIL: vfp-check --table not there"; fails=$((fails + 1)); }
# --svg: the injector's picture, its one inversion ringed.
"$exe" vfp-check "$tmp/inj.inc" --svg --output "$tmp/inj.svg"; check "vfp-check --svg of an inversion" 1 $?
python3 -c 'import sys, xml.etree.ElementTree as E; r=E.parse(sys.argv[1]).getroot(); n=[e for e in r.iter() if e.get("class")=="inversion"]; c=[e for e in r.iter() if e.get("class")=="curve"]; assert len(n)==1 and len(c)==2, (len(n), len(c))' \
  "$tmp/inj.svg"; check "vfp-check --svg rings the inversion" 0 $?
"$exe" vfp-check "$tmp/inj.inc" --svg --at "flo=100,thp=10" 2> /dev/null; check "vfp-check --svg with --at is refused" 2 $?
# JSON stays JSON where a label is not UTF-8: a group named in Latin-1 (as an
# old spreadsheet writes it) comes out with U+FFFD for its stray byte.
printf 'usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres,hol_meas,dpdx_meas,regime_meas,source\n0.1,5,1000,1.2,0.001,1.8e-05,1e-05,0.072,0.05,0,101325,0.2,400,3,Mont\xe9e [run 1]\n' > "$tmp/latin1.csv"
"$exe" compare --input "$tmp/latin1.csv" --json > "$tmp/latin1.json"; check "compare --json of a Latin-1 label" 0 $?
python3 -c 'import json,sys; d=json.load(open(sys.argv[1], encoding="utf-8")); assert list(d["groups"]) == ["Mont\ufffde"], d["groups"]' \
  "$tmp/latin1.json" || { echo "FAIL: a Latin-1 label in compare --json"; fails=$((fails + 1)); }

# --against: a table against itself differs by nothing; tables of other kinds are not compared (2).
"$exe" vfp-check "$tmp/own.inc" --against "$tmp/own.inc" --json > "$tmp/against.json"; check "vfp-check --against itself" 0 $?
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["points"]==4 and d["largest"]==0 and d["mean_abs"]==0, d' \
  "$tmp/against.json"; check "a table against itself differs by nothing" 0 $?
# Its picture: each table's curve on the compared points, the largest difference ringed once.
"$exe" vfp-check "$tmp/own.inc" --against "$tmp/own.inc" --svg --output "$tmp/against.svg"; check "vfp-check --against --svg" 0 $?
python3 -c 'import sys, xml.etree.ElementTree as E; r=E.parse(sys.argv[1]).getroot(); c=[e for e in r.iter() if e.get("class")=="curve"]; d=[e for e in c if e.get("stroke-dasharray")]; n=[e for e in r.iter() if e.get("class")=="largest"]; assert len(c)==2*len(d) and d and len(n)==1, (len(c), len(d), len(n))' \
  "$tmp/against.svg"; check "vfp-check --against --svg draws both tables" 0 $?
"$exe" vfp-check "$tmp/own.inc" --against "$tmp/inj.inc" 2> "$tmp/err.txt"; check "vfp-check --against a VFPINJ" 2 $?
grep -q "one is VFPPROD, the other VFPINJ" "$tmp/err.txt" || { echo "FAIL: vfp-check --against of other kinds"; fails=$((fails + 1)); }
printf 'VFPINJ\n 2 1000 WAT THP METRIC BHP /\n 100 200 /\n 10 20\n' > "$tmp/bad.inc"
"$exe" vfp-check "$tmp/bad.inc" 2> "$tmp/err.txt"; check "vfp-check of an unreadable deck" 2 $?
grep -q "bad.inc: line 4, column 5: VFPINJ: the file ends inside a record" "$tmp/err.txt" || { echo "FAIL: vfp-check unreadable: $(cat "$tmp/err.txt")"; fails=$((fails + 1)); }

echo "command tests: $fails failure(s)"
[ "$fails" -eq 0 ]
