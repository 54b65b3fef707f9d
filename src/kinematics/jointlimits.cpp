#include "jointlimits.h"

#include "kinematics/chain.h"
#include "kinematics/matrixtoolbox.h"
#include "kinematics/robot.h"

#include <cmath>

namespace jointlimits {

Verdict check(const Robot &robot, const double *six)
{
    Verdict v;
    if (!robot.isLoaded()) {
        v.ok = false;
        return v;
    }
    const int type = robot.getAngleType();
    const bool coupled = type == 2 || type == 4;
    for (int k = 0; k < 6; ++k) {
        const Joint &j = robot.joint(k + 1);
        double lower = j.getLiminf(), upper = j.getLimsup();
        if (coupled && k == 2) {
            // Axis 3's range follows axis 2 (already checked finite).
            const double shift = type == 2 ? -six[1] : six[1];
            lower += shift;
            upper += shift;
        }
        const double q = six[k];
        const bool finite = std::isfinite(q);
        // On the limit to within rounding is on it, as the solver judges.
        const double tolerance = double(kinematics::kLimitTolerance);
        if (!finite || !(q >= lower - tolerance && q <= upper + tolerance)) {
            v.ok = false;
            v.axis = k + 1;
            v.value = q;
            v.lower = lower;
            v.upper = upper;
            v.finite = finite;
            return v;
        }
    }
    return v;
}

Verdict check(const Robot &robot, const float *six)
{
    double d[6];
    for (int k = 0; k < 6; ++k)
        d[k] = double(six[k]);
    return check(robot, d);
}

QString describe(const Verdict &v)
{
    if (v.ok)
        return QString();
    if (v.axis == 0)
        return QStringLiteral("no robot is loaded");
    if (!v.finite)
        return QStringLiteral("axis %1: %2 is not a number").arg(v.axis).arg(v.value);
    return QStringLiteral("axis %1: %2 is outside %3 to %4")
        .arg(v.axis)
        .arg(v.value)
        .arg(v.lower)
        .arg(v.upper);
}

bool placementUsable(const double *o)
{
    const float toDeg = float(toolbox::kRadToDeg);
    for (int k = 0; k < 6; ++k) {
        if (!std::isfinite(o[k]))
            return false;
        // The player works in single precision: a number a double holds may
        // be infinite there, and an angle may become infinite in degrees.
        const float f = float(o[k]);
        if (!std::isfinite(f) || (k >= 3 && !std::isfinite(f * toDeg)))
            return false;
    }
    return true;
}

} // namespace jointlimits
