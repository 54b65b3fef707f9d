// A station read for velkari-kin: its robot (with tool, placement, World
// frame and joints) and its objects, in a collision world, without a window.
#pragma once

#include "collision/collisionworld.h"

#include <QString>
#include <string>

class Robot;

namespace kin {

// Loads `file` into `robot` and `world` as the window would: the last robot
// record whose robot loads, its tool unless `toolOverride` names one, its
// World frame in the options record's convention, its placement; every
// object that can be read (the others, and objects that cannot be checked,
// are named in `notes`). Returns an empty text, or why the station cannot
// be used (the file is no station, it holds no robot that loads).
std::string loadStationCell(const QString &file, Robot &robot, collision::CollisionWorld &world,
                            std::string &notes);

} // namespace kin
