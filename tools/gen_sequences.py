#!/usr/bin/env python3
"""Writes the example sequences shipped in Simulations/, each with its
companion station (the sequence's name followed by ".vks"):

    joints.sim      a position list: the IRB120 waving through 120 joint
                    positions, tab separated as the control panel copies them
    drawing.sim     a program that draws with the pen on the table: a square
                    of 150 mm and a circle of 100 mm inside it, with straight
                    and circular moves
    singularity.sim a program whose straight line takes the pen across the
                    wrist singularity (joint 5 through 0), so the path check
                    reports where the path cannot be followed

Every station holds the ABB IRB120 with the pen (IRB120_Crayon.tool) standing
on the work table (Objects/table.stl, top at z = 750 mm): the robot base is at
(-400, 0, 750) in the scene, so the table top is z = 0 for the robot, and the
World frame is the centre of the table top.

Program lines name their targets by joint values. The joints of the Cartesian
targets come from velkari-kin (the inverse kinematics of the program itself),
each seeded with the one before so that the configuration stays the same:

    python3 tools/gen_sequences.py [--kin build/bin/velkari-kin]

Afterwards the script runs "velkari-kin check" on both programs: the drawing
must be continuous and the singularity program must not be.
"""

import argparse
import math
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIM_DIR = os.path.join(ROOT, "Simulations")
ROBOT = "ABB_IRB120.xml"
TOOL = "IRB120_Crayon.tool"
PEN = 140.0  # mm from the flange along its Z axis

# Robot base in the scene (row-major placement) and World frame in the base.
BASE = (-400.0, 0.0, 750.0)
WORLD = (400.0, 0.0, 0.0, 0.0, 0.0, 0.0)

PEN_DOWN = (0.0, 180.0, 0.0)  # Euler Z->Y'->X'': the pen points straight down
PEN_FORWARD = (0.0, -90.0, -180.0)  # the pen points along +X, as at joint zero
HOVER = 40.0  # mm above the table while the pen moves between strokes


def fixed(v):
    text = "%.6f" % v
    return "0.000000" if text == "-0.000000" else text


class Kinematics:
    """Inverse kinematics through velkari-kin, pen mounted: TCP = pen tip."""

    def __init__(self, kin):
        self.kin = kin

    def solve(self, seed, pose):
        commands = "set %s\nikpose %s\n" % (" ".join(fixed(v) for v in seed),
                                            " ".join(fixed(v) for v in pose))
        out = subprocess.run([self.kin, ROBOT, "--tool", TOOL], input=commands,
                             capture_output=True, text=True, check=True).stdout.split("\n")
        count, chosen = (int(x) for x in out[1].split())
        if chosen < 0:
            sys.exit("no configuration reaches %s" % (pose,))
        fields = out[2 + chosen].split()
        return [float(x) for x in fields[:6]]


def station(extra_objects=()):
    placement = [1, 0, 0, BASE[0], 0, 1, 0, BASE[1], 0, 0, 1, BASE[2], 0, 0, 0, 1]
    text = "#OPTIONS#1#0#"
    text += "\r\n#ROBOT#../CAD_Robots/%s#../CAD_Tools/%s#%s#1#" % (ROBOT, TOOL, ROBOT)
    text += "".join(fixed(v) + "#" for v in WORLD)
    text += "".join(fixed(v) + "#" for v in placement)
    objects = [("table.stl", "table", (0.0, 0.0, 0.0))] + list(extra_objects)
    for path, name, (x, y, z) in objects:
        # Object poses are stored column by column: translation in 12-14.
        pose = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1]
        text += "\r\n#OBJECT#../Objects/%s#%s#%s#1#0#" % (path, name, fixed(1.0))
        text += "".join(fixed(v) + "#" for v in pose)
    return text


def write(name, lines, extra_objects=()):
    with open(os.path.join(SIM_DIR, name), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(SIM_DIR, name + ".vks"), "w", newline="") as f:
        f.write(station(extra_objects))
    print("wrote", name, "and", name + ".vks")


def program_line(code, values):
    return " ".join([str(code)] + [fixed(v) for v in values])


def joints_list():
    lines = []
    for k in range(120):
        t = 2.0 * math.pi * k / 120
        q = (60.0 * math.sin(t), 20.0 * math.sin(2 * t) - 10.0, 15.0 * math.cos(t) + 5.0,
             45.0 * math.sin(t), 50.0 + 20.0 * math.cos(2 * t), 90.0 * math.sin(t))
        lines.append("\t".join(fixed(v) for v in q) + "\t")
    return lines


def drawing(ik):
    """A square 150 x 150 mm and a circle of radius 50 mm inside it, drawn on
    the table top (z = 0 for the robot), the pen straight down. The square
    keeps 300 mm from axis 1: nearer, the wrist bends towards its
    singularity."""
    home = [0.0, 0.0, 0.0, 0.0, 90.0, 0.0]
    lines = ["5 0 0 %s 0 0 0" % fixed(PEN)]
    seed = home
    targets = []

    def at(code, x, y, z):
        nonlocal seed
        q = ik.solve(seed, (x, y, z) + PEN_DOWN)
        seed = q
        targets.append(program_line(code, q))

    at(1, 300, -75, HOVER)  # joint move above the first corner
    for x, y in ((300, -75), (450, -75), (450, 75), (300, 75), (300, -75)):
        at(2, x, y, 0)
    at(2, 300, -75, HOVER)
    at(2, 425, 0, HOVER)
    at(2, 425, 0, 0)
    # Two half circles: each code 9 line is the via point, the line after it
    # the end point (then a straight move of no length).
    at(9, 375, 50, 0)
    at(2, 325, 0, 0)
    at(9, 375, -50, 0)
    at(2, 425, 0, 0)
    at(2, 425, 0, HOVER)
    lines += targets
    lines.append(program_line(1, home))
    return lines


def singularity(ik):
    """A straight line 300 mm long in front of the robot with the pen pointing
    forward: half way, axes 4 and 6 line up and joint 5 goes through zero."""
    lines = ["5 0 0 %s 0 0 0" % fixed(PEN)]
    start = ik.solve([0, 0, 0, 0, 0, 0], (514, -150, 630) + PEN_FORWARD)
    end = ik.solve(start, (514, 150, 630) + PEN_FORWARD)
    lines.append(program_line(1, start))
    lines.append(program_line(2, end))
    lines.append(program_line(1, [0, 0, 0, 0, 30, 0]))
    return lines


def check(kin, name, expect_problems):
    path = os.path.join(SIM_DIR, name)
    run = subprocess.run([kin, ROBOT, "check", path], capture_output=True, text=True)
    print(run.stdout, end="")
    wanted = 3 if expect_problems else 0
    if run.returncode != wanted:
        sys.exit("%s: velkari-kin check exited with %d, not %d" % (name, run.returncode, wanted))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--kin", default=os.path.join(ROOT, "build", "bin", "velkari-kin"))
    args = parser.parse_args()
    ik = Kinematics(args.kin)
    os.makedirs(SIM_DIR, exist_ok=True)
    write("joints.sim", joints_list(), [("workpiece.stl", "workpiece", (150.0, -250.0, 750.0))])
    write("drawing.sim", drawing(ik))
    write("singularity.sim", singularity(ik))
    check(args.kin, "drawing.sim", False)
    check(args.kin, "singularity.sim", True)


if __name__ == "__main__":
    main()
