// Inverse kinematics on a chain: every joint configuration that puts the
// flange at a target pose, within the limits, with its whole-turn variants
// and the one nearest to a seed chosen. Pure: the seed is an argument, and
// nothing but the result list changes.
#pragma once

#include "chain.h"
#include "ikconfiguration.h"

#include <vector>

namespace kinematics {

// Multiples of 360 degrees tried per axis when listing variants; no real
// axis turns further, and a description with absurd limits must not make
// the list explode.
constexpr int kMaxTurns = 4;

// `target`: the flange in robot-base coordinates (row-major). `seed`: six
// robot joint values; the choice is the entry nearest to them, and where the
// pose leaves an axis free (a singular wrist, the wrist centre on axis 1)
// that axis keeps the seed's value. Clears `results` and fills it; once the
// list has room for every entry (256 for any shipped arm) nothing is
// allocated. Returns the index of the chosen entry, or -1 when there is none.
//
// The chain's solver (Chain::solver) answers: the closed form for a
// spherical wrist, the solver for wrists whose axes 2-4 are parallel; an arm
// neither is written for gets no entry at all. Every entry listed reaches
// the target (kinematics::reaches).
int solve(const Chain &chain, const Matrix4 &target, const float *seed,
          std::vector<IkConfiguration> &results);

// The entry of solve's list that a path takes: the one whose largest
// single-axis move from `nearTo` (six robot joint values, in double) is the
// smallest, the first listed winning a tie; `seed` plays its part in solve.
// The same as picking it from the list, at a fraction of the cost. False
// when the list would be empty; `out` (six robot joint values) is then left
// as it was.
bool solveNearest(const Chain &chain, const Matrix4 &target, const float *seed,
                  const double *nearTo, float *out);

} // namespace kinematics
