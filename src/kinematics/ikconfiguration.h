// One inverse-kinematics configuration: six joint values in the robot's own
// convention (degrees) and what the solver says about them. The control panel
// lists these; it names the type MenuPrincipal::Result.
#pragma once

#include "chain.h"

#include <array>

struct IkConfiguration
{
    std::array<float, kinematics::kAxes> q{};
    bool valid = false;  // within the joint limits (every listed entry)
    bool basic = false;  // one of the closed-form configurations, not a +-360 variant
    bool chosen = false; // nearest to the current joint values; one per non-empty list
    bool near = false;   // only on the chosen entry: moving there is a small move
};

// ABB-style configuration data: quadrants of axes 1, 4, 6 and the three bits.
struct ConfData
{
    float cf1 = 0.0f;
    float cf4 = 0.0f;
    float cf6 = 0.0f;
    float cfx = 0.0f;
};
