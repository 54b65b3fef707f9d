#include "controllercommands.h"

#include "controllers/programreading.h"
#include "kincommands.h"
#include "kincsv.h"
#include "kinematics/robot.h"
#include "sequences/pathanalysis.h"

#include <QFile>

namespace kin {

int checkControllerProgram(Robot &robot, const QString &file, ModuleOutput output,
                           std::string &out, std::string &notes,
                           collision::CollisionWorld *world)
{
    const std::string shown = QFile::encodeName(file).toStdString();
    const controllers::SolvedProgram program =
        controllers::solveProgram(robot, controllers::readProgramFile(file));
    for (const QString &l : program.skipped)
        notes += l.toStdString() + '\n';
    for (const QString &l : program.warnings)
        notes += l.toStdString() + '\n';
    if (!program.ok) {
        notes += "'" + shown + "' is refused: " + program.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    return checkProgram(robot, program.program, program.lines, program.movesRead,
                        program.movesSkipped,
                        [&program](sequences::PathAnalyser::Result &r) {
                            controllers::markUnreachable(program, r);
                        },
                        output, out, notes, world);
}

} // namespace kin
