#!/usr/bin/env python3
"""Output latency on the real sound path: from a change of the tone's frequency to its sound.

Runs output_latency_bench (which steps a 1000/2000 Hz tone and prints the CLOCK_MONOTONIC time of
each step) while parec records the default sink's monitor with a small latency. Every recorded chunk
is stamped with its arrival time; the earliest arrival relative to the sample count maps a sample
to the time it was heard. A step is found in the recording as the first sample whose short window
holds more of the new frequency than of the old one.
Usage: output_latency.py <output_latency_bench> [steps] [seconds between steps] [short|deep]
       output_latency.py --gaps <recording.raw>   (gaps in a parec recording of a steady tone)
Run it under scripts/test-env (a private sound server), or on a desktop session.
"""
import subprocess
import sys
import threading
import time

import numpy as np

RATE = 22050
WINDOW = 32  # samples per frequency decision: 1.5 ms


def record(proc, chunks):
    while True:
        data = proc.stdout.read1(4096)
        if not data:
            return
        chunks.append((time.monotonic(), data))


def heard_frequency(left, lo, hi):
    """1 where a window holds more of hi than of lo, 0 otherwise, per window."""
    n = len(left) // WINDOW * WINDOW
    frames = left[:n].reshape(-1, WINDOW).astype(float)
    t = np.arange(WINDOW) / RATE
    def power(f):
        return np.abs(frames @ np.exp(-2j * np.pi * f * t)) ** 2
    return (power(hi) > power(lo)).astype(int), (np.abs(frames).max(axis=1) < 100)


def silent_gaps(silent):
    """Start times (s) of the silences between the first and the last sound: each is a dropout."""
    started = np.nonzero(~silent)[0]
    if not len(started):
        return []
    first, last = started[0], started[-1]
    quiet = silent[first:last]
    begins = np.nonzero((quiet[1:] == 1) & (quiet[:-1] == 0))[0]
    return [(first + b) * WINDOW / RATE for b in begins]


def gaps_in_recording(path):
    data = open(path, "rb").read()
    left = np.frombuffer(data[: len(data) // 4 * 4], dtype="<i2")[0::2]
    _, silent = heard_frequency(left, 1000, 2000)
    gaps = silent_gaps(silent)
    sounding = np.nonzero(~silent)[0]
    seconds = (sounding[-1] - sounding[0]) * WINDOW / RATE if len(sounding) else 0.0
    print("recorded %.1f s of tone: silent gaps %d" % (seconds, len(gaps)))
    if gaps:
        print("gaps at s:", " ".join("%.2f" % t for t in gaps[:50]))


def main():
    if sys.argv[1] == "--gaps":
        gaps_in_recording(sys.argv[2])
        return
    probe = sys.argv[1]
    steps = sys.argv[2] if len(sys.argv) > 2 else "10"
    interval = sys.argv[3] if len(sys.argv) > 3 else "0.737"
    latency = sys.argv[4] if len(sys.argv) > 4 else "short"
    parec = subprocess.Popen(["parec", "--raw", "--rate=%d" % RATE, "--channels=2", "--format=s16le",
                              "--latency-msec=5"], stdout=subprocess.PIPE)
    chunks = []
    reader = threading.Thread(target=record, args=(parec, chunks))
    reader.start()
    out = subprocess.run([probe, steps, interval, "", latency], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         text=True, check=True).stdout
    time.sleep(0.3)
    parec.terminate()
    reader.join()

    steps_made = [(float(w[1]), int(w[2])) for w in (l.split() for l in out.splitlines()) if w[0] == "step"]
    underruns = [int(l.split()[1]) for l in out.splitlines() if l.startswith("underruns")]
    data = b"".join(c[1] for c in chunks)
    left = np.frombuffer(data[: len(data) // 4 * 4], dtype="<i2")[0::2]
    # Sample index at the end of each chunk against its arrival: the earliest arrival is the one
    # least delayed by scheduling, so it gives the clock offset of the recording.
    ends = np.cumsum([len(c[1]) // 4 for c in chunks])
    arrivals = np.array([c[0] for c in chunks])
    offset = np.min(arrivals - ends / RATE)

    high, silent = heard_frequency(left, 1000, 2000)
    window_times = offset + (np.arange(len(high)) + 1) * WINDOW / RATE
    delays = []
    for made, to in steps_made:
        want = 1 if to == 2000 else 0
        after = np.nonzero((window_times > made) & (high == want) & ~silent)[0]
        if len(after) == 0:
            continue
        delays.append((window_times[after[0]] - WINDOW / RATE - made) * 1000)
    gap_times = silent_gaps(silent)
    gaps = len(gap_times)
    d = np.array(delays)
    print("steps %d found %d  delay ms: median %.0f  min %.0f  max %.0f  | silent gaps %d  underruns %s"
          % (len(steps_made), len(d), np.median(d), d.min(), d.max(), gaps, underruns[0] if underruns else "?"))
    print("delays:", " ".join("%.0f" % x for x in d))
    if gap_times:
        print("gaps at s:", " ".join("%.2f" % t for t in gap_times), "(steps from %.2f)" % (steps_made[0][0] - offset))


if __name__ == "__main__":
    main()
