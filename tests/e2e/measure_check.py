#!/usr/bin/env python3
"""Checks of `zelvaro measure` output for the end-to-end test.

  measure_check.py make-file OUT [SECONDS]  two -7 dBFS tones (1000, 1500 Hz) with IMD3 at -40 dBc
                                            (upper) and -50 dBc (lower), 16-bit stereo, 12 s unless
                                            SECONDS says otherwise
  measure_check.py file-result JSON         the measurement of that file
  measure_check.py own-generator JSON       --tones 700,1900 --mix --level -7: clean to -90 dBc
  measure_check.py sweep JSON STEPS         a sweep with STEPS steps and no intercept
"""
import json
import sys

import numpy as np

RATE = 22050


def fail(text):
    sys.exit("FAILED: " + text)


def make_file(path, seconds=12):
    n = np.arange(RATE * seconds)
    a = 32767 * 10 ** (-7 / 20)
    x = (a * np.cos(2 * np.pi * 1000 * n / RATE) + a * np.cos(2 * np.pi * 1500 * n / RATE + 1.0)
         + a * 10 ** (-40 / 20) * np.cos(2 * np.pi * 2000 * n / RATE + 2.0)
         + a * 10 ** (-50 / 20) * np.cos(2 * np.pi * 500 * n / RATE + 0.5))
    rng = np.random.default_rng(5)
    x = np.round(x + rng.uniform(-0.5, 0.5, n.size) + rng.uniform(-0.5, 0.5, n.size))
    np.stack([x, x], 1).astype("<i2").tofile(path)


def load(path):
    with open(path) as f:
        return json.load(f)


def product(result, order, side):
    for p in result["products"]:
        if p["order"] == order and p["side"] == side:
            return p
    fail("IMD%d %s missing in %s" % (order, side, result["products"]))


def check_tone(result, index, hz, dbfs):
    tone = result["tones"][index]
    if abs(tone["hz"] - hz) > 0.5 or abs(tone["dbfs"] - dbfs) > 0.1:
        fail("tone %d reads %s, expected %s Hz at %s dBFS" % (index + 1, tone, hz, dbfs))


def file_result(path):
    r = load(path)
    check_tone(r, 0, 1000.0, -7.0)
    check_tone(r, 1, 1500.0, -7.0)
    for order, side, dbc in ((3, "lower", -50.0), (3, "upper", -40.0)):
        p = product(r, order, side)
        if p["below_floor"] or abs(p["dbc"] - dbc) > 0.3 or abs(p["dbpep"] - (dbc - 6.02)) > 0.3:
            fail("IMD%d %s reads %s, expected %s dBc" % (order, side, p, dbc))
    for p in r["products"]:
        if p["order"] > 3 and not p["below_floor"] and p["dbc"] > -90:
            fail("a product the file does not hold reads %s" % p)
    if r["fft_size"] != 65536 or r["sample_rate"] != RATE or r["channel"] != "left":
        fail("header fields: %s" % r)


def own_generator(path):
    r = load(path)
    check_tone(r, 0, 700.0, -7.0)
    check_tone(r, 1, 1900.0, -7.0)
    for p in r["products"]:
        if not p["below_floor"] and p["dbc"] > -90.0:
            fail("the generator's own product reads %s" % p)
    if not r["products"]:
        fail("no products reported")


def sweep(path, steps):
    r = load(path)
    if len(r["steps"]) != int(steps) or r["intercept"] is not None:
        fail("sweep: %s" % r)
    levels = [s["level_db"] for s in r["steps"]]
    for step in r["steps"]:
        if abs(step["tones"][0]["dbfs"] - step["level_db"]) > 0.2:
            fail("sweep step %s played at %s dBFS" % (step["level_db"], step["tones"][0]["dbfs"]))
    print("sweep levels", levels)


def main():
    command = sys.argv[1]
    if command == "make-file":
        make_file(sys.argv[2], *(int(v) for v in sys.argv[3:4]))
    elif command == "file-result":
        file_result(sys.argv[2])
    elif command == "own-generator":
        own_generator(sys.argv[2])
    elif command == "sweep":
        sweep(sys.argv[2], sys.argv[3])
    else:
        fail("unknown check " + command)


if __name__ == "__main__":
    main()
