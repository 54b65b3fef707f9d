#include "programexportcommands.h"

#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "texts/uitexts.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleValidator>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpressionValidator>
#include <QSaveFile>

using controllers::Language;
using uitext::Text;

namespace {

QString say(Text t)
{
    return uitext::get(t);
}

QString extension(Language l)
{
    switch (l) {
    case Language::Rapid: return QStringLiteral("mod");
    case Language::Ls: return QStringLiteral("ls");
    case Language::UrScript: return QStringLiteral("script");
    case Language::Jbi: return QStringLiteral("JBI");
    case Language::Krl:
    case Language::Val3: break;
    }
    return QString();
}

} // namespace

ProgramExportCommands::ProgramExportCommands(
    std::function<Robot *()> robot, std::function<std::vector<sequences::ProgramLine>()> program,
    QObject *parent)
    : QObject(parent), m_robot(std::move(robot)), m_program(std::move(program))
{
}

QStringList ProgramExportCommands::choices(const Robot *robot)
{
    QStringList out;
    const std::vector<Language> order =
        robot ? controllers::languagesFor(*robot) : std::vector<Language>{};
    for (Language l : order)
        out << QString::fromUtf8(controllers::info(l).title);
    return out;
}

int ProgramExportCommands::finish(int result, const QString &text)
{
    m_message = text;
    if (!text.isEmpty())
        emit message(text);
    return result;
}

int ProgramExportCommands::exportTo(Language language, const QString &target,
                                    const controllers::WriteOptions &options)
{
    Robot *robot = m_robot();
    if (!robot || !robot->isLoaded())
        return finish(NoRobot, say(Text::RapidExportNoRobot));
    const std::vector<sequences::ProgramLine> program = m_program();
    if (program.empty())
        return finish(NoProgram, say(Text::RapidExportNoProgram));
    const controllers::LanguageInfo &info = controllers::info(language);
    if (!controllers::checkName(language, options.name))
        return finish(Refused, say(Text::ExportNameRefused)
                                   .arg(options.name, QString::fromUtf8(info.title))
                                   .arg(controllers::maxNameLength(language)));
    const controllers::WriteResult written =
        controllers::writeProgram(*robot, program, language, options);
    if (!written.ok)
        return finish(Refused, say(Text::ExportNotWritten).arg(written.error));
    for (const controllers::OutputFile &f : written.files) {
        // A one-file language goes to the file chosen; the others keep
        // their own names in the folder chosen.
        const QString path = info.oneFile ? target : QDir(target).filePath(f.path);
        QSaveFile save(path);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !save.open(QIODevice::WriteOnly) ||
            save.write(f.bytes) != f.bytes.size() || !save.commit())
            return finish(CannotWrite, say(Text::CannotWrite).arg(path, save.errorString()));
    }
    return finish(Done, written.notes.join(QLatin1Char('\n')));
}

void ProgramExportCommands::exportProgram()
{
    Robot *robot = m_robot();
    if (!robot || !robot->isLoaded()) {
        finish(NoRobot, say(Text::RapidExportNoRobot));
        return;
    }
    if (m_program().empty()) {
        finish(NoProgram, say(Text::RapidExportNoProgram));
        return;
    }
    const std::vector<Language> order = controllers::languagesFor(*robot);
    QDialog dialog;
    dialog.setWindowTitle(say(Text::ExportProgramTitle));
    auto *form = new QFormLayout(&dialog);
    auto *language = new QComboBox(&dialog);
    language->setObjectName(QStringLiteral("language"));
    language->addItems(choices(robot));
    auto *name = new QLineEdit(&dialog);
    name->setObjectName(QStringLiteral("programName"));
    name->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z_][A-Za-z0-9_]{0,35}")), &dialog));
    auto *speed = new QLineEdit(&dialog);
    speed->setObjectName(QStringLiteral("speed"));
    auto *zone = new QLineEdit(&dialog);
    zone->setObjectName(QStringLiteral("zone"));
    auto *speedLabel = new QLabel(&dialog);
    auto *zoneLabel = new QLabel(&dialog);
    form->addRow(say(Text::ExportLanguageLabel), language);
    form->addRow(say(Text::ExportNameLabel), name);
    form->addRow(speedLabel, speed);
    form->addRow(zoneLabel, zone);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    // Each language shows its own units and defaults.
    auto show = [&](int index) {
        const Language l = order[std::size_t(std::max(0, index))];
        const controllers::DefaultValue s = controllers::defaultSpeed(l), z = controllers::defaultZone(l);
        speedLabel->setText(say(Text::ExportSpeedLabel).arg(QLatin1String(s.unit)));
        zoneLabel->setText(say(Text::ExportZoneLabel).arg(QLatin1String(z.unit)));
        const bool rapid = l == Language::Rapid;
        speed->setText(rapid ? QStringLiteral("v100") : QLocale::c().toString(s.value));
        zone->setText(rapid ? QStringLiteral("z10") : QLocale::c().toString(z.value));
        name->setText(controllers::nameFrom(l, QStringLiteral("Velkari")));
    };
    QObject::connect(language, QOverload<int>::of(&QComboBox::currentIndexChanged), &dialog, show);
    show(0);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Language l = order[std::size_t(std::max(0, language->currentIndex()))];
    controllers::WriteOptions options;
    options.name = name->text();
    options.speed = speed->text().trimmed();
    options.zone = zone->text().trimmed();
    const controllers::LanguageInfo &info = controllers::info(l);
    QString target;
    if (info.oneFile) {
        const QString ext = extension(l);
        target = QFileDialog::getSaveFileName(
            nullptr, say(Text::ExportProgramTitle),
            DataDirs::simulationDir() + options.name + QLatin1Char('.') + ext,
            QString::fromUtf8(info.title) + QStringLiteral(" (*.") + ext + QStringLiteral(")\n") +
                say(Text::AllFiles) + QStringLiteral(" (*.*)"));
    } else {
        target = QFileDialog::getExistingDirectory(nullptr, say(Text::ExportFolderTitle),
                                                   DataDirs::simulationDir());
    }
    if (!target.isEmpty())
        exportTo(l, target, options);
}
