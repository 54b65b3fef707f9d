// The one gate every joint value passes before it reaches the simulated
// robot or a real controller: finite, and inside the loaded robot's travel
// limits, with axis 3's range moved by axis 2 for the coupled angle types
// (2 and 4). Whoever applies or forwards joint values - the player, the data
// server's arrays, the LAN link in both directions, the panel - asks here,
// so the rule cannot differ from one path to the next.
//
// Also the check of placement values a program may carry (tool, work object
// and object frames): finite once converted to the units they are used in.
#pragma once

#include <QString>

class Robot;

namespace jointlimits {

struct Verdict
{
    bool ok = true;
    int axis = 0;       // first offending axis, from 1; 0 when ok
    double value = 0.0; // its value (degrees)
    double lower = 0.0; // the range it had to be in (degrees); for axis 3 of a
    double upper = 0.0; // coupled robot, already moved by axis 2
    bool finite = true; // false when the value is NaN or infinite
};

// Six joint values in degrees, joint 1 first. A robot that is not loaded
// accepts nothing.
Verdict check(const Robot &robot, const double *six);
Verdict check(const Robot &robot, const float *six);
inline bool accepts(const Robot &robot, const float *six)
{
    return check(robot, six).ok;
}

// "axis 2: 3000 is outside -110 to 110" / "axis 1: nan is not a number" /
// "no robot is loaded".
QString describe(const Verdict &v);

// Six operands of a program's placement line: x, y, z in mm and three angles
// in radians, as the player turns them into a matrix (angles converted to
// degrees in single precision). True when every number stays finite there.
bool placementUsable(const double *operands);

} // namespace jointlimits
