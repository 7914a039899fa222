#!/usr/bin/env bash
# Runs the real program on the loopback card on the test display, switches generator and analyser
# on with real clicks, and checks from screenshots that both tones show at their frequencies, that
# the readout follows the pointer, and that the close image ends the program within two seconds.
# Usage: gui_two_tones.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_display
require_tools xdotool import convert
require_numpy
mkdir -p "$work"
make_runtime
use_test_display

"$exe" --loopback >"$work/zelvaro.log" 2>&1 &
app_pid=$!
kill_at_exit $app_pid
wait_for_window $app_pid
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
forget_pid $app_pid
[ $status -eq 0 ] || fail "the program ended with status $status"
echo "PASSED: tones at 1292 Hz (left) and 1938 Hz (right), readout follows the pointer, closed in time"
