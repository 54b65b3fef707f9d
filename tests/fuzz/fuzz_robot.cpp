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
    // Whatever the geometry and the angle type, no listed configuration may
    // miss the pose: an arm the closed form is not written for gets fewer
    // configurations, never wrong ones.
    fuzz::checkIkReaches(robot, middle.data());
    const std::array<float, 6> zero{};
    fuzz::checkIkReaches(robot, zero.data());
    return 0;
}
