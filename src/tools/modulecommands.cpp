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
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Comments may come first; a module header is never far down.
    const QString head = QString::fromLatin1(f.read(64 * 1024));
    static const QRegularExpression firstWord(QStringLiteral("^(\\s|![^\\n]*\\n)*MODULE\\b"),
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
    appendLines(notes, result.notes);

    sequences::PathAnalyser analyser(robot);
    const auto problems = sequences::PathAnalyser::problems(analyser.analyse(program));
    if (!problems.empty())
        notes += rapid::problemWarning(problems, &lines).toStdString() + '\n';
    out += result.module.toStdString();
    return problems.empty() ? kCheckContinuous : kCheckProblems;
}

int checkModule(Robot &robot, const QString &file, const QString &procedure, ModuleOutput output,
                std::string &out, std::string &notes)
{
    const std::string shown = QFile::encodeName(file).toStdString();
    QString text, error;
    if (!rapid::readModuleFile(file, text, error)) {
        notes += "cannot read the module '" + shown + "': " + error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    const rapid::ImportResult module = rapid::importModule(robot, text, procedure);
    appendLines(notes, module.skipped);
    appendLines(notes, module.warnings);
    if (!module.ok) {
        notes += "'" + shown + "' is refused: " + module.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    sequences::PathAnalyser analyser(robot);
    const sequences::PathAnalyser::Result result = analyser.analyse(module.program);
    // The table the plots dock exports for the module played in the window.
    if (output == ModuleOutput::Csv)
        return appendPathCsv(robot, analyser, result, out);
    const auto problems = sequences::PathAnalyser::problems(result);
    out += "positions " + std::to_string(result.path.size()) + " problems " +
           std::to_string(problems.size()) + '\n';
    for (const sequences::PathProblem &p : problems) {
        const int line = module.lines[std::size_t(p.pathId)];
        out += std::to_string(p.position) + ' ' + std::to_string(line) + ' ' +
               std::to_string(p.code) + ' ' +
               sequences::PathAnalyser::problemTexts(p.code).trimmed().toStdString() + '\n';
    }
    if (output == ModuleOutput::Path) {
        for (const sequences::PathPosition &p : result.path) {
            appendFixed(out, p.type);
            for (float j : p.joints) {
                out += ' ';
                appendFixed(out, j);
            }
            out += ' ';
            out += std::to_string(int(p.problem));
            out += '\n';
        }
    }
    return problems.empty() ? kCheckContinuous : kCheckProblems;
}

} // namespace kin
