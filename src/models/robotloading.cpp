// The robot's members that read files or touch its tool. They live with the
// readers so that the kinematics includes nothing above itself: Robot holds
// its Tool without knowing the type, and only this file needs it whole.

#include "kinematics/chain.h"
#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "tool.h"
#include "xml.h"

#include <QDebug>
#include <QFileInfo>

void Robot::ToolDeleter::operator()(Tool *t) const
{
    t->reset();
    delete t;
}

int Robot::loadData(const char *fileName)
{
    clearJoints();
    cadBase.fill(0.0f);
    cadOffsets.fill(0.0f);
    cadScale = 1.0f;
    angleType = 0;
    loadResult =
        xml::loadData(fileName, joints, cadBase.data(), &cadScale, cadOffsets.data(), &angleType);
    if (loadResult == 0 && joints.size() < std::size_t(kinematics::kElements)) {
        qCWarning(lcRobot).noquote() << QStringLiteral("The robot description %1 has %2 elements; "
                                                       "a robot needs the base and six axes")
                                            .arg(QString::fromUtf8(fileName))
                                            .arg(joints.size());
        loadResult = -1;
    }
    if (loadResult == -1)
        qCDebug(lcRobot) << "Geometry is not considered as it has not been loaded correctly";
    else
        attachGeometry();
    filePath = QString::fromUtf8(fileName ? fileName : "");
    name = QFileInfo(filePath).fileName();
    return loadResult;
}

bool Robot::loadTool(const char *fileName)
{
    // Read whole before anything changes: a file that cannot be read must
    // not take off the tool that is mounted (nor mount an empty one).
    std::unique_ptr<Tool, ToolDeleter> fresh(new Tool());
    if (!fresh->load(fileName))
        return false;
    fresh->attach();
    tool = std::move(fresh);
    HT = toolbox::poseToMatrix(tool->getTcp(), toolbox::EulerZYXRelative);
    toolPath = QString::fromUtf8(fileName);
    hasTool = true;
    return true;
}

void Robot::removeTool()
{
    hasTool = false;
    tool.reset();
    HT = toolbox::identity();
    toolPath = QStringLiteral("EMPTY");
}

void Robot::toggleSmooth()
{
    for (Joint &j : joints) {
        if (smooth)
            j.computeFlatNormals();
        else
            j.computeSmoothNormals();
    }
    if (tool) {
        for (Joint &p : tool->getParts()) {
            if (smooth)
                p.computeFlatNormals();
            else
                p.computeSmoothNormals();
        }
    }
    smooth = !smooth;
}
