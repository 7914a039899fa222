#!/usr/bin/env bash
# `zelvaro --list-devices` without a display: exit 0, and with the test environment's sound server,
# one default input and one default output among tab-separated lines. Usage: list_devices.sh <zelvaro>
set -uo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --list-devices 2>/tmp/list-devices.$$)
rc=$?
noise=$(wc -l </tmp/list-devices.$$); rm -f /tmp/list-devices.$$
[ $rc -eq 0 ] || { echo "exit status $rc"; exit 1; }
[ "$noise" -eq 0 ] || { echo "$noise lines on stderr"; exit 1; }
printf '%s\n' "$out"
# A mistyped option without a display: a message and status 1, not an abort for the missing display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --no-such-option >/dev/null 2>/tmp/bad-option.$$
rc=$?
message=$(cat /tmp/bad-option.$$); rm -f /tmp/bad-option.$$
[ $rc -eq 1 ] || { echo "a mistyped option gave status $rc: $message"; exit 1; }
case "$message" in *no-such-option*) ;; *) echo "a mistyped option was not named: $message"; exit 1 ;; esac
[ -n "${PULSE_SERVER:-}" ] ||
  missing_reference "private PulseAudio (run through scripts/test-env); the exit status was checked"
bad=$(printf '%s\n' "$out" | awk -F'\t' '!(($1 == "input" || $1 == "output") && NF >= 3 && $3 != "")')
[ -z "$bad" ] || { echo "malformed lines: $bad"; exit 1; }
for direction in input output; do
  n=$(printf '%s\n' "$out" | awk -F'\t' -v d=$direction '$1 == d && $4 == "default"' | wc -l)
  [ "$n" -eq 1 ] || { echo "$n default ${direction} devices"; exit 1; }
done
