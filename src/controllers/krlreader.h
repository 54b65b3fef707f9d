// KUKA KRL programs read back: the .src (DEF ... END) with the declarations
// of its .dat.
//
// Read: DECL'd or plain E6POS, POS, FRAME, E6AXIS and AXIS data (in the .dat
// or the .src, arrays included), assignments to them (whole or one
// component), inline {...} targets (a partial one takes its other
// components from the target before, as the controller takes them from where
// the arm stands), PTP/LIN/CIRC and SPTP/SLIN/SCIRC with their WITH clause,
// PTP_REL/LIN_REL (base frame; LIN_REL ... #TOOL in the tool frame), $TOOL
// and $BASE (frames, TOOL_DATA[n] and BASE_DATA[n] assigned in the program,
// $NULLFRAME, BAS(#TOOL, n) and BAS(#BASE, n)), $VEL.CP (m/s),
// BAS(#VEL_PTP, %) and $APO.CDIS with C_DIS/C_PTP/C_SPL. Comments and
// folds are comments; every other statement does not move the arm and is
// passed over. S and T (numbers or 'B...' bit strings) choose the
// configuration (see solveProgram); bits of S above 2 are ignored.
//
// Skipped, with the line and why: moves to targets not declared in the two
// files (XHOME and the like live on the controller), CIRC with CA, moves in
// routines other than the first, moves with expressions as targets.
#pragma once

#include "controllers/programreading.h"

namespace controllers {

// `src` is the program, `dat` its data list (empty when there is none).
ReadProgram readKrl(const QString &src, const QString &dat);

} // namespace controllers
