// The configuration flags each robot maker writes beside a Cartesian target,
// worked out from the robot's joint values (degrees, the maker's own
// convention, as the library's angle types give them). A controller reading
// the target takes the joint solution whose flags match, so a program that
// carries them moves the arm the way it moved here.
//
// Three facts about the arm carry every maker's letters and bits:
//   back        the wrist centre (where axes 4, 5 and 6 meet; the origin of
//               axis 4's frame) lies behind axis 1: negative x in the frame
//               of axis 1 (the base turned by axis 1).
//   elbowUp     the forearm turns away from the upper arm in the sense it
//               does at the usual working pose (upper arm up, forearm
//               forward): (upper arm x forearm) points along the y axis of
//               axis 1's frame (base z x that frame's x). A property of the
//               arm, not of where it points: leaning the whole arm over
//               backwards keeps it.
//   pastStretch axis 3 at or beyond the value at which the forearm lines up
//               with the upper arm (the stretched arm), counted the way the
//               maker counts axis 3; a forearm offset moves that value a few
//               degrees off zero.
//
// Rules per maker (ties at exactly 0 degrees as written):
//   KUKA S     bit 0 = back, bit 1 = pastStretch, bit 2 = A5 < 0. Bit 2 as
//              integrators measured it on arms like ours (A5's sign); the
//              controller's bits above 2 are not written.
//   KUKA T     bit i = 1 when axis i+1 < 0 (i = 0..5).
//   FANUC      'F|N U|D T|B, t1, t4, t6': F when J5 > 0 (N at 0 and below),
//              U when elbowUp, T when not back; turn numbers of axes 1, 4
//              and 6 (the axes the common post-processors use): -1 for
//              (-540, -180], 0 for (-180, 180], 1 for (180, 540], and so on
//              by whole turns.
//   Yaskawa    RCONF, eight fields: flip (1 when B > 0, as FANUC's F),
//              lower arm (1 when not elbowUp), back (1 when back), then 1
//              when |T| >= 180 for R (axis 6), T (axis 4) and S (axis 1);
//              two zeros.
//   Staubli    shoulder righty in front of axis 1 (lefty when back),
//              elbow epositive when pastStretch (J3 >= its stretched value,
//              0 on TX arms), wrist wpositive when J5 >= 0.
#pragma once

#include "kinematics/chain.h"

#include <QString>
#include <array>

namespace controllers {

struct ArmSides
{
    bool back = false;
    bool elbowUp = true;
    bool pastStretch = true;
};

// The arm's three facts for robot joint values (six, degrees). A chain
// without six axes gives the defaults.
ArmSides armSides(const kinematics::Chain &chain, const float *jointValues);

// KUKA status S (bits 0-2) and turn T (bits 0-5).
int kukaStatus(const kinematics::Chain &chain, const float *jointValues);
int kukaTurn(const float *jointValues);

struct FanucConfig
{
    bool flip = false;
    bool up = true;
    bool front = true;
    int turn1 = 0, turn4 = 0, turn6 = 0;
    bool operator==(const FanucConfig &o) const
    {
        return flip == o.flip && up == o.up && front == o.front && turn1 == o.turn1 &&
               turn4 == o.turn4 && turn6 == o.turn6;
    }
};

FanucConfig fanucConfig(const kinematics::Chain &chain, const float *jointValues);
// The turn number of one axis value (degrees).
int fanucTurn(double degrees);
// "N U T, 0, 0, 0", as a /POS section writes it between quotes.
QString fanucConfigText(const FanucConfig &config);
// The text between the quotes of a CONFIG entry: three letters (F/N, U/D,
// T/B, any case, separated by spaces) and up to three turn numbers after
// commas (missing ones are 0). False, and `config` untouched, for anything
// else.
bool parseFanucConfig(const QString &text, FanucConfig &config);

// Yaskawa RCONF fields, in order.
using YaskawaRconf = std::array<int, 8>;
YaskawaRconf yaskawaRconf(const kinematics::Chain &chain, const float *jointValues);
// "0,0,0,0,0,0,0,0"
QString yaskawaRconfText(const YaskawaRconf &rconf);

struct StaubliConfig
{
    bool righty = true;
    bool epositive = true;
    bool wpositive = true;
    bool operator==(const StaubliConfig &o) const
    {
        return righty == o.righty && epositive == o.epositive && wpositive == o.wpositive;
    }
};

StaubliConfig staubliConfig(const kinematics::Chain &chain, const float *jointValues);
// The attribute values as a .dtx file writes them: "righty"/"lefty",
// "epositive"/"enegative", "wpositive"/"wnegative".
const char *shoulderName(const StaubliConfig &c);
const char *elbowName(const StaubliConfig &c);
const char *wristName(const StaubliConfig &c);

} // namespace controllers
