# Sourced by the end-to-end scripts: a private runtime folder, the processes to end on exit,
# `fail`, the references a script needs (skipped or failed as references.sh decides), and waits
# that poll for a condition with a generous limit instead of assuming how long something takes
# on a loaded machine.
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$e2e_here/../support/references.sh"

# ---- Failing ----------------------------------------------------------------------------------

# A file whose lines `fail` prints after its message (the program's log), when set and present.
E2E_FAIL_LOG=""

fail() {
  echo "FAILED: $*"
  if [ -n "$E2E_FAIL_LOG" ] && [ -f "$E2E_FAIL_LOG" ]; then
    sed 's/^/  program: /' "$E2E_FAIL_LOG"
  fi
  exit 1
}

# ---- References -------------------------------------------------------------------------------

require_display() {
  [ -n "${ZELVARO_TEST_DISPLAY:-}" ] ||
    missing_reference "X display (run through scripts/test-env, which starts Xvfb)"
}

require_tools() {  # <tool...>
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || missing_reference "$tool"
  done
}

require_pulse() {
  [ -n "${PULSE_SERVER:-}" ] || missing_reference "private PulseAudio (run through scripts/test-env)"
}

# Sets $python to the interpreter with numpy.
require_numpy() {
  python=$(python_with_numpy)
  [ -n "$python" ] || missing_reference "python3 with numpy"
}

# ---- The private session and its clean-up -----------------------------------------------------

e2e_pids=()
e2e_runtime=""
# The signal the clean-up ends left-over processes with.
E2E_KILL_SIGNAL=TERM

# Ended (and waited for) when the script exits, however it exits.
kill_at_exit() {  # <pid>
  e2e_pids+=("$1")
}

# A process the script has waited for itself.
forget_pid() {  # <pid>
  local kept=() pid
  for pid in "${e2e_pids[@]}"; do
    [ "$pid" = "$1" ] || kept+=("$pid")
  done
  e2e_pids=("${kept[@]}")
}

e2e_cleanup() {
  local pid
  for pid in "${e2e_pids[@]}"; do
    kill -s "$E2E_KILL_SIGNAL" "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  [ -n "$e2e_runtime" ] && rm -rf "$e2e_runtime"
}
trap e2e_cleanup EXIT

# Makes a private runtime folder ($runtime) and points the session at it: runtime directory,
# configuration folder, no session bus. Everything in it goes when the script exits.
make_runtime() {  # [name prefix]
  runtime=$(mktemp -d "/tmp/${1:-zelvaro-e2e}.XXXXXX")
  chmod 700 "$runtime"
  e2e_runtime=$runtime
  export XDG_RUNTIME_DIR=$runtime DBUS_SESSION_BUS_ADDRESS=disabled: XDG_CONFIG_HOME=$runtime/config
}

# The program on the test display rather than offscreen.
use_test_display() {
  export DISPLAY=$ZELVARO_TEST_DISPLAY
  unset QT_QPA_PLATFORM
}

# ---- Processes --------------------------------------------------------------------------------

# True when the process has a handler for the signal (the program's signal handling is in place).
catches_signal() {  # <pid> <signal number>
  local mask
  mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (0x$mask >> ($2 - 1)) & 1 ))
}

ignores_signal() {  # <pid> <signal number>
  local mask
  mask=$(awk '/^SigIgn:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (0x$mask >> ($2 - 1)) & 1 ))
}

# ---- Waiting ----------------------------------------------------------------------------------

# Limits generous enough for a machine running several builds and test suites at once; a wait
# ends as soon as its condition holds, so they cost nothing when the machine is idle.
E2E_WINDOW_TIMEOUT=60
E2E_WAIT_TIMEOUT=30

wait_until() {  # <seconds> <command...>: true once the command succeeds within the time
  local deadline=$((SECONDS + $1))
  shift
  while :; do
    "$@" && return 0
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

# Sets $window and, from its geometry, X, Y, WIDTH and HEIGHT; fails when the process shows no
# visible window within the limit.
wait_for_window() {  # <pid>
  window=$(timeout "$E2E_WINDOW_TIMEOUT" xdotool search --sync --onlyvisible --pid "$1" 2>/dev/null | head -1)
  [ -n "$window" ] || fail "the main window did not appear within ${E2E_WINDOW_TIMEOUT} s"
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

wait_for_file() {  # <path> [seconds]: true once the file exists and is not empty
  wait_until "${2:-$E2E_WAIT_TIMEOUT}" test -s "$1"
}

# True when the sound server plays a stream of the process (it has connected, not merely started).
plays_stream() {  # <pid>
  pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$1\""
}

wait_for_stream() {  # <pid>: fails when the process's stream does not reach the server in time
  wait_until "$E2E_WAIT_TIMEOUT" plays_stream "$1" ||
    fail "process $1 never played a stream on the sound server"
}
