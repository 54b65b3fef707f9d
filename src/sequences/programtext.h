// Program text with the speed and zone of each line: the sequence format
// (an instruction code and six operands a line) that the player, the path
// analysis, `velkari-kin check` and the RAPID export read, with two optional
// words after the seven numbers:
//
//     2 10.000000 -20.000000 30.000000 0.000000 45.000000 0.000000 v250 z10
//     1 0.000000 0.000000 0.000000 0.000000 30.000000 0.000000 v50 fine
//
//   "v<number>"  the line's speed: mm/s for straight-line and circular
//                moves, % of the maximum for joint moves;
//   "z<number>"  the corner radius in mm; "fine" a stop point.
//
// Why trailing words and not a new instruction code: every reader of
// sequence text takes the first seven fields of a line and ignores the rest
// (a line with nine fields plays as its first seven), so files written with
// speeds and zones play, check and export in any build exactly as their
// geometry says; a new code would be skipped in silence by an older build,
// and the robot would leave out moves. A file written before speeds and
// zones existed has no such words and reads exactly as it always did.
// Words rather than bare numbers, so that an eighth and ninth value can
// never be taken for something else, a stop point reads as the RAPID word
// for it, and either may be left out.
//
// A line without speed and zone is written with seven fields, as before.
// Other fields after the seventh are left alone, as every reader does; a
// word that starts like a speed or zone but holds no usable number refuses
// the whole text, as the strict reading refuses a typo among the seven.
#pragma once

#include "sequences/pathanalysis.h"

#include <QString>
#include <vector>

namespace sequences {

struct ProgramText
{
    std::vector<ProgramLine> lines;
    // Text line (from 1) of each program line.
    std::vector<int> sourceLines;
    // A position list (six values a line) became one joint move a position.
    bool fromPositions = false;
    bool truncated = false;
    // Why the text is no program; `lines` is then empty.
    QString error;
};

// Reads the text as parseText does (same lines accepted, same refusals),
// the seven numbers in double precision, and the speed and zone words.
ProgramText parseProgramText(const QString &text);

// One line as it is written: code, six operands to six decimals, the words
// of speed and zone when the line has them. No line end.
QString programLineText(const ProgramLine &line);
// The whole program, one line each, every line ending in "\n".
QString programTextOf(const std::vector<ProgramLine> &program);

// "v250" / "" and "z10" / "fine" / "" as written in the file.
QString speedWord(double speed);
QString zoneWord(double zone);
// Reads one speed or zone as typed or written: "250", "v250", "12,5" for a
// speed (> 0); "10", "z10", "fine" for a zone (>= 0). An empty text reads
// as none (speed 0, kNoZone). False, leaving `value` alone, otherwise.
bool readSpeed(const QString &text, double *value);
bool readZone(const QString &text, double *value);

} // namespace sequences
