#!/usr/bin/env bash
# Runs the real program on the loopback card on the test display, switches generator and analyser
# on with real clicks, and checks from screenshots that both tones show at their frequencies, that
# the readout follows the pointer, and that the close image ends the program within two seconds.
# Usage: gui_two_tones.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/references.sh"
[ -n "${ZELVARO_TEST_DISPLAY:-}" ] || missing_reference "X display (run through scripts/test-env, which starts Xvfb)"
for tool in xdotool import convert; do
  command -v $tool >/dev/null || missing_reference "$tool"
done
python=$(python_with_numpy)
[ -n "$python" ] || missing_reference "python3 with numpy"
mkdir -p "$work"
runtime=$(mktemp -d /tmp/zelvaro-e2e.XXXXXX)
chmod 700 "$runtime"
export DISPLAY=$ZELVARO_TEST_DISPLAY DBUS_SESSION_BUS_ADDRESS=disabled: XDG_RUNTIME_DIR=$runtime
export XDG_CONFIG_HOME=$runtime/config
unset QT_QPA_PLATFORM
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT

fail() { echo "FAILED: $*"; exit 1; }

"$exe" --loopback >"$work/zelvaro.log" 2>&1 &
app_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --pid $app_pid 2>/dev/null | head -1)
[ -n "$window" ] || fail "the main window did not appear"
eval "$(xdotool getwindowgeometry --shell "$window")"  # sets X, Y, WIDTH, HEIGHT
[ "$WIDTH" = 671 ] && [ "$HEIGHT" = 474 ] || fail "window is ${WIDTH}x${HEIGHT}, not 671x474"
sleep 0.5

click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.3; }
shot() { import -window root "$work/$1"; }

click 36 290    # "Generator" (53 x 25 at 10, 278)
click 36 374    # the generator's "Right": tone 2 on the right output
click 36 68     # "Spec.An." (53 x 25 at 10, 56)
click 36 152    # the analyser's "Right": the right input is drawn too
xdotool mousemove $((X + 600)) $((Y + 440))   # pointer off the plot
sleep 4         # a few frames, so the averages settle
shot tones.png
"$python" "$here/check_plot.py" tones "$work/tones.png" $X $Y || fail "the two tones are not where they belong"

# The readout beside the pointer, then at a new place with the old one erased.
xdotool mousemove $((X + 106 + 20)) $((Y + 56 + 40)); sleep 0.6
shot readout1.png
xdotool mousemove $((X + 106 + 200)) $((Y + 56 + 60)); sleep 0.6
shot readout2.png
# The window with both tones and the readout, as a picture of the running instrument.
xdotool mousemove $((X + 106 + 380)) $((Y + 56 + 120)); sleep 0.6
shot running.png
convert "$work/running.png" -crop 671x474+$X+$Y +repage "$work/window.png"
"$python" "$here/check_plot.py" readout "$work/readout1.png" "$work/readout2.png" $X $Y \
  || fail "the readout does not follow the pointer"

# The close image ends the program, quickly.
xdotool mousemove $((X + 628)) $((Y + 22)) click 1
for _ in $(seq 20); do
  kill -0 $app_pid 2>/dev/null || break
  sleep 0.1
done
if kill -0 $app_pid 2>/dev/null; then
  fail "the program still runs two seconds after the close click"
fi
wait $app_pid
status=$?
app_pid=""
[ $status -eq 0 ] || fail "the program ended with status $status"
echo "PASSED: tones at 1292 Hz (left) and 1938 Hz (right), readout follows the pointer, closed in time"
