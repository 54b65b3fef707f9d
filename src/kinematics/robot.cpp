#include "robot.h"

#include "logging.h"

#include <QDebug>
#include <algorithm>
#include <cmath>

using toolbox::kDegToRad;
using toolbox::kRadToDeg;

namespace {

constexpr double kPi = toolbox::kPi;
constexpr double kToDegrees = 57.29577951308232;
// Below this sine of the wrist bend (about 0.0001 degrees) the wrist is
// singular to the rounding of single-precision poses: axis 4 and 6 are then
// one rotation and axis 4 keeps its value. A wider band would list
// configurations that miss the target by the bend it ignores.
constexpr double kWristNoise = 2e-6;
// An elbow this close to straight (1 - |cos| below it, a bend of 0.08
// degrees), or a wrist point this close to the cylinder its offset keeps it
// off axis 1, is singular as far as a single-precision pose can tell: the
// position changes by less than 0.0002 mm across the band.
constexpr double kArmNoise = 1e-6;
// Two configurations closer than this on every axis are one.
constexpr float kSameConfiguration = 1e-3f;

inline bool within(float v, float lo, float hi)
{
    return v >= lo && v <= hi;
}

// Rotation part of a link transform, RotX(alpha) RotZ(theta), row-major.
inline void linkRotation(double sa, double ca, double st, double ct, double *m)
{
    m[0] = ct;
    m[1] = -st;
    m[2] = 0.0;
    m[3] = ca * st;
    m[4] = ca * ct;
    m[5] = -sa;
    m[6] = sa * st;
    m[7] = sa * ct;
    m[8] = ca;
}

inline void mul3x3(const double *a, const double *b, double *r)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[3 * i + j] = a[3 * i] * b[j] + a[3 * i + 1] * b[3 + j] + a[3 * i + 2] * b[6 + j];
}

// The angle of the opposite direction, within (-pi, pi].
inline double halfTurn(double a)
{
    return a > 0.0 ? a - toolbox::kPi : a + toolbox::kPi;
}

} // namespace

Robot::Robot(QObject *parent)
    : QObject(parent), HB(toolbox::identity()), HT(toolbox::identity()),
      placement(toolbox::identity())
{
    setObjectName(QStringLiteral("Robot"));
}

Robot::~Robot()
{
    clearJoints();
}

// ---------------------------------------------------------------- loading
// Reading the description and the tool is the readers' work: loadData,
// loadTool, removeTool and toggleSmooth live in models/robotloading.cpp.

void Robot::attachGeometry()
{
    // The meshes were drawn with the base at the CAD base pose (rotations
    // about X, then Y, then Z) and each axis at its CAD angle offset.
    Matrix4 frame = toolbox::placementMatrix(
        {cadBase[0], cadBase[1], cadBase[2], cadBase[3], cadBase[4], cadBase[5]});
    frame = calc.product(frame, joints[0].linkMatrix());
    joints[0].attachGeometry(frame, cadScale);
    for (int i = 1; i <= 6; ++i) {
        frame = calc.product(
            frame, joints[std::size_t(i)].linkMatrixOffset(cadOffsets[std::size_t(i - 1)]));
        joints[std::size_t(i)].attachGeometry(frame, cadScale);
    }
}

void Robot::clearJoints()
{
    for (Joint &j : joints)
        j.reset();
    joints.clear();
}

// ---------------------------------------------------------------- joints

void Robot::setJointAngle(float value, int element)
{
    if (element >= 0 && element < int(joints.size()))
        joints[std::size_t(element)].setAngle(value);
}

void Robot::setJointAngles(const float *six)
{
    for (int i = 1; i <= 6 && i < int(joints.size()); ++i)
        joints[std::size_t(i)].setAngle(six[i - 1]);
}

std::array<double, 6> Robot::getJointAngles() const
{
    std::array<double, 6> q{};
    for (int i = 1; i <= 6 && i < int(joints.size()); ++i)
        q[std::size_t(i - 1)] = joints[std::size_t(i)].getAngle();
    return q;
}

std::array<float, 6> Robot::jointValues() const
{
    std::array<float, 6> q{};
    for (int i = 1; i <= 6 && i < int(joints.size()); ++i)
        q[std::size_t(i - 1)] = joints[std::size_t(i)].getAngle();
    return q;
}

std::vector<int> Robot::getLimits() const
{
    std::vector<int> l;
    l.reserve(12);
    for (int i = 1; i <= 6; ++i) {
        const bool ok = i < int(joints.size());
        l.push_back(ok ? joints[std::size_t(i)].getLiminf() : 0);
        l.push_back(ok ? joints[std::size_t(i)].getLimsup() : 0);
    }
    return l;
}

namespace {

template <typename T> void toModel(int type, const T *j, T *t)
{
    const T j1 = j[0], j2 = j[1], j3 = j[2], j4 = j[3], j5 = j[4], j6 = j[5];
    switch (type) {
    case 2:
        t[0] = j1;
        t[1] = j2;
        t[2] = -j2 - j3;
        t[3] = -j4;
        t[4] = -j5;
        t[5] = -j6;
        break;
    case 3:
        t[0] = j1;
        t[1] = j2;
        t[2] = -j3;
        t[3] = -j4;
        t[4] = -j5;
        t[5] = -j6;
        break;
    case 4:
        t[0] = j1;
        t[1] = j2;
        t[2] = j3 - j2;
        t[3] = j4;
        t[4] = j5;
        t[5] = j6;
        break;
    case 5:
        t[0] = -j1;
        t[1] = j2;
        t[2] = j3;
        t[3] = -j4;
        t[4] = j5;
        t[5] = -j6;
        break;
    case 6:
        t[0] = j1;
        t[1] = j2;
        t[2] = -j3;
        t[3] = j4;
        t[4] = j5;
        t[5] = j6;
        break;
    default:
        t[0] = j1;
        t[1] = j2;
        t[2] = j3;
        t[3] = j4;
        t[4] = j5;
        t[5] = j6;
        break;
    }
}

template <typename T> void toRobot(int type, const T *t, T *j)
{
    const T t1 = t[0], t2 = t[1], t3 = t[2], t4 = t[3], t5 = t[4], t6 = t[5];
    switch (type) {
    case 2:
        j[0] = t1;
        j[1] = t2;
        j[2] = -t2 - t3;
        j[3] = -t4;
        j[4] = -t5;
        j[5] = -t6;
        break;
    case 3:
        j[0] = t1;
        j[1] = t2;
        j[2] = -t3;
        j[3] = -t4;
        j[4] = -t5;
        j[5] = -t6;
        break;
    case 4:
        j[0] = t1;
        j[1] = t2;
        j[2] = t3 + t2;
        j[3] = t4;
        j[4] = t5;
        j[5] = t6;
        break;
    case 5:
        j[0] = -t1;
        j[1] = t2;
        j[2] = t3;
        j[3] = -t4;
        j[4] = t5;
        j[5] = -t6;
        break;
    case 6:
        j[0] = t1;
        j[1] = t2;
        j[2] = -t3;
        j[3] = t4;
        j[4] = t5;
        j[5] = t6;
        break;
    default:
        j[0] = t1;
        j[1] = t2;
        j[2] = t3;
        j[3] = t4;
        j[4] = t5;
        j[5] = t6;
        break;
    }
}

} // namespace

void Robot::robotToDH(int type, const float *in, float *out)
{
    toModel(type, in, out);
}
void Robot::dhToRobot(int type, const float *in, float *out)
{
    toRobot(type, in, out);
}
void Robot::robotToDH(int type, const double *in, double *out)
{
    toModel(type, in, out);
}
void Robot::dhToRobot(int type, const double *in, double *out)
{
    toRobot(type, in, out);
}

bool Robot::coupledLimits(const float *six, float *four)
{
    if ((angleType != 2 && angleType != 4) || joints.size() < 7)
        return false;
    setJointAngles(six);
    const float q2 = six[1];
    const float shift = angleType == 2 ? -q2 : q2;
    four[0] = float(joints[2].getLiminf());
    four[1] = float(joints[2].getLimsup());
    four[2] = float(joints[3].getLiminf()) + shift;
    four[3] = float(joints[3].getLimsup()) + shift;
    return true;
}

bool Robot::checkCoupledLimits(const float *six) const
{
    if ((angleType != 2 && angleType != 4) || joints.size() < 7)
        return true;
    const float q2 = six[1], q3 = six[2];
    const float shift = angleType == 2 ? -q2 : q2;
    return within(q2, float(joints[2].getLiminf()), float(joints[2].getLimsup())) &&
           within(q3, float(joints[3].getLiminf()) + shift, float(joints[3].getLimsup()) + shift);
}

// ---------------------------------------------------------------- forward kinematics

Matrix4 Robot::fkOf(const float *model, int n) const
{
    // The chain of linkMatrix products, written out for the structure of a
    // modified-DH link: its last row is (0, 0, 0, 1) and element (0, 2) is 0,
    // so those terms are left out. Every sum starts from +0.0 and adds the
    // remaining terms in the order of the full product, then rounds to float
    // as the product does: the result is the same to the last bit, signs of
    // zero included (a sum that starts from +0.0 is never -0.0, so a missing
    // zero term cannot change it).
    Matrix4 m = toolbox::identity();
    const int last = std::min(std::min(n, 6), int(joints.size()) - 1);
    for (int i = 1; i <= last; ++i) {
        const Joint &j = joints[std::size_t(i)];
        const Joint::LinkConstants &c = j.linkConstants();
        const float theta = static_cast<float>(j.getTheta() + double(model[i - 1]));
        const double r = double(theta) * kDegToRad;
        const double st = static_cast<float>(std::sin(r));
        const double ct = static_cast<float>(std::cos(r));
        const double l0[4] = {ct, -st, 0.0, c.a};
        const double l1[4] = {static_cast<float>(c.ca * st), static_cast<float>(c.ca * ct), -c.sa,
                              c.dsa};
        const double l2[4] = {static_cast<float>(c.sa * st), static_cast<float>(c.sa * ct), c.ca,
                              c.dca};
        for (int row = 0; row < 3; ++row) {
            float *x = m.data() + 4 * row;
            const double x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3];
            x[0] = static_cast<float>(0.0 + x0 * l0[0] + x1 * l1[0] + x2 * l2[0]);
            x[1] = static_cast<float>(0.0 + x0 * l0[1] + x1 * l1[1] + x2 * l2[1]);
            x[2] = static_cast<float>(0.0 + x1 * l1[2] + x2 * l2[2]);
            x[3] = static_cast<float>(0.0 + x0 * l0[3] + x1 * l1[3] + x2 * l2[3] + x3);
        }
    }
    return m;
}

Matrix4 Robot::fk(int n) const
{
    const std::array<float, 6> q = jointValues();
    float model[6];
    robotToDH(angleType, q.data(), model);
    return fkOf(model, n);
}

Matrix4 Robot::tcpBase() const
{
    return calc.product(fk(6), HT);
}

namespace {

// Exactly the identity (a zero of either sign counts as zero).
bool isIdentity(const Matrix4 &m)
{
    for (int k = 0; k < 16; ++k)
        if (m[std::size_t(k)] != ((k % 5 == 0) ? 1.0f : 0.0f))
            return false;
    return true;
}

} // namespace

Matrix4 Robot::tcpWorld() const
{
    // Without a tool and with World at the base both products would give
    // fk(6) back bit for bit (its sums hold no negative zero), so they are
    // skipped: that is every line of a plain velkari-kin fk batch.
    if (isIdentity(HB) && isIdentity(HT))
        return fk(6);
    return calc.product(calc.rigidInverse(HB), fk(6), HT);
}

Matrix4 Robot::tcpScene() const
{
    return calc.product(placement, fk(6), HT);
}

Pose6 Robot::tcpPose(int convention) const
{
    return calc.matrixToPose(tcpWorld(), convention);
}

void Robot::sceneExtent(double *radius, float *centre) const
{
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (const Joint &j : joints) {
        const auto &b = j.getBox();
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min({lo[c], b[c], b[3 + c]});
            hi[c] = std::max({hi[c], b[c], b[3 + c]});
        }
    }
    double diag = 0.0;
    for (int c = 0; c < 3; ++c)
        diag += double(hi[c] - lo[c]) * (hi[c] - lo[c]);
    *radius = 0.5 * std::sqrt(diag) * cadScale;
    // The box is in CAD coordinates; the camera wants robot-base coordinates.
    const Matrix4 base = toolbox::poseToMatrix(
        {cadBase[0], cadBase[1], cadBase[2], cadBase[3], cadBase[4], cadBase[5]},
        toolbox::EulerZYXRelative);
    double c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = (double(lo[k]) + hi[k]) / 2.0 * cadScale - base[4 * k + 3];
    for (int k = 0; k < 3; ++k)
        centre[k] = float(base[k] * c[0] + base[4 + k] * c[1] + base[8 + k] * c[2]);
}

// ---------------------------------------------------------------- inverse kinematics

bool Robot::hasSphericalWrist() const
{
    if (joints.size() < 7)
        return false;
    // Axes 4, 5 and 6 meet in one point, with the twists the closed form
    // is written for.
    const Joint &j4 = joints[4], &j5 = joints[5], &j6 = joints[6];
    return j5.getA() == 0 && j6.getA() == 0 && j5.getD() == 0.0f && j4.getAlpha() == -90 &&
           j5.getAlpha() == 90 && j6.getAlpha() == -90;
}

int Robot::doInverseKinematics(const Matrix4 &target, std::vector<IkConfiguration> &results) const
{
    results.clear();
    if (joints.size() < 7)
        return -1;
    // The closed form holds for every spherical wrist, whatever the angle
    // type says; a negative type only asks for the other solver when the
    // wrist is not spherical.
    if (angleType < 0 && !hasSphericalWrist())
        return nonSphericalWrist(target, results);
    return closedForm(target, results);
}

int Robot::closedForm(const Matrix4 &T, std::vector<IkConfiguration> &results) const
{
    const std::array<float, 6> current = jointValues();
    float seed[6];
    robotToDH(angleType, current.data(), seed);

    const Joint &J1 = joints[1], &J2 = joints[2], &J3 = joints[3], &J4 = joints[4];
    const float d1 = J1.getD(), d2 = J2.getD(), d4 = J4.getD(), d6 = joints[6].getD();
    const float a2 = float(J2.getA()), a3 = float(J3.getA()), a4 = float(J4.getA());
    const double th[6] = {joints[1].getTheta() * kDegToRad, joints[2].getTheta() * kDegToRad,
                          joints[3].getTheta() * kDegToRad, joints[4].getTheta() * kDegToRad,
                          joints[5].getTheta() * kDegToRad, joints[6].getTheta() * kDegToRad};

    // Wrist centre: back from the flange along its Z axis. The arm is solved
    // in double: near a stretched elbow the square root below turns rounding
    // of the inputs into visible angle errors.
    const double px = double(T[3]) - double(d6) * T[2];
    const double py = double(T[7]) - double(d6) * T[6];
    const double pz = double(T[11]) - double(d6) * T[10];

    // Axis 1.
    double phi[2];
    if (d2 == 0.0f) {
        if (std::fabs(px) + std::fabs(py) > 1e-10) {
            phi[0] = std::atan2(py, px);
            phi[1] = std::atan2(-py, -px);
        } else {
            // Wrist centre on axis 1: keep axis 1 where it is.
            phi[0] = seed[0] * kDegToRad + th[0];
            phi[1] = phi[0] + kPi;
        }
    } else {
        const double psi = std::atan2(py, px);
        const double r2 = double(px) * px + double(py) * py - double(d2) * d2;
        if (r2 < 0.0) {
            qCDebug(lcIk) << "No solutions even in the first part";
            return -1;
        }
        const double r = std::sqrt(r2);
        phi[0] = psi - std::atan2(d2, r);
        phi[1] = psi - std::atan2(d2, -r);
    }

    // Axis 3, then axis 2, for each axis-1 candidate.
    struct Arm
    {
        double q1, q2, q3;
        // Sines and cosines of the three link angles (theta + q).
        double s1, c1, s2, c2, s3, c3;
        bool checkReach;
    };
    Arm arms[4];
    int armCount = 0;
    const double zp = pz - d1;
    const double A = 2.0 * a3 * a4;
    const double B = 2.0 * a3 * d4;
    for (double f : phi) {
        const double sf = std::sin(f), cf = std::cos(f);
        const double rho = cf * px + sf * py - a2;
        const double K = rho * rho + zp * zp - double(a3) * a3 - double(d4) * d4 - double(a4) * a4;
        double sc[2][2];
        bool clamped = false;
        int n = 0;
        if (A == 0.0) {
            if (B != 0.0) {
                const double s = -K / B;
                const double rad = 1.0 - s * s;
                const double c = rad > 0.0 ? std::sqrt(rad) : 0.0;
                clamped = rad <= 0.0;
                sc[0][0] = s;
                sc[0][1] = c;
                sc[1][0] = s;
                sc[1][1] = -c;
                n = 2;
            }
        } else {
            const double KA = K / A, BA = B / A;
            const double F = -2.0 * K * BA / A;
            const double G = BA * BA + 1.0;
            const double delta =
                (2.0 * K * BA / A) * (2.0 * K * BA / A) - 4.0 * G * (KA * KA - 1.0);
            // A clearly negative discriminant means the wrist centre is out of
            // reach for this axis-1 candidate: no candidate, not a clamped one.
            if (delta >= -1e-6) {
                clamped = delta <= 0.0;
                const double root = delta > 0.0 ? std::sqrt(delta) : 0.0;
                const double sp = (F + root) / (2.0 * G);
                const double sm = (F - root) / (2.0 * G);
                sc[0][0] = sp;
                sc[0][1] = (B * sp + K) / A;
                sc[1][0] = sm;
                sc[1][1] = (B * sm + K) / A;
                n = 2;
            }
        }
        for (int k = 0; k < n; ++k) {
            const double s = sc[k][0], c = sc[k][1];
            if (!(std::fabs(s) < 1.0000000001))
                continue;
            const double t3 = std::atan2(s, c);
            const double n3 = std::sqrt(s * s + c * c);
            if (!(n3 > 0.0))
                continue;
            const double c3 = c / n3, s3 = s / n3;
            const double u = a4 * c3 + a3 - d4 * s3;
            const double v = d4 * c3 + a4 * s3;
            // [[rho, z'], [-z', rho]] (x, y) = (u, v)
            const double det = rho * rho + zp * zp;
            if (!(det > 0.0))
                continue; // wrist centre on axis 2
            const double x = (rho * u - zp * v) / det;
            const double y = (zp * u + rho * v) / det;
            const double t2 = std::atan2(x, y);
            // The link-2 angle is t2 - 90 degrees.
            const double n = std::sqrt(x * x + y * y);
            arms[armCount++] = {
                f - th[0], t2 - kPi / 2 - th[1], t3 - th[2], sf, cf, -y / n, x / n, s3, c3,
                clamped};
        }
    }
    if (armCount == 0) {
        qCDebug(lcIk) << "No solutions even in the first part";
        return -1;
    }

    // Wrist, two solutions per arm (one when singular). R03 is built from the
    // sines and cosines the arm already has, so no trigonometry is repeated.
    double sa[3], ca[3];
    for (int k = 0; k < 3; ++k)
    {
        sa[k] = joints[std::size_t(k + 1)].linkConstants().twistSin;
        ca[k] = joints[std::size_t(k + 1)].linkConstants().twistCos;
    }
    std::array<float, 6> sols[8];
    int count = 0;
    for (int i = 0; i < armCount; ++i) {
        const Arm &arm = arms[i];
        double r03[9];
        {
            double l1[9], l2[9], l3[9], t[9];
            linkRotation(sa[0], ca[0], arm.s1, arm.c1, l1);
            linkRotation(sa[1], ca[1], arm.s2, arm.c2, l2);
            linkRotation(sa[2], ca[2], arm.s3, arm.c3, l3);
            mul3x3(l1, l2, t);
            mul3x3(t, l3, r03);
        }
        // Rotation of T03^-1 T: columns of R03 against columns of T.
        auto r = [&](int row, int col) {
            return r03[row - 1] * T[col - 1] + r03[3 + row - 1] * T[4 + col - 1] +
                   r03[6 + row - 1] * T[8 + col - 1];
        };
        const double r11 = r(1, 1), r12 = r(1, 2), r13 = r(1, 3), r23 = r(2, 3), r31 = r(3, 1),
                     r32 = r(3, 2), r33 = r(3, 3);
        // The wrist bend's sine from the two other elements of the column:
        // sqrt(1 - r23^2) loses its precision exactly where it matters, near
        // the singular wrist.
        const double s = std::sqrt(r13 * r13 + r33 * r33);
        auto addSolution = [&](double t4, double t5, double t6) {
            std::array<float, 6> q{
                float(arm.q1 * kToDegrees),       float(arm.q2 * kToDegrees),
                float(arm.q3 * kToDegrees),       float((t4 - th[3]) * kToDegrees),
                float((t5 - th[4]) * kToDegrees), float((t6 + kPi - th[5]) * kToDegrees)};
            if (arm.checkReach) {
                // Candidates from a clamped root must still reach the target.
                const Matrix4 f = fkOf(q.data());
                for (int e = 0; e < 12; ++e) {
                    const float tol = (e % 4 == 3) ? 0.05f : 1e-3f;
                    if (std::fabs(f[e] - T[e]) > tol)
                        return;
                }
            }
            sols[count++] = q;
        };
        // Axes 5 and 6 follow from axis 4: R = R4(t4) R5(t5) R6(t6) gives
        // sin t5 = s4 r33 - c4 r13 and the angle of axis 6 from the first two
        // columns. Taken this way the three angles always rebuild R, even
        // where axis 4 is poorly defined next to the singular wrist.
        auto addWrist = [&](double t4) {
            const double s4 = std::sin(t4), c4 = std::cos(t4);
            const double t5 = std::atan2(s4 * r33 - c4 * r13, r23);
            const double t6 = std::atan2(s4 * r11 + c4 * r31, s4 * r12 + c4 * r32);
            addSolution(t4, t5, t6);
        };
        if (s > kWristNoise) {
            // Solution B is solution A with the wrist turned over: axes 4
            // and 6 half a turn round, axis 5 mirrored.
            const double t4a = std::atan2(r33, -r13);
            addWrist(t4a);
            addWrist(halfTurn(t4a));
        } else {
            // Singular to rounding noise: axis 4 stays where it is.
            addWrist(seed[3] * kDegToRad + th[3]);
        }
    }
    return finishList(sols, count, seed, results);
}

namespace {

// The value v + 360 m (|m| <= kMaxTurns) that lies within [lo, hi]: with
// `nearest`, the one closest to `target`; otherwise v itself when it fits,
// else the smallest turn, -360 tried before +360. False when none fits.
bool fitTurn(float v, float lo, float hi, bool nearest, float target, float &out)
{
    if (!nearest && within(v, lo, hi)) {
        out = v;
        return true;
    }
    bool found = false;
    float bestDistance = 0.0f;
    for (int m = 0; m <= Robot::kMaxTurns; ++m) {
        const float down = v - 360.0f * float(m), up = v + 360.0f * float(m);
        // Further turns only move further out.
        if (down < lo && up > hi)
            break;
        for (float w : {down, up}) {
            if (!within(w, lo, hi))
                continue;
            if (!nearest) {
                out = w;
                return true;
            }
            const float d = std::fabs(w - target);
            if (!found || d < bestDistance) {
                found = true;
                bestDistance = d;
                out = w;
            }
        }
    }
    return found;
}

} // namespace

int Robot::finishList(const std::array<float, 6> *basic, int count, const float *seedModel,
                      std::vector<IkConfiguration> &results) const
{
    // Limits are robot joint values, so everything below works on robot
    // values: a model angle measured the other way round or from the
    // horizontal would be judged against the wrong range.
    float L[6], U[6];
    for (int k = 0; k < 6; ++k) {
        L[k] = float(joints[std::size_t(k + 1)].getLiminf());
        U[k] = float(joints[std::size_t(k + 1)].getLimsup());
    }
    const std::array<float, 6> seed = jointValues();
    const bool coupled = angleType == 2 || angleType == 4;
    // Axis 3 of a coupled arm has a range that moves with axis 2.
    auto range = [&](const std::array<float, 6> &q, int k, float &lo, float &hi) {
        lo = L[k];
        hi = U[k];
        if (coupled && k == 2) {
            const float shift = angleType == 2 ? -q[1] : q[1];
            lo += shift;
            hi += shift;
        }
    };

    for (int i = 0; i < count; ++i) {
        std::array<float, 6> q;
        dhToRobot(angleType, basic[i].data(), q.data());
        bool valid = true;
        for (int k = 0; k < 6 && valid; ++k) {
            const std::size_t ks = std::size_t(k);
            float lo, hi;
            range(q, k, lo, hi);
            // Axes 1, 4 and 6 get every whole-turn variant below; on the
            // others the turn nearest to the current value is the one that
            // lets a jog go on past +-180 degrees.
            const bool nearest = k == 1 || k == 2 || k == 4;
            valid = std::isfinite(q[ks]) && fitTurn(q[ks], lo, hi, nearest, seed[ks], q[ks]);
        }
        if (!valid)
            continue;
        // A singular arm or wrist can give the same configuration twice.
        const bool duplicate =
            std::any_of(results.begin(), results.end(), [&q](const IkConfiguration &c) {
                for (std::size_t k = 0; k < 6; ++k)
                    if (std::fabs(c.q[k] - q[k]) > kSameConfiguration)
                        return false;
                return true;
            });
        if (duplicate)
            continue;
        IkConfiguration c;
        c.q = q;
        c.valid = true;
        c.basic = true;
        results.push_back(c);
    }
    if (results.empty()) {
        qCDebug(lcIk) << "No original solutions";
        return -1;
    }

    // Every multiple of 360 degrees on axes 1, 4 and 6 that stays within the
    // limits, +360 before -360.
    for (int axis : {0, 3, 5}) {
        const std::size_t present = results.size();
        for (std::size_t i = 0; i < present; ++i) {
            for (int m = 1; m <= kMaxTurns; ++m) {
                const float up = results[i].q[std::size_t(axis)] + 360.0f * float(m);
                const float down = results[i].q[std::size_t(axis)] - 360.0f * float(m);
                if (up > U[axis] && down < L[axis])
                    break;
                for (float v : {up, down}) {
                    if (within(v, L[axis], U[axis])) {
                        IkConfiguration c = results[i];
                        c.q[std::size_t(axis)] = v;
                        c.basic = false;
                        results.push_back(c);
                    }
                }
            }
        }
    }

    int chosen = -1;
    float best = 1e9f;
    float bestAxis2 = 0.0f;
    for (std::size_t i = 0; i < results.size(); ++i) {
        float worst = 0.0f;
        for (std::size_t k = 0; k < 6; ++k)
            worst = std::max(worst, std::fabs(results[i].q[k] - seed[k]));
        if (worst < best) {
            best = worst;
            chosen = int(i);
            bestAxis2 = std::fabs(results[i].q[1] - seed[1]);
        }
    }
    if (chosen >= 0) {
        results[std::size_t(chosen)].chosen = true;
        results[std::size_t(chosen)].near = best < 91.0f && bestAxis2 < 10.0f;
    }

    if (lcIk().isDebugEnabled()) {
        qCDebug(lcIk) << "Chosen: " << chosen;
        qCDebug(lcIk) << "qAprox = []" << seedModel[0] << seedModel[1] << seedModel[2]
                      << seedModel[3] << seedModel[4] << seedModel[5];
        if (chosen >= 0) {
            const auto &q = results[std::size_t(chosen)].q;
            qCDebug(lcIk) << "chosen = []" << q[0] << q[1] << q[2] << q[3] << q[4] << q[5];
        }
    }
    return chosen;
}

// Closed form for arms whose wrist is not spherical: axes 2, 3 and 4
// parallel (alpha of axes 3 and 4 zero), axes 2 and 5 at right angles to
// their predecessors, and the flange on axis 6 (a of axis 6 zero). Up to
// eight configurations: two for axis 1 (shoulder left or right), two for
// axis 5 (wrist up or down), two for axis 3 (elbow up or down).
int Robot::nonSphericalWrist(const Matrix4 &T, std::vector<IkConfiguration> &results) const
{
    const std::array<float, 6> current = jointValues();
    float seed[6];
    robotToDH(angleType, current.data(), seed);

    const Joint &J1 = joints[1], &J2 = joints[2], &J3 = joints[3], &J4 = joints[4], &J5 = joints[5],
                &J6 = joints[6];
    const double al2 = J2.getAlpha() * kDegToRad, al5 = J5.getAlpha() * kDegToRad,
                 al6 = J6.getAlpha() * kDegToRad;
    const double sa2 = std::sin(al2), sa5 = std::sin(al5), ca5 = std::cos(al5), sa6 = std::sin(al6),
                 ca6 = std::cos(al6);
    if (J3.getAlpha() != 0 || J4.getAlpha() != 0 || J6.getA() != 0 || std::fabs(sa2) < 0.5 ||
        std::fabs(sa5 * sa6) < 0.25) {
        qCWarning(lcIk) << "This arm's geometry is outside what the solver for non-spherical "
                           "wrists handles";
        return -1;
    }
    const double th[6] = {J1.getTheta() * kDegToRad, J2.getTheta() * kDegToRad,
                          J3.getTheta() * kDegToRad, J4.getTheta() * kDegToRad,
                          J5.getTheta() * kDegToRad, J6.getTheta() * kDegToRad};
    const double a3 = J3.getA(), a4 = J4.getA();

    // Remove the constant part of link 1 (twist, a and d of axis 1), so that
    // what is left starts with the rotation of axis 1 about Z.
    const Matrix4 c1 = calc.linkMatrix(float(J1.getAlpha()), float(J1.getA()), 0.0f, J1.getD());
    const Matrix4 Tp = calc.product(calc.rigidInverse(c1), T);
    // Wrist point: origin of frame 5, back from the flange along its Z axis.
    const double d6 = J6.getD();
    const double px = Tp[3] - d6 * Tp[2], py = Tp[7] - d6 * Tp[6];
    const double zx = Tp[2], zy = Tp[6], zz = Tp[10]; // flange Z axis
    const double xx = Tp[0], xy = Tp[4], xz = Tp[8];  // flange X axis
    const double yx = Tp[1], yy = Tp[5], yz = Tp[9];  // flange Y axis
    (void)xz;
    (void)yz;
    // Twists of axes 5 and 6 at right angles (every arm of this kind).
    const bool rightAngles =
        std::fabs(ca5 * ca6) < 1e-9 && std::fabs(std::fabs(sa5 * sa6) - 1.0) < 1e-9;

    // Offset of the wrist point from the arm plane, along the common axis
    // direction of axes 2-4, which in frame 1 is (0, -sin alpha2, cos alpha2).
    const double offset = double(J2.getD()) + J3.getD() + J4.getD() + J5.getD() * ca5;
    const double delta = -sa2 * offset; // y of the wrist point in frame 1
    const double r2 = px * px + py * py;
    if (r2 < delta * delta || r2 == 0.0) {
        qCDebug(lcIk) << "No solutions even in the first part";
        return -1;
    }
    const double r = std::sqrt(r2);
    const double psi = std::atan2(py, px);
    double ratio = std::clamp(delta / r, -1.0, 1.0);
    // The wrist point on the cylinder of the offset (to what a float pose can
    // tell): the two shoulder configurations are one.
    const bool onCylinder = 1.0 - std::fabs(ratio) < kArmNoise;
    if (onCylinder)
        ratio = ratio > 0.0 ? 1.0 : -1.0;
    const double as = std::asin(ratio);
    const double t1c[2] = {psi - as, psi - kPi + as};

    const Matrix4 c2 = calc.linkMatrix(float(J2.getAlpha()), float(J2.getA()), 0.0f, J2.getD());
    std::array<float, 6> sols[8];
    int count = 0;
    for (int shoulder = 0; shoulder < (onCylinder ? 1 : 2); ++shoulder) {
        const double t1 = t1c[shoulder];
        // Normal of the arm plane (direction of axes 2-4) in frame 0'.
        const double s1 = std::sin(t1), c1v = std::cos(t1);
        // RotZ(t1) (0, -sa2, 0)  (cos alpha2 is zero for a right-angle twist)
        const double nx = sa2 * s1, ny = -sa2 * c1v;
        // The part of the planar product that depends on axis 1 only.
        const Matrix4 rz1 = calc.linkMatrix(0.0f, 0.0f, float(t1 * kRadToDeg), 0.0f);
        const Matrix4 armSide = calc.product(calc.rigidInverse(calc.product(rz1, c2)), Tp);
        const double zn = zx * nx + zy * ny;
        const double xn = xx * nx + xy * ny;
        const double yn = yx * nx + yy * ny;
        // z6 . n = cos(t5) (-sa5 sa6) + ca5 ca6
        double c5 = (zn - ca5 * ca6) / (-sa5 * sa6);
        if (c5 > 1.0 + 1e-6 || c5 < -1.0 - 1e-6)
            continue;
        c5 = std::clamp(c5, -1.0, 1.0);
        double s5abs;
        if (rightAngles) {
            // |sin t5| is the sine of the angle between the flange Z axis and
            // n: from their cross product it keeps its precision next to the
            // singular wrist, where sqrt(1 - c5^2) is rounding noise.
            const double cx = -zz * ny, cy = zz * nx, cz = zx * ny - zy * nx;
            s5abs = std::sqrt(cx * cx + cy * cy + cz * cz) / std::sqrt(nx * nx + ny * ny);
        } else {
            s5abs = std::sqrt(std::max(0.0, 1.0 - c5 * c5));
        }
        // At the singular wrist both signs give one configuration.
        if (s5abs <= kWristNoise)
            s5abs = 0.0;
        const int wristCount = s5abs > 0.0 ? 2 : 1;
        for (int w = 0; w < wristCount; ++w) {
            const double s5 = w == 0 ? s5abs : -s5abs;
            const double t5 = std::atan2(s5, c5);
            double t6;
            // (x6.n, y6.n) is (X + iY) turned by -t6, with X, Y from axis 5.
            const double X = sa5 * s5;
            const double Y = ca6 * sa5 * c5 + sa6 * ca5;
            if (std::fabs(X) <= kWristNoise && std::fabs(Y) <= kWristNoise)
                t6 = seed[5] * kDegToRad + th[5]; // wrist singular: keep axis 6
            else
                t6 = std::atan2(Y, X) - std::atan2(yn, xn);

            // Planar part: N = C2^-1 RotZ(t1)^-1 T' T6^-1 T5^-1 = RotZ(t2) T3 T4.
            const Matrix4 t5m = calc.linkMatrix(float(J5.getAlpha()), float(J5.getA()),
                                                float(t5 * kRadToDeg), J5.getD());
            const Matrix4 t6m = calc.linkMatrix(float(J6.getAlpha()), float(J6.getA()),
                                                float(t6 * kRadToDeg), J6.getD());
            const Matrix4 N =
                calc.product(armSide, calc.rigidInverse(calc.product(t5m, t6m)));
            const double x = N[3], y = N[7];
            double c3 = (x * x + y * y - a3 * a3 - a4 * a4) / (2.0 * a3 * a4);
            if (c3 > 1.0 + 1e-6 || c3 < -1.0 - 1e-6 || !std::isfinite(c3))
                continue;
            c3 = std::clamp(c3, -1.0, 1.0);
            // A straight elbow (to what a float pose can tell) is one
            // configuration, exactly straight.
            const bool straight = 1.0 - std::fabs(c3) < kArmNoise;
            if (straight)
                c3 = c3 > 0.0 ? 1.0 : -1.0;
            const double s3abs = straight ? 0.0 : std::sqrt(std::max(0.0, 1.0 - c3 * c3));
            for (int e = 0; e < (straight ? 1 : 2); ++e) {
                const double s3 = e == 0 ? s3abs : -s3abs;
                const double t3 = std::atan2(s3, c3);
                const double t2 = std::atan2(y, x) - std::atan2(a4 * s3, a3 + a4 * c3);
                const double t234 = std::atan2(N[4], N[0]);
                const double t4 = t234 - t2 - t3;
                auto wrap = [](double a) { return std::remainder(a, 2.0 * kPi); };
                std::array<float, 6> q{
                    float(wrap(t1 - th[0]) * kToDegrees), float(wrap(t2 - th[1]) * kToDegrees),
                    float(wrap(t3 - th[2]) * kToDegrees), float(wrap(t4 - th[3]) * kToDegrees),
                    float(wrap(t5 - th[4]) * kToDegrees), float(wrap(t6 - th[5]) * kToDegrees)};
                // Near the boundaries of the clamps a configuration may
                // miss; only those that reach the target are listed.
                const Matrix4 f = fkOf(q.data());
                bool reaches = true;
                for (int e = 0; e < 12 && reaches; ++e)
                    reaches = std::fabs(f[e] - T[e]) <= ((e % 4 == 3) ? 0.05f : 1e-3f);
                if (reaches && count < 8)
                    sols[count++] = q;
            }
        }
    }
    if (count == 0) {
        qCDebug(lcIk) << "No solutions even in the first part";
        return -1;
    }
    return finishList(sols, count, seed, results);
}

Matrix4 Robot::solveWorldPose(const Matrix4 &worldTcp, std::vector<IkConfiguration> &results,
                              int *chosen) const
{
    Matrix4 target;
    if (isIdentity(HB) && isIdentity(HT)) {
        // What the products with identities give: the pose itself, a
        // negative zero turned positive.
        for (std::size_t k = 0; k < 16; ++k)
            target[k] = worldTcp[k] + 0.0f;
    } else {
        target = calc.product(HB, worldTcp, calc.rigidInverse(HT));
    }
    const int c = doInverseKinematics(target, results);
    if (chosen)
        *chosen = c;
    return target;
}

int Robot::solveCurrentPose(std::vector<IkConfiguration> &results) const
{
    return doInverseKinematics(fk(6), results);
}

Matrix4 Robot::jogStep(const Matrix4 &P, const Matrix4 &dM, std::vector<IkConfiguration> &results,
                       int *chosen, int mode) const
{
    auto rotationOf = [](const Matrix4 &m) {
        Matrix4 r = m;
        r[3] = r[7] = r[11] = 0.0f;
        return r;
    };
    Matrix4 next;
    switch (mode) {
    case 1: {
        const Matrix4 R = rotationOf(P);
        next = calc.product(calc.product(P, calc.transpose(R)), dM, R);
        break;
    }
    case 2: {
        const Matrix4 R = rotationOf(calc.product(calc.rigidInverse(HB), P));
        next = calc.product(calc.product(P, calc.transpose(R)), dM, R);
        break;
    }
    default:
        next = calc.product(P, dM);
        break;
    }
    const int c = doInverseKinematics(calc.product(next, calc.rigidInverse(HT)), results);
    if (chosen)
        *chosen = c;
    return calc.product(calc.rigidInverse(HB), next);
}

Matrix4 Robot::jogFromCurrent(const Matrix4 &dM, std::vector<IkConfiguration> &results, int *chosen,
                              int mode) const
{
    return jogStep(tcpBase(), dM, results, chosen, mode);
}

ConfData Robot::configurationData(const float *robotValues) const
{
    ConfData cd;
    if (joints.size() < 7)
        return cd;
    // The bits describe the arm's geometry, so they are taken from the
    // model angles of the robot's own angle type.
    float model[6];
    robotToDH(angleType, robotValues, model);
    double t[6], tdeg[6];
    for (int k = 0; k < 6; ++k) {
        t[k] = model[k] * kDegToRad + joints[std::size_t(k + 1)].getTheta() * kDegToRad;
        tdeg[k] = t[k] * kRadToDeg;
    }
    const double a2 = joints[2].getA(), a3 = joints[3].getA(), a4 = joints[4].getA();
    const double d4 = joints[4].getD();
    const double w =
        a2 + a3 * std::cos(t[1]) + a4 * std::cos(t[1] + t[2]) - d4 * std::sin(t[1] + t[2]);
    const int b1 = w < 0.0 ? 1 : 0;
    const int b2 = (std::atan2(a4, d4) * kRadToDeg - 90.0 > tdeg[2]) ? 1 : 0;
    const int b3 = tdeg[4] < 0.0 ? 1 : 0;
    cd.cf1 = float(std::floor(robotValues[0] / 90.0));
    cd.cf4 = float(std::floor(robotValues[3] / 90.0));
    cd.cf6 = float(std::floor(robotValues[5] / 90.0));
    cd.cfx = float(4 * b1 + 2 * b2 + b3);
    return cd;
}

void Robot::currentRobtarget(Matrix4 &columnPose, ConfData &conf) const
{
    columnPose = calc.transpose(tcpWorld());
    std::array<float, 6> q = jointValues();
    for (float &v : q)
        if (std::fabs(v) < 0.00001f)
            v = 0.0f;
    conf = configurationData(q.data());
}

int Robot::moveToRobtarget(const Matrix4 &columnPose, const ConfData &conf)
{
    std::vector<IkConfiguration> list;
    list.reserve(64);
    solveWorldPose(calc.transpose(columnPose), list);
    if (list.empty())
        return -3;
    auto close = [](float a, float b) { return std::fabs(a - b) < 0.1f; };
    for (IkConfiguration &c : list)
        for (float &v : c.q)
            if (std::fabs(v) < 0.00001f)
                v = 0.0f;
    for (const IkConfiguration &c : list) {
        const ConfData d = configurationData(c.q.data());
        if (close(d.cf1, conf.cf1) && close(d.cf4, conf.cf4) && close(d.cf6, conf.cf6) &&
            close(d.cfx, conf.cfx)) {
            setJointAngles(c.q);
            return 0;
        }
    }
    for (const IkConfiguration &c : list) {
        if (close(configurationData(c.q.data()).cfx, conf.cfx)) {
            setJointAngles(c.q);
            return -1;
        }
    }
    setJointAngles(list.front().q);
    return -2;
}

// ---------------------------------------------------------------- records
// Set_DK_Matrix and Set_DK_Matrix_v2 fill the blocks the data server and the
// numeric routines read; they live beside the server, in links/robotrecords.cpp.

// ---------------------------------------------------------------- display

void Robot::setFrameVisible(bool v, int index)
{
    if (index >= 0 && index < 9)
        frameFlags[std::size_t(index)] = v ? 1.0f : 0.0f;
}
