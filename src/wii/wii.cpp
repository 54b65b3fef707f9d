#include "wii.h"
#include "ui_wii.h"

#include "kinematics/matrixtoolbox.h"
#include "scene/panelcommands.h"

#include <QCloseEvent>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcWii, "velkari.wii")

constexpr int kConnectRetryMs = 2000;
constexpr int kUpdateMs = 30;
// A buzz the operator feels without the window waiting for it.
constexpr int kRumbleMs = 150;
// Discovery may take this long in a backend's background search.
constexpr int kFindTimeoutSeconds = 5;
// Events with the Motion Plus present before its values are trusted, and
// events without it before the operator is told.
constexpr int kSettlingEvents = 5;
// Raw gyroscope units per degree accumulated over one event.
constexpr float kGyroScale = 2000.0f;

constexpr std::uint16_t kBothCalibrationButtons = wiiremote::kButtonOne | wiiremote::kButtonTwo;

} // namespace

Wii::Wii(PanelCommands *panel, WiiRemoteBackend *backend, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(new Ui::Wii)
{
    ui->setupUi(this);
    setFixedSize(235, 115);
    if (!backend) {
        m_ownBackend = makePlatformWiiRemote();
        backend = m_ownBackend.get();
    }
    m_remote = backend;
    const Matrix4 identity = toolbox::identity();
    std::copy(identity.begin(), identity.end(), m_relative.begin());

    m_poll = new QTimer(this);
    m_poll->setObjectName(QStringLiteral("pollTimer"));
    m_poll->setInterval(0);
    m_connect = new QTimer(this);
    m_connect->setObjectName(QStringLiteral("connectTimer"));
    m_connect->setInterval(0);
    m_update = new QTimer(this);
    m_update->setObjectName(QStringLiteral("updateTimer"));
    m_update->setInterval(kUpdateMs);
    connect(m_poll, &QTimer::timeout, this, &Wii::Wii_TimeOut);
    connect(m_connect, &QTimer::timeout, this, &Wii::Connect_Timeout);
    connect(m_update, &QTimer::timeout, this, &Wii::Update_Timeout);

    if (panel) {
        // The panel owns the window and outlives it.
        connect(this, &Wii::Send_Wii_Hrel, this,
                [panel](GLfloat *m) { panel->Receive_Wii_Hrel(m); });
        connect(this, &Wii::Send_Wii_Zero, this,
                [panel](const double *zero) { panel->resetAngles(zero, true); });
    }
}

Wii::~Wii()
{
    release();
    delete ui;
}

QString Wii::statusText() const
{
    return ui->status->text();
}

void Wii::setStatus(const QString &text)
{
    ui->status->setText(text);
}

void Wii::Start_Search()
{
    if (m_released)
        return;
    setStatus(QStringLiteral("Looking for a wii remote"));
    m_animation = 0;
    m_connect->start();
}

void Wii::Connect_Timeout()
{
    m_connect->setInterval(kConnectRetryMs);
    setStatus(QStringLiteral("Looking for a wii remote"));
    if (Wii_Connect() == 1) {
        m_connect->stop();
        m_poll->start();
        return;
    }
    static const char *const searching[3] = {"  Looking for a wii remote .",
                                             "   Looking for a wii remote ..",
                                             "    Looking for a wii remote ..."};
    setStatus(QLatin1String(searching[m_animation]));
    m_animation = (m_animation + 1) % 3;
}

int Wii::Wii_Connect()
{
    if (m_released)
        return 0;
    // A failed attempt leaves what it prepared; give it back before the next.
    if (m_held) {
        m_remote->cleanup();
        m_held = false;
        m_connected = false;
    }
    if (!m_remote->init(1)) {
        setStatus(QStringLiteral("No wiimotes found."));
        qCDebug(lcWii, "No wiimotes found.");
        return 0;
    }
    m_held = true;
    if (m_remote->find(1, kFindTimeoutSeconds) <= 0) {
        setStatus(QStringLiteral("No wiimotes found."));
        qCDebug(lcWii, "No wiimotes found.");
        return 0;
    }
    if (m_remote->connect(1) <= 0) {
        setStatus(QStringLiteral("Failed to connect to any wiimote."));
        qCDebug(lcWii, "Failed to connect to any wiimote.");
        return 0;
    }
    m_connected = true;
    setStatus(QStringLiteral("CONNECTED"));
    qCDebug(lcWii, "CONNECTED");
    m_remote->setLeds(kLedsConnected);
    m_remote->rumble(true);
    QTimer::singleShot(kRumbleMs, this, [this]() {
        if (m_connected && !m_released)
            m_remote->rumble(false);
    });
    return 1;
}

void Wii::Wii_TimeOut()
{
    if (m_released || !m_connected)
        return;
    if (m_remote->poll() <= 0)
        return;
    const WiiRemoteState remote = m_remote->state();
    if (remote.event == wiiremote::EventOrdinary)
        handle_event(remote);
    else if (remote.event == wiiremote::EventDisconnect)
        remoteGone();
}

void Wii::remoteGone()
{
    // The remote went away (batteries, out of range, switched off): nothing
    // of what it held down may go on turning the robot.
    qCDebug(lcWii, "The wii remote disconnected");
    m_poll->stop();
    m_update->stop();
    m_sensing = false;
    m_calibrationHeld = false;
    m_count = 0;
    m_sums = {};
    m_remote->cleanup();
    m_held = false;
    m_connected = false;
    setStatus(QStringLiteral("Looking for a wii remote"));
    m_animation = 0;
    m_connect->setInterval(kConnectRetryMs);
    m_connect->start();
}

void Wii::handle_event(const WiiRemoteState &wm)
{
    using namespace wiiremote;
    if (wm.expansion != kExpansionMotionPlus) {
        m_motionPlusEvents = 0;
        m_remote->setMotionPlus(true);
        qCDebug(lcWii, "WM+ not enabled, trying again...");
        if (++m_missingMotionPlus > kSettlingEvents)
            setStatus(QStringLiteral("Wii Motion Plus not detected"));
    } else {
        ++m_motionPlusEvents;
        if (m_sensing) {
            if (m_firstSample) {
                m_zero = wm.gyro;
                m_angle = {};
                m_previous = {};
                m_firstSample = false;
                m_remote->setLeds(kLedsUncalibratedMotion);
            } else {
                for (std::size_t k = 0; k < 3; ++k)
                    m_angle[k] += double(float(int(wm.gyro[k]) - int(m_zero[k])) / kGyroScale);
            }
        }

        // The rest values are the mean over the whole 1+2 hold, so the sums
        // start afresh when the two buttons go down together, not at every
        // event while they stay down.
        if ((wm.buttons & kBothCalibrationButtons) == kBothCalibrationButtons) {
            if (!m_calibrationHeld) {
                m_calibrationHeld = true;
                m_remote->motionSensing(true);
                m_sums = {};
                m_count = 0;
                m_remote->setLeds(kLedsAll);
            }
            if (m_motionPlusEvents > kSettlingEvents) {
                for (std::size_t k = 0; k < 3; ++k)
                    m_sums[k] += wm.gyro[k];
                ++m_count;
            }
        } else {
            m_calibrationHeld = false;
            if (m_count > 0) {
                m_remote->motionSensing(false);
                m_calibrated = true;
                m_firstSample = false;
                for (std::size_t k = 0; k < 3; ++k)
                    m_zero[k] = std::int16_t(m_sums[k] / m_count);
                m_count = 0;
                m_remote->setLeds(kLedsCalibrated);
                qCDebug(lcWii, "Reseted");
            }
        }
    }

    if (wm.released & kButtonB) {
        m_remote->motionSensing(false);
        m_sensing = false;
        m_remote->setLeds(kLedsConnected);
        m_update->stop();
        m_remote->setLeds(m_calibrated ? kLedsCalibrated : kLedsConnected);
    }
    if ((wm.buttons & kButtonB) && !(wm.released & kButtonB)) {
        m_remote->motionSensing(true);
        m_sensing = true;
        if (m_calibrated) {
            m_firstSample = false;
            m_remote->setLeds(kLedsAll);
        } else {
            // Without rest values every event re-takes the zero, so nothing
            // turns until the operator calibrates.
            m_firstSample = true;
            m_remote->setLeds(kLedsUncalibratedMotion);
        }
        // Events come every 10 ms or so; restarting a 30 ms timer at each
        // of them would keep it from ever firing.
        if (!m_update->isActive())
            m_update->start();
    }
    if (wm.buttons & kButtonA) {
        const double zero[6] = {0.0, 0.0, 0.0, 0.0, 90.0, 0.0};
        emit Send_Wii_Zero(zero);
    }
}

void Wii::Update_Timeout()
{
    const double toRadians = toolbox::kPi / 180.0;
    m_deltas = {float(-(m_angle[2] - m_previous[2]) * toRadians),
                float((m_angle[0] - m_previous[0]) * toRadians),
                float(-(m_angle[1] - m_previous[1]) * toRadians)};
    m_previous = m_angle;
    const Matrix4 r = toolbox::radiansXYZ(m_deltas[0], m_deltas[1], m_deltas[2]);
    std::copy(r.begin(), r.end(), m_relative.begin());
    emit Send_Wii_Hrel(m_relative.data());
}

void Wii::release()
{
    if (m_released)
        return;
    m_released = true;
    m_poll->stop();
    m_connect->stop();
    m_update->stop();
    qCDebug(lcWii, "Wii stuff closed and deleted");
    if (m_held) {
        if (m_connected)
            m_remote->setLeds(kLedsClosed);
        m_remote->cleanup();
    }
    m_held = false;
    m_connected = false;
}

void Wii::closeEvent(QCloseEvent *event)
{
    const bool first = !m_released;
    release();
    QWidget::closeEvent(event);
    if (first)
        emit closed();
}
