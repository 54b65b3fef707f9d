// Robots the tests share: the shipped descriptions by file name, and a
// description written from a link table for robots the data folders lack.
#pragma once

#include <QString>

class Robot;

namespace support {

// Absolute path of a description in CAD_Robots/ beside the test binaries.
QString shippedRobot(const QString &fileName);

// Loads a shipped description into `robot`; true when it loaded.
bool loadShipped(Robot &robot, const QString &fileName);

// Path of the library table of published robot data (tests/models/robots.json).
QString robotTable();

} // namespace support
