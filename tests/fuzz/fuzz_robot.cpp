// Robot description files: whatever the reader accepts is a robot whose
// inverse kinematics lists only configurations that reach the pose asked.
#include "fuzzsupport.h"

#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "models/xml.h"

#include <QDir>
#include <QFile>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Link meshes are looked for in an empty CAD_Robots/: reading the shipped
    // ones at every run would leave no time for the description itself.
    static const QString path = [] {
        QDir(fuzz::scratchDir()).mkpath(QStringLiteral("bin"));
        QDir(fuzz::scratchDir()).mkpath(QStringLiteral("CAD_Robots"));
        DataDirs::setApplicationDirForTesting(fuzz::scratchDir() + QStringLiteral("/bin"));
        return QStringLiteral("CAD_Robots/fuzz.xml");
    }();
    const QByteArray file = QFile::encodeName(fuzz::writeScratch(path, data, size));

    RobotInfo info;
    const int infoResult = xml::loadInfo(file.constData(), info);
    Robot robot;
    if (robot.loadData(file.constData()) != 0 || !robot.isLoaded())
        return 0;
    // A description the robot loads is one the library lists.
    FUZZ_CHECK(infoResult == 0);

    // The pose half-way between the limits, and all joints at zero. Robots
    // whose numbers leave single precision nothing to work with (links of
    // kilometres, limits beyond a turn of thousands of degrees) are outside
    // what the solver promises.
    std::array<float, 6> middle{};
    for (int k = 1; k <= 6; ++k) {
        const Joint &j = robot.joint(k);
        if (!(std::fabs(j.getA()) <= 1e4 && std::fabs(j.getD()) <= 1e4 &&
              std::fabs(j.getLiminf()) <= 1e4 && std::fabs(j.getLimsup()) <= 1e4))
            return 0;
        middle[std::size_t(k - 1)] = float((j.getLiminf() + j.getLimsup()) / 2.0);
    }
    // The closed form (angle types from 0 up) is written for one geometry:
    // twists 0, -90, 0, -90, 90, -90, no a of axes 1, 5, 6 and no d of axes
    // 3 and 5. It reads no other parameter, so for any other arm its
    // configurations miss the pose, and only the numeric routine (negative
    // types) promises anything there.
    if (robot.getAngleType() >= 0) {
        const double twists[6] = {0, -90, 0, -90, 90, -90};
        for (int k = 1; k <= 6; ++k)
            if (robot.joint(k).getAlpha() != twists[k - 1])
                return 0;
        if (robot.joint(1).getA() != 0 || robot.joint(5).getA() != 0 ||
            robot.joint(6).getA() != 0 || robot.joint(3).getD() != 0 || robot.joint(5).getD() != 0)
            return 0;
    }
    fuzz::checkIkReaches(robot, middle.data());
    const std::array<float, 6> zero{};
    fuzz::checkIkReaches(robot, zero.data());
    return 0;
}
