#include "robotrecords.h"

#include "kinematics/chain.h"
#include "kinematics/robot.h"

#include <algorithm>

using toolbox::kDegToRad;

namespace {

// Properties the description does not hold, for a generic industrial arm
// (and one for the parallelogram arms of angle type 2): maximum joint speeds
// in degrees per second at 300-318, accelerations at 320-338, and the payload
// in kg at 400. Everything the description holds is written over them.
void defaultRecord(double *r, bool parallelogram)
{
    const double speed[kinematics::kAxes] = {250, 250, 250, 320, 320, 420};
    const double speedP[kinematics::kAxes] = {180, 180, 185, 360, 360, 600};
    for (int k = 0; k < kinematics::kAxes; ++k) {
        r[300 + k] = parallelogram ? speedP[k] : speed[k];
        r[320 + k] = 4.0 * r[300 + k];
    }
    r[400] = parallelogram ? 50.0 : 3.0;
}

// A link's alpha, a, theta (radians) and d, as both blocks lay them out.
void writeLink(const Joint &j, double *p)
{
    p[0] = j.getAlpha() * kDegToRad;
    p[1] = j.getA();
    p[2] = j.getTheta() * kDegToRad;
    p[3] = j.getD();
}

} // namespace

namespace robotrecords {

void fillParameterBlock(const Robot &robot, double *block)
{
    std::fill(block, block + Robot::kParameterBlockSize, 0.0);
    const std::vector<Joint> &joints = robot.getJoints();
    if (joints.size() < std::size_t(kinematics::kElements))
        return;
    block[19] = robot.getAngleType();
    for (int i = 1; i <= kinematics::kAxes; ++i) {
        const Joint &j = joints[std::size_t(i)];
        writeLink(j, block + 60 + 6 * (i - 1));
        block[180 + (i - 1)] = j.getLiminf();
        block[210 + (i - 1)] = j.getLimsup();
    }
    std::copy(block, block + Robot::kParameterBlockSize / 2,
              block + Robot::kParameterBlockSize / 2);
}

void fillRobotRecord(const Robot &robot, double *DK)
{
    const int angleType = robot.getAngleType();
    const std::vector<Joint> &joints = robot.getJoints();
    std::fill(DK, DK + Robot::kRobotRecordSize, 0.0);
    defaultRecord(DK, angleType == 2);
    if (joints.size() < std::size_t(kinematics::kElements))
        return;
    if (angleType >= 0)
        DK[61] = angleType;
    for (int k = 160; k <= 165; ++k)
        DK[k] = 0.0;
    for (int k = 180; k <= 185; ++k)
        DK[k] = 0.0;
    if (angleType == 2)
        DK[182] = -joints[1].getD();
    for (int i = 1; i <= kinematics::kAxes; ++i) {
        const Joint &j = joints[std::size_t(i)];
        double *p = DK + 200 + 20 * (i - 1);
        writeLink(j, p);
        p[4] = 0.0;
        p[5] = 0.0;
        DK[600 + i - 1] = DK[640 + i - 1] = j.getLiminf();
        DK[620 + i - 1] = DK[660 + i - 1] = j.getLimsup();
    }
    for (int k = 560; k <= 565; ++k)
        DK[k] = 0.0;
    std::copy(DK, DK + Robot::kRobotRecordSize / 2, DK + Robot::kRobotRecordSize / 2);
}

} // namespace robotrecords

// The robot's slots by their own names.

void Robot::Set_DK_Matrix(double *parameterBlock)
{
    robotrecords::fillParameterBlock(*this, parameterBlock);
}

void Robot::Set_DK_Matrix_v2(double *robotRecord)
{
    robotrecords::fillRobotRecord(*this, robotRecord);
}
