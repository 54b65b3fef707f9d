// Station files: the options record, then one record per robot and per
// object, fields separated by "#", reals with 6 decimals, CR LF before each
// record.
#include "menuprincipal.h"

#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "models/cnumber.h"
#include "models/datadirs.h"
#include "sequences/paths.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextStream>
#include <cmath>

namespace {

// Far beyond any real station (300 objects of some 300 bytes each).
constexpr qint64 kMaxStationBytes = qint64(16) << 20;

QString real(double v)
{
    return QString::number(v, 'f', 6);
}

// Paths under the installation are stored with the "../" form, so a station
// keeps working when the installation moves. A file chosen in a dialog comes
// as an absolute path; compared as cleaned, canonical paths it still counts.
QString storedPath(const QString &path)
{
    const QFileInfo root(DataDirs::applicationDir() + QStringLiteral("/.."));
    QString base = root.canonicalFilePath();
    if (base.isEmpty())
        base = QDir::cleanPath(root.absoluteFilePath());
    const QFileInfo file(path);
    QString full = file.canonicalFilePath();
    if (full.isEmpty())
        full = QDir::cleanPath(file.absoluteFilePath());
    if (full.startsWith(base + QLatin1Char('/')))
        return QStringLiteral("../") + full.mid(base.size() + 1);
    return path;
}

double number(const QString &field)
{
    double v = 0.0;
    return typed::number(field, &v) ? v : 0.0;
}

bool numbers(const QStringList &f, int from, int count)
{
    for (int k = from; k < from + count; ++k)
        if (!typed::number(f.at(k), nullptr))
            return false;
    return true;
}

// A record worth applying: the kind, enough fields, numbers where numbers go.
bool validRobot(const QStringList &f)
{
    return f.size() >= 29 && f.at(1).contains(QLatin1String("ROBOT")) && !f.at(2).isEmpty() &&
           numbers(f, 5, 23);
}

bool validObject(const QStringList &f)
{
    return f.size() >= 24 && f.at(1).contains(QLatin1String("OBJECT")) && !f.at(2).isEmpty() &&
           numbers(f, 4, 19);
}

// The joint values of the robot record before it; readers that do not know
// this record skip it.
bool validJoints(const QStringList &f)
{
    return f.size() >= 9 && f.at(1) == QLatin1String("JOINTS") && numbers(f, 2, 6);
}

int integer(const QString &field)
{
    bool ok = false;
    const int v = field.trimmed().toInt(&ok);
    return ok ? v : int(number(field));
}

} // namespace

int MenuPrincipal::Save_Setup()
{
    QString name = DataDirs::defaultStation();
    return Save_Setup(&name);
}

int MenuPrincipal::Save_Setup(QString *filestr)
{
    if (!filestr || filestr->isEmpty())
        return -1;
    glwidget *v = view();
    Robots *robots = v->robotsList();
    Objects *objects = v->objectsList();

    // A "#" would end a field early and the station could not be read back.
    QStringList unsafe;
    for (int i = 0; i < robots->count(); ++i) {
        const Robot *r = robots->robot(i);
        for (const QString &f : {r->getFilePath(), r->getToolPath(), r->getName()})
            if (f.contains(QLatin1Char('#')))
                unsafe << f;
    }
    for (int i = 0; i < objects->count(); ++i)
        for (const QString &f : {objects->entry(i)->path, objects->entry(i)->name})
            if (f.contains(QLatin1Char('#')))
                unsafe << f;
    if (!unsafe.isEmpty()) {
        const QString text =
            tr("The station was not saved: these names contain \"#\", which station "
               "files use to separate fields:\n%1")
                .arg(unsafe.join(QLatin1Char('\n')));
        qCWarning(lcRobot).noquote() << text;
        emit v->userMessage(text);
        return -1;
    }

    const QString out = stationText();

    // The old station stays intact unless the whole new one was written.
    QSaveFile file(*filestr);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    const QByteArray bytes = out.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return -1;
    m_savedStation = out;
    m_stationFile = *filestr;
    return 0;
}

QString MenuPrincipal::stationText() const
{
    glwidget *v = view();
    Robots *robots = v->robotsList();
    Objects *objects = v->objectsList();
    QString out;
    out += QStringLiteral("#OPTIONS#%1#%2#").arg(m_languageCode).arg(m_lastEuler);
    for (int i = 0; i < robots->count(); ++i) {
        const Robot *r = robots->robot(i);
        out += QStringLiteral("\r\n#ROBOT#") + storedPath(r->getFilePath()) + QLatin1Char('#') +
               (r->getToolPath() == QLatin1String("EMPTY") ? r->getToolPath()
                                                           : storedPath(r->getToolPath())) +
               QLatin1Char('#') + r->getName() + QLatin1Char('#') +
               QString::number(r->isVisible() ? 1 : 0) + QLatin1Char('#');
        const Pose6 world = toolbox::matrixToPose(r->getHB(), m_eulerWorld);
        for (float f : world)
            out += real(f) + QLatin1Char('#');
        for (float f : r->getPlacement())
            out += real(f) + QLatin1Char('#');
        out += QStringLiteral("\r\n#JOINTS#");
        for (float q : r->jointValues())
            out += real(std::fabs(q) < 5e-7f ? 0.0f : q) + QLatin1Char('#'); // never "-0.000000"
    }
    for (int i = 0; i < objects->count(); ++i) {
        const ObjectEntry *e = objects->entry(i);
        out += QStringLiteral("\r\n#OBJECT#") + storedPath(e->path) + QLatin1Char('#') + e->name +
               QLatin1Char('#') + real(e->scale) + QLatin1Char('#') + QString::number(e->visible) +
               QLatin1Char('#') + QString::number(e->flipNormals) + QLatin1Char('#');
        for (float f : e->pose)
            out += real(f) + QLatin1Char('#');
    }
    return out;
}

bool MenuPrincipal::hasUnsavedChanges() const
{
    return stationText() != m_savedStation;
}

void MenuPrincipal::markStationSaved()
{
    m_savedStation = stationText();
}

void MenuPrincipal::save_Station()
{
    QString name = QFileDialog::getSaveFileName(nullptr, tr("Save"), DataDirs::stationDir(),
                                                QStringLiteral("Velkari (*.vks)"));
    if (name.isEmpty())
        return;
    if (Save_Setup(&name) != 0)
        emit view()->userMessage(tr("The station %1 could not be written.").arg(name));
}

int MenuPrincipal::Load_Setup(const char *fileName, int *language, int *euler)
{
    // Open first: a station that cannot be read must not cost the user the
    // station on screen.
    QFile file(QString::fromUtf8(fileName ? fileName : ""));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray raw = file.read(kMaxStationBytes + 1);
    file.close();
    const QString content = QString::fromUtf8(raw);

    QStringList lines = content.split(QLatin1Char('\n'));
    for (QString &l : lines)
        l.remove(QLatin1Char('\r'));

    // The whole file is checked before anything of the current station goes:
    // it must start with the options record and hold at least one valid
    // record (or nothing but the options); otherwise the message names the
    // first bad line and the station on screen stays.
    int firstBad = 0;
    int valid = 0, others = 0;
    if (raw.size() > kMaxStationBytes || !lines.first().startsWith(QLatin1String("#OPTIONS#")) ||
        raw.contains('\0'))
        firstBad = 1;
    for (int li = 1; firstBad != 1 && li < lines.size(); ++li) {
        if (lines.at(li).trimmed().isEmpty())
            continue;
        const QStringList f = lines.at(li).split(QLatin1Char('#'));
        if (validRobot(f) || validObject(f) || validJoints(f)) {
            ++valid;
            continue;
        }
        ++others;
        if (!firstBad)
            firstBad = li + 1;
    }
    if (firstBad == 1 || (valid == 0 && others > 0)) {
        const QString text = tr("The station %1 was not loaded: line %2 is not a station record. "
                                "The current station stays.")
                                 .arg(file.fileName())
                                 .arg(firstBad);
        qCWarning(lcRobot).noquote() << text;
        emit view()->userMessage(text);
        return kStationDamaged;
    }

    qCDebug(lcRobot) << "Deleting current station...";
    view()->robotsList()->removeAll();
    view()->ChangeSelectedRobot(nullptr);
    view()->objectsList()->removeAll();
    view()->clearTrace(); // the old station's path does not belong to the new one
    qCDebug(lcRobot) << "Reading setup.xml file...";
    // The World values of robot records are written in the convention of
    // the options record; read them in that one, not in whatever the panel
    // happens to show now.
    int storedEuler = -1;
    const QStringList options = lines.first().split(QLatin1Char('#'));
    if (options.size() >= 4) {
        if (language && *language != -1) {
            m_languageCode = integer(options.at(2));
            *language = m_languageCode;
        }
        storedEuler = integer(options.at(3));
        if (euler && *euler != -1) {
            m_lastEuler = storedEuler;
            *euler = storedEuler;
        }
    }
    const int worldConvention = (storedEuler >= 0 && storedEuler <= 4) ? storedEuler : m_eulerWorld;
    QStringList refused;
    view()->objectsList()->collectRefusals(&refused);

    for (int li = 1; li < lines.size(); ++li) {
        const QStringList f = lines.at(li).split(QLatin1Char('#'));
        // A record ends with "#": the piece after the last one is whatever
        // trails it, so a record cut inside its last value is one short.
        if (validJoints(f) && m_robotLoaded) {
            double q[6];
            for (int k = 0; k < 6; ++k)
                q[k] = number(f.at(2 + k));
            resetAngles(q, true);
        } else if (validRobot(f)) {
            m_robotFileName = f.at(2);
            if (f.at(2) == QLatin1String("EMPTY")) {
                qCDebug(lcRobot) << "Internal problem, causat per la importacio de la estacio";
                return 0;
            }
            QByteArray robotPath = f.at(2).toUtf8();
            if (!loadModel(robotPath.data()))
                continue;
            Robot *r = view()->selectedRobot();
            m_toolFileName = f.at(3);
            if (f.at(3) != QLatin1String("EMPTY")) {
                QByteArray toolPath = f.at(3).toUtf8();
                loadTool(toolPath.data());
            }
            r->setName(f.at(4));
            r->setVisible(integer(f.at(5)) != 0);
            view()->robotsList()->showRobot(view()->robotsList()->selectedIndex());
            // The field shows two decimals; the frame is what the field says.
            Pose6 world;
            for (int k = 0; k < 6; ++k)
                world[std::size_t(k)] = float(std::round(number(f.at(6 + k)) * 100.0) / 100.0);
            r->setHB(toolbox::poseToMatrix(world, worldConvention));
            Matrix4 placement;
            for (int k = 0; k < 16; ++k)
                placement[std::size_t(k)] = float(number(f.at(12 + k)));
            r->setPlacement(placement);
            World_Definition_Refresh();
            view()->do_viewIso(); // look at the robot where it now stands
        } else if (validObject(f)) {
            Matrix4 pose;
            for (int k = 0; k < 16; ++k)
                pose[std::size_t(k)] = float(number(f.at(7 + k)));
            view()->objectsList()->AddObject(f.at(2), f.at(3), float(number(f.at(4))),
                                             integer(f.at(5)), integer(f.at(6)), pose);
        }
    }
    view()->objectsList()->collectRefusals(nullptr);
    reportRefusedObjects(refused);
    view()->updateGL();
    markStationSaved();
    m_stationFile = QString::fromUtf8(fileName);

    // The companion sequence: weld.sim.vks goes with weld.sim.
    QString sequence = QString::fromUtf8(fileName);
    sequence.chop(4);
    if (QFile::exists(sequence))
        loadDemoSequence(&sequence);
    return 0;
}

void MenuPrincipal::reportRefusedObjects(const QStringList &refused)
{
    if (refused.isEmpty())
        return;
    // One message however many: 400 files must not open 100 boxes.
    QString text = tr("%n object(s) were not added.", nullptr, refused.size());
    for (int i = 0; i < refused.size() && i < 5; ++i)
        text += QLatin1Char('\n') + refused.at(i);
    if (refused.size() > 5)
        text += QStringLiteral("\n\u2026");
    emit view()->userMessage(text);
}

void MenuPrincipal::openStationDialog(int *language, int *euler)
{
    const QStringList files = QFileDialog::getOpenFileNames(
        nullptr, tr("Open"), DataDirs::stationDir(), QStringLiteral("Velkari (*.vks)"));
    if (files.isEmpty())
        return;
    const QByteArray name = files.first().toUtf8();
    if (Load_Setup(name.constData(), language, euler) == -1)
        emit view()->userMessage(tr("The station %1 could not be read.").arg(files.first()));
}
