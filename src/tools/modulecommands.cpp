#include "modulecommands.h"

#include "kincommands.h"
#include "kincsv.h"
#include "kinematics/robot.h"
#include "rapid/rapidmodule.h"
#include "sequences/pathanalysis.h"
#include "sequences/programtext.h"
#include "sequences/sequenceparser.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kin {

namespace {

void appendLines(std::string &notes, const QStringList &lines)
{
    for (const QString &l : lines)
        notes += l.toStdString() + '\n';
}

} // namespace

bool isRapidModule(const QString &file)
{
    if (QFileInfo(file).suffix().compare(QLatin1String("pgf"), Qt::CaseInsensitive) == 0)
        return true;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Comments may come first; a module header is never far down. A
    // controller's program file begins with %%% header lines instead.
    const QString head = QString::fromLatin1(f.read(64 * 1024));
    static const QRegularExpression firstWord(
        QStringLiteral("^(\\s|![^\\n]*\\n)*(MODULE\\b|%%%)"),
                                              QRegularExpression::CaseInsensitiveOption);
    return firstWord.match(head).hasMatch();
}

int exportProgram(Robot &robot, const QString &file, const QString &name, const QString &speed,
                  const QString &zone, std::string &out, std::string &notes)
{
    const std::string shown = QFile::encodeName(file).toStdString();
    const sequences::FileText text = sequences::readSequenceFile(file);
    if (!text.ok) {
        notes += "cannot read the sequence '" + shown + "': " + text.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    // Read as the editor reads it: a speed or zone word that holds no usable
    // number refuses the file, as a typo among the seven numbers does.
    const sequences::ProgramText parsed = sequences::parseProgramText(text.text);
    if (!parsed.error.isEmpty()) {
        notes += "'" + shown + "' is no sequence: " + parsed.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    std::vector<int> lines;
    const std::vector<sequences::ProgramLine> program = rapid::programFromText(text.text, &lines);
    if (program.empty()) {
        notes += "'" + shown + "' holds no sequence: no line has six or seven numbers\n";
        return kCheckUnreadable;
    }
    rapid::ExportOptions options;
    options.moduleName = name.isEmpty() ? QFileInfo(file).completeBaseName() : name;
    if (!speed.isEmpty())
        options.speed = speed;
    if (!zone.isEmpty())
        options.zone = zone;
    const rapid::ExportResult result = rapid::exportModule(robot, program, options);
    if (!result.error.isEmpty()) {
        notes += result.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    appendLines(notes, result.notes);

    sequences::PathAnalyser analyser(robot);
    const auto problems = sequences::PathAnalyser::problems(analyser.analyse(program));
    if (!problems.empty())
        notes += rapid::problemWarning(problems, &lines).toStdString() + '\n';
    out += result.module.toStdString();
    return problems.empty() ? kCheckContinuous : kCheckProblems;
}

int checkModule(Robot &robot, const QStringList &files, const QString &procedure,
                ModuleOutput output, std::string &out, std::string &notes,
                collision::CollisionWorld *world)
{
    const std::string shown = QFile::encodeName(files.join(QStringLiteral("', '"))).toStdString();
    std::vector<rapid::ModuleSource> modules;
    QString error;
    if (!rapid::readProgramFiles(files, modules, error)) {
        notes += "cannot read the program '" + shown + "': " + error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    const rapid::ImportResult module = rapid::importModules(robot, modules, procedure);
    if (!module.procedure.isEmpty())
        notes += "procedure " + module.procedure.toStdString() + '\n';
    appendLines(notes, module.skipped);
    appendLines(notes, module.notes);
    appendLines(notes, module.warnings);
    if (!module.ok) {
        notes += "'" + shown + "' is refused: " + module.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    return checkProgram(robot, module.program, module.lines, module.movesRead, module.movesSkipped,
                        [&module](sequences::PathAnalyser::Result &r) {
                            rapid::markUnreachable(module, r);
                        },
                        output, out, notes, world);
}

int checkProgram(Robot &robot, const std::vector<sequences::ProgramLine> &program,
                 const std::vector<int> &lines, int movesRead, int movesSkipped,
                 const std::function<void(sequences::PathAnalyser::Result &)> &markUnreachable,
                 ModuleOutput output, std::string &out, std::string &notes,
                 collision::CollisionWorld *world)
{
    notes += "moves: " + std::to_string(movesRead) + " read, " + std::to_string(movesSkipped) +
             " skipped\n";
    // Exit status 0 says the path of the moves read is continuous; the first
    // line says when that is not every move of the program.
    if (movesSkipped > 0)
        out += "not every move is checked: " + std::to_string(movesSkipped) +
               " skipped (listed on standard error)\n";
    sequences::PathAnalyser analyser(robot);
    analyser.setCollisionWorld(world);
    sequences::PathAnalyser::Result result = analyser.analyse(program);
    markUnreachable(result);
    // The table the plots dock exports for the program played in the window.
    if (output == ModuleOutput::Csv)
        return appendPathCsv(robot, analyser, result, out);
    const auto problems = sequences::PathAnalyser::problems(result);
    out += "positions " + std::to_string(result.path.size()) + " problems " +
           std::to_string(problems.size()) + '\n';
    for (const sequences::PathProblem &p : problems) {
        out += std::to_string(p.position) + ' ' + std::to_string(lines[std::size_t(p.pathId)]) +
               ' ' + std::to_string(p.code) + ' ' +
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
