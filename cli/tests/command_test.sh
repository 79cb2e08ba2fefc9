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

echo "command tests: $fails failure(s)"
[ "$fails" -eq 0 ]
