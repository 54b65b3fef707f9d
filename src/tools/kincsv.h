// check FILE --csv: the path of a sequence file or of a RAPID module as the
// table the plots dock exports, on standard output.
#pragma once

#include "sequences/pathanalysis.h"

#include <QString>
#include <string>

class Robot;

namespace kin {

// Reads and analyses the file as check does and appends the CSV of every
// position (position, path id, type, j1..j6, problem code, TCP x y z in
// robot-base coordinates) to `out`. Notes go to `notes`. Returns check's
// statuses: kCheckContinuous, kCheckProblems or kCheckUnreadable.
int checkSequenceCsv(Robot &robot, const QString &file, std::string &out, std::string &notes);

// The CSV of an analysed path, as above; kCheckContinuous or kCheckProblems.
int appendPathCsv(Robot &robot, const sequences::PathAnalyser &analyser,
                  const sequences::PathAnalyser::Result &result, std::string &out);

} // namespace kin
