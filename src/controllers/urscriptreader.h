// Universal Robots script read back.
//
// Read, in the order written (branches and loops are not followed: every
// move once): movej, movel, movep (as a straight line) and movec to poses
// p[x, y, z, rx, ry, rz] (metres, rotation vector in radians), to joint
// lists [q1, ..., q6] (radians), to get_inverse_kin(pose, qnear=q) (the
// configuration nearest to q, which is how a program pins it), or to
// variables holding any of these (global, local or plain assignments);
// set_tcp(pose) wherever it stands; v (m/s for movel, movep and movec) and
// r (m) as speed and corner. Expressions of numbers (+ - * /, pi, d2r, r2d)
// and pose_trans, pose_inv and pose_add of known poses are evaluated.
//
// A pose alone leaves the configuration to the controller, which takes the
// one nearest to where the arm stands; so does this reader. Skipped, with
// the line and why: moves whose target is not known from the script (the
// arm's own pose, a computed value), servoj and speedj moves.
#pragma once

#include "controllers/programreading.h"

namespace controllers {

ReadProgram readUrScript(const QString &text);

} // namespace controllers
