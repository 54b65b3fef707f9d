#include "logging.h"

Q_LOGGING_CATEGORY(lcMatrix, "velkari.matrix", QtInfoMsg)
Q_LOGGING_CATEGORY(lcIk, "velkari.ik", QtInfoMsg)
Q_LOGGING_CATEGORY(lcJoint, "velkari.joint")
Q_LOGGING_CATEGORY(lcRobot, "velkari.robot")
Q_LOGGING_CATEGORY(lcXml, "velkari.xml")
Q_LOGGING_CATEGORY(lcTool, "velkari.tool")
Q_LOGGING_CATEGORY(lcMesh, "velkari.mesh")
