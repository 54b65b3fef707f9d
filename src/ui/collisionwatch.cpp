#include "collisionwatch.h"

#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "models/cnumber.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "texts/uitexts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressDialog>
#include <algorithm>
#include <cmath>

CollisionWatch::CollisionWatch(glwidget *view, QWidget *labelParent)
    : QObject(labelParent), m_view(view)
{
    m_label = new QLabel(labelParent);
    m_label->setObjectName(QStringLiteral("clearanceLabel"));
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A long object name must not widen the panel; the tooltip holds it all.
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_label->setMinimumWidth(0);
    m_label->installEventFilter(this);
    m_world.setProgress(
        [this](std::size_t done, std::size_t total) { showProgress(done, total); });
    if (!view)
        return;
    // Direct connections: the colours are known before the view repaints.
    connect(view, &glwidget::robotMoved, this, &CollisionWatch::robotMoved);
    connect(view, &glwidget::robotReplaced, this, &CollisionWatch::robotReplaced);
    if (Objects *objects = view->objectsList()) {
        connect(objects, &Objects::Render_GL, this, &CollisionWatch::sceneChanged);
        connect(objects, &Objects::ignoreMaskEdited, this, &CollisionWatch::setIgnoreMask);
        objects->setIgnoreMaskSource([this](int object) {
            syncObjects();
            return unsigned(m_world.ignoreMask(object));
        });
    }
    if (Robots *robots = view->robotsList())
        connect(robots, &Robots::RenderGL, this, &CollisionWatch::sceneChanged);
    sceneChanged();
}

CollisionWatch::~CollisionWatch()
{
    if (m_view && m_view->objectsList())
        m_view->objectsList()->setIgnoreMaskSource(nullptr);
}

const Robot *CollisionWatch::robot() const
{
    // While the robots list replaces its robot, the view still points at the
    // one just deleted: only a robot the list holds is looked at.
    const Robot *r = m_view ? m_view->selectedRobot() : nullptr;
    const Robots *robots = m_view ? m_view->robotsList() : nullptr;
    for (int i = 0; r && robots && i < robots->count(); ++i)
        if (robots->robot(i) == r)
            return r;
    return nullptr;
}

void CollisionWatch::robotReplaced()
{
    m_robotStale = true;
    sceneChanged();
}

void CollisionWatch::syncRobot()
{
    const Robot *r = robot();
    if (r != m_robot)
        m_robotStale = true;
    if (!m_robotStale) {
        if (r && r->getPlacement() != m_placement) {
            m_placement = r->getPlacement();
            m_world.setRobotPlacement(m_placement);
        }
        return;
    }
    m_robotStale = false;
    m_robot = r;
    if (!r || !r->isLoaded()) {
        m_world.clearRobot();
        return;
    }
    QString why;
    m_busy = true;
    m_building = r->getName();
    const bool checked = m_world.setRobot(*r, &why);
    m_busy = false;
    closeProgress();
    if (!checked && !why.isEmpty())
        qCWarning(lcRobot).noquote() << why;
    m_placement = r->getPlacement();
}

void CollisionWatch::syncObjects()
{
    Objects *objects = m_view ? m_view->objectsList() : nullptr;
    if (!objects || m_busy)
        return;
    m_current.clear();
    for (int i = 0; i < objects->count(); ++i)
        m_current.push_back(objects->entry(i));
    // Removed entries first (the list only loses entries or gains them at
    // its end), then whatever is new or was moved, scaled or read again.
    for (std::size_t j = m_known.size(); j-- > 0;)
        if (std::find(m_current.begin(), m_current.end(), m_known[j].entry) == m_current.end()) {
            m_world.removeObject(int(j));
            m_known.erase(m_known.begin() + std::ptrdiff_t(j));
        }
    for (std::size_t i = 0; i < m_current.size(); ++i) {
        const ObjectEntry &e = *m_current[i];
        if (i < m_known.size() && m_known[i].entry == &e && m_known[i].readings == e.meshReadings &&
            m_known[i].scale == e.scale) {
            if (m_known[i].pose != e.pose) {
                m_known[i].pose = e.pose;
                m_world.setObjectPose(int(i), e.pose);
            }
            continue;
        }
        if (i >= m_known.size())
            m_known.resize(i + 1);
        m_known[i] = {&e, e.meshReadings, e.scale, e.pose};
        m_busy = true;
        m_building = e.name;
        QString why;
        const bool checked = m_world.setObject(int(i), e, &why);
        m_busy = false;
        closeProgress();
        // A mesh too large to check is said; one without area (nothing to
        // touch) only goes to the log, the reader has said what it noticed.
        if (!checked && !why.isEmpty()) {
            qCWarning(lcMesh).noquote() << e.name << why;
            if (e.triangleCount() > collision::CollisionWorld::kMaxTriangles)
                emit objects->userMessage(QStringLiteral("%1: %2").arg(e.name, why));
        }
    }
}

void CollisionWatch::showProgress(std::size_t done, std::size_t total)
{
    if (!m_progress) {
        m_progress = new QProgressDialog(
            uitext::get(uitext::Text::CollisionPreparing).arg(m_building), QString(), 0, 1000);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setObjectName(QStringLiteral("collisionProgress"));
    }
    m_progress->setValue(total ? int(1000.0 * double(done) / double(total)) : 0);
    // Painting only: nothing typed or clicked reaches a half-built world.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CollisionWatch::closeProgress()
{
    if (m_progress)
        m_progress->deleteLater();
    m_progress = nullptr;
}

void CollisionWatch::sceneChanged()
{
    if (m_busy)
        return;
    syncRobot();
    syncObjects();
    const unsigned before = m_view ? m_view->highlightedRobotParts() : 0u;
    const std::vector<char> objectsBefore =
        m_view ? m_view->highlightedObjects() : std::vector<char>();
    query();
    // The view has painted already when the panels' signal reached it.
    if (m_view && (before != m_view->highlightedRobotParts() ||
                   objectsBefore != m_view->highlightedObjects()))
        m_view->updateGL();
}

void CollisionWatch::robotMoved()
{
    if (m_busy)
        return;
    if (m_robotStale || robot() != m_robot)
        syncRobot();
    query();
}

void CollisionWatch::query()
{
    const Robot *r = robot();
    if (!r || !m_world.hasRobot()) {
        m_state.colliding = false;
        m_state.parts.fill(false);
        m_state.objects.assign(m_state.objects.size(), 0);
        m_state.pairs.clear();
        m_clearance = collision::Clearance();
    } else {
        const std::array<float, 6> q = r->jointValues();
        m_world.state(q.data(), m_state);
        m_clearance = m_world.clearance(q.data());
    }
    if (m_view) {
        unsigned parts = 0;
        for (int p = 0; p < collision::kParts; ++p)
            if (m_state.parts[std::size_t(p)])
                parts |= 1u << p;
        m_view->setCollisionHighlight(parts, m_state.objects);
    }
    retranslate();
    const QString notice =
        m_state.colliding && !m_state.pairs.empty()
            ? uitext::get(uitext::Text::CollisionNow)
                  .arg(partText(m_state.pairs.front().part),
                       pairText(m_state.pairs.front(), true))
            : QString();
    if (notice != m_notice) {
        m_notice = notice;
        emit collisionNotice(notice);
    }
}

QString CollisionWatch::partText(int part) const
{
    return Objects::robotPartText(part);
}

QString CollisionWatch::pairText(const collision::Pair &pair, bool) const
{
    // The other side of a pair: an object by the name the panel shows, or a
    // link of the robot's own arm.
    if (pair.object < 0)
        return partText(pair.otherPart);
    const Objects *objects = m_view ? m_view->objectsList() : nullptr;
    const ObjectEntry *e = objects ? objects->entry(pair.object) : nullptr;
    return e ? e->name : m_world.objectName(pair.object);
}

void CollisionWatch::retranslate()
{
    QString text;
    if (!robot())
        text = uitext::get(uitext::Text::ClearanceNoRobot);
    else if (!m_clearance.valid() || !std::isfinite(m_clearance.closest.distance))
        text = uitext::get(uitext::Text::ClearanceNoObject);
    else
        text = uitext::get(uitext::Text::ClearanceShown)
                   .arg(m_clearance.closest.distance, 0, 'f', 1)
                   .arg(partText(m_clearance.closest.part),
                        pairText(m_clearance.closest, m_state.colliding));
    if (m_fullText != text) {
        m_fullText = text;
        m_label->setToolTip(text);
        fitLabel();
    }
}

void CollisionWatch::fitLabel()
{
    // Long names are shortened in the middle rather than cut at the edge.
    m_label->setText(
        m_label->fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, m_label->width()));
}

bool CollisionWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label && event->type() == QEvent::Resize)
        fitLabel();
    return QObject::eventFilter(watched, event);
}

QString CollisionWatch::streamingRefusal(const float *target) const
{
    const Robot *r = robot();
    if (!r || !target || !m_world.hasRobot())
        return QString();
    const std::array<float, 6> from = r->jointValues();
    if (!m_world.stepsIntoCollision(from.data(), target))
        return QString();
    collision::Pair first;
    m_world.collides(target, &first);
    return uitext::get(uitext::Text::CollisionLanRefused)
        .arg(partText(first.part), pairText(first, true));
}

bool CollisionWatch::setSafetyDistanceText(const QString &text, QString *why)
{
    double mm = 0.0;
    if (!typed::number(text, &mm, typed::Unit::Length) || !std::isfinite(mm) || mm < 0.0) {
        if (why)
            *why = uitext::get(uitext::Text::SafetyDistanceRefused)
                       .arg(text.trimmed())
                       .arg(safetyDistance(), 0, 'f', 1);
        return false;
    }
    setSafetyDistance(mm);
    return true;
}

void CollisionWatch::setSafetyDistance(double mm)
{
    m_world.setSafetyDistance(mm);
    sceneChanged();
}

void CollisionWatch::setIgnoreMask(int object, unsigned mask)
{
    syncObjects();
    if (object < 0 || object >= m_world.objectCount())
        return;
    m_world.setIgnoreMask(object, mask);
    sceneChanged();
}
