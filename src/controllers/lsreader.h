// FANUC LS (the ASCII form of a TP program) read back.
//
// Read: /PROG's name, the J, L and C (two lines: via, then ": P[n] speed
// term") moves of /MN to P[n] (a label P[n:text] and the @ mark allowed) with
// their speed (%, mm/sec, cm/min, inch/min) and FINE or CNTn (taken as a
// corner of n mm), UTOOL_NUM and UFRAME_NUM, and the points of /POS:
// Cartesian (X, Y, Z in mm; W, P, R in degrees; CONFIG) or joint (J1..J6,
// degrees) in group 1. LINE_COUNT and the rest of /ATTR are not trusted.
//
// A tool's values live on the controller; a program says them in a
// comment, "! UTOOL[n] X=.. Y=.. Z=.. W=.. P=.. R=.." (mm, degrees), which
// is read wherever it stands. A tool number with no such comment is taken as
// the flange, and a user frame other than 0 as the robot's base, each with a
// warning. CONFIG chooses the configuration (see solveProgram).
//
// Skipped, with the line and why: moves to position registers PR[n], to
// points missing from /POS, with Offset, Tool_Offset or INC, and arcs (A).
#pragma once

#include "controllers/programreading.h"

namespace controllers {

ReadProgram readLs(const QString &text);

} // namespace controllers
