#!/usr/bin/python3
"""Reference response curves for the dsp library, written independently of the C++ code.

The filter designs are coded here from their formulas; the responses come from
scipy.signal.sosfreqz run in extended precision (numpy.longdouble), so rounding in the
evaluation is far below the 1e-9 dB the C++ tests demand. Uses Debian's python3-numpy and
python3-scipy only.

    dsp_reference.py            rewrite the data files beside this script
    dsp_reference.py --bench [--cpp build/bench/dsp_curve_bench]
                                time a vectorised numpy version of the 12-channel update,
                                and the C++ benchmark beside it
"""

import argparse
import json
import math
import os
import random
import statistics
import subprocess
import sys
import time

import numpy as np
from scipy import signal

FS = 48000.0
POINTS = 512
FLOOR_POWER = 1e-8
CEILING_POWER = 1e40
FLOOR_DB = -400.0

# Linkwitz-Riley damping per N // 2, Bessel damping, section frequency factors, normalisation
# and first-order factors, as the amplifier stores them.
LR = {1: [2.0], 2: [1.4142135624, 1.4142135624], 3: [2.0, 1.0, 1.0],
      4: [1.847759065, 0.7653668647, 1.847759065, 0.7653668647]}
DB = {1: [1.0], 2: [1.7320508076], 3: [1.4470803599], 4: [1.9159489237, 1.2414059301],
      5: [1.7745107195, 1.0911344114], 6: [1.9595631418, 1.6361402521, 0.9772172032],
      7: [1.8784433114, 1.5132682086, 0.8878963849],
      8: [1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765]}
FB = {1: [1.0], 2: [1.7320508076], 3: [2.5415414011], 4: [3.0232649388, 3.3893657927],
      5: [3.7778936609, 4.2610228013], 6: [4.3360270513, 4.5664891522, 5.1491771521],
      7: [5.0662061498, 5.3792700335, 6.0495276805],
      8: [5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508]}
NB = {1: 1.0, 2: 0.5773502692, 3: 0.4030076571, 4: 0.3086066999, 5: 0.2496411504,
      6: 0.2093977333, 7: 0.1802208568, 8: 0.1581178777}
PB = [1.0, 2.3221853546, 3.6467385953, 4.9717868586]

MIN_ANGLE = 2 * math.pi * 5.208333333333333e-8
MAX_ANGLE = 2 * math.pi * 0.4583333333333333

ISO_BANDS = [20, 25, 31, 40, 50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630, 800,
             1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000,
             20000]

HERE = os.path.dirname(os.path.abspath(__file__))


def frequency_grid(fs, n):
    step = math.log10(fs / 2) / (n - 1)
    grid = [10.0 ** (i * step) for i in range(1, n)] + [fs]
    grid[n - 2] = fs / 2
    return grid


def grid_angles(grid):
    nyquist = grid[-2]
    return [math.pi * f / nyquist for f in grid]


def peaking(fs, f0, gain, q):
    """(b0, b1, b2, a1, a2); flat when the parameters give no finite design."""
    amp = 10.0 ** (gain / 20)
    w0 = 2 * math.pi * f0 / fs
    s, c = math.sin(w0), math.cos(w0)
    try:
        w1 = w0 * (math.sqrt(4.0 * q * q + 1) - 1) / (2 * q)
        t = math.sin(w1) * s / (2 * (math.cos(w1) - c))
        if amp < 1:
            t = t * amp
        d = 2 * t + s
        a1 = -4 * t * c / d
        coeffs = ((2 * t + amp * s) / d, a1, (2 * t - amp * s) / d, a1, (2 * t - s) / d)
    except (ZeroDivisionError, ValueError, OverflowError):
        return (1.0, 0.0, 0.0, 0.0, 0.0)
    if not all(math.isfinite(x) for x in coeffs):
        return (1.0, 0.0, 0.0, 0.0, 0.0)
    return coeffs


def crossover_order(slope, ftype):
    if ftype == 0:
        order = 2
    elif ftype == 2:
        order = slope + 1 if slope % 2 else slope
    else:
        order = slope
    return min(max(order, 1), 8)


def clamp_angle(w):
    return min(max(w, MIN_ANGLE), MAX_ANGLE)


def crossover_sections(lp, fc, slope, ftype):
    """Returns (q[4], c[4], kind[4]); unknown type codes design as Butterworth."""
    if ftype < 0 or ftype > 3:
        ftype = 1
    order = crossover_order(slope, ftype)
    w = clamp_angle(2 * math.pi * fc / 48000)
    q, c, kind = [0.0] * 4, [0.0] * 4, [-1.0] * 4
    remaining = order
    for k in range(4):
        om = w
        if ftype == 3:
            om = om * NB[order] if lp else om / NB[order]
        if remaining == 0:
            q[k], c[k], kind[k] = 0.0, math.cos(om), -1.0
        elif remaining == 1:
            if ftype == 3:
                om = clamp_angle(om * PB[k] if lp else om / PB[k])
            co, si = math.cos(om), math.sin(om)
            q[k], c[k], kind[k] = (co + si - 1) / (co - si - 1), co, 0.0
            remaining -= 1
        else:
            if ftype == 0:
                d = 1.0
            elif ftype == 1:
                d = 2 * math.sin((2 * (order // 2 - 1 - k) + 1) * math.pi / (2 * order))
            elif ftype == 2:
                d = LR[order // 2][k]
            else:
                d = DB[order][k]
                om = clamp_angle(om * FB[order][k] if lp else om / FB[order][k])
            si = math.sin(om)
            q[k], c[k], kind[k] = (2 - d * si) / (2 + d * si), math.cos(om), 1.0
            remaining -= 2
    return q, c, kind


def section_coefficients(q, c, kind, lp):
    """(b0, b1, b2, a1, a2) of one designed section."""
    if kind == 0.0:
        h = (1 + q) / 2 if lp else (1 - q) / 2
        return (h, h if lp else -h, 0.0, q, 0.0)
    e = (1 + q) * ((1 - c) if lp else (1 + c)) / 4
    return (e, 2 * e if lp else -2 * e, e, -(1 + q) * c, q)


def section_db(coeffs, w):
    """dB response of one biquad, evaluated by sosfreqz in extended precision."""
    b0, b1, b2, a1, a2 = coeffs
    sos = np.array([[b0, b1, b2, 1.0, a1, a2]], dtype=np.longdouble)
    _, h = signal.sosfreqz(sos, worN=w)
    power = h.real * h.real + h.imag * h.imag
    power = np.minimum(power, np.longdouble(CEILING_POWER))
    out = np.full(power.shape, FLOOR_DB, dtype=np.longdouble)
    ok = power > np.longdouble(FLOOR_POWER)
    out[ok] = 10 * np.log10(power[ok])
    return out


def crossover_db(lp, fc, slope, ftype, w):
    q, c, kind = crossover_sections(lp, fc, slope, ftype)
    total = np.zeros(len(w), dtype=np.longdouble)
    for k in range(4):
        if kind[k] >= 0:
            total += section_db(section_coefficients(q[k], c[k], kind[k], lp), w)
    return total, (q, c, kind)


def channel_db(channel, w):
    """Summed curve of one channel: both crossover sides plus every band."""
    total = np.zeros(len(w), dtype=np.longdouble)
    for side, lp in (("hp", 0), ("lp", 1)):
        freq, ftype, slope, bypassed = channel[side]
        if not bypassed and slope > 0:
            total += crossover_db(lp, freq, slope, ftype, w)[0]
    for freq, gain, q, enabled in channel["bands"]:
        g = 0.0 if channel["eq_bypass"] or not enabled else gain
        if g != 0.0:
            total += section_db(peaking(FS, freq, g, q), w)
    return total


def workload():
    """Twelve channels of 31 bands and both crossover sides, fixed by a seeded generator."""
    rng = random.Random(20240611)
    channels = []
    for ch in range(12):
        def side(lo, hi):
            slope = rng.choice([0, 1, 2, 3, 4, 5, 6, 7, 8])
            return (rng.choice([lo, (lo + hi) // 2, hi, rng.randint(lo, hi)]),
                    rng.choice([1, 2, 3]), slope, slope == 0)
        bands = []
        for i in range(31):
            bands.append((ISO_BANDS[i], round(rng.uniform(-15, 15), 1),
                          round(rng.uniform(0.4, 20), 2), rng.random() > 0.1))
        channels.append({"hp": side(20, 2000), "lp": side(80, 20000),
                         "eq_bypass": ch == 11, "bands": bands})
    # A slope code of 0 left in circuit (drawn flat), and the extreme corners.
    channels[3]["hp"] = (63, 2, 0, False)
    channels[5]["lp"] = (20000, 1, 8, False)
    channels[7]["hp"] = (20, 3, 8, False)
    return channels


def fmt(x):
    return repr(float(x))


def crossover_cases():
    cases = []
    for ftype in range(4):
        for slope in range(1, 9):
            for fc in (20, 150, 1000, 6000, 20000):
                for lp in (0, 1):
                    cases.append((lp, fc, slope, ftype))
    # Clamps of order and cutoff, odd Linkwitz-Riley codes, unknown type codes.
    for lp in (0, 1):
        cases += [(lp, 1000, 0, 1), (lp, 1000, 0, 2), (lp, 500, 0, 3), (lp, 1000, 9, 1),
                  (lp, 1000, 12, 2), (lp, 1000, 15, 3), (lp, 1000, -2, 1), (lp, 30000, 4, 1),
                  (lp, 22000, 2, 2), (lp, 0, 2, 1), (lp, 0.001, 1, 1), (lp, 20000, 8, 3),
                  (lp, 20, 7, 3), (lp, 1000, 3, 0), (lp, 1000, 4, 7), (lp, 250, 5, -1),
                  (lp, 3000, 1, 3), (lp, 40, 3, 2)]
    return cases


def peaking_cases():
    cases = []
    for f0 in (20, 63, 1000, 6300, 20000, 23500):
        for gain in (-24.0, -9.5, -0.1, 0.0, 0.1, 3.7, 12.0, 24.0):
            for q in (0.3, 1.0, 5.8, 25.0):
                cases.append((f0, gain, q))
    # No design at all (drawn flat), a negative Q, a band on Nyquist.
    cases += [(0, 6.0, 1.0), (1000, 6.0, 0.0), (1000, -6.0, -2.0), (24000, 6.0, 2.0)]
    return cases


def write_points(out, index, curve):
    # Sixteen curves in a row cover every grid point between them.
    picks = [i for i in range(POINTS) if (i + index) % 16 == 0]
    out.write("P " + " ".join(f"{i}:{fmt(curve[i])}" for i in picks) + "\n")


def write_data():
    grid = frequency_grid(FS, POINTS)
    w = np.array(grid_angles(grid), dtype=np.longdouble)
    header = "# Written by dsp_reference.py; do not edit.\n"

    with open(os.path.join(HERE, "crossover_reference.txt"), "w") as out:
        out.write(header + "# X lp fc slope type / S q[4] c[4] kind[4] / P index:dB ...\n")
        out.write("G " + " ".join(fmt(f) for f in grid) + "\n")
        for index, (lp, fc, slope, ftype) in enumerate(crossover_cases()):
            curve, (q, c, kind) = crossover_db(lp, fc, slope, ftype, w)
            out.write(f"X {lp} {fmt(fc)} {slope} {ftype}\n")
            out.write("S " + " ".join(fmt(x) for x in q + c + kind) + "\n")
            write_points(out, index, curve)

    with open(os.path.join(HERE, "peaking_reference.txt"), "w") as out:
        out.write(header + "# K f0 gain q / C b0 b1 b2 a1 a2 / P index:dB ...\n")
        for index, (f0, gain, q) in enumerate(peaking_cases()):
            coeffs = peaking(FS, f0, gain, q)
            out.write(f"K {fmt(f0)} {fmt(gain)} {fmt(q)}\n")
            out.write("C " + " ".join(fmt(x) for x in coeffs) + "\n")
            write_points(out, index, section_db(coeffs, w))

    with open(os.path.join(HERE, "channel_reference.txt"), "w") as out:
        out.write(header + "# W eqBypass hp(freq type slope bypass) lp(...) / B freq gain q "
                  "enabled x31 / R sum[512]\n")
        for channel in workload():
            hp, lp = channel["hp"], channel["lp"]
            out.write("W %d %s %d %d %d %s %d %d %d\n" % (
                channel["eq_bypass"], fmt(hp[0]), hp[1], hp[2], hp[3], fmt(lp[0]), lp[1],
                lp[2], lp[3]))
            for band in channel["bands"]:
                out.write("B %s %s %s %d\n" % (fmt(band[0]), fmt(band[1]), fmt(band[2]),
                                               band[3]))
            out.write("R " + " ".join(fmt(x) for x in channel_db(channel, w)) + "\n")


# ---- vectorised float64 version of the channel update, for timing -------------------------

def _vector_terms(grid):
    # w = exp(-j omega) - 1 from half angles, and w^2: the expansion point sits on the
    # high-pass zeros at DC, so they cancel exactly.
    w = np.pi * grid / grid[-2]
    sh, ch = np.sin(w / 2), np.cos(w / 2)
    wr, wi = -2 * sh * sh, -2 * sh * ch
    return wr, wi, wr * wr - wi * wi, 2 * wr * wi


def _vector_power_db(coeffs, terms):
    """Sum over sections (rows of b0 b1 b2 a1 a2) of each section's floored dB response."""
    wr, wi, w2r, w2i = terms
    b0, b1, b2, a1, a2 = (coeffs[:, i:i + 1] for i in range(5))
    power = np.ones((coeffs.shape[0], wr.size))
    for num, (p0, p1, p2) in ((True, (b0, b1, b2)), (False, (1.0, a1, a2))):
        c0, c1 = p0 + p1 + p2, p1 + 2 * p2
        re = c0 + c1 * wr + p2 * w2r
        im = c1 * wi + p2 * w2i
        mag = re * re + im * im
        power = power * mag if num else power / mag
    power = np.minimum(power, CEILING_POWER)
    ok = power > FLOOR_POWER
    db = np.where(ok, 10 * np.log10(np.where(ok, power, 1.0)), FLOOR_DB)
    return db.sum(axis=0)


def vector_update(channels):
    step = math.log10(FS / 2) / (POINTS - 1)
    grid = np.power(10.0, np.arange(1, POINTS) * step)
    grid = np.append(grid, FS)
    grid[POINTS - 2] = FS / 2
    terms = _vector_terms(grid)
    sums = []
    for channel in channels:
        rows = []
        for side, lp in (("hp", False), ("lp", True)):
            freq, ftype, slope, bypassed = channel[side]
            if bypassed or slope <= 0:
                continue
            q, c, kind = crossover_sections(lp, freq, slope, ftype)
            rows += [section_coefficients(q[k], c[k], kind[k], lp) for k in range(4)
                     if kind[k] >= 0]
        bands = np.array([b for b in channel["bands"]], dtype=float)
        gain = np.where((bands[:, 3] != 0) & (not channel["eq_bypass"]), bands[:, 1], 0.0)
        f0, q = bands[:, 0], bands[:, 2]
        amp = np.power(10.0, gain / 20)
        w0 = 2 * np.pi * f0 / FS
        s, c = np.sin(w0), np.cos(w0)
        w1 = w0 * (np.sqrt(4.0 * q * q + 1) - 1) / (2 * q)
        t = np.sin(w1) * s / (2 * (np.cos(w1) - c))
        t = np.where(amp < 1, t * amp, t)
        d = 2 * t + s
        a1 = -4 * t * c / d
        peq = np.stack([(2 * t + amp * s) / d, a1, (2 * t - amp * s) / d, a1, (2 * t - s) / d],
                       axis=1)
        peq = peq[gain != 0]
        coeffs = np.vstack([np.array(rows).reshape(-1, 5), peq])
        sums.append(_vector_power_db(coeffs, terms))
    return grid, sums


def cpp_times(binary):
    """Median wall times in ms of the C++ channel benchmarks, run now on the same machine."""
    out = subprocess.run([binary, "--benchmark_filter=ChannelUpdate", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_min_time=0.5"],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for run in json.loads(out)["benchmarks"]:
        if run.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[run["time_unit"]]
            times[run["run_name"]] = (run["real_time"] * scale, run.get("max_dev_db"))
    return times


def bench(repeats, binary):
    channels = workload()
    grid = frequency_grid(FS, POINTS)
    w = np.array(grid_angles(grid), dtype=np.longdouble)
    expected = [channel_db(ch, w).astype(float) for ch in channels]
    _, sums = vector_update(channels)
    worst = max(float(np.max(np.abs(s - e))) for s, e in zip(sums, expected))
    all_times, one_times = [], []
    for _ in range(repeats):
        start = time.perf_counter()
        vector_update(channels)
        all_times.append(time.perf_counter() - start)
        start = time.perf_counter()
        vector_update(channels[:1])
        one_times.append(time.perf_counter() - start)
    numpy_all = statistics.median(all_times) * 1e3
    numpy_one = statistics.median(one_times) * 1e3
    start = time.perf_counter()
    for ch in channels:
        channel_db(ch, w)
    ref_time = time.perf_counter() - start
    print(f"numpy {np.__version__}, vectorised float64 update, median of {repeats}:")
    print(f"  12 channels: {numpy_all:.3f} ms")
    print(f"   1 channel : {numpy_one:.3f} ms")
    # numpy's own vectorised sin/cos/pow differ from the C library's by an ulp now and then,
    # which narrow low bands magnify to a few 1e-9 dB; the C++ code uses the C library.
    print(f"  largest deviation from the sosfreqz reference: {worst:.3g} dB")
    print(f"  (sosfreqz extended-precision reference, 12 channels: {ref_time * 1e3:.1f} ms)")
    if binary:
        times = cpp_times(binary)
        for name, label, numpy_ms in (("BM_TwelveChannelUpdate", "12 channels", numpy_all),
                                      ("BM_OneChannelUpdate", " 1 channel ", numpy_one)):
            ms, dev = times[name]
            print(f"C++ {label}: {ms:.3f} ms, {numpy_ms / ms:.1f}x faster than numpy, "
                  f"largest deviation from the reference {dev:.3g} dB")
    return worst <= 1e-7


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", action="store_true", help="time the vectorised update")
    parser.add_argument("--repeats", type=int, default=50)
    parser.add_argument("--cpp", metavar="BINARY", help="dsp_curve_bench to run alongside")
    args = parser.parse_args()
    if args.bench:
        return 0 if bench(args.repeats, args.cpp) else 1
    write_data()
    return 0


if __name__ == "__main__":
    sys.exit(main())
