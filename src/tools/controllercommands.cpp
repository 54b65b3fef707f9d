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
    notes += "moves: " + std::to_string(program.movesRead) + " read, " +
             std::to_string(program.movesSkipped) + " skipped\n";
    // As for a RAPID module: exit status 0 must not read as "every move
    // checked" when some were not.
    if (program.movesSkipped > 0)
        out += "not every move is checked: " + std::to_string(program.movesSkipped) +
               " skipped (listed on standard error)\n";
    sequences::PathAnalyser analyser(robot);
    analyser.setCollisionWorld(world);
    sequences::PathAnalyser::Result result = analyser.analyse(program.program);
    controllers::markUnreachable(program, result);
    if (output == ModuleOutput::Csv)
        return appendPathCsv(robot, analyser, result, out);
    const auto problems = sequences::PathAnalyser::problems(result);
    out += "positions " + std::to_string(result.path.size()) + " problems " +
           std::to_string(problems.size()) + '\n';
    for (const sequences::PathProblem &p : problems) {
        out += std::to_string(p.position) + ' ' +
               std::to_string(program.lines[std::size_t(p.pathId)]) + ' ' +
               std::to_string(p.code) + ' ' +
               sequences::PathAnalyser::problemTexts(p.code).trimmed().toStdString() +
               (p.detail.isEmpty() ? std::string() : ' ' + p.detail.toStdString()) + '\n';
    }
    if (output == ModuleOutput::Path) {
        for (const sequences::PathPosition &p : result.path) {
            appendFixed(out, p.type);
            for (float j : p.joints) {
                out += ' ';
                appendFixed(out, j);
            }
            out += ' ' + std::to_string(int(p.problem)) + '\n';
        }
    }
    return problems.empty() ? kCheckContinuous : kCheckProblems;
}

} // namespace kin
