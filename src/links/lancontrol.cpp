#include "lancontrol.h"

#include "kinematics/jointlimits.h"
#include "kinematics/robot.h"
#include "lannumber.h"
#include "lanreply.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTcpSocket>
#include <cmath>

Q_LOGGING_CATEGORY(lcLan, "velkari.lan")

namespace {

const char kProblemText[] = "Problems during connection. Make sure that the Velkari robot "
                            "program v1.0 is running in the robot. ";

constexpr double kJointRequest = 9.0;
constexpr double kMoveCommand = 12.0;

} // namespace

LANcontrol::LANcontrol(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("LAN robot control"));
    setFixedSize(250, 43);
    m_label = new QLabel(QStringLiteral("TextLabel"), this);
    m_label->setAlignment(Qt::AlignCenter);
    QFont font = m_label->font();
    font.setPointSize(10);
    font.setBold(true);
    m_label->setFont(font);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, Qt::darkBlue);
    m_label->setPalette(palette);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_label);

    m_attemptTimer.setInterval(0);
    connect(&m_attemptTimer, &QTimer::timeout, this, &LANcontrol::Connect_Timeout);
    m_readTimer.setSingleShot(true);
    connect(&m_readTimer, &QTimer::timeout, this, &LANcontrol::onReadLimit);
    m_trailTimer.setSingleShot(true);
    m_trailTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_trailTimer, &QTimer::timeout, this, &LANcontrol::onTrailingSend);

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &LANcontrol::onConnected);
    connect(m_socket, &QTcpSocket::disconnected, this, &LANcontrol::onDisconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &LANcontrol::readDataStream);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &LANcontrol::displayError);
}

LANcontrol::~LANcontrol()
{
    qCDebug(lcLan) << "Disconnecting and deleting LAN";
    m_attemptTimer.stop();
    m_readTimer.stop();
    m_trailTimer.stop();
    QObject::disconnect(m_socket, nullptr, this, nullptr);
    // A window deleted without being closed still tells the robot program
    // that the stream ends.
    if (m_state != State::Failed && m_state != State::Closed && !m_endSent &&
        m_socket->state() == QAbstractSocket::ConnectedState) {
        writeNumbers({0.0});
        m_socket->flush();
    }
    m_socket->disconnectFromHost();
    delete m_box;
}

void LANcontrol::setRobotProvider(std::function<const Robot *()> provider)
{
    m_robotProvider = std::move(provider);
}

bool LANcontrol::jointsAllowed(const float *six, QString *why) const
{
    const Robot *robot = m_robotProvider ? m_robotProvider() : nullptr;
    if (!robot || !robot->isLoaded()) {
        *why = QStringLiteral("no robot is loaded");
        return false;
    }
    const jointlimits::Verdict v = jointlimits::check(*robot, six);
    *why = jointlimits::describe(v);
    return v.ok;
}

void LANcontrol::setTarget(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
    m_hasTarget = true;
}

QString LANcontrol::statusText() const
{
    return m_label->text();
}

QString LANcontrol::addressFromDialog(bool accepted, const QString &text)
{
    const QString address = text.trimmed();
    return accepted && !address.isEmpty() ? address : defaultAddress();
}

QString LANcontrol::askAddress()
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        nullptr, QStringLiteral("Set the robot IP"),
        QStringLiteral("Set the IP of the robot.\nHint: The IP of this computer should be\n"
                       "XXX.XXX.XXX.YYY\nwhere XXX.XXX.XXX. must be equal to the robot IP\n"
                       "and YYY must be different"),
        QLineEdit::Normal, defaultAddress(), &ok);
    return addressFromDialog(ok, text);
}

void LANcontrol::start()
{
    if (m_state != State::Idle)
        return;
    if (!m_hasTarget)
        setTarget(askAddress(), kDefaultPort);
    setStatus(QStringLiteral("Looking for a connection"));
    m_counter = 0;
    m_state = State::Searching;
    m_attemptTimer.setInterval(0);
    m_attemptTimer.start();
}

// ---------------------------------------------------------------- searching

void LANcontrol::Connect_Timeout()
{
    m_attemptTimer.setInterval(kAttemptIntervalMs);
    if (m_state != State::Searching) {
        m_attemptTimer.stop();
        return;
    }
    // An attempt still pending after its second has failed.
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->abort();
        if (!m_attemptReported)
            showSearching();
    }
    m_attemptReported = false;
    m_socket->connectToHost(m_host, m_port);
}

void LANcontrol::showSearching()
{
    static const char *const texts[3] = {"  Looking for a connection .",
                                         "   Looking for a connection ..",
                                         "    Looking for a connection ..."};
    setStatus(QLatin1String(texts[m_counter]));
    m_counter = (m_counter + 1) % 3;
}

void LANcontrol::displayError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        qCDebug(lcLan) << "SOCKET ERROR: The connection was refused by the peer. Make sure the "
                          "fortune server is running, and check that the host name and port "
                          "settings are correct.";
        break;
    case QAbstractSocket::HostNotFoundError:
        qCDebug(lcLan)
            << "SOCKET ERROR: The host was not found. Please check the host name and port "
               "settings.";
        break;
    case QAbstractSocket::RemoteHostClosedError:
        qCDebug(lcLan) << "SOCKET ERROR: RemoteHostClosedError";
        break;
    default:
        qCDebug(lcLan).noquote() << "SOCKET ERROR: The following error occurred: " +
                                        m_socket->errorString();
        break;
    }
    // A refused or unreachable controller is simply looked for again at the
    // next tick, which also clears the failed attempt.
    if (m_state == State::Searching && !m_attemptReported) {
        m_attemptReported = true;
        showSearching();
    }
}

// ---------------------------------------------------------------- handshake

void LANcontrol::onConnected()
{
    if (m_state != State::Searching)
        return;
    m_attemptTimer.stop();
    m_discardReported = false;
    discardInput();
    m_error.clear();
    m_shortRead = false;
    m_version = 0.0;
    m_number = lan::NumberReply();
    m_state = State::ReadingVersion;
    writeNumbers({1.0, -1.0});
    m_readTimer.start(m_readLimitMs);
}

void LANcontrol::readDataStream()
{
    while (step()) {
    }
}

// Consumes what the current read needs; returns true when the read moved on
// and more bytes may be for the next one.
bool LANcontrol::step()
{
    // The readers take only what their reply needs; the rest stays in the
    // socket for the next read (or is discarded when no read waits).
    const auto feed = [this](auto &reader) {
        const QByteArray available = m_socket->peek(m_socket->bytesAvailable());
        const std::size_t used =
            reader.feed(reinterpret_cast<const std::uint8_t *>(available.constData()),
                        std::size_t(available.size()));
        m_socket->skip(qint64(used));
    };
    switch (m_state) {
    case State::ReadingVersion:
    case State::ReadingAngleFormat: {
        feed(m_number);
        if (!m_number.complete())
            return false;
        const double value = m_number.value();
        m_number = lan::NumberReply();
        if (m_state == State::ReadingVersion) {
            m_version = value;
            m_state = State::ReadingAngleFormat;
            m_readTimer.start(m_readLimitMs);
            return true;
        }
        // The angle format is read and not used.
        m_readTimer.stop();
        finishHandshake();
        return false;
    }
    case State::SeekingEcho:
    case State::ReadingJoints: {
        feed(m_jointsReply);
        switch (m_jointsReply.status()) {
        case lan::JointsReply::Status::SeekingEcho:
            return false;
        case lan::JointsReply::Status::ReadingJoints:
            m_state = State::ReadingJoints;
            return false;
        case lan::JointsReply::Status::NoEcho:
            qCWarning(lcLan) << "No echo of the joint request within" << kMaxSyncBytes << "bytes";
            finishJoints(false);
            return false;
        case lan::JointsReply::Status::Done:
            for (int k = 0; k < 6; ++k)
                m_thetas[std::size_t(k)] = GLfloat(m_jointsReply.joints()[std::size_t(k)]);
            finishJoints(true);
            return false;
        }
        return false;
    }
    case State::Idle:
    case State::Searching:
    case State::Connected:
    case State::Failed:
    case State::Closed:
        // No read is waiting: what comes now answers nothing we asked.
        discardInput();
        return false;
    }
    return false;
}

void LANcontrol::onReadLimit()
{
    switch (m_state) {
    case State::ReadingVersion:
        // The angle format cannot have come either.
        m_error += QStringLiteral("Unexpected number of bytes received (version). ");
        m_error += QStringLiteral("Unexpected number of bytes received (angle format). ");
        fail(m_error);
        break;
    case State::ReadingAngleFormat:
        m_error += QStringLiteral("Unexpected number of bytes received (angle format). ");
        m_shortRead = true;
        finishHandshake();
        break;
    case State::SeekingEcho:
    case State::ReadingJoints:
        qCWarning(lcLan) << "The robot's joints did not arrive in time";
        finishJoints(false);
        break;
    default:
        break;
    }
}

void LANcontrol::finishHandshake()
{
    if (std::fabs(m_version - 1.0) > 0.001) {
        m_error += QStringLiteral("Version received is: ") + QString::number(m_version, 'f', 4);
        fail(m_error);
        return;
    }
    if (m_shortRead) {
        fail(m_error);
        return;
    }
    setStatus(QStringLiteral("CONNECTED"));
    discardInput();
    m_jointsReply = lan::JointsReply();
    m_state = State::SeekingEcho;
    writeNumbers({kJointRequest});
    m_readTimer.start(m_readLimitMs);
}

void LANcontrol::finishJoints(bool received)
{
    m_readTimer.stop();
    m_state = State::Connected;
    m_lastSend.invalidate();
    m_jointMessages = 0;
    discardInput();
    if (received) {
        qCDebug(lcLan) << "Robot joints received:" << m_thetas[0] << m_thetas[1] << m_thetas[2]
                       << m_thetas[3] << m_thetas[4] << m_thetas[5];
        QString why;
        if (!jointsAllowed(m_thetas.data(), &why)) {
            // Either the controller is not the robot simulated here or the
            // bytes were misread; echoing them back would move the real
            // robot. The link ends without another byte.
            fail(QStringLiteral("The robot's joints are refused (%1). ").arg(why));
            setStatus(QStringLiteral("JOINTS REFUSED"));
            return;
        }
        emit connectionEstablished(m_thetas.data());
    } else {
        // Still connected: the simulated robot keeps its joints and sends them.
        qCWarning(lcLan) << "The robot's joints could not be read; the simulated joints are "
                            "sent instead";
        emit connectionEstablished(nullptr);
    }
}

void LANcontrol::fail(const QString &reason)
{
    m_readTimer.stop();
    m_trailTimer.stop();
    m_pending = false;
    m_state = State::Failed;
    m_socket->abort();
    setStatus(QStringLiteral("PROBLEMS"));
    const QString text = QLatin1String(kProblemText) + reason;
    qCWarning(lcLan).noquote() << text;
    delete m_box;
    // Modal for the whole application, but shown without a nested event loop
    // so the link and the data server keep running behind it.
    m_box = new QMessageBox(QMessageBox::Warning, QStringLiteral("LAN robot control"), text,
                            QMessageBox::Ok);
    m_box->setAttribute(Qt::WA_DeleteOnClose);
    m_box->setWindowModality(Qt::ApplicationModal);
    m_box->show();
    emit connectionFailed(text);
}

void LANcontrol::onDisconnected()
{
    switch (m_state) {
    case State::ReadingVersion:
    case State::ReadingAngleFormat:
        // Nothing more can come: the reads end short at once.
        m_readTimer.stop();
        onReadLimit();
        break;
    case State::SeekingEcho:
    case State::ReadingJoints:
        fail(QStringLiteral("The robot closed the connection. "));
        break;
    case State::Connected:
        qCWarning(lcLan) << "The robot closed the connection; joint values are no longer sent";
        m_trailTimer.stop();
        m_pending = false;
        m_state = State::Failed;
        setStatus(QStringLiteral("PROBLEMS"));
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- joints

void LANcontrol::Send_Joints(const float *six)
{
    if (m_state != State::Connected || !six)
        return;
    std::copy(six, six + 6, m_latest.begin());
    if (!m_lastSend.isValid() || m_lastSend.elapsed() >= kJointIntervalMs) {
        m_trailTimer.stop();
        m_pending = false;
        writeJoints();
        return;
    }
    m_pending = true;
    if (!m_trailTimer.isActive())
        m_trailTimer.start(int(kJointIntervalMs - m_lastSend.elapsed()));
}

void LANcontrol::onTrailingSend()
{
    if (!m_pending || m_state != State::Connected)
        return;
    const qint64 elapsed = m_lastSend.isValid() ? m_lastSend.elapsed() : kJointIntervalMs;
    if (elapsed < kJointIntervalMs) {
        // Timers may fire a little early; the interval is a hard minimum.
        m_trailTimer.start(int(kJointIntervalMs - elapsed));
        return;
    }
    m_pending = false;
    // Changes that came back to the pose already sent need no message.
    if (m_latest != m_lastSent)
        writeJoints();
}

bool LANcontrol::writeJoints()
{
    QByteArray message(7 * lan::kNumberSize, '\0');
    auto *out = reinterpret_cast<std::uint8_t *>(message.data());
    lan::encode(kMoveCommand, out);
    QString why;
    if (!jointsAllowed(m_latest.data(), &why)) {
        qCWarning(lcLan).noquote() << QStringLiteral("The joint message is not sent: %1").arg(why);
        return false;
    }
    for (int k = 0; k < 6; ++k) {
        const double v = m_latest[std::size_t(k)];
        lan::Number n;
        if (lan::encode(v, n) != lan::Fit::Exact) {
            // The controller would move the real robot somewhere else than
            // the simulator shows; better not to move it at all.
            qCWarning(lcLan).nospace()
                << "Joint " << k + 1 << " value " << v
                << " cannot be carried by a LAN number (range -10000.999999 to 55535.999999); "
                   "the joint message is not sent";
            return false;
        }
        std::copy(n.begin(), n.end(), out + (k + 1) * lan::kNumberSize);
    }
    qCDebug(lcLan).noquote() << QStringLiteral("COM_MoveAbsJ %1 %2 %3 %4 %5 %6")
                                    .arg(double(m_latest[0]))
                                    .arg(double(m_latest[1]))
                                    .arg(double(m_latest[2]))
                                    .arg(double(m_latest[3]))
                                    .arg(double(m_latest[4]))
                                    .arg(double(m_latest[5]));
    m_socket->write(message);
    m_lastSent = m_latest;
    m_lastSend.start();
    ++m_jointMessages;
    return true;
}

void LANcontrol::writeNumbers(std::initializer_list<double> values)
{
    QByteArray message;
    for (double v : values) {
        lan::Number n;
        lan::encode(v, n);
        message.append(reinterpret_cast<const char *>(n.data()), lan::kNumberSize);
    }
    m_socket->write(message);
}

void LANcontrol::discardInput()
{
    const qint64 n = m_socket->bytesAvailable();
    if (n <= 0)
        return;
    m_socket->skip(n);
    if (!m_discardReported) {
        // Once per connection: a chatty peer must not flood the diagnostics.
        m_discardReported = true;
        qCDebug(lcLan) << "Discarded" << n << "bytes that answer no request";
    }
}

void LANcontrol::setStatus(const QString &text)
{
    m_label->setText(text);
}

// ---------------------------------------------------------------- closing

void LANcontrol::closeEvent(QCloseEvent *event)
{
    m_attemptTimer.stop();
    m_readTimer.stop();
    m_trailTimer.stop();
    m_pending = false;
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        if (!m_endSent && m_state != State::Failed) {
            writeNumbers({0.0});
            m_socket->flush();
            m_endSent = true;
        }
    } else {
        m_socket->abort();
    }
    m_state = State::Closed;
    event->accept();
    emit closed();
}
