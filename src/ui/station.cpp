// Station files: the options record, then one record per robot and per
// object, fields separated by "#", reals with 6 decimals, CR LF before each
// record.
#include "menuprincipal.h"

#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextStream>
#include <cmath>

namespace {

QString real(double v)
{
    return QString::number(v, 'f', 6);
}

// Paths under the installation are stored with the "../" form, so a station
// keeps working when the installation moves.
QString storedPath(const QString &path)
{
    const QString prefix = DataDirs::applicationDir() + QStringLiteral("/../");
    if (path.startsWith(prefix))
        return QStringLiteral("../") + path.mid(prefix.size());
    return path;
}

double number(const QString &field)
{
    bool ok = false;
    const double v = field.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
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
    }
    for (int i = 0; i < objects->count(); ++i) {
        const ObjectEntry *e = objects->entry(i);
        out += QStringLiteral("\r\n#OBJECT#") + storedPath(e->path) + QLatin1Char('#') + e->name +
               QLatin1Char('#') + real(e->scale) + QLatin1Char('#') + QString::number(e->visible) +
               QLatin1Char('#') + QString::number(e->flipNormals) + QLatin1Char('#');
        for (float f : e->pose)
            out += real(f) + QLatin1Char('#');
    }

    // The old station stays intact unless the whole new one was written.
    QSaveFile file(*filestr);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    const QByteArray bytes = out.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return -1;
    return 0;
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
    const QString content = QString::fromUtf8(file.readAll());
    file.close();

    qCDebug(lcRobot) << "Deleting current station...";
    view()->robotsList()->removeAll();
    view()->ChangeSelectedRobot(nullptr);
    view()->objectsList()->removeAll();
    qCDebug(lcRobot) << "Reading setup.xml file...";

    QStringList lines = content.split(QLatin1Char('\n'));
    for (QString &l : lines)
        l.remove(QLatin1Char('\r'));
    if (lines.isEmpty())
        return 0;
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

    for (int li = 1; li < lines.size(); ++li) {
        const QStringList f = lines.at(li).split(QLatin1Char('#'));
        // A record ends with "#": the piece after the last one is whatever
        // trails it, so a record cut inside its last value is one short.
        if (f.size() >= 29 && f.at(1).contains(QLatin1String("ROBOT"))) {
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
        } else if (f.size() >= 24 && f.at(1).contains(QLatin1String("OBJECT"))) {
            Matrix4 pose;
            for (int k = 0; k < 16; ++k)
                pose[std::size_t(k)] = float(number(f.at(7 + k)));
            view()->objectsList()->AddObject(f.at(2), f.at(3), float(number(f.at(4))),
                                             integer(f.at(5)), integer(f.at(6)), pose);
        }
    }
    view()->updateGL();

    // The companion sequence: weld.sim.vks goes with weld.sim.
    QString sequence = QString::fromUtf8(fileName);
    sequence.chop(4);
    if (QFile::exists(sequence))
        loadDemoSequence(&sequence);
    return 0;
}

void MenuPrincipal::openStationDialog(int *language, int *euler)
{
    const QStringList files = QFileDialog::getOpenFileNames(
        nullptr, tr("Open"), DataDirs::stationDir(), QStringLiteral("Velkari (*.vks)"));
    if (files.isEmpty())
        return;
    const QByteArray name = files.first().toUtf8();
    if (Load_Setup(name.constData(), language, euler) != 0)
        emit view()->userMessage(tr("The station %1 could not be read.").arg(files.first()));
}
