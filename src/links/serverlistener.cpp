#include "serverlistener.h"

#include "kinematics/robot.h"
#include "serverrequest.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <vector>

Q_LOGGING_CATEGORY(lcServer, "velkari.server")

namespace {

// Columns of an incoming array echoed to the diagnostic stream; a program
// of thousands of nodes would otherwise flood it.
constexpr int kLoggedColumns = 10;

QByteArray encodeReply(const std::function<void(QDataStream &)> &fill)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    fill(out);
    return bytes;
}

} // namespace

// One client, from its connection to the end of the reply. It reads only what
// has arrived, on readyRead, and every wait is a timer, so nothing blocks.
class ServerListener::Connection : public QObject
{
public:
    Connection(ServerListener *server, QTcpSocket *socket, quint64 serial);
    ~Connection() override;

    quint64 serial() const { return m_serial; }
    bool waitingForHeader() const { return m_stage == Stage::Header; }
    // Closes to make room for a newer client.
    void evict() { close("the table is full and this client has not sent its header"); }

private:
    enum class Stage
    {
        Header,
        Command,
        Array,
        Replying,
        Done
    };

    void onReadyRead();
    void onTimeout();
    void onDisconnected();
    // Hands what has arrived to the request; true when some of it was taken.
    bool take();
    void readHeader();
    void readCommand();
    void readArray();
    void answerCommand(const QString &command);
    void deliverArray();
    void sendReply(const QByteArray &reply, int stallMs);
    // Closes without reply; nothing more is read.
    void close(const char *why);
    void finish();

    ServerListener *m_server;
    QTcpSocket *m_socket;
    QTimer m_timer;
    Stage m_stage = Stage::Header;
    qint32 m_rows = 0;
    qint32 m_cols = 0;
    qint64 m_expected = 0;
    ServerRequest m_request;
    QVector<double> m_values; // the complete array, handed on by deliverArray
    QElapsedTimer m_arrayClock;
    bool m_robotRecord = false;
    int m_stallMs = 0;
    quint64 m_serial = 0;
    qint64 m_reserved = 0; // bytes of the memory budget this array holds
};

ServerListener::Connection::Connection(ServerListener *server, QTcpSocket *socket,
                                       quint64 serial)
    : QObject(server), m_server(server), m_socket(socket), m_serial(serial)
{
    m_socket->setParent(this);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Connection::onTimeout);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &Connection::onDisconnected);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        // Progress: the stall limit counts from the last bytes written.
        if (m_stage == Stage::Replying)
            m_timer.start(m_stallMs);
    });
    m_timer.start(m_server->m_limits.headerMs);
    // Bytes may already be waiting when the connection is taken.
    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &Connection::onReadyRead);
}

ServerListener::Connection::~Connection()
{
    QObject::disconnect(m_socket, nullptr, this, nullptr);
}

void ServerListener::Connection::onReadyRead()
{
    switch (m_stage) {
    case Stage::Header:
        readHeader();
        break;
    case Stage::Command:
        readCommand();
        break;
    case Stage::Array:
        readArray();
        break;
    case Stage::Replying:
    case Stage::Done:
        // One request per connection: whatever follows it is dropped as it
        // comes, so it cannot pile up.
        m_socket->skip(m_socket->bytesAvailable());
        break;
    }
}

bool ServerListener::Connection::take()
{
    const QByteArray available = m_socket->peek(m_socket->bytesAvailable());
    const qint64 used = m_request.feed(available.constData(), available.size());
    m_socket->skip(used);
    return used > 0;
}

void ServerListener::Connection::readHeader()
{
    take();
    if (m_request.stage() == ServerRequest::Stage::Header)
        return;
    m_rows = m_request.rows();
    m_cols = m_request.cols();
    qCDebug(lcServer) << "size = " << m_rows << m_cols;

    if (m_request.headerRefused()) {
        qCWarning(lcServer).nospace()
            << "Refused a request announcing a " << m_rows << " x " << m_cols << " array";
        close(nullptr);
        return;
    }
    if (!m_server->currentRobot()) {
        close("no robot is loaded");
        return;
    }
    if (m_request.stage() == ServerRequest::Stage::Command) {
        m_stage = Stage::Command;
        m_timer.start(m_server->m_limits.commandMs);
        readCommand();
        return;
    }
    if (m_request.stage() == ServerRequest::Stage::Refused) {
        close(m_request.refusal());
        return;
    }
    m_expected = m_request.expectedValues();
    const qint64 bytes = m_expected * qint64(sizeof(double));
    if (m_server->m_bytesHeld + bytes > m_server->m_memoryBudget) {
        qCWarning(lcServer).nospace()
            << "Refused a " << m_rows << " x " << m_cols
            << " array: the arrays being received already hold " << m_server->m_bytesHeld
            << " of " << m_server->m_memoryBudget << " bytes";
        close(nullptr);
        return;
    }
    m_reserved = bytes;
    m_server->m_bytesHeld += bytes;
    m_stage = Stage::Array;
    m_arrayClock.start();
    m_timer.start(m_server->m_limits.arrayGapMs);
    readArray();
}

void ServerListener::Connection::readCommand()
{
    take();
    if (m_request.stage() == ServerRequest::Stage::Refused) {
        close(m_request.refusal());
        return;
    }
    if (m_request.stage() != ServerRequest::Stage::Complete)
        return;
    const QString command = m_request.command();
    qCDebug(lcServer) << command;
    answerCommand(command);
}

void ServerListener::Connection::readArray()
{
    const int before = m_request.values().size();
    take();
    if (m_request.stage() == ServerRequest::Stage::Complete) {
        m_values = m_request.takeValues();
        deliverArray();
        return;
    }
    if (m_request.values().size() > before) {
        const qint64 left = m_server->m_limits.arrayTotalMs - m_arrayClock.elapsed();
        if (left <= 0) {
            close("the array did not arrive within its time limit and is dropped");
            return;
        }
        m_timer.start(int(qMin<qint64>(m_server->m_limits.arrayGapMs, left)));
    }
}

void ServerListener::Connection::answerCommand(const QString &command)
{
    Robot *robot = m_server->currentRobot();
    if (!robot) {
        close("no robot is loaded");
        return;
    }
    if (command == QLatin1String("GET_ROBOT")) {
        std::vector<double> record(Robot::kRobotRecordSize, 0.0);
        robot->Set_DK_Matrix_v2(record.data());
        const QString path = robot->getFilePath();
        qCDebug(lcServer).noquote() << QStringLiteral("\"%1\"").arg(path);
        m_robotRecord = true;
        sendReply(encodeReply([&](QDataStream &out) {
                      out << path;
                      for (double v : record)
                          out << v;
                      out << QStringLiteral("END");
                  }),
                  m_server->m_limits.recordStallMs);
    } else if (command == QLatin1String("GET_ROBOT_NAME")) {
        const QString path = robot->getFilePath();
        qCDebug(lcServer).noquote() << path;
        sendReply(encodeReply([&](QDataStream &out) { out << path << QStringLiteral("END"); }),
                  m_server->m_limits.replyStallMs);
    } else if (command == QLatin1String("GET_JOINTS")) {
        const std::array<double, 6> q = robot->getJointAngles();
        sendReply(encodeReply([&](QDataStream &out) {
                      for (double v : q)
                          out << v;
                      out << QStringLiteral("END");
                  }),
                  m_server->m_limits.replyStallMs);
    } else {
        close("the command is not one of the known texts");
    }
}

void ServerListener::Connection::deliverArray()
{
    const int rows = m_rows, cols = m_cols;
    QVector<double> values;
    values.swap(m_values);
    if (rows < 6) {
        close("arrays of fewer than six rows are ignored");
        return;
    }
    if (!m_server->currentRobot()) {
        close("no robot is loaded");
        return;
    }
    {
        QString shown;
        for (int c = 0; c < qMin(cols, kLoggedColumns); ++c) {
            QStringList column;
            for (int r = 0; r < rows; ++r)
                column << QString::number(values[c * rows + r]);
            shown += column.join(QLatin1Char(' ')) + QLatin1Char('\n');
        }
        if (cols > kLoggedColumns)
            shown += QStringLiteral("... %1 more columns").arg(cols - kLoggedColumns);
        qCDebug(lcServer).noquote() << shown;
    }
    // The client is let go first: the receiver may take long to analyse a
    // program, and the connection has nothing more to say.
    QPointer<ServerListener> server = m_server;
    close(nullptr);
    if (server)
        emit server->sequenceArrayReceived(rows, cols, values);
}

void ServerListener::Connection::sendReply(const QByteArray &reply, int stallMs)
{
    m_stage = Stage::Replying;
    m_stallMs = stallMs;
    m_timer.start(m_stallMs);
    m_socket->write(reply);
    // Closes once everything is written; disconnected() then ends this.
    m_socket->disconnectFromHost();
}

void ServerListener::Connection::onTimeout()
{
    switch (m_stage) {
    case Stage::Header:
        close("the request header did not arrive in time");
        break;
    case Stage::Command:
        close("the command text did not arrive in time");
        break;
    case Stage::Array: {
        // The timer may fire after a busy spell of the window with the
        // client's bytes already waiting: read them before calling it quiet.
        const int before = m_request.values().size();
        if (m_socket->waitForReadyRead(0) || m_socket->bytesAvailable() > 0) {
            if (m_stage == Stage::Array)
                readArray();
        }
        if (m_stage != Stage::Array || m_request.values().size() > before)
            break; // delivered, closed, or moving again with a new timer
        close("the array did not arrive completely in time and is dropped");
        break;
    }
    case Stage::Replying:
        if (m_robotRecord)
            qCDebug(lcServer) << "Cannot send robot properly";
        else
            qCDebug(lcServer) << "The reply could not be written in time";
        m_socket->abort();
        finish();
        break;
    case Stage::Done:
        break;
    }
}

void ServerListener::Connection::close(const char *why)
{
    if (why)
        qCDebug(lcServer) << "Closing the connection:" << why;
    m_timer.stop();
    m_stage = Stage::Done;
    m_values.clear();
    m_values.squeeze();
    m_request = ServerRequest();
    m_socket->abort();
    finish();
}

void ServerListener::Connection::onDisconnected()
{
    if (m_stage != Stage::Done && m_stage != Stage::Replying)
        qCDebug(lcServer) << "The client left before its request was complete";
    finish();
}

void ServerListener::Connection::finish()
{
    m_stage = Stage::Done;
    m_timer.stop();
    if (m_server && m_reserved > 0) {
        m_server->m_bytesHeld -= m_reserved;
        m_reserved = 0;
    }
    QObject::disconnect(m_socket, nullptr, this, nullptr);
    if (m_server) {
        ServerListener *server = m_server;
        m_server = nullptr;
        server->connectionFinished(this);
    }
}

// ---------------------------------------------------------------- server

ServerListener::ServerListener(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ServerListener::onNewConnection);
}

ServerListener::~ServerListener()
{
    // Connections are children and go with this object; their sockets are
    // aborted as they are destroyed.
    m_connections.clear();
}

void ServerListener::setRobotProvider(std::function<Robot *()> provider)
{
    m_provider = std::move(provider);
}

bool ServerListener::start(quint16 port)
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(QHostAddress::LocalHost, port)) {
        qCWarning(lcServer).noquote()
            << QStringLiteral("The robot data server cannot listen on 127.0.0.1:%1: %2")
                   .arg(port)
                   .arg(m_server->errorString());
        return false;
    }
    return true;
}

void ServerListener::stop()
{
    m_server->close();
}

bool ServerListener::isListening() const
{
    return m_server->isListening();
}

quint16 ServerListener::serverPort() const
{
    return m_server->serverPort();
}

void ServerListener::setMaxConnections(int count)
{
    m_maxConnections = qMax(1, count);
}

Robot *ServerListener::currentRobot() const
{
    if (!m_provider)
        return nullptr;
    Robot *robot = m_provider();
    return robot && robot->isLoaded() ? robot : nullptr;
}

void ServerListener::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        qCDebug(lcServer) << "new connection";
        if (connectionCount() >= m_maxConnections) {
            Connection *oldest = nullptr;
            for (Connection *c : qAsConst(m_connections))
                if (c->waitingForHeader() && (!oldest || c->serial() < oldest->serial()))
                    oldest = c;
            if (oldest)
                oldest->evict();
        }
        if (connectionCount() >= m_maxConnections) {
            qCWarning(lcServer) << "Too many clients at once; a connection is closed unserved";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_connections.insert(new Connection(this, socket, m_nextSerial++));
    }
}

void ServerListener::connectionFinished(Connection *c)
{
    m_connections.remove(c);
    c->deleteLater();
}
