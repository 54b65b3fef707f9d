// Stations in the window: StationFile reads and writes the files; the panel
// applies a Station to the view and collects one from it.
#include "menuprincipal.h"

#include "stations/stationfile.h"

#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "sequences/paths.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "texts/uitexts.h"
#include "ui/collisionwatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>
#include <cmath>

int MenuPrincipal::Save_Setup()
{
    QString name = DataDirs::defaultStation();
    return Save_Setup(&name);
}

int MenuPrincipal::Save_Setup(QString *filestr)
{
    if (!filestr || filestr->isEmpty())
        return -1;
    const Station station = collectStation();
    QString message;
    const StationFile::Result result = StationFile::write(*filestr, station, &message);
    if (result == StationFile::Unsafe) {
        qCWarning(lcRobot).noquote() << message;
        emit view()->userMessage(message);
    }
    if (result != StationFile::Ok)
        return -1;
    m_savedStation = StationFile::text(station);
    m_stationFile = *filestr;
    return 0;
}

Station MenuPrincipal::collectStation() const
{
    glwidget *v = view();
    Robots *robots = v->robotsList();
    Objects *objects = v->objectsList();
    Station s;
    s.hasOptions = true;
    s.language = m_languageCode;
    s.euler = m_lastEuler;
    const collision::CollisionWorld &world = m_collisions->world();
    s.safetyDistance = world.safetyDistance();
    for (int i = 0; i < robots->count(); ++i) {
        const Robot *r = robots->robot(i);
        StationRobot sr;
        sr.file = StationFile::storedPath(r->getFilePath());
        sr.tool = r->getToolPath() == QLatin1String("EMPTY")
                      ? r->getToolPath()
                      : StationFile::storedPath(r->getToolPath());
        sr.name = r->getName();
        sr.visible = r->isVisible();
        const Pose6 world = toolbox::matrixToPose(r->getHB(), m_eulerWorld);
        std::copy(world.begin(), world.end(), sr.world.begin());
        const Matrix4 placement = r->getPlacement();
        std::copy(placement.begin(), placement.end(), sr.placement.begin());
        sr.hasJoints = true;
        const auto joints = r->jointValues();
        std::copy(joints.begin(), joints.end(), sr.joints.begin());
        s.robots.append(sr);
    }
    for (int i = 0; i < objects->count(); ++i) {
        const ObjectEntry *e = objects->entry(i);
        StationObject so;
        so.path = StationFile::storedPath(e->path);
        so.name = e->name;
        so.scale = e->scale;
        so.visible = e->visible;
        so.flipNormals = e->flipNormals;
        std::copy(e->pose.begin(), e->pose.end(), so.pose.begin());
        // Only a choice the user made is written: the checker's own rule
        // (the object the robot stands on) follows the station as it is read.
        so.hasIgnore = i < world.objectCount() && world.hasOwnIgnoreMask(i);
        so.ignoreMask = so.hasIgnore ? world.ignoreMask(i) : 0u;
        s.objects.append(so);
    }
    m_unloaded.restore(s, m_unloadedToolRobot && robots->count() > 0 &&
                              robots->robot(0) == m_unloadedToolRobot);
    return s;
}

QString MenuPrincipal::stationText() const
{
    return StationFile::text(collectStation());
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
    // The whole file is read and checked before anything of the current
    // station goes: a station that cannot be read must not cost the user the
    // station on screen.
    const QString name = QString::fromUtf8(fileName ? fileName : "");
    Station station;
    QString message;
    const StationFile::Result result = StationFile::read(name, &station, &message);
    if (result == StationFile::CannotOpen)
        return -1;
    if (result != StationFile::Ok) {
        qCWarning(lcRobot).noquote() << message;
        emit view()->userMessage(message);
        return kStationDamaged;
    }
    applyStation(station, language, euler);
    if (station.stoppedAtEmpty)
        return 0;
    markStationSaved();
    m_stationFile = name;

    // The companion sequence: weld.sim.vks goes with weld.sim.
    QString sequence = name;
    sequence.chop(4);
    if (QFile::exists(sequence))
        loadDemoSequence(&sequence);
    return 0;
}

void MenuPrincipal::applyStation(const Station &station, int *language, int *euler)
{
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
    if (station.hasOptions) {
        if (language && *language != -1) {
            m_languageCode = station.language;
            *language = m_languageCode;
        }
        storedEuler = station.euler;
        if (euler && *euler != -1) {
            m_lastEuler = storedEuler;
            *euler = storedEuler;
        }
    }
    const int worldConvention =
        toolbox::isEulerConvention(storedEuler) ? storedEuler : m_eulerWorld;
    QStringList refused;
    view()->objectsList()->collectRefusals(&refused);
    m_unloaded = StationLeftovers();
    m_unloadedToolRobot = nullptr;

    for (const StationRobot &sr : station.robots) {
        m_robotFileName = sr.file;
        QByteArray robotPath = sr.file.toUtf8();
        if (!loadModel(robotPath.data())) {
            m_unloaded.robots.append(sr);
            continue;
        }
        m_unloaded.robots.clear(); // the station's robot is the last one read
        Robot *r = view()->selectedRobot();
        m_toolFileName = sr.tool;
        m_unloaded.tool.clear();
        if (sr.tool != QLatin1String("EMPTY")) {
            QByteArray toolPath = sr.tool.toUtf8();
            if (!loadTool(toolPath.data())) {
                m_unloaded.tool = sr.tool;
                m_unloadedToolRobot = r;
            }
        }
        r->setName(sr.name);
        r->setVisible(sr.visible);
        view()->robotsList()->showRobot(view()->robotsList()->selectedIndex());
        // The field shows two decimals; the frame is what the field says.
        Pose6 world;
        for (std::size_t k = 0; k < 6; ++k)
            world[k] = float(std::round(sr.world[k] * 100.0) / 100.0);
        r->setHB(toolbox::poseToMatrix(world, worldConvention));
        Matrix4 placement;
        for (std::size_t k = 0; k < 16; ++k)
            placement[k] = float(sr.placement[k]);
        r->setPlacement(placement);
        World_Definition_Refresh();
        view()->do_viewIso(); // look at the robot where it now stands
        if (sr.hasJoints && m_robotLoaded) {
            double q[6];
            std::copy(sr.joints.begin(), sr.joints.end(), q);
            resetAngles(q, true);
        }
    }
    int placed = 0; // objects added so far: their place in the panel's list
    for (int i = 0; i < station.objects.size(); ++i) {
        const StationObject &so = station.objects.at(i);
        Matrix4 pose;
        for (std::size_t k = 0; k < 16; ++k)
            pose[k] = float(so.pose[k]);
        if (view()->objectsList()->AddObject(so.path, so.name, float(so.scale), so.visible,
                                             so.flipNormals, pose) != 0) {
            m_unloaded.objects.append({i, so});
            continue;
        }
        if (so.hasIgnore)
            m_collisions->setIgnoreMask(placed, so.ignoreMask);
        ++placed;
    }
    m_collisions->setSafetyDistance(station.safetyDistance);
    view()->objectsList()->collectRefusals(nullptr);
    if (station.stoppedAtEmpty) {
        // A robot record without a robot ends the station where it stands.
        m_robotFileName = QStringLiteral("EMPTY");
        qCDebug(lcRobot) << "Internal problem, causat per la importacio de la estacio";
    }
    view()->updateGL();
    QStringList files;
    for (const auto &placed : qAsConst(m_unloaded.objects))
        files << placed.second.path;
    reportRefusedObjects(refused, files);
}

void MenuPrincipal::reportRefusedObjects(const QStringList &refused, const QStringList &files)
{
    if (refused.isEmpty())
        return;
    constexpr int kShown = 10;
    QStringList names;
    for (int i = 0; i < files.size() && i < kShown; ++i)
        names << QFileInfo(files.at(i)).fileName();
    if (files.size() > kShown)
        names << QStringLiteral("\u2026");
    // In the status line as well: the box goes when it is closed (and a
    // picture of the window does not hold it) while the objects stay missing.
    m_notice = uitext::get(uitext::Text::ObjectsNotLoaded)
                   .arg(refused.size())
                   .arg(names.join(QStringLiteral(", ")));
    emit noticeChanged(m_notice);
    // One message however many: 400 files must not open 100 boxes.
    QString text = m_notice;
    for (int i = 0; i < refused.size() && i < kShown; ++i)
        text += QLatin1Char('\n') + refused.at(i);
    if (refused.size() > kShown)
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
