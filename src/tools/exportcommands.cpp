#include "exportcommands.h"

#include "controllers/programwriter.h"
#include "kincommands.h"
#include "kinematics/robot.h"
#include "rapid/rapidmodule.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kin {

namespace {

bool languageOf(const Robot &robot, const QString &format, controllers::Language &language)
{
    if (format.isEmpty()) {
        language = controllers::languageOfMaker(controllers::makerOf(robot));
        return true;
    }
    return controllers::languageOfKey(format, language);
}

} // namespace

bool isPlainRapid(const Robot &robot, const ExportRequest &request)
{
    controllers::Language language;
    return request.outDir.isEmpty() && languageOf(robot, request.format, language) &&
           language == controllers::Language::Rapid;
}

int exportAs(Robot &robot, const ExportRequest &request, std::string &out, std::string &notes)
{
    controllers::Language language;
    if (!languageOf(robot, request.format, language)) {
        notes += "unknown --format '" + request.format.toStdString() +
                 "': rapid, krl, ls, urscript, jbi or val3\n";
        return kCheckUnreadable;
    }
    const controllers::LanguageInfo &info = controllers::info(language);
    if (request.outDir.isEmpty() && !info.oneFile) {
        notes += std::string(info.title) + " is written as several files: give --out DIR\n";
        return kCheckUnreadable;
    }
    const std::string shown = QFile::encodeName(request.file).toStdString();
    const sequences::FileText text = sequences::readSequenceFile(request.file);
    if (!text.ok) {
        notes += "cannot read the sequence '" + shown + "': " + text.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    const sequences::ParsedText parsed = sequences::parseText(text.text);
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
    controllers::WriteOptions options;
    options.name = request.name.isEmpty()
                       ? controllers::nameFrom(language, QFileInfo(request.file).completeBaseName())
                       : request.name;
    options.speed = request.speed;
    options.zone = request.zone;
    const controllers::WriteResult written =
        controllers::writeProgram(robot, program, language, options);
    if (!written.ok) {
        notes += written.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    for (const QString &n : written.notes)
        notes += n.toStdString() + '\n';

    if (request.outDir.isEmpty()) {
        out += written.files.front().bytes.toStdString();
    } else {
        const QDir dir(request.outDir);
        for (const controllers::OutputFile &f : written.files) {
            const QString path = dir.filePath(f.path);
            QSaveFile save(path);
            if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
                !save.open(QIODevice::WriteOnly) || save.write(f.bytes) != f.bytes.size() ||
                !save.commit()) {
                notes += "cannot write '" + QFile::encodeName(path).toStdString() + "': " +
                         save.errorString().toStdString() + '\n';
                return kCheckUnreadable;
            }
            notes += "wrote " + QFile::encodeName(path).toStdString() + '\n';
        }
    }

    sequences::PathAnalyser analyser(robot);
    const auto problems = sequences::PathAnalyser::problems(analyser.analyse(program));
    if (!problems.empty())
        notes += rapid::problemWarning(problems, &lines).toStdString() + '\n';
    return problems.empty() ? kCheckContinuous : kCheckProblems;
}

} // namespace kin
