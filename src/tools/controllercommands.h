// velkari-kin's check of programs in controller languages other than RAPID:
// KUKA .src (with its .dat), FANUC .ls and UR .script files.
#pragma once

#include "modulecommands.h"

#include <QString>
#include <string>

class Robot;

namespace kin {

// The path check of such a program, as checkModule gives it for a module:
// "positions K problems P", the problem lines with the file line of their
// move, then with Path every position (with Csv only the table). Skipped
// moves and warnings go to `notes`, whose last line is "moves: R read, S
// skipped". Returns 0 continuous, 3 problems, 2 when the file cannot be
// read or is no program of its language.
// With a `world`, every position is checked against its objects too.
int checkControllerProgram(Robot &robot, const QString &file, ModuleOutput output,
                           std::string &out, std::string &notes,
                           collision::CollisionWorld *world = nullptr);

} // namespace kin
