#!/usr/bin/env bash
# The two-tone readout as a person uses it: the real program on the test environment's sound
# server, a file with known products played by pacat into the null sink whose monitor the program
# hears, the analyser and the IMD readout switched on with a click and a key, Ctrl+S pressed. The
# snapshot's JSON must hold the file's products within 0.3 dB; screenshots stay in the work dir.
# Usage: gui_snapshot.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
require_tools xdotool import convert pacat
require_pulse
require_numpy
mkdir -p "$work"
make_runtime
export HOME=$runtime/home
mkdir -p "$HOME"
use_test_display
shots=$HOME/Documents/Zelvaro

# Two -7 dBFS tones at 1000 and 1500 Hz, IMD3 at -50 dBc (500 Hz) and -40 dBc (2000 Hz), long
# enough to outlast a slow start. The program starts once the server plays it, so that no frame
# of the readout's average hears silence.
"$python" "$here/measure_check.py" make-file "$work/two-tones.raw" 90 || fail "the test file could not be made"
pacat --playback --rate=22050 --channels=2 --format=s16le "$work/two-tones.raw" &
pacat_pid=$!
kill_at_exit $pacat_pid
wait_for_stream $pacat_pid

"$exe" >"$work/zelvaro.log" 2>&1 &
app_pid=$!
kill_at_exit $app_pid
wait_for_window $app_pid
sleep 0.5
xdotool mousemove $((X + 36)) $((Y + 68)) click 1; sleep 0.3   # "Spec.An."
xdotool mousemove $((X + 600)) $((Y + 300))                     # pointer off the plot
xdotool key --window "$window" i                                # "IMD readout"

snapshot_count() { ls "$shots"/zelvaro-*.json 2>/dev/null | wc -l; }
more_snapshots_than() { [ "$(snapshot_count)" -gt "$1" ]; }
# True when both snapshots averaged a whole window of frames (kImdAverageFrames, 8) and read the
# same tone levels. The first whole averages still hold frames whose transform reached back to
# before the capture began, which read the tones low.
settled() {  # <earlier json> <later json>
  "$python" - "$1" "$2" <<'PY'
import json, sys
a, b = (json.load(open(path)) for path in sys.argv[1:3])
whole = all(r.get("frames", 0) >= 8 and len(r.get("tones", [])) == 2 for r in (a, b))
sys.exit(0 if whole and all(abs(s["dbfs"] - t["dbfs"]) <= 0.05 for s, t in zip(a["tones"], b["tones"])) else 1)
PY
}
# Ctrl+S about once a second until two snapshots in a row agree: how soon the readout settles
# depends on how fast the analyser runs, which a loaded machine slows down.
json="" previous=""
deadline=$((SECONDS + 60))
while :; do
  taken=$(snapshot_count)
  xdotool key --window "$window" ctrl+s
  wait_until "$E2E_WAIT_TIMEOUT" more_snapshots_than "$taken" ||
    { import -window root "$work/no-snapshot.png"; fail "Ctrl+S wrote no snapshot in $shots: $(tail -3 "$work/zelvaro.log")"; }
  import -window root "$work/saved.png"
  json=$(ls -t "$shots"/zelvaro-*.json | head -1)
  [ -n "$previous" ] && settled "$previous" "$json" && break
  [ $SECONDS -lt $deadline ] || fail "the readout did not settle within 60 s: $(cat "$json")"
  previous=$json
  sleep 1
done
import -window root "$work/readout.png"
convert "$work/readout.png" -crop 671x474+$X+$Y +repage "$work/window.png"

for ext in png csv; do
  [ -s "${json%.json}.$ext" ] || fail "the snapshot's .$ext is missing"
done
cp "${json%.json}".* "$work/"
"$python" - "$json" <<'PY' || exit 1
import json, sys
r = json.load(open(sys.argv[1]))
def fail(text):
    sys.exit("FAILED: " + text)
if not r.get("measured"):
    fail("not measured: %s" % r.get("message"))
for i, hz in enumerate((1000.0, 1500.0)):
    t = r["tones"][i]
    if abs(t["hz"] - hz) > 0.5 or abs(t["dbfs"] + 7.0) > 0.3:
        fail("tone %d reads %s" % (i + 1, t))
for order, side, dbc in ((3, "lower", -50.0), (3, "upper", -40.0)):
    p = [p for p in r["products"] if p["order"] == order and p["side"] == side]
    if not p or p[0]["below_floor"] or abs(p[0]["dbc"] - dbc) > 0.3:
        fail("IMD%d %s reads %s, expected %s dBc" % (order, side, p, dbc))
s = r["settings"]
if len(s) != 13 or s["mix"] or s["iq_mode"]:
    fail("settings: %s" % s)
print("snapshot: IMD3 lower %.2f, upper %.2f dBc" % tuple(
    p["dbc"] for p in r["products"] if p["order"] == 3))
PY
echo "PASSED: the snapshot taken with Ctrl+S holds the played file's products within 0.3 dB"
