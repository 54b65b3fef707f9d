// The robot data server: a TCP server on the loopback address that lets other
// programs on this computer read the simulated robot and push sequences into
// the player.
//
// Wire format: QDataStream with its default settings on both sides
// (big-endian, qint32, 8-byte IEEE doubles, QString as a quint32 byte count
// followed by UTF-16BE code units, 0xFFFFFFFF for a null string). One
// connection carries one request and its reply; the server closes it after.
//
//   request  = qint32 rows, qint32 cols, then
//              rows = cols = 0:  QString command
//              otherwise:        rows * cols doubles, column by column
//   "GET_ROBOT"       -> QString file path, 4000 doubles (the robot record), QString "END"
//   "GET_ROBOT_NAME"  -> QString file path, QString "END"
//   "GET_JOINTS"      -> 6 doubles (degrees, joint 1 first), QString "END"
//   anything else     -> no reply
//
// Every connection is driven by its own readyRead and timers, so a slow or
// silent client never holds up the interface or another client; each request
// is answered as soon as it is complete, in the order requests complete.
// The time limits of a connection:
//   - the 8-byte header must be complete 8 s after the connection;
//   - a command text must be complete 1 s after the header;
//   - array data may pause at most 200 ms at a time (and the whole array must
//     be in within 60 s), otherwise the request is dropped as incomplete;
//   - writing the reply may stall at most 5 s for the robot record and 3 s
//     otherwise before the connection is given up.
// Headers with a negative dimension, or announcing more than
// kMaxArrayValues values, are refused before anything is allocated. The
// arrays of all connections together may hold at most the memory budget
// (256 MB by default): a header that would pass it closes its connection
// before anything is allocated. When every slot is taken, the oldest
// connection still waiting for its header makes room for the newcomer, so
// silent clients cannot lock out a real one. With no robot loaded every
// request is closed without a reply.
#pragma once

#include "serverrequest.h"

#include <QObject>
#include <QSet>
#include <QVector>
#include <functional>

class QTcpServer;
class Robot;

class ServerListener : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 2001;
    // Refusal limits of a request (serverrequest.h).
    static constexpr qint64 kMaxArrayValues = ServerRequest::kMaxArrayValues;
    static constexpr quint32 kMaxCommandBytes = ServerRequest::kMaxCommandBytes;
    static constexpr int kDefaultMaxConnections = 64;
    static constexpr qint64 kDefaultMemoryBudget = qint64(256) * 1024 * 1024;

    struct TimeLimits
    {
        int headerMs = 8000;
        int commandMs = 1000;
        int arrayGapMs = 200;
        int arrayTotalMs = 60000;
        int replyStallMs = 3000;
        int recordStallMs = 5000;
    };

    explicit ServerListener(QObject *parent = nullptr);
    ~ServerListener() override;

    // Called at the moment of each request to reach the current robot; may
    // return null. Without a provider, or while it gives no loaded robot,
    // every request is closed without reply.
    void setRobotProvider(std::function<Robot *()> provider);

    // Listens on 127.0.0.1 only. Port 0 picks a free port (see serverPort()).
    // Returns false, with a diagnostic, when the port cannot be bound (another
    // instance runs); the program then simply serves nobody.
    bool start(quint16 port = kDefaultPort);
    void stop();
    bool isListening() const;
    quint16 serverPort() const;

    // Connections served at once; more are closed as soon as they arrive.
    void setMaxConnections(int count);
    int maxConnections() const { return m_maxConnections; }
    int connectionCount() const { return int(m_connections.size()); }

    // Bytes of array data all connections together may announce and hold.
    void setMemoryBudget(qint64 bytes) { m_memoryBudget = qMax<qint64>(0, bytes); }
    qint64 memoryBudget() const { return m_memoryBudget; }
    qint64 bytesHeld() const { return m_bytesHeld; }

    // Shorter limits let tests run quickly; the program keeps the defaults.
    void setTimeLimitsForTesting(const TimeLimits &limits) { m_limits = limits; }
    const TimeLimits &timeLimits() const { return m_limits; }

signals:
    // An array of at least six rows and one column arrived while a robot was
    // loaded. Element (r, c) is columnMajorValues[c * rows + r]; each column
    // is one node of a new sequence that replaces the current one:
    //   rows == 6: a position list, the six joint values in degrees
    //              (joint 1 first), played as they are;
    //   rows >= 7: a program whose first row is the instruction code, to be
    //              analysed for continuity before it plays.
    // Arrays of other shapes are read and dropped without this signal.
    void sequenceArrayReceived(int rows, int cols, QVector<double> columnMajorValues);

private slots:
    void onNewConnection();

private:
    class Connection;
    friend class Connection;

    Robot *currentRobot() const;
    void connectionFinished(Connection *c);

    QTcpServer *m_server = nullptr;
    std::function<Robot *()> m_provider;
    QSet<Connection *> m_connections;
    TimeLimits m_limits;
    int m_maxConnections = kDefaultMaxConnections;
    qint64 m_memoryBudget = kDefaultMemoryBudget;
    qint64 m_bytesHeld = 0;
    quint64 m_nextSerial = 0;
};
