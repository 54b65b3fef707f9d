// The orientation of a target as each controller language writes it, and
// back. R is the rotation of the TCP frame in the robot's base frame, row by
// row (element k is row k / 3, column k % 3), as sequences::Frame holds it.
//
//   KUKA KRL        A, B, C (degrees)       R = Rz(A) Ry(B) Rx(C)
//   FANUC LS        W, P, R (degrees)       R = Rz(R) Ry(P) Rx(W)  (fixed X, Y, Z)
//   Yaskawa INFORM  Rx, Ry, Rz (degrees)    R = Rz(Rz) Ry(Ry) Rx(Rx)
//   Staubli VAL3    rx, ry, rz (degrees)    R = Rx(rx) Ry(ry) Rz(rz)
//   UR script       rx, ry, rz (radians)    rotation vector: axis times angle
//
// Angles come out in (-180, 180], the middle one in [-90, 90]. Where the
// middle angle is +-90 degrees only the sum or difference of the other two is
// fixed: the first one written (A; R for FANUC, Rz for Yaskawa; rx for
// VAL3) is then 0. A rotation vector's angle is in [0, pi]; at pi the axis
// points into the half-space of positive x (then y, then z).
#pragma once

#include <array>

namespace controllers {

using Rotation = std::array<double, 9>;
using Angles = std::array<double, 3>;

// Angles as each language writes them, in the order it writes them.
Angles kukaABC(const Rotation &r);
Angles fanucWPR(const Rotation &r);
Angles yaskawaRxRyRz(const Rotation &r);
Angles val3RxRyRz(const Rotation &r);
Angles urRotationVector(const Rotation &r); // radians

Rotation fromKukaABC(const Angles &abc);
Rotation fromFanucWPR(const Angles &wpr);
Rotation fromYaskawaRxRyRz(const Angles &xyz);
Rotation fromVal3RxRyRz(const Angles &xyz);
Rotation fromUrRotationVector(const Angles &v); // radians

} // namespace controllers
