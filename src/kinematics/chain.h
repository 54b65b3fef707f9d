// Sizes of a six-axis robot's kinematic chain, named so that a 6 or a 7 in
// the code says which of the two it counts.
#pragma once

namespace chain {

constexpr int kAxes = 6;     // joint values of a robot, axis 1 first
constexpr int kElements = 7; // elements of the chain: the base, then the six axes

} // namespace chain
