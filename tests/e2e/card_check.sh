#!/usr/bin/env bash
# `zelvaro measure --card-check` as a user runs it: refused option mixes, an unplugged cable, the
# loopback card with a known skew and cubic term, and the test environment's sound server, whose
# null sink's monitor is a cable with no skew and no distortion.
# Usage: card_check.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
mkdir -p "$work"
# check_json <file> <python expression over the object j>: fails with the expression when false.
check_json() {
  python3 -c "import json,sys; j=json.load(open(sys.argv[1])); sys.exit(0 if ($2) else 1)" "$1" \
    || fail "$1: not ($2): $(cat "$1")"
}

"$exe" measure --help | grep -q -- "--card-check" || fail "--help lacks --card-check"
for refused in "--card-check --tones 700,1900" "--card-check --format csv" "--loopback-skew 10" \
               "--loopback --loopback-skew 900" "--loopback --loopback-distortion -20"; do
  # shellcheck disable=SC2086
  "$exe" measure $refused 2>"$work/err.txt" >/dev/null; status=$?
  [ $status -eq 1 ] || fail "'$refused' gave status $status"
  [ -s "$work/err.txt" ] || fail "'$refused' gave no message"
done

# No cable: a plain message on stderr, nothing on stdout, status 2.
"$exe" measure --card-check --loopback --loopback-unplugged >"$work/out.txt" 2>"$work/err.txt"; status=$?
[ $status -eq 2 ] || fail "an unplugged cable gave status $status"
grep -q "do not hear the outputs" "$work/err.txt" || fail "no plain message: $(cat "$work/err.txt")"
[ -s "$work/out.txt" ] && fail "an unplugged cable printed a result: $(cat "$work/out.txt")"

# The loopback card with the right channel 120 us late and a cubic term for -50 dBc IMD3.
"$exe" measure --card-check --loopback --loopback-skew 120 --loopback-distortion -50 --format json \
  --output "$work/loop.json" || fail "loopback card check exited $?"
check_json "$work/loop.json" "sorted(j) == ['floor_dbfs', 'gain_difference_db', 'imd', 'skew_fit_residual_us', 'skew_us']"
check_json "$work/loop.json" "abs(j['skew_us'] - 120) < 0.5 and j['skew_fit_residual_us'] < 0.5"
check_json "$work/loop.json" "all(abs(p['dbc'] + 50) < 0.5 for p in j['imd']['products'] if p['order'] == 3)"
check_json "$work/loop.json" "len([p for p in j['imd']['products'] if p['order'] == 3]) == 2"
"$exe" measure --card-check --loopback --loopback-skew -20 >"$work/loop.txt" || fail "text card check exited $?"
grep -q "^Channel skew  *-20.00 us" "$work/loop.txt" || fail "text output: $(cat "$work/loop.txt")"
grep -q "compensation (Options menu) to -20.0 us" "$work/loop.txt" || fail "no advice: $(cat "$work/loop.txt")"

[ -n "${PULSE_SERVER:-}" ] ||
  missing_reference "private PulseAudio (run through scripts/test-env); the loopback part passed"
"$exe" measure --card-check --format json --output "$work/server.json" 2>"$work/server.err" \
  || fail "card check on the sound server exited $?: $(tail -3 "$work/server.err")"
cat "$work/server.json"
check_json "$work/server.json" "abs(j['skew_us']) < 0.5 and abs(j['gain_difference_db']) < 0.05"
check_json "$work/server.json" \
  "all(p['below_floor'] or p['dbc'] < -90 for p in j['imd']['products'] if p['order'] in (3, 5))"
echo "card check passed"
