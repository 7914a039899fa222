#!/usr/bin/env bash
# `zelvaro measure` as a user runs it: options and messages, its own generator through the
# loopback card, a file played by pacat on the test environment's sound server, its own generator
# through that server, a sweep, and an end by SIGTERM with nothing printed.
# Usage: measure_cli.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_numpy
check="$python $here/measure_check.py"
mkdir -p "$work"
now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc; }

# Options: help, refusals with a message and status 1.
"$exe" measure --help >"$work/help.txt" || fail "--help exited $?"
grep -q -- "--sweep FROM:TO:STEP" "$work/help.txt" || fail "--help lacks the options"
"$exe" measure --fft 1000 2>"$work/err.txt"; [ $? -eq 1 ] || fail "--fft 1000 accepted"
grep -q "power of two" "$work/err.txt" || fail "no message for --fft 1000"
"$exe" measure --loopback --tones 700,1900 --mix --level -5 2>"$work/err.txt"; [ $? -eq 1 ] || fail "clipping mix accepted"
grep -q "6.02 dBFS" "$work/err.txt" || fail "no message for a clipping mix: $(cat "$work/err.txt")"

# The loopback card: its own generator, both tones on the left input.
start=$(now)
"$exe" measure --loopback --tones 700,1900 --mix --level -7 --format json --output "$work/loop.json" \
  || fail "loopback measurement exited $?"
echo "loopback measurement with defaults: $(elapsed "$start" "$(now)") s"
$check own-generator "$work/loop.json" || exit 1
# Listening only, the loopback card hears silence: status 2 and a reason.
"$exe" measure --loopback --fft 4096 --seconds 0.5 2>"$work/err.txt" >"$work/out.txt"
[ $? -eq 2 ] || fail "silence did not give status 2"
grep -q "20 dB above" "$work/err.txt" || fail "silence gave no reason: $(cat "$work/err.txt")"
[ -s "$work/out.txt" ] && fail "silence printed a result"
# A sweep without distortion: every step measured, no intercept made up.
"$exe" measure --loopback --tones 700,1900 --mix --sweep -30:-10:10 --fft 16384 --seconds 1 --format json \
  >"$work/sweep.json" || fail "sweep exited $?"
$check sweep "$work/sweep.json" 3 || exit 1
"$exe" measure --loopback --tones 700,1900 --mix --sweep -30:-10:10 --fft 16384 --seconds 1 \
  | grep -q "no third-order intercept" || fail "the sweep's text does not say there is no intercept"
# SIGTERM while capturing: status 128 + 15, nothing printed.
"$exe" measure --loopback --tones 700,1900 --mix --seconds 20 >"$work/term.txt" 2>&1 &
pid=$!
kill_at_exit $pid
# Its own handler, not the default action, must end it: sent once the handler is in place.
wait_until "$E2E_WAIT_TIMEOUT" catches_signal $pid 15 || fail "the measurement never set up its signal handling"
sleep 1
kill -TERM $pid
wait $pid; status=$?
forget_pid $pid
[ $status -eq 143 ] || fail "SIGTERM gave status $status"
[ -s "$work/term.txt" ] && fail "SIGTERM left output: $(cat "$work/term.txt")"

if [ -z "${PULSE_SERVER:-}" ] || ! command -v pacat >/dev/null; then
  missing_reference "private PulseAudio with pacat (run through scripts/test-env); the loopback part passed"
fi
# A file played into the null sink; the program listens to its monitor. The listening measurement
# takes what comes at once, so it starts only when the server plays the file, and the file lasts
# well beyond a start slowed down by a loaded machine.
$check make-file "$work/two-tones.raw" 60 || exit 1
pacat --playback --rate=22050 --channels=2 --format=s16le "$work/two-tones.raw" &
pacat_pid=$!
kill_at_exit $pacat_pid
wait_for_stream $pacat_pid
start=$(now)
"$exe" measure --format json >"$work/file.json" 2>"$work/file.err" || fail "listening exited $?: $(grep -v ALSA "$work/file.err" | tail -3)"
echo "listening with defaults on the sound server: $(elapsed "$start" "$(now)") s"
kill $pacat_pid 2>/dev/null; wait $pacat_pid 2>/dev/null
forget_pid $pacat_pid
$check file-result "$work/file.json" || exit 1
# Its own generator through the server.
"$exe" measure --tones 700,1900 --mix --level -7 --format json >"$work/server.json" 2>"$work/server.err" \
  || fail "own generator through the server exited $?: $(grep -v ALSA "$work/server.err" | tail -3)"
$check own-generator "$work/server.json" || exit 1
# The same through devices named on the command line; a name no device has is refused before
# anything is opened.
"$exe" measure --input no-such-card --seconds 0.5 >"$work/named.txt" 2>"$work/named.err"
[ $? -eq 1 ] || fail "an unknown input device was accepted"
grep -q "no-such-card" "$work/named.err" || fail "the unknown device is not named: $(cat "$work/named.err")"
[ -s "$work/named.txt" ] && fail "a refused device still printed a result"
# Meanwhile the server lists both streams under the program's name, as a volume control shows them.
"$exe" measure --input pulse --output-device pulse --tones 700,1900 --mix --level -7 --format json \
  >"$work/named.json" 2>"$work/named.err" &
named_pid=$!
kill_at_exit $named_pid
# Looked at until both are seen or the measurement has ended, however long its start takes.
streams=""
while kill -0 $named_pid 2>/dev/null; do
  streams=$(pactl list sink-inputs; pactl list source-outputs)
  [ "$(printf '%s\n' "$streams" | grep -c 'application.name = "Zelvaro"')" -ge 2 ] && break
  sleep 0.1
done
wait $named_pid || fail "named devices exited $?: $(grep -v ALSA "$work/named.err" | tail -3)"
forget_pid $named_pid
$check own-generator "$work/named.json" || exit 1
[ "$(printf '%s\n' "$streams" | grep -c 'application.name = "Zelvaro"')" -ge 2 ] ||
  fail "the streams are not named after the program: $(printf '%s\n' "$streams" | grep application.name)"
echo "PASSED"
