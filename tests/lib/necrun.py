# SPDX-License-Identifier: GPL-3.0-or-later
"""nec2c run by the tests themselves: a deck's wires, and its figures at chosen frequencies."""
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


def run_points(deck, start, step, count):
    """(frequency, forward gain dBi, F/B dB, feed impedance) at each of `count` frequencies."""
    text = model_part(deck) + f"FR 0 {count} 0 0 {start} {step}\nRP 0 1 2 1000 90 0 0 180\nEN\n"
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "d.nec")
        with open(path, "w") as f:
            f.write(text)
        subprocess.run(["nec2c", "-i", path, "-o", path + ".out"], check=True, timeout=120)
        lines = open(path + ".out").read().splitlines()
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
