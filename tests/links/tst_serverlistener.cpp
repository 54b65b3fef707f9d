// The robot data server with real clients on 127.0.0.1: exact reply bytes,
// arrays handed to the player, and clients that are slow, silent, lying or
// gone.
#include "kinematics/robot.h"
#include "links/serverlistener.h"
#include "models/datadirs.h"
#include "support/scratchinstall.h"

#include <QDataStream>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <arpa/inet.h>
#include <cmath>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <memory>
#include <random>

namespace {

// The request header: two big-endian int32.
QByteArray header(qint32 rows, qint32 cols)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << rows << cols;
    return b;
}

QByteArray command(const QString &text)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << qint32(0) << qint32(0) << text;
    return b;
}

QByteArray doubles(const QVector<double> &values)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    for (double v : values)
        out << v;
    return b;
}

// A client of its own: connects, writes, and collects what comes back until
// the server closes or the time is up.
class Client
{
public:
    explicit Client(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&m_socket, &QTcpSocket::readyRead,
                         [this] { m_reply += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] {
            if (m_socket.isOpen())
                m_reply += m_socket.readAll();
            m_closed = true;
            m_closedAfter = m_clock.elapsed();
        });
        m_clock.start();
    }
    ~Client() { QObject::disconnect(&m_socket, nullptr, nullptr, nullptr); }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;
    bool waitConnected() { return m_socket.waitForConnected(3000); }
    void send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    // Runs the event loop until the server closes the connection.
    bool waitClosed(int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!m_closed && t.elapsed() < ms)
            QTest::qWait(5);
        return m_closed;
    }
    void leave() { m_socket.abort(); }
    const QByteArray &reply() const { return m_reply; }
    bool closed() const { return m_closed; }
    qint64 closedAfter() const { return m_closedAfter; }
    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_reply;
    bool m_closed = false;
    qint64 m_closedAfter = -1;
    QElapsedTimer m_clock;
};

// A client that writes with plain system calls, so it can send while the
// server's event loop is held up.
class RawClient
{
public:
    explicit RawClient(quint16 port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    }
    ~RawClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;
    bool ok() const { return m_ok; }
    bool send(const QByteArray &b)
    {
        return ::send(m_fd, b.constData(), size_t(b.size()), MSG_NOSIGNAL) == b.size();
    }

private:
    int m_fd;
    bool m_ok = false;
};

struct Received
{
    int rows, cols;
    QVector<double> values;
};

} // namespace

class TestServerListener : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void listensOnTheLoopbackAddressOnly();
    void getJointsRepliesSixDoublesThenEnd();
    void getRobotNameRepliesThePathAsLoaded();
    void getRobotRepliesTheRecord();
    void sixRowArrayIsHandedOverColumnByColumn();
    void sevenRowArrayIsHandedOverAsAProgram();
    void fiveRowArrayIsIgnored();
    void arraysWithAnEmptyDimensionAreIgnored();
    void unknownAndLowerCaseCommandsGetNothing();
    void oversizedOrNullCommandTextIsDropped();
    void silentClientDoesNotHoldUpAnother();
    void dishonestHeadersAreRefusedAtOnce_data();
    void dishonestHeadersAreRefusedAtOnce();
    void largestHonestArrayIsWaitedFor();
    void arrayTrickledInPiecesArrivesWhole();
    void incompleteArrayIsDroppedNotZeroFilled();
    void clientLeavingMidRequestCostsNothing();
    void noRobotMeansNoReply();
    void tooManyClientsAreTurnedAway();
    void garbageNeverBreaksTheServer();
    void shippedPythonClientSpeaksTheProtocol();
    void silentCrowdDoesNotLockOutARealClient();
    void arraysTogetherStayWithinTheMemoryBudget();
    void bytesWaitingWhenTheGapEndsAreRead();

private:
    Received takeOnly(QSignalSpy &spy);

    std::unique_ptr<Robot> m_robot;
    std::unique_ptr<ServerListener> m_server;
    Robot *m_provided = nullptr;
    quint16 m_port = 0;
    // A fresh client still gets the 58-byte reply to "GET_JOINTS".
    bool servesJoints()
    {
        Client c(m_port);
        if (!c.waitConnected())
            return false;
        c.send(command(QStringLiteral("GET_JOINTS")));
        return c.waitClosed() && c.reply().size() == 58;
    }
};

void TestServerListener::init()
{
    m_robot = std::make_unique<Robot>();
    QCOMPARE(m_robot->loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    m_provided = m_robot.get();
    m_server = std::make_unique<ServerListener>();
    m_server->setRobotProvider([this] { return m_provided; });
    ServerListener::TimeLimits quick;
    quick.headerMs = 1500;
    quick.commandMs = 500;
    quick.arrayGapMs = 300;
    quick.arrayTotalMs = 5000;
    quick.replyStallMs = 1000;
    quick.recordStallMs = 1000;
    m_server->setTimeLimitsForTesting(quick);
    QVERIFY(m_server->start(0));
    m_port = m_server->serverPort();
    QVERIFY(m_port != 0);
}

void TestServerListener::cleanup()
{
    m_server.reset();
    m_robot.reset();
}

Received TestServerListener::takeOnly(QSignalSpy &spy)
{
    Received r{-1, -1, {}};
    if (spy.count() != 1)
        return r;
    const QList<QVariant> args = spy.takeFirst();
    r.rows = args.at(0).toInt();
    r.cols = args.at(1).toInt();
    r.values = args.at(2).value<QVector<double>>();
    return r;
}

void TestServerListener::listensOnTheLoopbackAddressOnly()
{
    // The defaults of the program: the protocol's limits and port.
    ServerListener plain;
    QCOMPARE(plain.timeLimits().headerMs, 8000);
    QCOMPARE(plain.timeLimits().commandMs, 1000);
    QCOMPARE(plain.timeLimits().arrayGapMs, 200);
    QCOMPARE(ServerListener::kDefaultPort, quint16(2001));
    QVERIFY(!plain.isListening()); // construction alone does not listen

    // Another loopback address can take the same port: the server is bound
    // to 127.0.0.1, not to every address of the machine.
    QTcpServer other;
    QVERIFY2(other.listen(QHostAddress(QStringLiteral("127.0.0.2")), m_port),
             qPrintable(other.errorString()));
    // The port itself is taken on 127.0.0.1.
    QTcpServer same;
    QVERIFY(!same.listen(QHostAddress::LocalHost, m_port));
}

void TestServerListener::getJointsRepliesSixDoublesThenEnd()
{
    const float q[6] = {10.0f, -20.0f, 30.5f, 0.0f, 45.0f, -90.0f};
    m_robot->setJointAngles(q);
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(command(QStringLiteral("GET_JOINTS")));
    QVERIFY(c.waitClosed());
    // IEEE 754 big-endian doubles, then QString "END": byte count 6 and the
    // UTF-16BE code units.
    const QByteArray expected = QByteArray::fromHex("4024000000000000" // 10
                                                    "c034000000000000" // -20
                                                    "403e800000000000" // 30.5
                                                    "0000000000000000" // 0
                                                    "4046800000000000" // 45
                                                    "c056800000000000" // -90
                                                    "00000006"         // 6 bytes
                                                    "0045004e0044");   // E N D
    QCOMPARE(c.reply().toHex(), expected.toHex());
}

void TestServerListener::getRobotNameRepliesThePathAsLoaded()
{
    // A path written the long way round, with "..", must come back verbatim.
    const QString odd =
        DataDirs::applicationDir() + QStringLiteral("/../CAD_Robots/ABB_IRB120.xml");
    QCOMPARE(m_robot->loadData(QFile::encodeName(odd).constData()), 0);
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(command(QStringLiteral("GET_ROBOT_NAME")));
    QVERIFY(c.waitClosed());
    QDataStream in(c.reply());
    QString path, end;
    in >> path >> end;
    QCOMPARE(in.status(), QDataStream::Ok);
    QCOMPARE(path, odd);
    QCOMPARE(end, QStringLiteral("END"));
    QVERIFY(in.atEnd());
    // Byte count: the UTF-16 length of the path, then "END".
    QCOMPARE(c.reply().size(), 4 + 2 * odd.size() + 4 + 6);
}

void TestServerListener::getRobotRepliesTheRecord()
{
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(command(QStringLiteral("GET_ROBOT")));
    QVERIFY(c.waitClosed());
    const QString path = DataDirs::defaultRobot();
    QCOMPARE(c.reply().size(), 4 + 2 * path.size() + 4000 * 8 + 10);
    QDataStream in(c.reply());
    QString gotPath, end;
    in >> gotPath;
    QCOMPARE(gotPath, path);
    std::vector<double> record(4000);
    for (double &v : record)
        in >> v;
    in >> end;
    QCOMPARE(in.status(), QDataStream::Ok);
    QCOMPARE(end, QStringLiteral("END"));
    // Fields of the IRB120 description: d of axis 1, a of axis 3, alpha of
    // axis 6 in radians, the limits of axis 3, and the second copy.
    QCOMPARE(record[200 + 3], 290.0);
    QCOMPARE(record[200 + 40 + 1], 270.0);
    QCOMPARE(record[200 + 100 + 0], -M_PI / 2);
    QCOMPARE(record[600 + 2], -110.0);
    QCOMPARE(record[620 + 2], 70.0);
    for (int k = 0; k < 2000; ++k)
        QCOMPARE(record[std::size_t(2000 + k)], record[std::size_t(k)]);
}

void TestServerListener::sixRowArrayIsHandedOverColumnByColumn()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    // Three positions; column c holds joints 1-6 of position c.
    const QVector<double> values = {0,    0,    0,  0,  0,   0,  //
                                    10,   20,   30, 40, 50,  60, //
                                    -1.5, 2.25, 0,  90, -45, 180};
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(header(6, 3) + doubles(values));
    QVERIFY(c.waitClosed());
    QVERIFY(c.reply().isEmpty());
    const Received r = takeOnly(spy);
    QCOMPARE(r.rows, 6);
    QCOMPARE(r.cols, 3);
    QCOMPARE(r.values, values);
}

void TestServerListener::sevenRowArrayIsHandedOverAsAProgram()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    QVector<double> values;
    for (int k = 0; k < 14; ++k)
        values << k * 1.25;
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(header(7, 2) + doubles(values));
    QVERIFY(c.waitClosed());
    const Received r = takeOnly(spy);
    QCOMPARE(r.rows, 7);
    QCOMPARE(r.cols, 2);
    QCOMPARE(r.values, values);
}

void TestServerListener::fiveRowArrayIsIgnored()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(header(5, 4) + doubles(QVector<double>(20, 1.0)));
    QVERIFY(c.waitClosed());
    QVERIFY(c.reply().isEmpty());
    QCOMPARE(spy.count(), 0);
}

void TestServerListener::arraysWithAnEmptyDimensionAreIgnored()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    for (const auto &shape : {qMakePair(6, 0), qMakePair(0, 6)}) {
        Client c(m_port);
        QVERIFY(c.waitConnected());
        c.send(header(shape.first, shape.second));
        QVERIFY(c.waitClosed(1000));
        QVERIFY(c.reply().isEmpty());
    }
    QCOMPARE(spy.count(), 0);
}

void TestServerListener::unknownAndLowerCaseCommandsGetNothing()
{
    for (const QString &text : {QStringLiteral("get_joints"), QStringLiteral("GET_JOINTS "),
                                QStringLiteral("HELLO"), QString(QLatin1String(""))}) {
        Client c(m_port);
        QVERIFY(c.waitConnected());
        c.send(command(text));
        QVERIFY(c.waitClosed(1000));
        QVERIFY2(c.reply().isEmpty(), qPrintable(text));
        // Closed as soon as the text is read, not by a time limit.
        QVERIFY(c.closedAfter() < 400);
    }
}

void TestServerListener::oversizedOrNullCommandTextIsDropped()
{
    // A byte count far beyond any command, a null string, an odd count.
    for (const char *lengthHex : {"7ffffffe", "ffffffff", "00000005"}) {
        Client c(m_port);
        QVERIFY(c.waitConnected());
        c.send(header(0, 0) + QByteArray::fromHex(lengthHex));
        QVERIFY(c.waitClosed(1000));
        QVERIFY(c.reply().isEmpty());
        QVERIFY2(c.closedAfter() < 400, lengthHex);
    }
    // A command text that stops half way is given up at its limit (500 ms).
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(command(QStringLiteral("GET_JOINTS")).left(14));
    QVERIFY(c.waitClosed(3000));
    QVERIFY(c.reply().isEmpty());
    QVERIFY(c.closedAfter() >= 450);
}

void TestServerListener::silentClientDoesNotHoldUpAnother()
{
    Client silent(m_port);
    QVERIFY(silent.waitConnected());
    QTest::qWait(50);

    QElapsedTimer t;
    t.start();
    Client asking(m_port);
    QVERIFY(asking.waitConnected());
    asking.send(command(QStringLiteral("GET_JOINTS")));
    QVERIFY(asking.waitClosed());
    QCOMPARE(asking.reply().size(), 58);
    // Answered while the silent client still holds its connection.
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!silent.closed());

    // The silent one is let go at its own header limit (1500 ms here).
    QVERIFY(silent.waitClosed(5000));
    QVERIFY(silent.reply().isEmpty());
    QVERIFY2(silent.closedAfter() >= 1400, qPrintable(QString::number(silent.closedAfter())));
}

void TestServerListener::dishonestHeadersAreRefusedAtOnce_data()
{
    QTest::addColumn<qint32>("rows");
    QTest::addColumn<qint32>("cols");
    QTest::newRow("2^30 x 2^30") << qint32(1 << 30) << qint32(1 << 30);
    QTest::newRow("int max x 1") << qint32(0x7fffffff) << qint32(1);
    QTest::newRow("6 x 1666667 (10000002 values)") << qint32(6) << qint32(1666667);
    QTest::newRow("negative rows") << qint32(-1) << qint32(6);
    QTest::newRow("negative cols") << qint32(6) << qint32(-3);
    QTest::newRow("both negative") << qint32(-6) << qint32(-2);
}

void TestServerListener::dishonestHeadersAreRefusedAtOnce()
{
    QFETCH(qint32, rows);
    QFETCH(qint32, cols);
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    Client c(m_port);
    QVERIFY(c.waitConnected());
    // Some data follows, as a client that means it would send.
    c.send(header(rows, cols) + doubles(QVector<double>(12, 3.0)));
    QVERIFY(c.waitClosed(2000));
    // Refused on reading the header, well before any time limit (300 ms).
    QVERIFY2(c.closedAfter() < 250, qPrintable(QString::number(c.closedAfter())));
    QVERIFY(c.reply().isEmpty());
    QCOMPARE(spy.count(), 0);
}

void TestServerListener::largestHonestArrayIsWaitedFor()
{
    ServerListener::TimeLimits patient = m_server->timeLimits();
    patient.arrayGapMs = 2000;
    m_server->setTimeLimitsForTesting(patient);
    // 6 x 1666666 = 9999996 values: allowed, so the server waits for data
    // instead of closing.
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(header(6, 1666666));
    QTest::qWait(500);
    QVERIFY(!c.closed());
    c.leave();
}

void TestServerListener::arrayTrickledInPiecesArrivesWhole()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    QVector<double> values;
    for (int k = 0; k < 6 * 40; ++k)
        values << std::sin(k) * 170.0;
    const QByteArray request = header(6, 40) + doubles(values);
    Client c(m_port);
    QVERIFY(c.waitConnected());
    // Pieces that split the header and the doubles at odd places, with pauses
    // shorter than the gap limit (300 ms) but longer than the 200 ms a single
    // wait would allow.
    const int cuts[] = {3, 11, 500, 1001, request.size()};
    int from = 0;
    for (int to : cuts) {
        c.send(request.mid(from, to - from));
        from = to;
        if (to != request.size())
            QTest::qWait(230);
    }
    QVERIFY(c.waitClosed());
    const Received r = takeOnly(spy);
    QCOMPARE(r.rows, 6);
    QCOMPARE(r.cols, 40);
    QCOMPARE(r.values, values);
}

void TestServerListener::incompleteArrayIsDroppedNotZeroFilled()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    Client c(m_port);
    QVERIFY(c.waitConnected());
    c.send(header(6, 3) + doubles(QVector<double>(10, 5.0)) + QByteArray(3, '\x01'));
    QVERIFY(c.waitClosed(3000));
    QVERIFY(c.closedAfter() >= 250); // the gap limit, not an early refusal
    QCOMPARE(spy.count(), 0);
    QCOMPARE(m_server->connectionCount(), 0);
}

void TestServerListener::clientLeavingMidRequestCostsNothing()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    for (int k = 0; k < 5; ++k) {
        Client c(m_port);
        QVERIFY(c.waitConnected());
        c.send(header(6, 100) + doubles(QVector<double>(50, 1.0)));
        QTest::qWait(20);
        c.leave();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 0, 2000);
    QCOMPARE(spy.count(), 0);
    // The server still serves.
    QVERIFY(servesJoints());
}

void TestServerListener::noRobotMeansNoReply()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    Robot unloaded; // never given a description
    for (Robot *provided : {static_cast<Robot *>(nullptr), &unloaded}) {
        m_provided = provided;
        for (const QString &text : {QStringLiteral("GET_JOINTS"), QStringLiteral("GET_ROBOT"),
                                    QStringLiteral("GET_ROBOT_NAME")}) {
            Client c(m_port);
            QVERIFY(c.waitConnected());
            c.send(command(text));
            QVERIFY(c.waitClosed(1000));
            QVERIFY2(c.reply().isEmpty(), qPrintable(text));
        }
        Client c(m_port);
        QVERIFY(c.waitConnected());
        c.send(header(6, 1) + doubles(QVector<double>(6, 1.0)));
        QVERIFY(c.waitClosed(1000));
        QCOMPARE(spy.count(), 0);
    }
    // Loaded again: served again.
    m_provided = m_robot.get();
    QVERIFY(servesJoints());
}

void TestServerListener::tooManyClientsAreTurnedAway()
{
    m_server->setMaxConnections(2);
    // Two clients past their header, in the middle of an array: they keep
    // their places.
    Client a(m_port), b(m_port);
    QVERIFY(a.waitConnected());
    QVERIFY(b.waitConnected());
    a.send(header(6, 100));
    b.send(header(6, 100));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 2, 1000);
    QTest::qWait(50);
    Client third(m_port);
    QVERIFY(third.waitConnected()); // the kernel accepts, the server closes
    QVERIFY(third.waitClosed(1000));
    QVERIFY(!a.closed());
    QVERIFY(!b.closed());
    // Once one leaves, a new client is served.
    a.leave();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 1, 1000);
    Client d(m_port);
    QVERIFY(d.waitConnected());
    d.send(command(QStringLiteral("GET_ROBOT_NAME")));
    QVERIFY(d.waitClosed());
    QVERIFY(!d.reply().isEmpty());
}

void TestServerListener::garbageNeverBreaksTheServer()
{
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 64);
    for (int round = 0; round < 60; ++round) {
        Client c(m_port);
        QVERIFY(c.waitConnected());
        QByteArray junk;
        const int n = length(rng);
        for (int k = 0; k < n; ++k)
            junk += char(byte(rng));
        // Every third one claims a command and then talks nonsense.
        if (round % 3 == 0)
            junk.prepend(header(0, 0));
        c.send(junk);
        QTest::qWait(2);
        if (round % 2 == 0)
            c.leave();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 0, 5000);
    // Six random rows never make a complete array here, so nothing plays.
    QCOMPARE(spy.count(), 0);
    QVERIFY(servesJoints());
}

void TestServerListener::shippedPythonClientSpeaksTheProtocol()
{
#if !defined(VELKARI_PYTHON)
    QSKIP("No Python 3 interpreter was found when the tests were configured");
#else
    const float q[6] = {1.5f, -2.25f, 3.0f, 0.0f, 90.0f, -180.0f};
    m_robot->setJointAngles(q);
    auto run = [this](const QStringList &args, QByteArray *out) {
        QProcess p;
        p.setProgram(QStringLiteral(VELKARI_PYTHON));
        p.setArguments(QStringList{QStringLiteral(VELKARI_ROBOT_CLIENT), QStringLiteral("--port"),
                                   QString::number(m_port)} +
                       args);
        p.start();
        if (!p.waitForStarted(5000))
            return -1;
        // The server lives on this thread: keep its event loop turning.
        QElapsedTimer t;
        t.start();
        while (p.state() != QProcess::NotRunning && t.elapsed() < 20000)
            QTest::qWait(10);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(2000);
            return -2;
        }
        *out = p.readAllStandardOutput();
        return p.exitCode();
    };

    QByteArray out;
    QCOMPARE(run({QStringLiteral("joints")}, &out), 0);
    const QStringList joints = QString::fromUtf8(out).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(joints.size(), 6);
    for (int k = 0; k < 6; ++k)
        QCOMPARE(joints[k].toDouble(), double(q[k]));

    QCOMPARE(run({QStringLiteral("name")}, &out), 0);
    QCOMPARE(QString::fromUtf8(out).trimmed(), DataDirs::defaultRobot());

    QCOMPARE(run({QStringLiteral("robot")}, &out), 0);
    const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 4000);
    QCOMPARE(lines[0], DataDirs::defaultRobot());
    QCOMPARE(lines[1 + 203].toDouble(), 290.0); // d of axis 1

    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    const QStringList send =
        QStringLiteral("send 0 0 0 0 0 0 10 -20.5 30 0 45 90").split(QLatin1Char(' '));
    QCOMPARE(run(send, &out), 0);
    const Received r = takeOnly(spy);
    QCOMPARE(r.rows, 6);
    QCOMPARE(r.cols, 2);
    QCOMPARE(r.values, (QVector<double>{0, 0, 0, 0, 0, 0, 10, -20.5, 30, 0, 45, 90}));

    // A list that is not whole positions is refused by the client itself.
    QVERIFY(run({QStringLiteral("send"), QStringLiteral("1"), QStringLiteral("2")}, &out) != 0);
#endif
}

void TestServerListener::silentCrowdDoesNotLockOutARealClient()
{
    // 70 clients connect and say nothing; the table holds 64.
    std::vector<std::unique_ptr<Client>> crowd;
    for (int k = 0; k < 70; ++k) {
        crowd.push_back(std::make_unique<Client>(m_port));
        QTest::qWait(2); // the server takes them in the order they come
    }
    auto closedCount = [&crowd] {
        return int(std::count_if(crowd.begin(), crowd.end(),
                                 [](const std::unique_ptr<Client> &c) { return c->closed(); }));
    };
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 64, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(closedCount(), 6, 3000);
    // A client with a real question makes room for itself.
    Client asking(m_port);
    QVERIFY(asking.waitConnected());
    asking.send(command(QStringLiteral("GET_JOINTS")));
    QVERIFY(asking.waitClosed(1000));
    QCOMPARE(asking.reply().size(), 58);
    QVERIFY(asking.reply().endsWith(QByteArray::fromHex("000000060045004e0044")));
    // The room came from the oldest silent ones, not the newest.
    int closedEarly = 0;
    for (int k = 0; k < 10; ++k)
        closedEarly += crowd[std::size_t(k)]->closed() ? 1 : 0;
    QVERIFY2(closedEarly >= 7, qPrintable(QString::number(closedEarly)));
    QVERIFY(!crowd.back()->closed());
}

void TestServerListener::arraysTogetherStayWithinTheMemoryBudget()
{
    QCOMPARE(m_server->memoryBudget(), qint64(256) * 1024 * 1024);
    // Room for 100 doubles: one array of 6 x 10 (480 bytes) fits, a second
    // one does not while the first is held.
    m_server->setMemoryBudget(800);
    QSignalSpy spy(m_server.get(), &ServerListener::sequenceArrayReceived);
    QVector<double> values;
    for (int k = 0; k < 60; ++k)
        values << double(k % 7);
    const QByteArray full = header(6, 10) + doubles(values);
    Client first(m_port);
    QVERIFY(first.waitConnected());
    first.send(full.left(8 + 100));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(480), 1000);

    Client second(m_port);
    QVERIFY(second.waitConnected());
    second.send(full);
    QVERIFY(second.waitClosed(1000));
    QVERIFY2(second.closedAfter() < 250, qPrintable(QString::number(second.closedAfter())));
    QCOMPARE(m_server->bytesHeld(), qint64(480));

    first.send(full.mid(8 + 100));
    QVERIFY(first.waitClosed());
    QCOMPARE(takeOnly(spy).values, values);
    QCOMPARE(m_server->bytesHeld(), qint64(0));
    // With the first one done, the same array is welcome again.
    Client third(m_port);
    QVERIFY(third.waitConnected());
    third.send(full);
    QVERIFY(third.waitClosed());
    QCOMPARE(takeOnly(spy).values, values);
    // A client that leaves half way gives its share back as well.
    Client leaving(m_port);
    QVERIFY(leaving.waitConnected());
    leaving.send(full.left(50));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(480), 1000);
    leaving.leave();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(0), 1000);
}

void TestServerListener::bytesWaitingWhenTheGapEndsAreRead()
{
    // Client B is half way through its array when client A's array arrives;
    // the receiver of A's array keeps the window busy past B's gap limit,
    // and B's remaining bytes arrive meanwhile. B's gap timer is then due
    // before its socket has been looked at again.
    QVector<double> valuesB;
    for (int k = 0; k < 12; ++k)
        valuesB << 1.5 * k;
    const QByteArray requestB = header(6, 2) + doubles(valuesB);
    RawClient b(m_port);
    QVERIFY(b.ok());
    QVERIFY(b.send(requestB.left(8 + 48)));
    QTest::qWait(60);

    QVector<QVector<double>> arrived;
    bool busy = false;
    connect(m_server.get(), &ServerListener::sequenceArrayReceived, this,
            [&](int, int, const QVector<double> &v) {
                arrived << v;
                if (busy)
                    return;
                busy = true;
                b.send(requestB.mid(8 + 48));
                QThread::msleep(500); // the window is busy: longer than the 300 ms gap
            });
    RawClient a(m_port);
    QVERIFY(a.ok());
    QVERIFY(a.send(header(6, 1) + doubles({1, 2, 3, 4, 5, 6})));
    QTRY_VERIFY_WITH_TIMEOUT(arrived.size() == 2, 3000);
    QCOMPARE(arrived[0], (QVector<double>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(arrived[1], valuesB);
}

// The Unix event dispatcher runs due timers right after the socket
// notifiers of the same pass, as a busy program meets them; the test of
// bytes waiting at the end of a gap needs exactly that order.
int main(int argc, char **argv)
{
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    TestServerListener test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_serverlistener.moc"
