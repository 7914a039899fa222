#!/usr/bin/env bash
# Dropouts of the real program on the real sound path: the window with the generator on (tone 1 on
# the left) and the analyser at 65536 points, the sound server's monitor recorded by parec, every
# silence inside the recorded tone counted as a dropout.
# Usage (under scripts/test-env, which provides the display and a private sound server):
#   bench/playback_gaps.sh <zelvaro> [seconds, default 600]
set -euo pipefail
exe=$1 seconds=${2:-600}
here=$(cd "$(dirname "$0")" && pwd)
[ -n "${ZELVARO_TEST_DISPLAY:-}" ] || { echo "run under scripts/test-env"; exit 2; }
python=""
for candidate in ${ZELVARO_PYTHON:-} /usr/bin/python3 python3; do
  "$candidate" -c "import numpy" 2>/dev/null && { python=$candidate; break; }
done
[ -n "$python" ] || { echo "needs python3 with numpy"; exit 2; }
runtime=$(mktemp -d /tmp/zelvaro-gaps.XXXXXX)
export DISPLAY=$ZELVARO_TEST_DISPLAY XDG_CONFIG_HOME=$runtime/config
unset QT_QPA_PLATFORM
app_pid="" rec_pid=""
cleanup() {
  [ -n "$rec_pid" ] && kill "$rec_pid" 2>/dev/null
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT

"$exe" >"$runtime/app.log" 2>&1 &
app_pid=$!
window=$(timeout 15 xdotool search --sync --onlyvisible --pid $app_pid | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
sleep 0.5
for point in "36 290" "36 68" "274 23"; do  # "Generator", "Spec.An.", the 0.17k span: 65536 points
  set -- $point
  xdotool mousemove $((X + $1)) $((Y + $2)) click 1
  sleep 0.3
done
xdotool mousemove $((X + 600)) $((Y + 440))
sleep 2
parec --raw --rate=22050 --channels=2 --format=s16le >"$runtime/rec.raw" &
rec_pid=$!
start=$(date +%s)
sleep "$seconds"
kill "$rec_pid"; wait "$rec_pid" 2>/dev/null || true; rec_pid=""
echo "load average during the run: $(cut -d' ' -f1-3 /proc/loadavg)"
"$python" "$here/output_latency.py" --gaps "$runtime/rec.raw"
grep -i -E "underrun|warning" "$runtime/app.log" || true
