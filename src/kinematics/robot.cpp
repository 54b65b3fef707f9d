#include "robot.h"

#include "logging.h"

#include <QDebug>
#include <algorithm>
#include <cmath>

using toolbox::kDegToRad;
using toolbox::kRadToDeg;

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
    chainReady = false;
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

void Robot::robotToDH(int type, const float *in, float *out)
{
    kinematics::toModel(kinematics::angleRules(type), in, out);
}
void Robot::dhToRobot(int type, const float *in, float *out)
{
    kinematics::toRobot(kinematics::angleRules(type), in, out);
}
void Robot::robotToDH(int type, const double *in, double *out)
{
    kinematics::toModel(kinematics::angleRules(type), in, out);
}
void Robot::dhToRobot(int type, const double *in, double *out)
{
    kinematics::toRobot(kinematics::angleRules(type), in, out);
}

const kinematics::Chain &Robot::chain() const
{
    // Worked out once per description, on first use after a load.
    if (!chainReady) {
        kinematicChain = kinematics::makeChain(joints, angleType);
        chainReady = true;
    }
    return kinematicChain;
}

bool Robot::coupledLimits(const float *six, float *four)
{
    const kinematics::Chain &c = chain();
    if (!c.complete || !c.coupled)
        return false;
    setJointAngles(six);
    four[0] = c.lower[1];
    four[1] = c.upper[1];
    kinematics::axisRange(c, 2, six[1], four[2], four[3]);
    return true;
}

bool Robot::checkCoupledLimits(const float *six) const
{
    const kinematics::Chain &c = chain();
    if (!c.complete || !c.coupled)
        return true;
    float lo, hi;
    kinematics::axisRange(c, 2, six[1], lo, hi);
    return kinematics::withinLimits(six[1], c.lower[1], c.upper[1]) &&
           kinematics::withinLimits(six[2], lo, hi);
}

// ---------------------------------------------------------------- forward kinematics

Matrix4 Robot::fkOf(const float *model, int n) const
{
    return kinematics::forward(chain(), model, n);
}

Matrix4 Robot::fk(int n) const
{
    return kinematics::forwardFromJoints(chain(), jointValues().data(), n);
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
    return chain().sphericalWrist;
}

bool Robot::hasInverseKinematics() const
{
    return chain().solver != kinematics::Chain::Solver::None;
}

int Robot::doInverseKinematics(const Matrix4 &target, std::vector<IkConfiguration> &results) const
{
    return kinematics::solve(chain(), target, jointValues().data(), results);
}

int Robot::doInverseKinematics(const Matrix4 &target, const float *seed,
                               std::vector<IkConfiguration> &results) const
{
    return kinematics::solve(chain(), target, seed, results);
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
