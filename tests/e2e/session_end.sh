#!/usr/bin/env bash
# The program ends cleanly when the system asks: SIGTERM (logout), SIGINT (Ctrl+C) and SIGHUP (a
# closed terminal) each end it with status 0 within the time limit, with both instruments running
# at 65536 points and that span saved in "LastUsed" (it started at 8192). A second signal during a
# slow shut-down ends it at once; a SIGHUP ignored at start stays ignored. Prints the time from
# each signal to the end of the process.
# Usage: session_end.sh offscreen|x11 <zelvaro> <driver> <slow-store library> <work dir> <limit ms>
#   offscreen: the window driver (instruments switched on in-process) on the offscreen platform,
#              and the real program for the slow shut-down and the ignored SIGHUP.
#   x11:       the real program on the test display, its instruments switched on by real clicks.
set -uo pipefail
mode=$1 exe=$2 driver=$3 slowstore=$4 work=$5 limit_ms=$6
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

# Background jobs of a script start with SIGINT ignored unless job control is on; Ctrl+C must
# reach the program as it does from a terminal.
set -m

mkdir -p "$work"
make_runtime zelvaro-end
# A program left running by a failed check may be the one that ignores SIGTERM.
E2E_KILL_SIGNAL=KILL
E2E_FAIL_LOG=$runtime/app.log
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# A fresh, empty configuration folder for each run.
fresh_config() {
  export XDG_CONFIG_HOME=$runtime/config-$1
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p "$XDG_CONFIG_HOME"
}

# Sends the signal, waits for the end and sets $status and $elapsed (ms); fails past the deadline.
end_with() {
  local sig=$1 deadline_ms=$2 start
  start=$(now_ms)
  kill -s "$sig" "$app_pid"
  while kill -0 "$app_pid" 2>/dev/null; do
    (( $(now_ms) - start > deadline_ms )) && fail "still running ${deadline_ms} ms after SIG$sig"
    sleep 0.01
  done
  wait "$app_pid"
  status=$?
  elapsed=$(( $(now_ms) - start ))
  forget_pid "$app_pid"
}

stored_fft_size() { "$driver" --stored-fft-size 2>/dev/null; }

check_clean_end() {  # <label> <signal>
  [ "$status" -eq 0 ] || fail "$1: ended with status $status after SIG$2"
  local stored
  stored=$(stored_fft_size)
  [ "$stored" = 65536 ] || fail "$1: LastUsed holds span $stored after SIG$2, not the 65536 in use"
  echo "$1 SIG$2: ended with status 0 in $elapsed ms, LastUsed span 65536"
}

offscreen_runs() {
  export QT_QPA_PLATFORM=offscreen
  for sig in TERM INT HUP; do
    fresh_config "$sig"
    "$driver" >"$runtime/ready" 2>"$runtime/app.log" &
    app_pid=$!
    kill_at_exit $app_pid
    wait_until 30 grep -q ready "$runtime/ready" || fail "the busy window did not show a frame"
    sleep 0.5
    end_with "$sig" "$limit_ms"
    check_clean_end offscreen "$sig"
  done

  # A second signal while the settings are being written (a stalled disk) ends it at once; the
  # store is left as it was (here: absent), never half written.
  fresh_config slow
  rm -f "$runtime/saving"
  ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" LD_PRELOAD="$slowstore" \
    ZELVARO_SLOW_STORE_MS=60000 ZELVARO_SLOW_STORE_MARK="$runtime/saving" \
    "$exe" --loopback >"$runtime/app.log" 2>&1 &
  app_pid=$!
  kill_at_exit $app_pid
  wait_until 30 catches_signal "$app_pid" 15 || fail "the program never set up its signal handling"
  kill -TERM "$app_pid"
  wait_until 30 test -e "$runtime/saving" || fail "the shut-down never began to save"
  end_with INT 1000
  [ "$status" -eq $((128 + 2)) ] || fail "a second signal ended it with status $status, not by SIGINT"
  [ ! -e "$XDG_CONFIG_HOME/Zelvaro/Zelvaro.conf" ] || fail "the interrupted save left a store behind"
  echo "offscreen second signal during a 60 s save: ended by SIGINT in $elapsed ms"

  # Started with SIGHUP ignored (as nohup does): a closed terminal does not end it.
  fresh_config nohup
  (trap '' HUP; exec "$exe" --loopback) >"$runtime/app.log" 2>&1 &
  app_pid=$!
  kill_at_exit $app_pid
  wait_until 30 catches_signal "$app_pid" 15 || fail "the program never set up its signal handling"
  ignores_signal "$app_pid" 1 || fail "SIGHUP is no longer ignored"
  catches_signal "$app_pid" 1 && fail "SIGHUP is caught although it was ignored at start"
  kill -HUP "$app_pid"
  sleep 1
  kill -0 "$app_pid" 2>/dev/null || fail "an ignored SIGHUP ended the program"
  end_with TERM "$limit_ms"
  [ "$status" -eq 0 ] || fail "SIGTERM after an ignored SIGHUP ended it with status $status"
  echo "offscreen ignored SIGHUP: still running after 1 s; SIGTERM then ended it in $elapsed ms"
}

x11_runs() {
  require_display
  require_tools xdotool import
  use_test_display
  for sig in TERM INT HUP; do
    fresh_config "x11-$sig"
    "$exe" --loopback >"$runtime/app.log" 2>&1 &
    app_pid=$!
    kill_at_exit $app_pid
    wait_for_window "$app_pid"
    sleep 0.5
    for point in "36 290" "36 68" "274 23"; do  # "Generator", "Spec.An.", the 0.17k span
      set -- $point
      xdotool mousemove $((X + $1)) $((Y + $2)) click 1
      sleep 0.3
    done
    sleep 2  # frames at 65536 points
    if [ "$sig" = TERM ]; then
      import -window root "$work/before-sigterm.png"
    fi
    end_with "$sig" "$limit_ms"
    check_clean_end x11 "$sig"
  done
}

case $mode in
  offscreen) offscreen_runs ;;
  x11) x11_runs ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
echo PASSED
