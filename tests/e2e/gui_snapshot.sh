#!/usr/bin/env bash
# The two-tone readout as a person uses it: the real program on the test environment's sound
# server, a file with known products played by pacat into the null sink whose monitor the program
# hears, the analyser and the IMD readout switched on with a click and a key, Ctrl+S pressed. The
# snapshot's JSON must hold the file's products within 0.3 dB; screenshots stay in the work dir.
# Usage: gui_snapshot.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/references.sh"
[ -n "${ZELVARO_TEST_DISPLAY:-}" ] || missing_reference "X display (run through scripts/test-env, which starts Xvfb)"
for tool in xdotool import convert pacat; do
  command -v $tool >/dev/null || missing_reference "$tool"
done
[ -n "${PULSE_SERVER:-}" ] || missing_reference "private PulseAudio (run through scripts/test-env)"
python=$(python_with_numpy)
[ -n "$python" ] || missing_reference "python3 with numpy"
mkdir -p "$work"
runtime=$(mktemp -d /tmp/zelvaro-e2e.XXXXXX)
chmod 700 "$runtime"
export DISPLAY=$ZELVARO_TEST_DISPLAY DBUS_SESSION_BUS_ADDRESS=disabled: XDG_RUNTIME_DIR=$runtime
export XDG_CONFIG_HOME=$runtime/config HOME=$runtime/home
mkdir -p "$HOME"
unset QT_QPA_PLATFORM
app_pid="" pacat_pid=""
cleanup() {
  [ -n "$pacat_pid" ] && kill "$pacat_pid" 2>/dev/null && wait "$pacat_pid" 2>/dev/null
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

# Two -7 dBFS tones at 1000 and 1500 Hz, IMD3 at -50 dBc (500 Hz) and -40 dBc (2000 Hz).
"$python" "$here/measure_check.py" make-file "$work/two-tones.raw" || fail "the test file could not be made"
pacat --playback --rate=22050 --channels=2 --format=s16le "$work/two-tones.raw" &
pacat_pid=$!

"$exe" >"$work/zelvaro.log" 2>&1 &
app_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --pid $app_pid 2>/dev/null | head -1)
[ -n "$window" ] || fail "the main window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"  # sets X, Y, WIDTH, HEIGHT
sleep 0.5
xdotool mousemove $((X + 36)) $((Y + 68)) click 1; sleep 0.3   # "Spec.An."
xdotool mousemove $((X + 600)) $((Y + 300))                     # pointer off the plot
xdotool key --window "$window" i                                # "IMD readout"
sleep 5                                                         # the power average settles
import -window root "$work/readout.png"
convert "$work/readout.png" -crop 671x474+$X+$Y +repage "$work/window.png"
xdotool key --window "$window" ctrl+s
sleep 1
import -window root "$work/saved.png"

json=$(ls "$HOME"/Documents/Zelvaro/zelvaro-*.json 2>/dev/null | head -1)
[ -n "$json" ] || fail "no snapshot in $HOME/Documents/Zelvaro: $(tail -3 "$work/zelvaro.log")"
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
