# SPDX-License-Identifier: GPL-3.0-or-later
"""nec2c run by the tests themselves: a deck's wires, and its figures at chosen frequencies."""
import math
import os
import subprocess
import tempfile


def gw_wires(deck):
    """[x1, y1, z1, x2, y2, z2, radius, segments] for each GW card, in order."""
    return [[float(v) for v in line.split()[3:10]] + [int(line.split()[2])]
            for line in deck.splitlines() if line.startswith("GW ")]


def model_part(deck):
    """The deck up to its first FR card: geometry, loads and the feed."""
    head = []
    for line in deck.splitlines():
        if line.startswith("FR"):
            break
        head.append(line)
    return "\n".join(head) + "\n"


def nec2c_lines(text):
    """nec2c's output for the deck `text`, line by line, from a folder of its own."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "d.nec")
        with open(path, "w") as f:
            f.write(text)
        subprocess.run(["nec2c", "-i", path, "-o", path + ".out"], check=True, timeout=120)
        with open(path + ".out") as out:
            return out.read().splitlines()


def run_points(deck, start, step, count):
    """(frequency, forward gain dBi, F/B dB, feed impedance) at each of `count` frequencies."""
    lines = nec2c_lines(model_part(deck) +
                        f"FR 0 {count} 0 0 {start} {step}\nRP 0 1 2 1000 90 0 0 180\nEN\n")
    points = []
    frequency = None
    z = None
    for n, line in enumerate(lines):
        if "FREQUENCY :" in line:
            frequency = float(line.split(":")[1].split()[0])
        if "ANTENNA INPUT PARAMETERS" in line:
            fields = lines[n + 3].split()
            z = complex(float(fields[6]), float(fields[7]))
        if "RADIATION PATTERNS" in line:
            forward = float(lines[n + 5].split()[4])
            back = float(lines[n + 6].split()[4])
            points.append((frequency, forward, forward - back, z))
    if len(points) != count:
        raise RuntimeError(f"nec2c gave {len(points)} of {count} frequencies")
    return points


def run_nec(deck, frequency):
    """Forward gain, F/B and feed impedance at one frequency."""
    _, gain, front_to_back, z = run_points(deck, frequency, 0, 1)[0]
    return gain, front_to_back, z


def swr(z, reference=50):
    g = abs((z - reference) / (z + reference))
    return (1 + g) / (1 - g)


def run_field_gains(deck, start, step, count):
    """(frequency, forward gain dBi) at each of `count` frequencies, the gain worked here from
    nec2c's field strengths and input power: 4 pi |rE|^2 / (2 x 376.7303 ohm x input power)."""
    lines = nec2c_lines(model_part(deck) +
                        f"FR 0 {count} 0 0 {start} {step}\nRP 0 1 1 1000 90 0 0 0\nEN\n")
    gains = []
    power = None
    for n, line in enumerate(lines):
        if "INPUT POWER" in line:
            power = float(line.split("=")[1].split()[0])
        if "RADIATION PATTERNS" in line:
            fields = lines[n + 5].split()
            field = float(fields[8]) ** 2 + float(fields[10]) ** 2
            gains.append((start + len(gains) * step,
                          10 * math.log10(4 * math.pi * field / (2 * 376.730313668 * power))))
    if len(gains) != count:
        raise RuntimeError(f"nec2c gave {len(gains)} of {count} frequencies")
    return gains


def fitted_peak(points, centre):
    """Where the cubic fitted by least squares to (frequency, gain) points peaks: many points
    close together average out the gains' last digits."""
    xs = [f - centre for f, _ in points]
    ys = [g for _, g in points]
    n = 4
    a = [[sum(x ** (i + j) for x in xs) for j in range(n)] + [sum(y * x ** i for x, y in zip(xs, ys))]
         for i in range(n)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(a[r][c]))
        a[c], a[p] = a[p], a[c]
        for r in range(n):
            if r != c:
                k = a[r][c] / a[c][c]
                a[r] = [v - k * w for v, w in zip(a[r], a[c])]
    c = [a[i][n] / a[i][i] for i in range(n)]
    # The slope c1 + 2 c2 u + 3 c3 u^2 is 0 where the curve bends down.
    roots = []
    if abs(c[3]) < 1e-15:
        roots = [-c[1] / (2 * c[2])]
    else:
        d = (2 * c[2]) ** 2 - 12 * c[3] * c[1]
        roots = [(-2 * c[2] + s * math.sqrt(d)) / (6 * c[3]) for s in (1, -1)] if d >= 0 else []
    peaks = [u for u in roots if 2 * c[2] + 6 * c[3] * u < 0]
    return centre + min(peaks, key=abs)
