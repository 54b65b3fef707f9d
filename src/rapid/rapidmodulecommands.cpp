#include "rapidmodulecommands.h"

#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "sequences/paths.h"
#include "texts/uitexts.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QSaveFile>

namespace {

using uitext::Text;

// Texts are looked up when shown: the language may change in between.
QString say(Text t)
{
    return uitext::get(t);
}

QString moduleFilter(const QStringList &otherSuffixes)
{
    QString others;
    for (const QString &s : otherSuffixes)
        others += (others.isEmpty() ? QStringLiteral(" (*.") : QStringLiteral(" *.")) + s;
    return say(Text::RapidModuleFiles) + QStringLiteral(" (*.mod *.modx *.sys *.prg *.pgf)\n") +
           (others.isEmpty() ? QString()
                             : say(Text::ControllerProgramFiles) + others + QStringLiteral(")\n")) +
           say(Text::AllFiles) + QStringLiteral(" (*.*)");
}

// Module name, speed and zone; false when cancelled. OK stays in the dialog
// while `refusal` finds fault with the choice (a name the controller would
// refuse), saying why.
bool askOptions(rapid::ExportOptions &options,
                const std::function<QString(const rapid::ExportOptions &)> &refusal)
{
    QDialog dialog;
    dialog.setWindowTitle(say(Text::RapidExportTitle));
    auto *form = new QFormLayout(&dialog);
    auto *validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z][A-Za-z0-9_]{0,31}")), &dialog);
    auto *name = new QLineEdit(rapid::identifierFrom(options.moduleName), &dialog);
    name->setObjectName(QStringLiteral("moduleName"));
    name->setValidator(validator);
    auto *speed = new QComboBox(&dialog);
    speed->setObjectName(QStringLiteral("speed"));
    speed->setEditable(true);
    speed->addItems(rapid::speedNames());
    speed->setCurrentText(options.speed);
    speed->setValidator(validator);
    auto *zone = new QComboBox(&dialog);
    zone->setObjectName(QStringLiteral("zone"));
    zone->setEditable(true);
    zone->addItems(rapid::zoneNames());
    zone->setCurrentText(options.zone);
    zone->setValidator(validator);
    form->addRow(say(Text::RapidModuleName), name);
    form->addRow(say(Text::RapidSpeed), speed);
    form->addRow(say(Text::RapidZone), zone);
    auto *fine = new QLabel(say(Text::RapidLastPointFine), &dialog);
    fine->setObjectName(QStringLiteral("lastPointFine"));
    form->addRow(fine);
    auto *refused = new QLabel(&dialog);
    refused->setObjectName(QStringLiteral("nameRefused"));
    refused->setWordWrap(true);
    refused->hide();
    form->addRow(refused);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto chosen = [&]() {
        rapid::ExportOptions o = options;
        o.moduleName = name->text();
        if (rapid::isIdentifier(speed->currentText()))
            o.speed = speed->currentText();
        if (rapid::isIdentifier(zone->currentText()))
            o.zone = zone->currentText();
        return o;
    };
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&]() {
        const QString why = refusal(chosen());
        refused->setText(why);
        refused->setVisible(!why.isEmpty());
        if (why.isEmpty())
            dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = chosen();
    return true;
}

} // namespace

RapidModuleCommands::RapidModuleCommands(std::function<Robot *()> robot,
                                         std::function<Paths *()> paths, QObject *parent)
    : QObject(parent), m_robot(std::move(robot)), m_paths(std::move(paths))
{
}

std::vector<sequences::ProgramLine> RapidModuleCommands::loadedProgram() const
{
    const Paths *paths = m_paths();
    if (!paths)
        return {};
    if (!paths->program().empty())
        return paths->program();
    std::vector<sequences::ProgramLine> program;
    for (const Paths::nodeJOINTS &n : paths->nodes()) {
        if (n.type != 1.0f)
            continue;
        sequences::ProgramLine l;
        l.code = 1.0;
        for (std::size_t k = 0; k < 6; ++k)
            l.operands[k] = double(n.values[k]);
        program.push_back(l);
    }
    return program;
}

std::vector<sequences::PathProblem>
RapidModuleCommands::problems(const std::vector<sequences::ProgramLine> &program) const
{
    Robot *robot = m_robot();
    if (!robot || !robot->isLoaded() || program.empty())
        return {};
    sequences::PathAnalyser analyser(*robot);
    return sequences::PathAnalyser::problems(analyser.analyse(program));
}

int RapidModuleCommands::finish(int result, const QString &text)
{
    m_message = text;
    if (!text.isEmpty())
        emit message(text);
    return result;
}

int RapidModuleCommands::exportTo(const QString &file, const rapid::ExportOptions &options)
{
    Robot *robot = m_robot();
    if (!robot || !robot->isLoaded())
        return finish(NoRobot, say(Text::RapidExportNoRobot));
    const std::vector<sequences::ProgramLine> program = loadedProgram();
    if (program.empty())
        return finish(NoProgram, say(Text::RapidExportNoProgram));
    const rapid::ExportResult out = rapid::exportModule(*robot, program, options);
    if (!out.error.isEmpty())
        return finish(Refused, out.error);
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text) || f.write(out.module.toUtf8()) < 0 ||
        !f.commit())
        return finish(CannotWrite, say(Text::CannotWrite).arg(file, f.errorString()));
    return finish(Done, out.notes.join(QLatin1Char('\n')));
}

int RapidModuleCommands::loadFrom(const QStringList &files, const QString &procedure)
{
    Robot *robot = m_robot();
    Paths *paths = m_paths();
    if (!robot || !robot->isLoaded() || !paths)
        return finish(NoRobot, say(Text::RapidLoadNoRobot));
    if (files.isEmpty())
        return finish(Cancelled, QString());
    const QString suffix = QFileInfo(files.front()).suffix().toLower();
    rapid::ImportResult in;
    if (m_readers.contains(suffix)) {
        // Another controller's program is one file: the modules of a RAPID
        // program are the only thing that comes in several.
        if (files.size() > 1)
            return finish(Refused, say(Text::CannotRead)
                                       .arg(files.join(QStringLiteral(", ")),
                                            QStringLiteral("one %1 file at a time").arg(suffix)));
        in = m_readers.value(suffix)(*robot, files.front());
    } else {
        std::vector<rapid::ModuleSource> modules;
        QString error;
        if (!rapid::readProgramFiles(files, modules, error))
            return finish(Refused,
                          say(Text::CannotRead).arg(files.join(QStringLiteral(", ")), error));
        in = rapid::importModules(*robot, modules, procedure);
    }
    QStringList report;
    QStringList names;
    for (const QString &f : files)
        names << QFileInfo(f).fileName();
    if (!in.ok)
        report << say(Text::RapidModuleNotPlayed).arg(names.join(QStringLiteral(", ")), in.error);
    else
        report << say(Text::RapidMovesRead).arg(in.procedure).arg(in.movesRead).arg(in.movesSkipped);
    if (!in.skipped.isEmpty())
        report << say(Text::RapidSkipped) << in.skipped;
    report << in.notes << in.warnings;
    if (!in.ok)
        return finish(Refused, report.join(QLatin1Char('\n')));
    paths->Load_Sequence_Text(rapid::programText(in.program));
    return finish(Done, report.join(QLatin1Char('\n')));
}

void RapidModuleCommands::addReader(const QStringList &suffixes, const ProgramReader &reader)
{
    for (const QString &s : suffixes)
        m_readers.insert(s.toLower(), reader);
}

void RapidModuleCommands::exportProgram()
{
    Robot *robot = m_robot();
    if (!robot || !robot->isLoaded()) {
        finish(NoRobot, say(Text::RapidExportNoRobot));
        return;
    }
    const std::vector<sequences::ProgramLine> program = loadedProgram();
    if (program.empty()) {
        finish(NoProgram, say(Text::RapidExportNoProgram));
        return;
    }
    const std::vector<sequences::PathProblem> found = problems(program);
    if (!found.empty()) {
        QMessageBox box(QMessageBox::Warning, say(Text::RapidExportTitle),
                        rapid::problemWarning(found) + QStringLiteral("\n\n") +
                            say(Text::RapidExportAnyway),
                        QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    rapid::ExportOptions options;
    options.moduleName = QStringLiteral("Velkari");
    if (!askOptions(options, [&](const rapid::ExportOptions &o) {
            return rapid::exportModule(*robot, program, o).error;
        }))
        return;
    const QString file = QFileDialog::getSaveFileName(
        nullptr, say(Text::RapidExportTitle),
        DataDirs::simulationDir() + options.moduleName + QStringLiteral(".mod"),
        say(Text::RapidModuleFiles) + QStringLiteral(" (*.mod)\n") + say(Text::AllFiles) +
            QStringLiteral(" (*.*)"));
    if (!file.isEmpty())
        exportTo(file, options);
}

void RapidModuleCommands::loadModule()
{
    Robot *robot = m_robot();
    if (!robot || !robot->isLoaded()) {
        finish(NoRobot, say(Text::RapidLoadNoRobot));
        return;
    }
    const QString file = QFileDialog::getOpenFileName(
        nullptr, say(Text::RapidLoadTitle), DataDirs::simulationDir(), moduleFilter(m_readers.keys()));
    if (!file.isEmpty())
        loadFrom(file);
}
