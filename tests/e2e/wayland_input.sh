#!/usr/bin/env bash
# The shaped window on Wayland under a real pointer: a weston of its own, on its x11 backend, runs
# as a client of a private Xvfb, so xdotool on that display moves weston's pointer. The program's
# window follows a drag by its face, stays put when the press lands on a control, still takes
# clicks after the compositor has moved it, is minimised by its minimise image (and then still
# ends cleanly), and ends with status 0 by its close image. Positions come from weston's scene
# graph and are checked again on the screenshots, which stay in the work directory.
# Usage: wayland_input.sh <zelvaro> <work dir>
set -uo pipefail
exe=$1 work=$2

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
require_tools Xvfb weston weston-debug xdotool import convert
require_numpy
mkdir -p "$work"
rm -f "$work"/*.png "$work"/*.log
make_runtime zelvaro-wlinput
mkdir -p "$runtime/compositor" "$runtime/program"
chmod 700 "$runtime/compositor" "$runtime/program"

# The program's log also holds its side of the Wayland protocol, too long to print on failure.
fail_log() { fail "$* (the program's log: $work/zelvaro.log)"; }
ended() { local state; state=$(ps -o stat= -p "$1" 2>/dev/null); [ -z "$state" ] || [[ $state == Z* ]]; }
program_ended() { ended "$app_pid"; }

# The X server picks a free display itself and names it once it listens.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$runtime/display" >"$work/xvfb.log" 2>&1 &
kill_at_exit $!
wait_for_file "$runtime/display" || missing_reference "Xvfb (it did not start)"
DISPLAY=:$(head -1 "$runtime/display")
export DISPLAY

# Without a window manager on that display weston's output window lies at 0,0 and fills it, so
# display and compositor coordinates are the same.
XDG_RUNTIME_DIR=$runtime/compositor weston --backend=x11-backend.so --use-pixman --debug --no-config \
  --idle-time=0 --width=1024 --height=768 --socket=wayland-input >"$work/weston.log" 2>&1 &
weston_pid=$!
kill_at_exit $weston_pid
compositor() { XDG_RUNTIME_DIR=$runtime/compositor WAYLAND_DISPLAY=wayland-input "$@"; }
shell_up() { compositor weston-debug scene-graph 2>/dev/null | grep -q "background for output"; }
up_or_gone() { shell_up || ended "$weston_pid"; }
wait_until "$E2E_WAIT_TIMEOUT" up_or_gone
shell_up || missing_reference "weston's x11 backend ($(tail -1 "$work/weston.log"))"

# shot <name>: the screen as <work>/<name>.png, the pointer parked on the shell's panel, which the
# window checks leave out.
shot() {
  xdotool mousemove 600 4 && sleep 0.2 && import -window root "$work/$1.png"
}
box() { "$python" "$here/check_wayland_input.py" box "$work/desktop.png" "$work/$1.png"; }
pixel() { "$python" "$here/check_wayland_input.py" pixel "$work/$1.png" "$2" "$3"; }
# The shell fades the desktop in: it is drawn once two screenshots in a row agree.
desktop_drawn() {
  shot desktop-next || return 1
  [ "$(pixel desktop-next 512 400)" != "0 0 0" ] && [ -f "$work/desktop.png" ] &&
    [ "$(box desktop-next)" = none ] && return 0
  mv "$work/desktop-next.png" "$work/desktop.png"
  return 1
}
wait_until "$E2E_WAIT_TIMEOUT" desktop_drawn || fail "the desktop shell drew nothing, or nothing that stays"
rm -f "$work/desktop-next.png"
# shows <name> <box>: a screenshot as <name> shows the window at the box ("none": no window).
# Windows are animated as they come and go, so this is polled.
shows() { shot "$1" && [ "$(box "$1")" = "$2" ]; }

# The window's top-left corner in the compositor ("x y"), nothing while it is not on the screen.
window_at() {
  compositor weston-debug scene-graph 2>/dev/null |
    awk -v pid="$app_pid" '$0 ~ "role xdg_toplevel, PID " pid "," { found = 1; next }
      found && /position:/ { gsub(/[(),]/, " "); print $2, $3; exit }'
}
window_shown() { [ -n "$(window_at)" ]; }
window_gone() { [ -z "$(window_at)" ]; }
window_is() { [ "$(window_at)" = "$1" ]; }

start_program() {
  # The program's own runtime directory; its compositor named by an absolute path.
  XDG_RUNTIME_DIR=$runtime/program WAYLAND_DISPLAY=$runtime/compositor/wayland-input \
    QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client DISPLAY='' "$exe" --loopback >"$work/zelvaro.log" 2>&1 &
  app_pid=$!
  kill_at_exit $app_pid
  wait_until "$E2E_WINDOW_TIMEOUT" window_shown || fail_log "no window on the compositor"
  read -r X Y <<<"$(window_at)"
}

# drag <x> <y> <dx> <dy> [<condition...>]: presses the left button at the window point, moves by
# the offset in ten steps and, with a condition, holds the button until it is met, nudging the
# pointer so that a move the program asked for late still sees motion; then releases.
drag() {
  local x=$((X + $1)) y=$((Y + $2)) dx=$3 dy=$4 i met=0 deadline=$((SECONDS + E2E_WAIT_TIMEOUT))
  shift 4
  xdotool mousemove $x $y && sleep 0.2 && xdotool mousedown 1 && sleep 0.2
  for i in $(seq 10); do xdotool mousemove $((x + dx * i / 10)) $((y + dy * i / 10)); sleep 0.05; done
  if [ $# -gt 0 ]; then
    while [ $SECONDS -lt $deadline ]; do
      "$@" && met=1 && break
      xdotool mousemove $((x + dx + 1)) $((y + dy)) mousemove $((x + dx)) $((y + dy))
      sleep 0.1
    done
  fi
  xdotool mouseup 1
  [ $# = 0 ] || [ $met = 1 ]
}
click() { xdotool mousemove $((X + $1)) $((Y + $2)) && sleep 0.2 && xdotool click 1; }

# The checks take the window where weston put it; the drag's offset keeps it whole on the screen
# and clear of the panel.
start_program
echo "window placed at $X,$Y"
if [ "$Y" -ge 40 ]; then
  wait_until "$E2E_WAIT_TIMEOUT" shows before "$X $Y 671 474" || fail "before the drag the screenshot shows $(box before), not $X $Y 671 474"
else
  shot before
fi

# A press on a control and a drag away from it leave the window where it is: the tone 1
# frequency field, then the generator switch.
drag 228 345 60 40
drag 36 290 60 40
sleep 0.5
window_is "$X $Y" || fail "a drag that began on a control moved the window to $(window_at)"

# The face, between the span selector and the minimise image: the window follows the pointer.
dx=$((X < 150 ? 120 : -120)) dy=$((Y < 150 ? 80 : -80))
drag 530 25 $dx $dy window_is "$((X + dx)) $((Y + dy))" ||
  fail "dragged by $dx,$dy from $X,$Y the window is at $(window_at)"
grep -q 'xdg_toplevel@[0-9]*\.move(' "$work/zelvaro.log" || fail_log "the drag was not handed to the compositor"
X=$((X + dx)) Y=$((Y + dy))
wait_until "$E2E_WAIT_TIMEOUT" shows after-drag "$X $Y 671 474" || fail "after the drag the screenshot shows $(box after-drag), not $X $Y 671 474"
echo "dragged by $dx,$dy to $X,$Y"

# The compositor ended the move without the program seeing the release: the next click must still
# reach a control. The generator switch lights its run LED red.
click 36 290
generator_on() { shot generator && read -r r g _ <<<"$(pixel generator $((X + 34)) $((Y + 318)))" && ((r > 150 && g < 100)); }
wait_until "$E2E_WAIT_TIMEOUT" generator_on || fail "a click after the drag did not switch the generator on (LED $(pixel generator $((X + 34)) $((Y + 318))))"

click 592 21
wait_until "$E2E_WAIT_TIMEOUT" window_gone || fail "the minimise image left the window on the screen"
program_ended && fail_log "the program ended instead of minimising"
grep -q 'xdg_toplevel@[0-9]*\.set_minimized()' "$work/zelvaro.log" ||
  fail_log "the window left the screen without asking to be minimised"
wait_until "$E2E_WAIT_TIMEOUT" shows minimised none || fail "after minimising the screenshot still shows $(box minimised)"
echo "minimised"

kill -TERM $app_pid
wait_until "$E2E_WAIT_TIMEOUT" program_ended || fail "the minimised program did not end on SIGTERM"
wait $app_pid
status=$?
forget_pid $app_pid
[ $status = 0 ] || fail_log "the minimised program ended on SIGTERM with status $status"

start_program
click 628 22
wait_until "$E2E_WAIT_TIMEOUT" program_ended || fail "the close image did not end the program"
wait $app_pid
status=$?
forget_pid $app_pid
[ $status = 0 ] || fail_log "the close image ended the program with status $status"
echo "PASSED: on Wayland the window is dragged by its face, not by its controls, and is minimised and closed by its images"
