// The placement text of the robots and objects panels:
//   x " mm, " y " mm, " z " mm, " a "º, " b "º, " c "º"   (2 decimals)
// Units are optional when typing: six plain numbers separated by commas work.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <QString>

namespace placement {

QString toText(const Pose6 &pose);
// At most six comma-separated pieces; the part of pieces 0-2 before the
// first "m" and of pieces 3-5 before the first "º" is read as a number;
// anything that is not a number reads as 0.
Pose6 fromText(const QString &text);
// The strict reading every typed field uses: six finite numbers or nothing.
// False, with `*error` saying why, leaves `*pose` alone.
bool parse(const QString &text, Pose6 *pose, QString *error);

} // namespace placement
