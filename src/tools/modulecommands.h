// velkari-kin's RAPID module commands: a sequence file written out as a
// module, and a module read back and checked as the simulator plays it.
#pragma once

#include "sequences/pathanalysis.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class Robot;
namespace collision {
class CollisionWorld;
}

namespace kin {

// Whether `file` is a RAPID module rather than a sequence: its first word,
// comments and blanks aside, is MODULE, or it begins with a controller's
// %%% header lines, or it is a program file (.pgf).
bool isRapidModule(const QString &file);

// The module of the sequence file `file` on `out`; notes (instructions left
// out, problem positions) on `notes`. Returns 0, 3 when the program has
// problem positions (the module is written all the same), 2 when the file
// cannot be read or holds no sequence, or when the controller would refuse
// the module's name (`name`, else the file's base name).
int exportProgram(Robot &robot, const QString &file, const QString &name, const QString &speed,
                  const QString &zone, std::string &out, std::string &notes);

enum class ModuleOutput
{
    Problems, // "positions K problems P" and the problem lines
    Path,     // the same, then every position
    Csv       // the plots dock's table of every position instead
};

// The path check of a program's procedure (main, else the first, or
// `procedure`) read from its module files and program files:
// "positions K problems P", one line per problem "POSITION LINE CODE TEXTS"
// with LINE the module line of the instruction, then with Path every
// position "TYPE J1 ... J6 CODE". With Csv, only the table of check --csv
// (path ids count the procedure's moves from 0). When moves were skipped,
// a line saying so comes first. On `notes`: the procedure's name, skipped
// lines, how branches and loops were read, configuration warnings, and
// last "moves: R read, S skipped". Returns 0 continuous, 3 problems, 2 when
// the program cannot be read or is refused (the reason in `notes`).
// With a `world`, every position is checked against its objects too.
int checkModule(Robot &robot, const QStringList &files, const QString &procedure,
                ModuleOutput output, std::string &out, std::string &notes,
                collision::CollisionWorld *world = nullptr);

// The check of a program read from a controller's files: "moves: R read,
// S skipped" on `notes`, then as checkModule on `out` with `lines` the file
// line of every program line; `markUnreachable` flags the targets the
// reader could not reach once the path is computed.
int checkProgram(Robot &robot, const std::vector<sequences::ProgramLine> &program,
                 const std::vector<int> &lines, int movesRead, int movesSkipped,
                 const std::function<void(sequences::PathAnalyser::Result &)> &markUnreachable,
                 ModuleOutput output, std::string &out, std::string &notes,
                 collision::CollisionWorld *world);

} // namespace kin
