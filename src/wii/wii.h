// Jogging with a Wii remote fitted with a Wii Motion Plus: while B is held
// the change of the remote's orientation turns the tool about the World
// axes; 1+2 held together take the gyroscopes' rest values; A puts the robot
// back to its reference joints.
//
// Three timers drive it on the GUI thread: connection attempts (at once,
// then every 2 s), polling (whenever the event loop is idle) and, while B is
// held, the orientation update every 30 ms.
#pragma once

#include "wii/wiiremote.h"

#include <GL/gl.h>
#include <QWidget>
#include <array>
#include <memory>

class PanelCommands;
class QTimer;

namespace Ui {
class Wii;
}

class Wii : public QWidget
{
    Q_OBJECT
public:
    // LED patterns the operator reads the state from.
    static constexpr int kLedsConnected = wiiremote::kLed2;
    static constexpr int kLedsCalibrated = wiiremote::kLed1 | wiiremote::kLed2;
    static constexpr int kLedsUncalibratedMotion = wiiremote::kLed2 | wiiremote::kLed3;
    static constexpr int kLedsAll = 0xF0;
    static constexpr int kLedsClosed = wiiremote::kLed1 | wiiremote::kLed4;

    // A null backend means the platform's (see makePlatformWiiRemote); the
    // window then owns it. A backend passed in stays its caller's and must
    // outlive the window.
    explicit Wii(PanelCommands *panel, WiiRemoteBackend *backend = nullptr,
                 QWidget *parent = nullptr);
    ~Wii() override;

    // Starts looking for a remote.
    void start() { Start_Search(); }
    void Start_Search();
    // One connection attempt: 1 when a remote is connected, else 0.
    int Wii_Connect();

    QString statusText() const;
    bool isCalibrated() const { return m_calibrated; }
    bool isSensing() const { return m_sensing; }
    const std::array<std::int16_t, 3> &gyroZero() const { return m_zero; }

signals:
    // The rotation since the last update, row-major, no translation. The
    // matrix stays ours; receivers copy it.
    void Send_Wii_Hrel(GLfloat *Hrel);
    // Six joint values in degrees, valid during the call.
    void Send_Wii_Zero(const double *zero);
    void closed();

private slots:
    void Wii_TimeOut();
    void Connect_Timeout();
    void Update_Timeout();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void handle_event(const WiiRemoteState &remote);
    void setStatus(const QString &text);
    void release();
    // A connected remote reported that it is gone: back to searching.
    void remoteGone();

    Ui::Wii *ui = nullptr;
    std::unique_ptr<WiiRemoteBackend> m_ownBackend;
    WiiRemoteBackend *m_remote = nullptr;
    QTimer *m_poll = nullptr;
    QTimer *m_connect = nullptr;
    QTimer *m_update = nullptr;

    bool m_held = false;      // init() done, cleanup() owed
    bool m_connected = false; // a remote answers
    bool m_released = false;  // closed: the remote is not touched again

    std::array<std::int16_t, 3> m_zero{};
    std::array<double, 3> m_angle{};
    std::array<double, 3> m_previous{};
    std::array<long long, 3> m_sums{}; // wide enough for any length of hold
    int m_count = 0;
    bool m_calibrated = false;
    bool m_calibrationHeld = false; // 1+2 were both down at the last Motion Plus event
    bool m_sensing = false;
    bool m_firstSample = true;
    int m_motionPlusEvents = 0;
    int m_missingMotionPlus = 0;
    int m_animation = 0;
    std::array<GLfloat, 16> m_relative{};
    std::array<float, 3> m_deltas{};
};
