#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Research for long booms: the rule's design with N directors at 144 MHz (1 inch metallic boom,
2.05 mm wire, 4.76 mm rods) in nec2c, and a trim family searched by NLopt's COBYLA, as the trim
does. A developer's tool (python3-nlopt), not a test; the findings are in longboom-research.md.

Usage: longboom_research.py rule N...        the rule's figures
       longboom_research.py trim FAMILY N... the trimmed figures of FAMILY (see FAMILIES)
"""
import concurrent.futures
import math
import os
import subprocess
import sys
import tempfile

import nlopt

F = 144.0
LAMBDA_FT = 983.6 / F
WIRE_MM, ROD_MM = 2.05, 4.76
INCH = 0.0254
WAVELENGTH = 299.792458 / F
ETA0 = 119.9169832 * math.pi
SEGMENTS_PER_WAVELENGTH = 40

REF = 1072.2 / F * 12  # loop wire, inches
DRI = 1027.86 / F * 12
K = [0.867373, 0.863731, 0.86217, 0.860622, 0.859037, 0.840434]
DIRS = [1000 / F * k * 6 for k in K]  # half of dirN x 12: the rod, inches, no boom correction
SP = [DRI / 12 * f * 12 for f in (0.204498, 0.179238, 0.368432, 0.222019, 0.317411, 0.314468,
                                  0.303574)]
ADD = 0.7751  # the shown DIR 5 - DIR 6
SPACE = 0.9331  # the shown DIR 5-6 spacing less the DIR 4-5 one


def rule(n):
    """(loop lengths, director lengths, spacings) in inches: the rule extended to n directors."""
    dirs = DIRS + [DIRS[5] - k * ADD for k in range(1, n - 5)]
    spacings = SP + [SP[6] - k * SPACE for k in range(1, n - 5)]
    return REF, DRI, dirs, spacings


def segments(length_m):
    c = max(1, round(length_m / WAVELENGTH * SEGMENTS_PER_WAVELENGTH))
    return c if c % 2 else c + 1


def deck(ref, dri, dirs, spacings, frequencies):
    cards = ["CE"]
    tag = 0
    x = 0.0

    def loop(x, length_in):
        nonlocal tag
        h = length_in * INCH / 8
        corners = [(-h, -h), (h, -h), (h, h), (-h, h)]
        s = segments(2 * h)
        for i in range(4):
            (y1, z1), (y2, z2) = corners[i], corners[(i + 1) % 4]
            tag += 1
            cards.append(f"GW {tag} {s} {x:.6f} {y1:.6f} {z1:.6f} {x:.6f} {y2:.6f} {z2:.6f} "
                         f"{WIRE_MM / 2000}")

    loop(x, ref)
    x += spacings[0] * INCH
    loop(x, dri)
    feed = tag - 3
    for d, s in zip(dirs, spacings[1:]):
        x += s * INCH
        half = d * INCH / 2
        tag += 1
        cards.append(f"GW {tag} {segments(2 * half)} {x:.6f} {-half:.6f} 0 {x:.6f} {half:.6f} 0 "
                     f"{ROD_MM / 2000}")
    cards.append("GE 0")
    for t in range(1, tag + 1):
        cards.append(f"LD 5 {t} 0 0 {5.8e7 if t <= 8 else 3.5e7}")
    cards.append(f"EX 0 {feed} {(segments(ref * INCH / 4) + 1) // 2} 0 1 0")
    cards.append("PT -1 0 0 0")
    for f in frequencies:
        cards += [f"FR 0 1 0 0 {f:.6f} 0", "RP 0 1 2 1000 90 0 0 180"]
    cards.append("EN")
    return "\n".join(cards) + "\n"


def run(text, count):
    """[(forward gain dBi, F/B dB, SWR)] from field strengths and input power."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "d.nec")
        with open(path, "w") as f:
            f.write(text)
        subprocess.run(["nec2c", "-i", path, "-o", path + ".out"], check=True, timeout=300)
        lines = open(path + ".out").read().splitlines()
    out, z, power = [], None, None
    for n, line in enumerate(lines):
        if "ANTENNA INPUT PARAMETERS" in line:
            v = lines[n + 3].split()
            z = complex(float(v[6]), float(v[7]))
        if "INPUT POWER" in line:
            power = float(line.split("=")[1].split()[0])
        if "RADIATION PATTERNS" in line:
            g = []
            for row in (lines[n + 5], lines[n + 6]):
                v = row.split()
                e2 = float(v[-4]) ** 2 + float(v[-2]) ** 2
                g.append(10 * math.log10(4 * math.pi * e2 / (2 * ETA0 * power)))
            r = abs((z - 50) / (z + 50))
            out.append((g[0], g[0] - g[1], (1 + r) / (1 - r) if r < 1 else math.inf))
    assert len(out) == count, (len(out), count)
    return out


PEAK_OUTER, PEAK_INNER = 0.004, 0.0025
FREQS = [F, F * (1 - PEAK_OUTER), F * (1 - PEAK_INNER), F * (1 + PEAK_INNER), F * (1 + PEAK_OUTER)]


def figures(design):
    p = run(deck(*design, FREQS), 5)
    return {"gain": p[0][0], "fb": p[0][1], "swr": p[0][2],
            "peak": max(p[1][0] - p[2][0], p[4][0] - p[3][0])}


def peak_offset(design):
    """The gain peak's offset from F in per cent: 0.1 % steps over +-1.5 %, a parabola."""
    offs = [k * 0.1 for k in range(-15, 16)]
    g = [p[0] for p in run(deck(*design, [F * (1 + o / 100) for o in offs]), len(offs))]
    i = max(range(len(g)), key=g.__getitem__)
    if i in (0, len(g) - 1):
        return offs[i] * 10
    a, b, c = g[i - 1], g[i], g[i + 1]
    return offs[i] + 0.1 * 0.5 * (a - c) / (a - 2 * b + c)


# Families: parameters -> (ref, dri, dirs, spacings) for n directors. Each gives its parameter
# names, bounds, starting point and the design.
def fam_hold(n, x):
    """Loops scaled; all directors by one scale; DIR 1..6 linear taper as now; from DIR 7 on the
    spacing held at the DIR 5-6 spacing and the length DIR 6 x (1 - a k^p)."""
    r, d, s, t, a, p = x
    ref, dri, dirs, sp = rule(6)
    dirs = [L * s * (1 + t * (i - 2.5) / 2.5) for i, L in enumerate(dirs)]
    dirs += [dirs[5] * (1 - a * k ** p) for k in range(1, n - 5)]
    sp = sp + [sp[6]] * (n - 6)
    return ref * r, dri * d, dirs, sp


def fam_hold5(n, x):
    """As hold, but the long taper starts at DIR 5: DIR 6.. are DIR 5 x (1 - a k^p), k = 1 at
    DIR 6, so the rule's steep DIR 6 goes for long booms."""
    r, d, s, t, a, p = x
    ref, dri, dirs, sp = rule(6)
    dirs = [L * s * (1 + t * (i - 2) / 2) for i, L in enumerate(dirs[:5])]
    dirs += [dirs[4] * (1 - a * k ** p) for k in range(1, n - 4)]
    sp = sp + [sp[6]] * (n - 6)
    return ref * r, dri * d, dirs, sp


FAMILIES = {
    "hold": (fam_hold, [(0.85, 1.15), (0.85, 1.15), (0.85, 1.15), (-0.1, 0.1), (0, 0.05),
                        (0.2, 1.5)], [1, 1, 1, 0, 0.005, 0.7]),
    "holdneg": (fam_hold, [(0.85, 1.15), (0.85, 1.15), (0.85, 1.15), (-0.1, 0.1), (-0.03, 0.05),
                           (0.2, 1.5)], [1, 1, 1, 0, 0.0, 0.7]),
    "hold5": (fam_hold5, [(0.85, 1.15), (0.85, 1.15), (0.85, 1.15), (-0.1, 0.1), (0, 0.05),
                          (0.2, 1.5)], [1, 1, 1, 0, 0.01, 0.7]),
}

FB_AIM, SWR_AIM = 20.5, 1.46
COST = 0.08


def constraints(f):
    return [(FB_AIM - f["fb"]) / 10, (f["swr"] - SWR_AIM) / 0.5, f["peak"] * 20]


def violation(f):
    if not all(map(math.isfinite, [f["gain"], f["fb"], f["swr"]])):
        return 1e6
    return sum(max(0, c) for c in constraints(f))


def trim(name, n, starts=None, maxeval=120, log=print):
    build, bounds, x0 = FAMILIES[name]
    seen = []

    def ev(x):
        for y, f in seen:
            if y == list(x):
                return f
        f = figures(build(n, list(x)))
        seen.append((list(x), f))
        return f

    def cost(x):
        return COST * sum(((v - 1) * 100) ** 2 for v in x[:3])

    best = [None]

    def consider(x, f):
        v = violation(f)
        key = (v, -(f["gain"] - cost(x)))
        if best[0] is None or key < best[0][0]:
            best[0] = (key, list(x), f)

    for start in (starts or [x0]):
        opt = nlopt.opt(nlopt.LN_COBYLA, len(x0))
        opt.set_lower_bounds([b[0] for b in bounds])
        opt.set_upper_bounds([b[1] for b in bounds])

        def obj(x, grad):
            f = ev(x)
            consider(x, f)
            return -f["gain"] + cost(x)

        def cons(result, x, grad):
            result[:] = constraints(ev(x))

        opt.set_min_objective(obj)
        opt.add_inequality_mconstraint(cons, [1e-4] * 3)
        opt.set_initial_step([0.01, 0.01, 0.01, 0.01, 0.005, 0.1][:len(x0)])
        opt.set_xtol_abs(1e-4)
        opt.set_maxeval(maxeval)
        try:
            opt.optimize(list(start))
        except Exception as e:  # a forced stop or a roundoff limit: the best so far stands
            log(f"  ({e})")
    return best[0], len(seen)


def main():
    what = sys.argv[1]
    ns = [int(a) for a in sys.argv[3 if what == "trim" else 2:]]
    if what == "rule":
        def one(n):
            d = rule(n)
            f = figures(d)
            boom = sum(d[3]) * INCH / WAVELENGTH
            return f"N={n:2d} boom {boom:.2f} wl: gain {f['gain']:.2f} dBi F/B {f['fb']:.1f} dB " \
                   f"SWR {f['swr']:.2f} peak {peak_offset(d):+.2f} %"
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            for line in pool.map(one, ns):
                print(line, flush=True)
    else:
        name = sys.argv[2]

        def one(n):
            (key, x, f), evals = trim(name, n)
            d = FAMILIES[name][0](n, x)
            boom = sum(d[3]) * INCH / WAVELENGTH
            ok = "MEETS" if key[0] == 0 else "misses"
            return (f"N={n:2d} boom {boom:.2f} wl: gain {f['gain']:.2f} dBi F/B {f['fb']:.1f} "
                    f"SWR {f['swr']:.2f} peak {peak_offset(d):+.2f} % {ok} ({evals} evals) "
                    f"x={[round(v, 4) for v in x]}")
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            for line in pool.map(one, ns):
                print(line, flush=True)


if __name__ == "__main__":
    main()
