#include "stationcell.h"

#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/objectmesh.h"
#include "stations/stationfile.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace kin {

std::string loadStationCell(const QString &file, Robot &robot, collision::CollisionWorld &world,
                            std::string &notes)
{
    const std::string name = QFile::encodeName(file).toStdString();
    Station station;
    QString message;
    const StationFile::Result read = StationFile::read(file, &station, &message);
    if (read == StationFile::CannotOpen)
        return "cannot read the station '" + name + "'";
    if (read != StationFile::Ok)
        return message.isEmpty() ? "'" + name + "' is no station" : message.toStdString();
    const int convention = toolbox::isEulerConvention(station.euler) ? station.euler : 0;
    bool loaded = false;
    for (const StationRobot &sr : station.robots) {
        const QByteArray path = QFile::encodeName(DataDirs::resolveStoredPath(sr.file));
        Robot candidate;
        if (candidate.loadData(path.constData()) != 0 || !candidate.isLoaded()) {
            notes += "the robot '" + sr.file.toStdString() + "' cannot be read\n";
            continue;
        }
        if (robot.loadData(path.constData()) != 0 || !robot.isLoaded())
            continue;
        loaded = true;
        robot.removeTool();
        if (sr.tool != QLatin1String("EMPTY")) {
            const QByteArray tool = QFile::encodeName(DataDirs::resolveStoredPath(sr.tool));
            if (!robot.loadTool(tool.constData()))
                notes += "the tool '" + sr.tool.toStdString() + "' cannot be read\n";
        }
        // As the window shows the World frame: two decimals.
        Pose6 pose;
        for (std::size_t k = 0; k < 6; ++k)
            pose[k] = float(std::round(sr.world[k] * 100.0) / 100.0);
        robot.setHB(toolbox::poseToMatrix(pose, convention));
        Matrix4 placement;
        for (std::size_t k = 0; k < 16; ++k)
            placement[k] = float(sr.placement[k]);
        robot.setPlacement(placement);
        if (sr.hasJoints) {
            float q[6];
            for (std::size_t k = 0; k < 6; ++k)
                q[k] = float(sr.joints[k]);
            robot.setJointAngles(q);
        }
    }
    if (!loaded)
        return "the station '" + name + "' holds no robot that can be read";
    world.clearObjects();
    world.setSafetyDistance(station.safetyDistance);
    QString why;
    if (!world.setRobot(robot, &why))
        return why.toStdString();
    int index = 0;
    for (const StationObject &so : station.objects) {
        ObjectEntry entry;
        QString refused;
        if (readObjectMesh(so.path, entry, &refused) != 0) {
            notes += "the object '" + so.name.toStdString() + "' cannot be read" +
                     (refused.isEmpty() ? std::string() : ": " + refused.toStdString()) + '\n';
            continue;
        }
        entry.name = so.name;
        entry.scale = float(so.scale);
        for (std::size_t k = 0; k < 16; ++k)
            entry.pose[k] = float(so.pose[k]);
        if (so.hasIgnore)
            world.setIgnoreMask(index, so.ignoreMask);
        why.clear();
        if (!world.setObject(index, entry, &why))
            notes += why.toStdString() + '\n';
        ++index;
    }
    return std::string();
}

} // namespace kin
