#!/usr/bin/env python3
"""Builds the robot descriptions, link meshes and tool meshes shipped with Velkari.

Run from anywhere:

    python3 tools/gen_robot_meshes.py           # write everything, then verify it
    python3 tools/gen_robot_meshes.py --check   # only verify what is on disk

Output goes to CAD_Robots/ and CAD_Tools/ next to this script's parent
directory (the repository root), whatever the current directory is. The
output is deterministic: running it twice gives byte-identical files, so the
generated files can be committed and diffed.

The meshes are simple solids (boxes, cylinders, cones, extruded convex
outlines), each closed and wound counter-clockwise seen from outside. Every
link is modelled in its own modified Denavit-Hartenberg frame and then
written in robot-base coordinates at the all-zero joint pose, which is what
the program expects when a robot's CAD base is the identity, its CAD offsets
are zero and its scale is 1.

--check reads the files back and fails (exit status 1) unless every mesh is
closed and outward-facing, and unless each link's bounding box, taken in the
link's own frame and grown by 5 mm, holds the origin of its frame and the
origin of the next one. Only the first part file of a link counts for the
box, because the program builds a link's box from that file alone.
"""

import argparse
import json
import math
import os
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ROBOT_DIR = os.path.join(ROOT, "CAD_Robots")
TOOL_DIR = os.path.join(ROOT, "CAD_Tools")

BOX_MARGIN = 5.0  # mm the program's attachment test allows around a link's box

# Segment counts: enough to look round at arm's length, few enough to keep
# every file in the low thousands of triangles.
SEG_BIG = 32
SEG_SMALL = 24


# ---------------------------------------------------------------------------
# Small linear algebra on tuples and row-major 4x4 lists.

def add(p, q):
    return (p[0] + q[0], p[1] + q[1], p[2] + q[2])


def sub(p, q):
    return (p[0] - q[0], p[1] - q[1], p[2] - q[2])


def scale(p, s):
    return (p[0] * s, p[1] * s, p[2] * s)


def dot(p, q):
    return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]


def cross(p, q):
    return (p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0])


def norm(p):
    return math.sqrt(dot(p, p))


def unit(p):
    n = norm(p)
    return (p[0] / n, p[1] / n, p[2] / n)


def cos_sin_deg(angle):
    # Right angles are frequent in these tables; exact values keep the
    # written coordinates free of 1e-17 noise.
    a = angle % 360
    exact = {0: (1.0, 0.0), 90: (0.0, 1.0), 180: (-1.0, 0.0), 270: (0.0, -1.0)}
    if a in exact:
        return exact[a]
    r = math.radians(angle)
    return math.cos(r), math.sin(r)


def mat_mul(A, B):
    return [[sum(A[r][k] * B[k][c] for k in range(4)) for c in range(4)] for r in range(4)]


def mat_apply(M, p):
    return (M[0][0] * p[0] + M[0][1] * p[1] + M[0][2] * p[2] + M[0][3],
            M[1][0] * p[0] + M[1][1] * p[1] + M[1][2] * p[2] + M[1][3],
            M[2][0] * p[0] + M[2][1] * p[1] + M[2][2] * p[2] + M[2][3])


def rigid_inverse(M):
    R = [[M[c][r] for c in range(3)] for r in range(3)]  # transpose
    t = (M[0][3], M[1][3], M[2][3])
    ti = tuple(-(R[r][0] * t[0] + R[r][1] * t[1] + R[r][2] * t[2]) for r in range(3))
    return [R[0] + [ti[0]], R[1] + [ti[1]], R[2] + [ti[2]], [0.0, 0.0, 0.0, 1.0]]


IDENTITY = [[1.0, 0.0, 0.0, 0.0], [0.0, 1.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, 1.0]]


def link_matrix(alpha, a, theta, d, q=0.0):
    """Modified DH (Craig): RotX(alpha) TransX(a) TransZ(d) RotZ(theta + q)."""
    ca, sa = cos_sin_deg(alpha)
    ct, st = cos_sin_deg(theta + q)
    return [[ct, -st, 0.0, float(a)],
            [ca * st, ca * ct, -sa, -d * sa],
            [sa * st, sa * ct, ca, d * ca],
            [0.0, 0.0, 0.0, 1.0]]


def zero_pose_frames(dh):
    """F_0 .. F_6 at the all-zero joint pose; F_0 is the base (identity)."""
    frames = [IDENTITY]
    for alpha, a, theta, d in dh:
        frames.append(mat_mul(frames[-1], link_matrix(alpha, a, theta, d)))
    return frames


def next_origin(alpha, a, d):
    """Origin of frame i+1 seen from frame i; it does not move with joint i+1."""
    ca, sa = cos_sin_deg(alpha)
    return (float(a), -d * sa, d * ca)


# ---------------------------------------------------------------------------
# Solids. Each builder returns triangles (tuples of three points) wound
# counter-clockwise seen from outside. All solids are convex, so a face is
# turned outward by comparing its normal with the direction from a point
# known to be inside.

def _outward(tris, inside):
    out = []
    for a, b, c in tris:
        n = cross(sub(b, a), sub(c, a))
        if norm(n) < 1e-9:
            continue  # a sliver carries no surface
        if dot(n, sub(a, inside)) < 0:
            b, c = c, b
        out.append((a, b, c))
    return out


def _basis(axis):
    w = unit(axis)
    helper = (1.0, 0.0, 0.0) if abs(w[0]) < 0.9 else (0.0, 1.0, 0.0)
    u = unit(cross(helper, w))
    v = cross(w, u)
    return u, v


def frustum(p0, p1, r0, r1=None, n=SEG_BIG):
    """Closed cylinder or cone frustum from p0 (radius r0) to p1 (radius r1)."""
    if r1 is None:
        r1 = r0
    u, v = _basis(sub(p1, p0))
    ring0, ring1 = [], []
    for k in range(n):
        c, s = math.cos(2 * math.pi * k / n), math.sin(2 * math.pi * k / n)
        radial = add(scale(u, c), scale(v, s))
        ring0.append(add(p0, scale(radial, r0)))
        ring1.append(add(p1, scale(radial, r1)))
    tris = []
    for k in range(n):
        k1 = (k + 1) % n
        if r0 > 0 and r1 > 0:
            tris.append((ring0[k], ring0[k1], ring1[k1]))
            tris.append((ring0[k], ring1[k1], ring1[k]))
        elif r0 > 0:
            tris.append((ring0[k], ring0[k1], p1))
        else:
            tris.append((p0, ring1[k1], ring1[k]))
        if r0 > 0:
            tris.append((p0, ring0[k1], ring0[k]))
        if r1 > 0:
            tris.append((p1, ring1[k], ring1[k1]))
    return _outward(tris, scale(add(p0, p1), 0.5))


def cylinder(p0, p1, r, n=SEG_BIG):
    return frustum(p0, p1, r, r, n)


def box(lo, hi):
    """Axis-aligned box in the frame being modelled."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    c = [(x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0),
         (x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)]
    quads = [(0, 3, 2, 1), (4, 5, 6, 7), (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7)]
    tris = []
    for a, b, cc, d in quads:
        tris.append((c[a], c[b], c[cc]))
        tris.append((c[a], c[cc], c[d]))
    return _outward(tris, scale(add(lo, hi), 0.5))


def circle2d(cx, cy, r, n=SEG_BIG):
    return [(cx + r * math.cos(2 * math.pi * k / n), cy + r * math.sin(2 * math.pi * k / n))
            for k in range(n)]


def hull2d(points):
    """Convex hull, counter-clockwise, collinear points dropped."""
    pts = sorted(set((round(x, 9), round(y, 9)) for x, y in points))
    if len(pts) < 3:
        raise ValueError("outline needs at least three distinct points")

    def turn(o, a, b):
        return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0])

    lower, upper = [], []
    for p in pts:
        while len(lower) >= 2 and turn(lower[-2], lower[-1], p) <= 0:
            lower.pop()
        lower.append(p)
    for p in reversed(pts):
        while len(upper) >= 2 and turn(upper[-2], upper[-1], p) <= 0:
            upper.pop()
        upper.append(p)
    return lower[:-1] + upper[:-1]


def prism(u_axis, v_axis, outline, w0, w1):
    """Convex outline drawn in the plane spanned by two frame axes (given as
    'x', 'y' or 'z'), extruded along the third axis from w0 to w1."""
    axes = {"x": 0, "y": 1, "z": 2}
    iu, iv = axes[u_axis], axes[v_axis]
    iw = 3 - iu - iv

    def point(x, y, w):
        p = [0.0, 0.0, 0.0]
        p[iu], p[iv], p[iw] = x, y, w
        return tuple(p)

    hull = hull2d(outline)
    bottom = [point(x, y, w0) for x, y in hull]
    top = [point(x, y, w1) for x, y in hull]
    n = len(hull)
    tris = []
    for k in range(1, n - 1):
        tris.append((bottom[0], bottom[k + 1], bottom[k]))
        tris.append((top[0], top[k], top[k + 1]))
    for k in range(n):
        k1 = (k + 1) % n
        tris.append((bottom[k], bottom[k1], top[k1]))
        tris.append((bottom[k], top[k1], top[k]))
    cx = sum(x for x, _ in hull) / n
    cy = sum(y for _, y in hull) / n
    return _outward(tris, point(cx, cy, 0.5 * (w0 + w1)))


def along(axis, at, lo, hi, r, r_hi=None, n=SEG_BIG):
    """Cylinder (or frustum) along a frame axis 'x', 'y' or 'z'; `at` gives the
    two other coordinates in x, y, z order."""
    i = {"x": 0, "y": 1, "z": 2}[axis]
    others = [k for k in range(3) if k != i]
    p0, p1 = [0.0, 0.0, 0.0], [0.0, 0.0, 0.0]
    p0[others[0]] = p1[others[0]] = at[0]
    p0[others[1]] = p1[others[1]] = at[1]
    p0[i], p1[i] = lo, hi
    return frustum(tuple(p0), tuple(p1), r, r if r_hi is None else r_hi, n)


class Shape:
    """Triangles of one link grouped by colour; the first group becomes part
    file -1 and must hold the structure that spans the link's two frames."""

    def __init__(self):
        self.groups = {}

    def add(self, key, tris):
        self.groups.setdefault(key, []).extend(tris)


# ---------------------------------------------------------------------------
# Arms with an offset forearm and a spherical wrist (ABB IRB 120, FANUC LR
# Mate 200iD). Joint 2 sits on the side of the turret, the upper arm beside
# it, the forearm back on the centre plane.
#
# Where a link's visible body stops short of a frame origin that lies on the
# next joint's axis, a slim axle runs along that axis to the origin. It is
# buried in the neighbouring link's housing, which encloses that stretch of
# the axis in every joint position (points on a joint axis do not move when
# the joint turns), so it never shows but keeps the link's box honest.

def build_offset_wrist_arm(dh, P):
    alphas = tuple(j[0] for j in dh)
    assert alphas == (0, -90, 0, -90, 90, -90), alphas
    assert dh[2][3] == 0 and dh[4][1] == 0 and dh[4][3] == 0 and dh[5][1] == 0
    d1 = dh[0][3]
    d2 = dh[1][3]          # shoulder offset along joint 2 (Staubli), 0 for most arms
    a2 = dh[1][1]          # turret offset, along X1
    upper = dh[2][1]       # upper arm, along X2
    h = dh[3][1]           # forearm axis above the elbow, along X3
    fore = dh[3][3]        # elbow to wrist centre, along Y3
    tip = dh[5][3]         # wrist centre to flange, along Y5
    links = []

    # Base, in base coordinates: foot plate, drum, and a bearing spigot that
    # reaches up into the turret.
    s = Shape()
    half = P["plate"] / 2
    s.add("base", box((-half, -half, 0.0), (half, half, P["plate_t"])))
    s.add("base", along("z", (0, 0), P["plate_t"] - 1, P["base_h"], P["base_r"]))
    s.add("base", along("z", (0, 0), P["base_h"] - 1, d1 - 3, 12, n=SEG_SMALL))
    s.add("dark", box((-P["base_r"] - 14, -32, P["plate_t"] + 12),
                      (-P["base_r"] + 12, 32, P["plate_t"] + 62)))
    links.append(s)

    # Link 1: turret drum on the base, shoulder housing around joint 2.
    s = Shape()
    t_lo = P["base_h"] - d1
    t_hi = t_lo + P["turret_h"]
    rs = P["shoulder_r"]
    s.add("body", along("z", (0, 0), t_lo, t_hi, P["turret_r"]))
    outline = [(-P["turret_back"], t_hi - 1), (a2 + rs, t_hi - 1), (-P["turret_back"], -0.35 * rs)]
    outline += circle2d(a2, 0.0, rs)
    # An arm with a shoulder offset stands further out along joint 2; the
    # housing follows it so the upper arm keeps its usual gap.
    s.add("body", prism("x", "z", outline, -P["shoulder_out"], P["side_gap"] + max(d2, 0.0)))
    s.add("motor", along("y", (a2, 0), -P["shoulder_out"] - P["m2_len"], -P["shoulder_out"] + 1,
                         P["m2_r"]))
    links.append(s)

    # Link 2: upper arm plate beside the turret, axles into both housings.
    s = Shape()
    z0 = P["side_gap"] + 5
    z1 = z0 + P["arm_w"]
    outline = circle2d(0, 0, P["arm_r0"]) + circle2d(upper, 0, P["arm_r1"])
    s.add("body", prism("x", "y", outline, z0, z1))
    s.add("body", along("z", (0, 0), -3, z0 + 1, 14, n=SEG_SMALL))
    s.add("body", along("z", (upper, 0), -3, z0 + 1, 14, n=SEG_SMALL))
    s.add("cover", along("z", (0, 0), z1 - 1, z1 + 5, 0.7 * P["arm_r0"]))
    s.add("cover", along("z", (upper, 0), z1 - 1, z1 + 4, 0.6 * P["arm_r1"]))
    links.append(s)

    # Link 3: elbow drum on the far side of the upper arm, the housing that
    # lifts the forearm axis by h, and the fixed root of the forearm tube.
    s = Shape()
    e_lo, e_hi = -P["elbow_w"], P["side_gap"]
    rf = P["fore_r"]
    front = P["arm_r1"] + 13  # tube starts clear of the upper arm's end
    s.add("body", along("z", (0, 0), e_lo, e_hi, P["elbow_r"]))
    outline = circle2d(0, 0, P["elbow_r"])
    outline += [(h - rf - 6, -P["fore_back"]), (h + rf + 6, -P["fore_back"]),
                (h - rf - 6, front + 10), (h + rf + 6, front + 10)]
    s.add("body", prism("x", "y", outline, e_lo, e_hi))
    s.add("body", along("y", (h, 0), front, P["fore_split"], rf))
    s.add("body", along("y", (h, 0), P["fore_split"] - 1, fore - 3, 8, n=SEG_SMALL))
    s.add("motor", along("z", (0, 0), e_lo - P["m3_len"], e_lo + 1, P["m3_r"]))
    m4z = e_hi - P["m4_r"] - 2  # keep the axis-4 motor off the upper arm's plane
    s.add("motor", along("y", (h, m4z), -P["fore_back"] - P["m4_len"], -P["fore_back"] + 1,
                         P["m4_r"]))
    links.append(s)

    # Link 4: turning forearm tube ending in the fork that carries joint 5.
    s = Shape()
    rt, rw = P["tube4_r"], P["wrist_r"]
    yoke_back = -P["fork_len"] - 12
    s.add("body", along("z", (0, 0), P["fore_split"] - fore - 2, -P["fork_len"], rt))
    s.add("body", box((-rt, -P["fork_out"], yoke_back), (rt, P["fork_out"], -rw + 2)))
    cheek = circle2d(0, 0, rt) + [(-rt, yoke_back), (rt, yoke_back)]
    s.add("body", prism("x", "z", cheek, P["fork_in"], P["fork_out"]))
    s.add("body", prism("x", "z", cheek, -P["fork_out"], -P["fork_in"]))
    links.append(s)

    # Link 5: wrist body between the fork cheeks and the neck to the flange.
    s = Shape()
    s.add("body", along("z", (0, 0), -P["fork_in"] + 1.5, P["fork_in"] - 1.5, rw))
    s.add("body", along("y", (0, 0), 0, tip - 14, P["tube5_r"]))
    s.add("body", along("y", (0, 0), tip - 15, tip - 3.5, P["neck_r"]))
    s.add("neck", along("y", (0, 0), tip - 17, tip - 13, P["tube5_r"] + 1))
    links.append(s)

    # Link 6: flange disc behind the flange face, with an index mark so the
    # turn of joint 6 can be seen.
    s = Shape()
    rfl = P["flange_r"]
    s.add("flange", along("z", (0, 0), -5, 0, rfl))
    s.add("mark", box((rfl - 3, -2.5, -4.5), (rfl + 1.5, 2.5, -0.5)))
    links.append(s)
    return links


# ---------------------------------------------------------------------------
# UR-style collaborative arm: every joint is a drum, joints 2-4 parallel and
# the wrist offset sideways (no spherical wrist). Laid out along the joint 2
# axis: shoulder drum, upper arm tube, elbow drum, forearm tube, wrist 1 drum.

def build_ur_arm(dh, P):
    alphas = tuple(j[0] for j in dh)
    assert alphas == (0, 90, 0, 0, 90, -90), alphas
    d1 = dh[0][3]
    a_up = dh[2][1]       # signed, along X2
    a_fore = dh[3][1]     # signed, along X3
    d4 = dh[3][3]         # wrist 1 drum position along Z3
    d5 = dh[4][3]         # joint 6 axis below joint 4 axis, along -Y4
    d6 = dh[5][3]         # flange along Y5
    R, Rw = P["big_r"], P["wrist_r"]
    su = 1.0 if a_up > 0 else -1.0
    sf = 1.0 if a_fore > 0 else -1.0
    links = []

    # Base: mounting disc and the fixed lower part of the joint 1 drum; the
    # drum continues (hidden) inside the turning part above it.
    s = Shape()
    s.add("base", along("z", (0, 0), 0, 8, P["foot_r"], n=40))
    s.add("base", along("z", (0, 0), 7, d1 - 3, R - 1))
    s.add("cap", along("z", (0, 0), P["base_top"] - 10, P["base_top"], R + 0.8))
    s.add("cap", box((-R - 10, -14, 12), (-R + 8, 14, 32)))
    links.append(s)

    # Link 1: upper joint 1 drum with its cap, and the joint 2 stator drum
    # running sideways along the joint 2 axis (-Y1).
    s = Shape()
    s.add("body", along("z", (0, 0), P["base_top"] - d1, R, R))
    s.add("body", along("y", (0, 0), -P["j2_split"], 0, R))
    s.add("cap", along("z", (0, 0), R - 1, R + 6, R - 7))
    links.append(s)

    # Link 2: joint 2 rotor, upper arm tube with tapered ends, elbow stator.
    s = Shape()
    zr0, zr1 = P["j2_split"], P["j2_split"] + P["drum_w"]
    zt = 0.5 * (zr0 + zr1)
    j3 = P["j3_split"]
    s.add("body", along("z", (0, 0), -3, zr0 + 1, 12, n=SEG_SMALL))
    s.add("body", along("z", (0, 0), zr0, zr1, R))
    s.add("body", along("x", (0, zt), 0, a_up, P["upper_r"]))
    s.add("body", along("x", (0, zt), su * 30, su * 80, P["upper_r"] + 8, P["upper_r"]))
    s.add("body", along("x", (0, zt), a_up - su * 30, a_up - su * 80, P["upper_r"] + 8, P["upper_r"]))
    s.add("body", along("z", (a_up, 0), j3, zr1, R - 3))
    s.add("body", along("z", (a_up, 0), -3, j3 + 1, 12, n=SEG_SMALL))
    s.add("cap", along("z", (0, 0), zr1 - 1, zr1 + 6, R - 7))
    s.add("cap", along("z", (a_up, 0), zr1 - 1, zr1 + 6, R - 10))
    links.append(s)

    # Link 3: elbow rotor, forearm tube, wrist 1 stator; an axle carries on
    # along the joint 4 axis into the wrist 1 rotor.
    s = Shape()
    zf = P["fore_z"]
    w4 = d4 - P["j4_split"]  # where the wrist 1 rotor begins, along Z3
    s.add("body", along("z", (0, 0), -4, j3, R - 3))
    s.add("body", along("x", (0, zf), 0, a_fore, P["fore_r"]))
    s.add("body", along("x", (0, zf), sf * 28, sf * 75, P["fore_r"] + 7, P["fore_r"]))
    s.add("body", along("x", (0, zf), a_fore - sf * 22, a_fore - sf * 65, P["fore_r"] + 6,
                        P["fore_r"]))
    s.add("body", along("z", (a_fore, 0), -2, w4, Rw))
    s.add("body", along("z", (a_fore, 0), w4 - 1, d4 - 3, 10, n=SEG_SMALL))
    s.add("cap", along("z", (0, 0), -10, -3, R - 10))
    s.add("cap", along("z", (a_fore, 0), -8, -1, Rw - 6))
    links.append(s)

    # Link 4: wrist 1 rotor and the joint 5 stator drum across it (axis -Y4).
    s = Shape()
    y_low = -d5 + Rw + 3  # bottom of the joint 5 stator
    s.add("body", along("z", (0, 0), -P["j4_split"], -20, Rw))
    s.add("body", along("y", (0, 0), y_low, Rw, Rw))
    s.add("body", along("y", (0, 0), -d5 + 3, y_low + 1, 8, n=SEG_SMALL))
    s.add("cap", along("y", (0, 0), Rw - 1, Rw + 6, Rw - 6))
    links.append(s)

    # Link 5: joint 5 rotor and the joint 6 drum reaching to the flange.
    s = Shape()
    z_top = -(y_low + d5)  # joint 5 split seen along Z5 (Z5 = -Y4)
    s.add("body", along("y", (0, 0), -Rw, d6 - 10, Rw))
    s.add("body", along("z", (0, 0), z_top, z_top + 5, Rw))
    s.add("body", along("y", (0, 0), d6 - 11, d6 - 2.5, 10, n=SEG_SMALL))
    s.add("cap", along("y", (0, 0), -Rw - 6, -Rw + 1, Rw - 6))
    links.append(s)

    # Link 6: tool flange with an index mark.
    s = Shape()
    rfl = P["flange_r"]
    s.add("flange", along("z", (0, 0), -8, 0, rfl))
    s.add("mark", box((rfl - 3, -3, -7), (rfl + 1.5, 3, -1)))
    links.append(s)
    return links


# ---------------------------------------------------------------------------
# Robots shipped. Colours are red, green, blue here; files store them as
# blue, green, red.

IRB120_PARAMS = dict(
    plate=180, plate_t=14, base_r=75, base_h=165,
    turret_r=80, turret_h=45, turret_back=62, shoulder_r=62, shoulder_out=95, side_gap=18,
    m2_r=42, m2_len=12,
    arm_r0=55, arm_r1=42, arm_w=52,
    elbow_r=48, elbow_w=80, m3_r=38, m3_len=8,
    fore_r=36, fore_back=80, fore_split=150, m4_r=26, m4_len=10,
    tube4_r=33, fork_len=50, fork_in=36, fork_out=47, wrist_r=32,
    tube5_r=26, neck_r=18, flange_r=20,
)

LRMATE_PARAMS = dict(
    plate=190, plate_t=12, base_r=80, base_h=170,
    turret_r=85, turret_h=50, turret_back=60, shoulder_r=60, shoulder_out=90, side_gap=18,
    m2_r=45, m2_len=42,
    arm_r0=55, arm_r1=42, arm_w=50,
    elbow_r=48, elbow_w=75, m3_r=38, m3_len=36,
    fore_r=36, fore_back=85, fore_split=170, m4_r=28, m4_len=34,
    tube4_r=34, fork_len=52, fork_in=36, fork_out=48, wrist_r=32,
    tube5_r=27, neck_r=20, flange_r=25,
)

UR5_PARAMS = dict(
    foot_r=75, base_top=40, big_r=45, wrist_r=37,
    j2_split=105, drum_w=76, j3_split=100, upper_r=30,
    fore_z=30, fore_r=27, j4_split=45, flange_r=31.5,
)

ROBOTS = [
    dict(file="ABB_IRB120.xml", folder="IRB120", angle_type=0,
         dh=[(0, 0, 0, 290), (-90, 0, -90, 0), (0, 270, 0, 0),
             (-90, 70, 0, 302), (90, 0, 0, 0), (-90, 0, 180, 72)],
         limits=[(-165, 165), (-110, 110), (-110, 70), (-160, 160), (-120, 120), (-400, 400)],
         build=build_offset_wrist_arm, params=IRB120_PARAMS,
         info=dict(maker="ABB", model="IRB 120-3/0.6", reach=580, payload=3,
                   preview=(0, 0, 0, 0, 30, 0)),
         colours=dict(base=(0.56, 0.57, 0.59), dark=(0.16, 0.16, 0.17),
                      body=(0.93, 0.93, 0.91), motor=(0.40, 0.41, 0.43),
                      cover=(0.40, 0.41, 0.43), neck=(0.40, 0.41, 0.43),
                      flange=(0.22, 0.22, 0.24), mark=(0.85, 0.85, 0.85))),
    dict(file="Fanuc_LRMate200iD.xml", folder="LRMate200iD", angle_type=2,
         dh=[(0, 0, 0, 330), (-90, 50, -90, 0), (0, 330, 0, 0),
             (-90, 35, 0, 335), (90, 0, 0, 0), (-90, 0, 0, 80)],
         # Axis 3 is read in the program's own (uncoupled) angle; the forearm
         # sits on the centre plane and the upper arm beside it, so it can
         # swing past the upper arm.
         limits=[(-170, 170), (-100, 145), (-70, 205), (-190, 190), (-125, 125), (-360, 360)],
         build=build_offset_wrist_arm, params=LRMATE_PARAMS,
         info=dict(maker="FANUC", model="LR Mate 200iD", reach=717, payload=7,
                   preview=(0, 0, 0, 0, -30, 0)),
         colours=dict(base=(0.98, 0.80, 0.05), dark=(0.12, 0.12, 0.13),
                      body=(0.98, 0.80, 0.05), motor=(0.12, 0.12, 0.13),
                      cover=(0.20, 0.20, 0.21), neck=(0.20, 0.20, 0.21),
                      flange=(0.25, 0.25, 0.27), mark=(0.98, 0.80, 0.05))),
    dict(file="UR5.xml", folder="UR5", angle_type=-1,
         dh=[(0, 0, 0, 89.159), (90, 0, 0, 0), (0, -425, 0, 0),
             (0, -392.25, 0, 109.15), (90, 0, 0, 94.65), (-90, 0, 0, 82.3)],
         limits=[(-360, 360)] * 6,
         build=build_ur_arm, params=UR5_PARAMS,
         info=dict(maker="Universal Robots", model="UR5 (CB3)", reach=850, payload=5,
                   preview=(0, -90, 90, -90, -90, 0)),
         colours=dict(base=(0.80, 0.82, 0.84), body=(0.84, 0.86, 0.88),
                      cap=(0.45, 0.55, 0.66), flange=(0.55, 0.57, 0.60),
                      mark=(0.45, 0.55, 0.66))),
]

ELEMENT_NAMES = ["base", "link1", "link2", "link3", "link4", "link5", "link6"]

# ---------------------------------------------------------------------------
# The robot library: real arms from the checked table of published kinematic
# data (tests/models/robots.json, also what the tests hold the files to).
# Proportions come from the table; the small parts are the ones drawn for
# the IRB 120 and the UR5, scaled to the arm.

TABLE = os.path.join(ROOT, "tests", "models", "robots.json")

# Robot values (the maker's pendant values) of the pose the library shows.
PREVIEW = {0: (0, 0, 0, 0, 30, 0), 4: (0, 0, 0, 0, 30, 0), 2: (0, 0, 0, 0, -30, 0), 3: (0, 0, 0, 0, -30, 0),
           5: (0, -90, 90, 0, 30, 0), -1: (0, -90, 90, -90, -90, 0)}
# Staubli's zero stands the whole arm upright; show the forearm forward.
PREVIEW_BY_MAKER = {"Staubli": (0, 0, 90, 0, 30, 0)}

GREY = (0.40, 0.41, 0.43)
BLACK = (0.13, 0.13, 0.14)
STEEL = (0.62, 0.63, 0.66)

MAKER_COLOURS = {
    "ABB": dict(base=(0.56, 0.57, 0.59), dark=(0.16, 0.16, 0.17), body=(0.93, 0.93, 0.91),
                motor=GREY, cover=GREY, neck=GREY, flange=(0.22, 0.22, 0.24),
                mark=(0.85, 0.85, 0.85)),
    "KUKA": dict(base=(0.97, 0.42, 0.02), dark=BLACK, body=(0.97, 0.42, 0.02), motor=BLACK,
                 cover=(0.25, 0.25, 0.27), neck=BLACK, flange=STEEL, mark=(0.97, 0.42, 0.02)),
    "FANUC": dict(base=(0.98, 0.80, 0.05), dark=(0.12, 0.12, 0.13), body=(0.98, 0.80, 0.05),
                  motor=(0.12, 0.12, 0.13), cover=(0.20, 0.20, 0.21), neck=(0.20, 0.20, 0.21),
                  flange=(0.25, 0.25, 0.27), mark=(0.98, 0.80, 0.05)),
    "Yaskawa": dict(base=(0.10, 0.33, 0.68), dark=BLACK, body=(0.12, 0.38, 0.75),
                    motor=(0.20, 0.21, 0.23), cover=(0.90, 0.91, 0.92), neck=(0.90, 0.91, 0.92),
                    flange=STEEL, mark=(0.90, 0.91, 0.92)),
    "Staubli": dict(base=(0.95, 0.94, 0.88), dark=(0.20, 0.20, 0.21), body=(0.96, 0.95, 0.90),
                    motor=(0.98, 0.78, 0.08), cover=(0.98, 0.78, 0.08), neck=(0.98, 0.78, 0.08),
                    flange=(0.35, 0.35, 0.37), mark=(0.98, 0.78, 0.08)),
    "Universal Robots": dict(base=(0.80, 0.82, 0.84), body=(0.84, 0.86, 0.88),
                             cap=(0.27, 0.47, 0.70), flange=(0.55, 0.57, 0.60),
                             mark=(0.27, 0.47, 0.70)),
}

WRIST_KEYS = ("tube4_r", "fork_len", "fork_in", "fork_out", "wrist_r", "tube5_r", "neck_r",
              "flange_r")


def offset_wrist_params(dh):
    """IRB 120 parts scaled to an arm: the body by the length of the arm, the
    wrist by the distance from wrist centre to flange (big arms carry
    relatively small wrists), the base and turret by the shoulder height."""
    d1, upper, fore, tip = dh[0][3], dh[2][1], dh[3][3], dh[5][3]
    s = (upper + fore) / 572.0
    sw = min(s, 1.1 * tip / 72.0)
    P = {k: v * (sw if k in WRIST_KEYS else s) for k, v in IRB120_PARAMS.items()}
    P["base_h"] = min(P["base_h"], 0.57 * d1)
    rise = d1 - P["base_h"]
    P["turret_h"] = 0.36 * rise
    P["shoulder_r"] = min(P["shoulder_r"], 0.5 * rise)
    P["arm_r0"] = min(P["arm_r0"], 0.9 * P["shoulder_r"])
    P["arm_r1"] = min(P["arm_r1"], 0.7 * P["shoulder_r"])
    P["fore_split"] = 0.5 * fore
    return P


def ur_params(dh):
    """UR5 parts: radii by the square root of the upper arm ratio, offsets
    along the joint 2 axis by the wrist 1 offset."""
    sr = math.sqrt(abs(dh[2][1]) / 425.0)
    sl = dh[3][3] / 109.15
    lateral = ("j2_split", "drum_w", "j3_split", "fore_z", "j4_split")
    return {k: v * (sl if k in lateral else sr) for k, v in UR5_PARAMS.items()}


def library_robots():
    with open(TABLE, encoding="utf-8") as f:
        table = json.load(f)["robots"]
    robots = []
    for entry in table:
        dh = [(ax["alpha"], ax["a"], ax["theta"], ax["d"]) for ax in entry["axes"]]
        limits = [(ax["liminf"], ax["limsup"]) for ax in entry["axes"]]
        ur = tuple(row[0] for row in dh) == (0, 90, 0, 0, 90, -90)
        robots.append(dict(
            file=entry["name"] + ".xml", folder=entry["name"], angle_type=entry["angle_type"],
            dh=dh, limits=limits,
            build=build_ur_arm if ur else build_offset_wrist_arm,
            params=ur_params(dh) if ur else offset_wrist_params(dh),
            colours=MAKER_COLOURS[entry["maker"]],
            precision=2,
            info=dict(maker=entry["maker"], model=entry["model"], reach=entry.get("reach_mm"),
                      payload=entry.get("payload_kg"),
                      preview=PREVIEW_BY_MAKER.get(entry["maker"],
                                                   PREVIEW[entry["angle_type"]]))))
    return robots


ROBOTS += library_robots()



# ---------------------------------------------------------------------------
# Writing.

def fmt(x, digits=4):
    s = "%.*f" % (digits, x)
    s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def stl_solid(name, rgb, tris, M=IDENTITY, digits=4):
    """ASCII STL text for one solid; keyword lines are indented because the
    program only honours keywords that do not start in the first column."""
    r, g, b = rgb
    out = ["solid %s" % name, "  color %s %s %s" % (fmt(b), fmt(g), fmt(r))]
    for tri in tris:
        a, bb, c = (mat_apply(M, p) for p in tri)
        nrm = cross(sub(bb, a), sub(c, a))
        ln = norm(nrm)
        nrm = (0.0, 0.0, 0.0) if ln == 0 else scale(nrm, 1.0 / ln)
        out.append("  facet normal %s %s %s" % tuple(fmt(v) for v in nrm))
        out.append("    outer loop")
        for p in (a, bb, c):
            out.append("      vertex %s %s %s" % tuple(fmt(v, digits) for v in p))
        out.append("    endloop")
        out.append("  endfacet")
    out.append("endsolid %s" % name)
    return "\n".join(out) + "\n"


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def remove_stale(folder, element):
    # A link written as parts must not leave a single-file twin behind (the
    # single file would win), and the reverse.
    for name in os.listdir(folder):
        if name == element + ".stl" or (name.startswith(element + "-") and name.endswith(".stl")):
            os.remove(os.path.join(folder, name))


def xml_attr(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def robot_xml(robot):
    lines = ["<robot>", "  <robot_dk>", '    <joint id="Base" />']
    for i, ((alpha, a, theta, d), (lo, hi)) in enumerate(zip(robot["dh"], robot["limits"]), 1):
        lines.append('    <joint id="Axis%d" limsup="%s" liminf="%s" alpha="%s" a="%s" theta="%s" d="%s" />'
                     % (i, fmt(hi), fmt(lo), fmt(alpha), fmt(a), fmt(theta), fmt(d)))
    lines += ["  </robot_dk>", "  <robot_geometry>"]
    ids = ["Base"] + ["Axis%d" % i for i in range(1, 7)]
    for ident, element in zip(ids, ELEMENT_NAMES):
        lines.append('    <geometry name="%s" geo="%s/%s" />' % (ident, robot["folder"], element))
    lines += ["  </robot_geometry>",
              '  <CAD_base x="0" y="0" z="0" rx="0" ry="0" rz="0" />',
              '  <CAD_scale FACTOR="1" />',
              '  <CAD_offsets cad_theta1="0" cad_theta2="0" cad_theta3="0" cad_theta4="0" '
              'cad_theta5="0" cad_theta6="0" />',
              '  <Angle_Type id="%d" />' % robot["angle_type"]]
    info = robot.get("info")
    if info:
        # After Angle_Type, where readers that do not know it never look.
        # Reach in mm and payload in kg as the maker publishes them; an
        # unpublished value is left out rather than guessed.
        attrs = 'maker="%s" model="%s"' % (xml_attr(info["maker"]), xml_attr(info["model"]))
        if info.get("reach") is not None:
            attrs += ' reach_mm="%s"' % fmt(info["reach"])
        if info.get("payload") is not None:
            attrs += ' payload_kg="%s"' % fmt(info["payload"])
        attrs += ' preview="%s"' % " ".join(fmt(v) for v in info["preview"])
        lines.append("  <Robot_Info %s />" % attrs)
    lines.append("</robot>")
    return "\n".join(lines) + "\n"


def write_robot(robot):
    folder = os.path.join(ROBOT_DIR, robot["folder"])
    os.makedirs(folder, exist_ok=True)
    frames = zero_pose_frames(robot["dh"])
    links = robot["build"](robot["dh"], robot["params"])
    # Hundredths of a millimetre are plenty for the look and keep the
    # library's files small; the first robots keep their finer files.
    digits = robot.get("precision", 4)
    for i, (shape, element) in enumerate(zip(links, ELEMENT_NAMES)):
        remove_stale(folder, element)
        groups = list(shape.groups.items())
        tag = "%s_%s" % (robot["folder"], element)
        if len(groups) == 1:
            key, tris = groups[0]
            write_text(os.path.join(folder, element + ".stl"),
                       stl_solid(tag, robot["colours"][key], tris, frames[i], digits))
        else:
            for k, (key, tris) in enumerate(groups, 1):
                write_text(os.path.join(folder, "%s-%d.stl" % (element, k)),
                           stl_solid("%s_%d" % (tag, k), robot["colours"][key], tris, frames[i],
                                     digits))
    write_text(os.path.join(ROBOT_DIR, robot["file"]), robot_xml(robot))


# ---------------------------------------------------------------------------
# Tools, in flange coordinates (Z out of the flange face).

CRAYON_LENGTH = 140.0   # flange face to the tip of the lead, mm
GRIPPER_TCP = 92.0      # flange face to the middle of the finger pads, mm


def tool_text(tcp_z, holder_name, holder_rgb, holder_tris, parts):
    text = " H= 0 0 %s 0 0 0\n Htool0= 0 0 0 0 0 0\n toolparts %d\n" % (fmt(tcp_z), parts)
    return text + stl_solid(holder_name, holder_rgb, holder_tris)


def write_tools():
    L = CRAYON_LENGTH
    barrel_end = L - 28.0
    # Holder: adapter disc on the flange and a collar round the pen.
    holder = along("z", (0, 0), 0, 5, 20) + along("z", (0, 0), 4, 30, 11)
    holder += box((9, -4, 12), (15, 4, 24))  # clamp screw boss
    write_text(os.path.join(TOOL_DIR, "IRB120_Crayon.tool"),
               tool_text(L, "crayon_holder", (0.62, 0.64, 0.67), holder, 2))
    # First part file: hexagonal barrel, and the lead in the barrel's colour. The
    # lead is a cone a little fuller than the wood cone and meets it at the
    # same point, so it shows over the last few millimetres. Each part file
    # has one colour, which is why the lead lives with the barrel.
    barrel = along("z", (0, 0), 0, barrel_end, 5.0, n=6)
    lead_start = L - 6.0
    wood_r0 = 4.3
    lead_r0 = 1.08 * wood_r0 * (L - lead_start) / (L - barrel_end)
    barrel += frustum((0, 0, lead_start), (0, 0, L), lead_r0, 0.0, SEG_SMALL)
    write_text(os.path.join(TOOL_DIR, "IRB120_Crayon-1.stl"),
               stl_solid("crayon_barrel", (0.85, 0.12, 0.10), barrel))
    # Second part file: the sharpened wood, ending exactly at the tool centre point.
    wood = frustum((0, 0, barrel_end - 0.5), (0, 0, L), wood_r0, 0.0, SEG_SMALL)
    write_text(os.path.join(TOOL_DIR, "IRB120_Crayon-2.stl"),
               stl_solid("crayon_wood", (0.87, 0.72, 0.50), wood))

    # Gripper: adapter, body and rail in the tool file; one finger per part.
    body = along("z", (0, 0), 0, 7, 22)
    body += box((-36, -17, 6), (36, 17, 46))
    body += box((-33, -8, 45), (33, 8, 50))
    write_text(os.path.join(TOOL_DIR, "Gripper.tool"),
               tool_text(GRIPPER_TCP, "gripper_body", (0.35, 0.45, 0.58), body, 2))
    for k, sgn in ((1, 1.0), (2, -1.0)):
        x_in, x_out = 10.0, 19.0
        finger = box((min(sgn * x_in, sgn * x_out), -9, 44), (max(sgn * x_in, sgn * x_out), 9, 100))
        pad = box((min(sgn * 6.0, sgn * 10.5), -8, 84), (max(sgn * 6.0, sgn * 10.5), 8, 100))
        finger += pad
        write_text(os.path.join(TOOL_DIR, "Gripper-%d.stl" % k),
                   stl_solid("gripper_finger_%d" % k, (0.18, 0.18, 0.2), finger))


# ---------------------------------------------------------------------------
# Verification.

class CheckError(Exception):
    pass


def read_stl(path):
    """Triangles as tuples of vertex strings and floats; also validates the
    indentation rule."""
    tris, current = [], []
    colours = 0
    with open(path, encoding="ascii") as f:
        for lineno, line in enumerate(f, 1):
            stripped = line.strip()
            if not stripped:
                continue
            word = stripped.split()[0]
            if word in ("vertex", "facet", "color", "outer", "endloop", "endfacet") and not line[0].isspace():
                raise CheckError("%s:%d: keyword in the first column" % (path, lineno))
            if word == "color":
                colours += 1
            if word == "vertex":
                parts = stripped.split()[1:]
                current.append((tuple(parts), tuple(float(v) for v in parts)))
                if len(current) == 3:
                    tris.append(current)
                    current = []
    if current:
        raise CheckError("%s: dangling vertices" % path)
    if colours != 1:
        raise CheckError("%s: expected one colour line, found %d" % (path, colours))
    return tris


def closed_and_outward(path, tris):
    edges = {}
    volume = 0.0
    for tri in tris:
        keys = [v[0] for v in tri]
        for k in range(3):
            e = (keys[k], keys[(k + 1) % 3])
            edges[e] = edges.get(e, 0) + 1
        a, b, c = (v[1] for v in tri)
        volume += dot(a, cross(b, c)) / 6.0
    for (p, q), count in edges.items():
        if edges.get((q, p), 0) != count:
            raise CheckError("%s: open or inconsistently wound edge %s-%s" % (path, p, q))
    if volume <= 0:
        raise CheckError("%s: faces point inward (volume %.1f)" % (path, volume))
    return volume


def link_files(folder, element):
    single = os.path.join(folder, element + ".stl")
    parts = []
    k = 1
    while os.path.exists(os.path.join(folder, "%s-%d.stl" % (element, k))):
        parts.append(os.path.join(folder, "%s-%d.stl" % (element, k)))
        k += 1
    if os.path.exists(single) and parts:
        raise CheckError("%s: both a single file and part files" % single)
    if os.path.exists(single):
        return [single]
    if not parts:
        raise CheckError("no mesh for %s/%s" % (folder, element))
    return parts


def inside(p, lo, hi, margin):
    return all(lo[k] - margin <= p[k] <= hi[k] + margin for k in range(3))


def read_robot_xml(path):
    with open(path, encoding="ascii") as f:
        text = f.read()
    if not text.startswith("<robot>"):
        raise CheckError("%s: must open with the root element" % path)
    root = ET.fromstring(text)
    order = [child.tag for child in root]
    want = ["robot_dk", "robot_geometry", "CAD_base", "CAD_scale", "CAD_offsets", "Angle_Type"]
    if order != want and order != want + ["Robot_Info"]:
        raise CheckError("%s: element order %s" % (path, order))
    joints = list(root.find("robot_dk"))
    if len(joints) != 7 or not joints[0].get("id", "").startswith("B"):
        raise CheckError("%s: needs the base and six axes" % path)
    dh = []
    for j in joints[1:]:
        if j.get("id", "").startswith("B"):
            raise CheckError("%s: axis id %s starts with B" % (path, j.get("id")))
        for key in ("alpha", "a", "theta", "limsup", "liminf", "d"):
            float(j.get(key))
        if float(j.get("liminf")) >= float(j.get("limsup")):
            raise CheckError("%s: empty range on %s" % (path, j.get("id")))
        dh.append(tuple(float(j.get(key)) for key in ("alpha", "a", "theta", "d")))
    geos = [(g.get("name"), g.get("geo")) for g in root.find("robot_geometry")]
    ids = [j.get("id") for j in joints]
    if [name for name, _ in geos] != ids:
        raise CheckError("%s: geometry names %s do not follow the axes" % (path, geos))
    return dh, [geo for _, geo in geos], int(root.find("Angle_Type").get("id"))


def check_robot(robot, verbose=True):
    path = os.path.join(ROBOT_DIR, robot["file"])
    dh, geos, angle_type = read_robot_xml(path)
    frames = zero_pose_frames(dh)
    if verbose:
        print("%s (angle type %d)" % (robot["file"], angle_type))
        for i, F in enumerate(frames[1:], 1):
            print("  frame %d origin at zero pose: (%s, %s, %s)" % (i, fmt(F[0][3]), fmt(F[1][3]), fmt(F[2][3])))
    total = 0
    for i, geo in enumerate(geos):
        files = link_files(os.path.dirname(os.path.join(ROBOT_DIR, geo)), os.path.basename(geo))
        first = None
        for f in files:
            tris = read_stl(f)
            closed_and_outward(f, tris)
            total += len(tris)
            if first is None:
                first = tris
        inv = rigid_inverse(frames[i])
        pts = [mat_apply(inv, v[1]) for tri in first for v in tri]
        lo = tuple(min(p[k] for p in pts) for k in range(3))
        hi = tuple(max(p[k] for p in pts) for k in range(3))
        if i == 0:
            wanted = [("frame 1 origin", mat_apply(inv, (frames[1][0][3], frames[1][1][3], frames[1][2][3])))]
        elif i < 6:
            alpha, a, _, d = dh[i]  # the next axis' row
            wanted = [("own origin", (0.0, 0.0, 0.0)), ("next origin", next_origin(alpha, a, d))]
        else:
            wanted = [("flange", (0.0, 0.0, 0.0))]
        for label, p in wanted:
            if not inside(p, lo, hi, BOX_MARGIN):
                raise CheckError("%s element %d: %s (%.2f, %.2f, %.2f) outside box %s..%s"
                                 % (robot["file"], i, label, p[0], p[1], p[2],
                                    tuple(round(v, 2) for v in lo), tuple(round(v, 2) for v in hi)))
        if verbose:
            print("  element %d: %d file(s), box in own frame (%s) .. (%s)"
                  % (i, len(files), ", ".join(fmt(v) for v in lo), ", ".join(fmt(v) for v in hi)))
    if verbose:
        print("  %d triangles" % total)


def check_tools(verbose=True):
    for name, tcp in (("IRB120_Crayon", CRAYON_LENGTH), ("Gripper", GRIPPER_TCP)):
        tool = os.path.join(TOOL_DIR, name + ".tool")
        with open(tool, encoding="ascii") as f:
            lines = f.read().splitlines()
        for key in ("H=", "Htool0=", "toolparts"):
            hits = [l for l in lines if l.lstrip().startswith(key)]
            if len(hits) != 1 or not hits[0][0].isspace():
                raise CheckError("%s: keyword %s must appear once, indented" % (tool, key))
        h = [l for l in lines if l.lstrip().startswith("H=")][0].split()[1:]
        if [float(v) for v in h] != [0, 0, tcp, 0, 0, 0]:
            raise CheckError("%s: unexpected H= %s" % (tool, h))
        count = int([l for l in lines if l.lstrip().startswith("toolparts")][0].split()[1])
        closed_and_outward(tool, read_stl(tool))
        zmax = []
        for k in range(1, count + 1):
            part = os.path.join(TOOL_DIR, "%s-%d.stl" % (name, k))
            tris = read_stl(part)
            closed_and_outward(part, tris)
            zmax.append(max(v[1][2] for tri in tris for v in tri))
        if name == "IRB120_Crayon" and abs(zmax[1] - tcp) > 1e-6:
            raise CheckError("%s: the wood cone ends at z=%.4f, not at the TCP" % (name, zmax[1]))
        if verbose:
            print("%s.tool: TCP %s mm along flange Z, %d part files, part tops %s"
                  % (name, fmt(tcp), count, [fmt(z) for z in zmax]))


def check_all():
    try:
        for robot in ROBOTS:
            check_robot(robot)
        check_tools()
    except (CheckError, OSError, ValueError, ET.ParseError) as e:
        print("CHECK FAILED: %s" % e, file=sys.stderr)
        return 1
    print("check passed")
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--check", action="store_true", help="verify the files on disk, write nothing")
    args = ap.parse_args()
    if not args.check:
        for robot in ROBOTS:
            write_robot(robot)
        write_tools()
    return check_all()


if __name__ == "__main__":
    sys.exit(main())
