// The LAN link to a real robot controller: the simulated robot's joint values
// are streamed over TCP to a small program on the controller, which moves the
// real robot joint by joint.
//
// Messages are sequences of five-byte LAN numbers (lannumber.h), no other
// framing:
//   to robot    1, -1            hello / version request
//   from robot  version, format  the version must be 1 (within 0.001)
//   to robot    9                request the current joints
//   from robot  9, j1 ... j6     echo of the request, then six joints (degrees)
//   to robot    12, j1 ... j6    move to these joints (degrees)
//   to robot    0                end of the connection
//
// The window searches for the controller (an attempt at once, then every
// second), checks the version, takes over the robot's joints and then
// forwards joint changes, at most one message per 101 ms. Everything is
// driven by the socket's signals and timers: no wait blocks the interface.
// Replies are only taken while a read is waiting for them; every read has a
// 5 s limit, and the search for the echo of 9 (exactly its five bytes: a
// window that merely rounds to 9 is a misaligned read) gives up after 35
// bytes.
#pragma once

#include "lanreply.h"

#include <GL/gl.h>
#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QMessageBox;
class QTcpSocket;
class Robot;

class LANcontrol : public QWidget
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 2000;
    static constexpr int kJointIntervalMs = 101;
    static constexpr int kAttemptIntervalMs = 1000;
    static constexpr int kReadLimitMs = 5000;
    // Bytes examined while looking for the echo of 9: the echo itself plus
    // room for thirty stray bytes. A peer that never echoes 9 is given up.
    static constexpr int kMaxSyncBytes = lan::JointsReply::kMaxSyncBytes;
    static QString defaultAddress() { return QStringLiteral("192.168.125.1"); }

    enum class State
    {
        Idle,
        Searching,
        ReadingVersion,
        ReadingAngleFormat,
        SeekingEcho,
        ReadingJoints,
        Connected,
        Failed,
        Closed
    };

    // Shown on its own even when given a parent.
    explicit LANcontrol(QWidget *parent = nullptr);
    ~LANcontrol() override;

    // The controller to reach; without it start() asks with the address dialog.
    void setTarget(const QString &host, quint16 port = kDefaultPort);
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }

    // The robot whose limits every joint value must respect, in both
    // directions; asked at the moment of use. Without a loaded robot no joint
    // message is sent and the controller's joints are not taken.
    void setRobotProvider(std::function<const Robot *()> provider);

    // Starts searching for the controller.
    void start();

    // Forwards the six joint values (degrees, joint 1 first) while connected.
    // At most one message leaves per kJointIntervalMs; changes that come
    // sooner are held back and the latest of them is sent as soon as the
    // interval has passed (unless it is what was sent last), so the robot
    // always ends at the last pose.
    // A message with a value a LAN number cannot carry (NaN, below
    // -10000.999999, from 55536 up), or outside the robot's limits, is
    // refused with a diagnostic rather than sent.
    void Send_Joints(const float *six);

    State state() const { return m_state; }
    bool isConnected() const { return m_state == State::Connected; }
    QString statusText() const;
    // Joint messages written since the connection.
    int jointMessagesSent() const { return m_jointMessages; }

    // The address dialog: the trimmed text, or the default address when it is
    // cancelled or left empty.
    static QString askAddress();
    static QString addressFromDialog(bool accepted, const QString &text);

    // Tests shorten the 5 s read limit to exercise short replies quickly.
    void setReadLimitForTesting(int ms) { m_readLimitMs = ms; }

signals:
    // The version check passed. `thetas` holds the robot's six joints, or is
    // null when they could not be read; it is valid during the emission only.
    // Joints outside the simulated robot's limits are not taken: the link
    // then ends (see connectionFailed) and nothing is sent back.
    void connectionEstablished(GLfloat *thetas);
    // The handshake failed; `message` is the text of the message box shown.
    void connectionFailed(const QString &message);
    // The window was closed; the receiver should delete it with deleteLater().
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void Connect_Timeout();
    void readDataStream();
    void displayError(QAbstractSocket::SocketError error);

private:
    void onConnected();
    void onDisconnected();
    void onReadLimit();
    void onTrailingSend();
    bool step();
    void finishHandshake();
    void finishJoints(bool received);
    void fail(const QString &reason);
    void showSearching();
    bool writeJoints();
    void writeNumbers(std::initializer_list<double> values);
    void discardInput();
    void setStatus(const QString &text);

    bool jointsAllowed(const float *six, QString *why) const;

    std::function<const Robot *()> m_robotProvider;
    QLabel *m_label = nullptr;
    QTcpSocket *m_socket = nullptr;
    QTimer m_attemptTimer;
    QTimer m_readTimer;
    QTimer m_trailTimer;
    QElapsedTimer m_lastSend;
    QPointer<QMessageBox> m_box;
    State m_state = State::Idle;
    int m_counter = 0;
    QString m_host;
    quint16 m_port = kDefaultPort;
    bool m_hasTarget = false;
    int m_readLimitMs = kReadLimitMs;
    lan::NumberReply m_number;
    lan::JointsReply m_jointsReply;
    double m_version = 0.0;
    bool m_shortRead = false;
    QString m_error;
    std::array<GLfloat, 6> m_thetas{};
    std::array<float, 6> m_latest{};
    std::array<float, 6> m_lastSent{};
    bool m_pending = false;
    bool m_endSent = false;
    bool m_attemptReported = false;
    bool m_discardReported = false;
    int m_jointMessages = 0;
};
