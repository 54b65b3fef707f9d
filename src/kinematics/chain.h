// The kinematic chain of a six-axis arm as plain data, and the pure functions
// on it: the mapping between the joint values a robot maker shows and the
// angles of the model, and forward kinematics. Nothing here holds or changes
// a robot's current joint values; whoever calls says which values to use.
//
// The model is the modified (Craig) Denavit-Hartenberg convention: link k is
// RotX(alpha) TransX(a) TransZ(d) RotZ(theta + q), angles in degrees at every
// interface, lengths in millimetres.
#pragma once

#include "matrixtoolbox.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

class Joint;

namespace kinematics {

// Sizes of a six-axis robot's chain, named so that a 6 or a 7 in the code
// says which of the two it counts.
constexpr int kAxes = 6;     // joint values of a robot, axis 1 first
constexpr int kElements = 7; // elements of the chain: the base, then the six axes

// How one axis maps between robot joint value j and model angle t:
//   t_k = sign * j_k + coupling * j_2 + offset
//   j_k = sign * (t_k - offset - coupling * j_2)
// Axis 2 itself is never coupled, so j_2 is known in both directions.
struct AxisRule
{
    float sign = 1.0f;
    float coupling = 0.0f;
    float offset = 0.0f; // degrees
};
using AngleRules = std::array<AxisRule, kAxes>;

// The rules of a description's angle type; a type without rules of its own
// (0, 1, negative, above 6) maps every axis to itself.
const AngleRules &angleRules(int angleType);

// Robot joint values -> model angles and back, in float or double. `out`
// may be `in`. A zero coupling or offset is not added at all: adding 0 would
// turn a negative zero positive and an infinite value into NaN.
template <typename T> inline void toModel(const AngleRules &rules, const T *in, T *out)
{
    const T j2 = in[1];
    T t[kAxes];
    for (int k = 0; k < kAxes; ++k) {
        const AxisRule &r = rules[std::size_t(k)];
        T v = T(r.sign) * in[k];
        if (r.coupling != 0.0f)
            v += T(r.coupling) * j2;
        if (r.offset != 0.0f)
            v += T(r.offset);
        t[k] = v;
    }
    for (int k = 0; k < kAxes; ++k)
        out[k] = t[k];
}

template <typename T> inline void toRobot(const AngleRules &rules, const T *in, T *out)
{
    // Axis 2 first: the others may be coupled to its robot value.
    const AxisRule &r2 = rules[1];
    const T j2 = T(r2.sign) * (r2.offset != 0.0f ? in[1] - T(r2.offset) : in[1]);
    T j[kAxes];
    for (int k = 0; k < kAxes; ++k) {
        const AxisRule &r = rules[std::size_t(k)];
        T v = in[k];
        if (r.offset != 0.0f)
            v -= T(r.offset);
        if (r.coupling != 0.0f)
            v -= T(r.coupling) * j2;
        j[k] = T(r.sign) * v;
    }
    for (int k = 0; k < kAxes; ++k)
        out[k] = j[k];
}

// One axis: its parameters and limits as described, and what the
// computations need of them worked out once.
struct Link
{
    double alpha = 0.0, a = 0.0, d = 0.0, theta = 0.0; // degrees, mm
    double lower = 0.0, upper = 0.0;                   // limits, robot values, degrees
    // The twist in double, exact at right angles, and theta in radians.
    double sinAlpha = 0.0, cosAlpha = 1.0;
    double thetaRad = 0.0;
    // The constant parts of the link matrix rounded exactly as linkMatrix
    // rounds them (the twist through float, its sine and cosine rounded to
    // float), so that forward() is the chain of linkMatrix products to the
    // last bit: rows (ct, -st, 0, a), (ca st, ca ct, -sa, dsa),
    // (sa st, sa ct, ca, dca).
    float sa = 0.0f, ca = 1.0f, fa = 0.0f, dsa = 0.0f, dca = 0.0f;
    // The same as pairs of doubles, as forward() multiplies by them: (ca,
    // ca), (sa, sa), and the factors of the last two columns (0, a), (-sa,
    // dsa), (ca, dca).
    alignas(16) double caPair[2] = {1.0, 1.0};
    alignas(16) double saPair[2] = {0.0, 0.0};
    alignas(16) double aPair[2] = {0.0, 0.0};
    alignas(16) double saColumns[2] = {-0.0, 0.0};
    alignas(16) double caColumns[2] = {1.0, 0.0};
    // No twist (sa exactly 0, ca exactly 1) or no length a: the terms they
    // make are zeros, which forward() leaves out.
    bool flat = false;
    bool noLength = false;
};

// The closed form for a spherical wrist, worked out for one chain.
struct SphericalWrist
{
    double d1 = 0.0, d2 = 0.0, d4 = 0.0, d6 = 0.0;
    double a2 = 0.0, a3 = 0.0, a4 = 0.0;
    double A = 0.0, B = 0.0; // 2 a3 a4, 2 a3 d4
    double R = 0.0;          // sqrt(A^2 + B^2): the elbow's reach term
    double a3sq = 0.0, d4sq = 0.0, a4sq = 0.0;
};

// The solver for wrists that are not spherical (axes 2-4 parallel), worked
// out for one chain; its matrices are single precision as the solver's are.
struct OffsetWrist
{
    bool usable = false;
    bool rightAngles = false;
    double sa2 = 0.0, sa5 = 0.0, ca5 = 0.0, sa6 = 0.0, ca6 = 0.0;
    double a3 = 0.0, a4 = 0.0, d6 = 0.0;
    double offset = 0.0;    // d2 + d3 + d4 + d5 cos(alpha5)
    Matrix4 link1Inverse{}; // constant part of link 1, inverted
    Matrix4 link2{};        // constant part of link 2
};

struct Chain
{
    bool complete = false; // the base and six axes were there
    int axisCount = 0;
    int angleType = 0;
    AngleRules rules;
    std::array<Link, kAxes> links;
    // The links' theta (degrees) side by side, as forward() reads them.
    alignas(16) double theta[kAxes] = {};
    // Limits as the list judges them (float), axes 1-6.
    std::array<float, kAxes> lower{}, upper{};
    // Axis 3's range moves with axis 2 (its rule couples them): by
    // couplingShift times axis 2's robot value.
    bool coupled = false;
    float couplingShift = 0.0f;
    // Bit k set: axis k's value, once within its range, is the one the list
    // takes. So it is on the axes that take every whole-turn variant, and on
    // the others whose range is narrower than a turn (no other turn fits).
    // Axis 3 with a moving range is left out: its range is judged where it is.
    unsigned takesWithin = 0;
    // Axes 1, 4 and 6 whose ranges are a turn or wider: their whole-turn
    // variants are listed (bit k for axis k + 1).
    unsigned turning = 0;
    // The rules without offsets and with a coupling on axis 3 at most, as
    // every rule of the table is: the signs and that coupling say it all.
    bool plainRules = false;
    std::array<float, kAxes> signs{};
    float coupling3 = 0.0f;
    bool sphericalWrist = false; // axes 4-6 meet in one point, twists -90, 90, -90
    // The geometry the closed form is written for (twists 0, -90, 0, -90, 90,
    // -90; no a on axes 1, 5, 6; no d on axes 3 and 5).
    bool closedFormExact = false;
    // The solver written for this geometry, chosen once from the parameters:
    // the closed form where closedFormExact holds, the solver for offset
    // wrists where its geometry is usable, none for any other arm (a planar
    // one, a twisted wrist): its forward kinematics work, its inverse has no
    // answers rather than approximations.
    enum class Solver { None, ClosedForm, OffsetWrist };
    Solver solver = Solver::None;
    SphericalWrist spherical;
    OffsetWrist offsetWrist;
};

// toModel and toRobot with the chain's rules, the same to the last bit: the
// hot paths call them once per configuration, and plain rules need no
// tests per axis.
template <typename T> inline void toModel(const Chain &c, const T *in, T *out)
{
    if (!c.plainRules) {
        toModel(c.rules, in, out);
        return;
    }
    const T j2 = in[1];
    T t[kAxes];
    for (int k = 0; k < kAxes; ++k)
        t[k] = T(c.signs[std::size_t(k)]) * in[k];
    if (c.coupling3 != 0.0f)
        t[2] += T(c.coupling3) * j2;
    for (int k = 0; k < kAxes; ++k)
        out[k] = t[k];
}

template <typename T> inline void toRobot(const Chain &c, const T *in, T *out)
{
    if (!c.plainRules) {
        toRobot(c.rules, in, out);
        return;
    }
    const T j2 = T(c.signs[1]) * in[1];
    T j[kAxes];
    for (int k = 0; k < kAxes; ++k)
        j[k] = in[k];
    if (c.coupling3 != 0.0f)
        j[2] -= T(c.coupling3) * j2;
    for (int k = 0; k < kAxes; ++k)
        out[k] = T(c.signs[std::size_t(k)]) * j[k];
}

// Robot value of axis k alone from its model angle t, as toRobot gives it,
// for an axis that no rule couples to axis 2.
template <typename T> inline T robotValue(const Chain &c, int k, T t)
{
    if (c.plainRules)
        return T(c.signs[std::size_t(k)]) * t;
    const AxisRule &r = c.rules[std::size_t(k)];
    return T(r.sign) * (r.offset != 0.0f ? t - T(r.offset) : t);
}

// The chain of a robot's elements (element 0 the base, 1-6 the axes).
Chain makeChain(const std::vector<Joint> &joints, int angleType);

// Flange in robot-base coordinates for model angles (degrees) of axes
// 1..n; the identity for n < 1.
Matrix4 forward(const Chain &chain, const float *modelAngles, int n = kAxes);
// The same for robot joint values.
Matrix4 forwardFromJoints(const Chain &chain, const float *jointValues, int n = kAxes);

// Axes 2, 3 and 5 take the whole turn nearest to the current value (so that
// a jog goes on past +-180 degrees); axes 1, 4 and 6 are listed with every
// whole-turn variant within their limits.
constexpr bool takesNearestTurn(int k)
{
    return k == 1 || k == 2 || k == 4;
}

// A joint value this close to a limit (degrees) is at the limit, not beyond
// it: a value solved from a single-precision pose carries rounding of about
// 1e-5 degrees, and a robot standing on its limit must still find its own
// configuration there. Every judgement of a limit - the solver's list, the
// gate of jointlimits.h, the coupled check - takes it.
constexpr float kLimitTolerance = 1e-4f;

// What "reaches the target" means, for the solver's own checks, velkari-kin,
// the tests and the fuzz targets alike: the position within kReachTolerance
// millimetres per metre of the target's distance from the base axes (never
// less than kReachTolerance: single-precision joint values and matrices
// carry rounding that grows with the distance), and each entry of the
// rotation within kTurnTolerance.
constexpr double kReachTolerance = 0.01; // mm, per metre
constexpr double kTurnTolerance = 1e-3;

inline double reachTolerance(const Matrix4 &target)
{
    double far = 1000.0;
    for (int k = 3; k < 12; k += 4)
        far = std::max(far, std::fabs(double(target[std::size_t(k)])));
    return kReachTolerance * far / 1000.0;
}

// In single precision, as the poses are: the solver checks candidates with it.
inline bool reaches(const Matrix4 &pose, const Matrix4 &target, double tolerance)
{
    const float position = float(tolerance), turn = float(kTurnTolerance);
    for (std::size_t k = 0; k < 12; ++k)
        if (!(std::fabs(pose[k] - target[k]) <= (k % 4 == 3 ? position : turn)))
            return false;
    return true;
}

inline bool reaches(const Matrix4 &pose, const Matrix4 &target)
{
    return reaches(pose, target, reachTolerance(target));
}

inline bool withinLimits(float v, float lo, float hi)
{
    return v >= lo - kLimitTolerance && v <= hi + kLimitTolerance;
}

// Axis 3's range for the coupled angle types, moved by axis 2's robot value.
inline void axisRange(const Chain &c, int k, float axis2, float &lo, float &hi)
{
    lo = c.lower[std::size_t(k)];
    hi = c.upper[std::size_t(k)];
    if (c.coupled && k == 2) {
        const float shift = c.couplingShift * axis2;
        lo += shift;
        hi += shift;
    }
}

} // namespace kinematics
