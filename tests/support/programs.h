// Programs for the path tests: the IRB120's chain computed here in double
// precision from its link parameters, independently of the library, targets
// for Cartesian moves, program lines and the positions of one of them.
#pragma once

#include "kinematics/robot.h"
#include "sequences/pathanalysis.h"
#include "support/refmath.h"

#include <array>
#include <cmath>
#include <vector>

namespace seqtest {

using Joints = std::array<double, 6>;

struct Link
{
    double alpha, a, theta, d;
};

// The shipped ABB_IRB120.xml: modified Denavit-Hartenberg, angle type 0.
constexpr std::array<Link, 6> kIrb120{{{0, 0, 0, 290},
                                       {-90, 0, -90, 0},
                                       {0, 270, 0, 0},
                                       {-90, 70, 0, 302},
                                       {90, 0, 0, 0},
                                       {-90, 0, 180, 72}}};

inline ref::M identity()
{
    return ref::trans(0, 0, 0);
}

inline ref::M flange(const Joints &q)
{
    ref::M m = identity();
    for (std::size_t i = 0; i < 6; ++i)
        m = ref::mul(
            m, ref::link(kIrb120[i].alpha, kIrb120[i].a, kIrb120[i].theta + q[i], kIrb120[i].d));
    return m;
}

inline ref::M flange(const std::array<float, 6> &q)
{
    return flange(Joints{q[0], q[1], q[2], q[3], q[4], q[5]});
}

inline std::array<double, 3> position(const ref::M &m)
{
    return {m[3], m[7], m[11]};
}

inline double distance(const std::array<double, 3> &a, const std::array<double, 3> &b)
{
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Largest difference between the rotation parts.
inline double rotationGap(const ref::M &a, const ref::M &b)
{
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            worst =
                std::max(worst, std::fabs(a[std::size_t(4 * i + j)] - b[std::size_t(4 * i + j)]));
    return worst;
}

inline ref::M withPosition(ref::M m, double x, double y, double z)
{
    m[3] = x;
    m[7] = y;
    m[11] = z;
    return m;
}

// The robot's configuration for a flange pose nearest to `seed` (largest
// single-joint difference): the joint operands of a program line whose
// target is that pose.
inline Joints reach(Robot &robot, const ref::M &pose, const Joints &seed)
{
    Matrix4 target;
    for (std::size_t k = 0; k < 16; ++k)
        target[k] = float(pose[k]);
    const std::array<float, 6> saved = robot.jointValues();
    std::array<float, 6> s{};
    for (std::size_t k = 0; k < 6; ++k)
        s[k] = float(seed[k]);
    robot.setJointAngles(s);
    std::vector<IkConfiguration> list;
    robot.doInverseKinematics(target, list);
    robot.setJointAngles(saved);
    Joints best{};
    double bestGap = 1e300;
    for (const IkConfiguration &c : list) {
        double gap = 0.0;
        for (std::size_t k = 0; k < 6; ++k)
            gap = std::max(gap, std::fabs(double(c.q[k]) - seed[k]));
        if (gap < bestGap) {
            bestGap = gap;
            for (std::size_t k = 0; k < 6; ++k)
                best[k] = double(c.q[k]);
        }
    }
    return best;
}

inline sequences::ProgramLine line(double code, const Joints &operands)
{
    sequences::ProgramLine l;
    l.code = code;
    l.operands = operands;
    return l;
}

// Positions of one program line.
inline std::vector<sequences::PathPosition> segment(const sequences::PathAnalyser::Result &r,
                                                    int id)
{
    std::vector<sequences::PathPosition> s;
    for (const auto &p : r.path)
        if (p.pathId == id)
            s.push_back(p);
    return s;
}

} // namespace seqtest
