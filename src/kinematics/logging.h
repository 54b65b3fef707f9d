// Logging categories of the kinematics library and the file readers.
//
// The categories on the hot paths (matrix conversions, inverse kinematics,
// path analysis) start with debug output switched off, so a Cartesian jog
// does not format text nobody reads; switch them on with
// QT_LOGGING_RULES="velkari.ik.debug=true" or QLoggingCategory::setFilterRules.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMatrix) // velkari.matrix, debug off by default
Q_DECLARE_LOGGING_CATEGORY(lcIk)     // velkari.ik, debug off by default
Q_DECLARE_LOGGING_CATEGORY(lcJoint)  // velkari.joint
Q_DECLARE_LOGGING_CATEGORY(lcRobot)  // velkari.robot
Q_DECLARE_LOGGING_CATEGORY(lcXml)    // velkari.xml
Q_DECLARE_LOGGING_CATEGORY(lcTool)   // velkari.tool
Q_DECLARE_LOGGING_CATEGORY(lcMesh)   // velkari.mesh
