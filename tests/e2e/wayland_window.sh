#!/usr/bin/env bash
# Runs the real program on the test environment's headless Wayland compositor and checks from the
# compositor's own screenshots that the window comes up at its size with its cut-away corners
# showing the desktop beneath, not a filled-in colour, and that it stays drawn while running.
# Usage: wayland_window.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
[ -n "${ZELVARO_TEST_WAYLAND_DISPLAY:-}" ] ||
  missing_reference "Wayland compositor (weston, started by scripts/test-env)"
require_tools weston-screenshooter convert
require_numpy
mkdir -p "$work"
rm -f "$work"/*.png
make_runtime
export WAYLAND_DISPLAY=$ZELVARO_TEST_WAYLAND_DISPLAY
export QT_QPA_PLATFORM=wayland
unset DISPLAY

# shot <name>: the compositor's screenshot as <work>/<name>.png. The screenshooter writes a
# file named after the time into the current directory.
shot() {
  (cd "$runtime" && rm -f wayland-screenshot-*.png && weston-screenshooter >/dev/null 2>&1) &&
    mv "$runtime"/wayland-screenshot-*.png "$work/$1.png" 2>/dev/null
}

shot desktop || fail "weston-screenshooter took no screenshot (weston needs --debug)"
"$exe" --loopback >"$work/zelvaro.log" 2>&1 &
app_pid=$!
kill_at_exit $app_pid
shown=""
deadline=$((SECONDS + E2E_WINDOW_TIMEOUT))
while [ $SECONDS -lt $deadline ]; do
  sleep 0.5
  kill -0 $app_pid 2>/dev/null || fail "the program ended: $(cat "$work/zelvaro.log")"
  shot window || continue
  if "$python" "$here/check_wayland.py" shown "$work/desktop.png" "$work/window.png" 2>/dev/null; then
    shown=1
    break
  fi
done
[ -n "$shown" ] || fail "no window appeared on the compositor within ${E2E_WINDOW_TIMEOUT} s"
sleep 1  # the first frames settle
shot window || fail "no screenshot of the window"
"$python" "$here/check_wayland.py" outline "$work/desktop.png" "$work/window.png" ||
  fail "the window's outline is not see-through"
echo "PASSED: the window on Wayland at 671 x 474 with its cut-away corners showing the desktop"
