#include "robots.h"

#include "kinematics/robot.h"
#include "models/datadirs.h"

#include <QFile>

namespace support {

QString shippedRobot(const QString &fileName)
{
    return DataDirs::robotDir() + fileName;
}

bool loadShipped(Robot &robot, const QString &fileName)
{
    return robot.loadData(QFile::encodeName(shippedRobot(fileName)).constData()) == 0
           && robot.isLoaded();
}

QString robotTable()
{
    return QStringLiteral(VELKARI_ROBOT_TABLE);
}

} // namespace support
