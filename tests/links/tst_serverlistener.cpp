// The robot data server: requests read from bytes without a socket, then the
// server with real clients on 127.0.0.1 (our own and the shipped Python one):
// exact reply bytes, arrays handed to the player, and clients that are slow,
// silent, lying, too many or gone.
#include "kinematics/robot.h"
#include "links/serverlistener.h"
#include "models/datadirs.h"
#include "support/refmath.h"

#include <QDataStream>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>
#include <random>

namespace {

// A request as a client writes it: QDataStream's defaults, as the protocol says.
QByteArray request(qint32 rows, qint32 cols, const QVector<double> &values = {})
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << rows << cols;
    for (double v : values)
        out << v;
    return b;
}

QByteArray command(const QString &text)
{
    QByteArray b = request(0, 0);
    QDataStream out(&b, QIODevice::Append);
    out << text;
    return b;
}

QVector<double> ramp(int n, double step = 1.25)
{
    QVector<double> v;
    for (int k = 0; k < n; ++k)
        v << k * step - 40;
    return v;
}

// Connects, writes, and collects what comes back until the server closes.
class Client
{
public:
    explicit Client(quint16 port)
    {
        m_clock.start();
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { reply += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] {
            closedAfter = m_clock.elapsed();
        });
        m_socket.waitForConnected(3000);
    }
    ~Client() { QObject::disconnect(&m_socket, nullptr, nullptr, nullptr); }
    void send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    bool waitClosed(int ms = 5000) { return QTest::qWaitFor([this] { return closed(); }, ms); }
    bool closed() const { return closedAfter >= 0; }
    void leave() { m_socket.abort(); }

    QByteArray reply;
    qint64 closedAfter = -1;

private:
    QTcpSocket m_socket;
    QElapsedTimer m_clock;
};

} // namespace

class TestServerListener : public QObject
{
    Q_OBJECT
private slots:
    void requestsAreReadInAnyPieces_data();
    void requestsAreReadInAnyPieces();
    void init();
    void cleanup();
    void listensOnTheLoopbackAddressOnly();
    void repliesToTheThreeCommands();
    void arraysReachThePlayer_data();
    void arraysReachThePlayer();
    void badRequestsAreClosedAtOnce_data();
    void badRequestsAreClosedAtOnce();
    void slowClientsAreDroppedAtTheirLimits();
    void clientsLeavingOrTalkingNonsenseCostNothing();
    void noRobotMeansNoReply();
    void theTableMakesRoomForRealClients();
    void arraysTogetherStayWithinTheMemoryBudget();
    void shippedPythonClientSpeaksTheProtocol();

private:
    // Sends `bytes` on a fresh client and waits for the server to close it.
    std::unique_ptr<Client> ask(const QByteArray &bytes, int ms = 5000)
    {
        auto c = std::make_unique<Client>(m_port);
        c->send(bytes);
        c->waitClosed(ms);
        return c;
    }
    bool servesJoints() { return ask(command(QStringLiteral("GET_JOINTS")))->reply.size() == 58; }

    std::unique_ptr<Robot> m_robot;
    std::unique_ptr<ServerListener> m_server;
    std::unique_ptr<QSignalSpy> m_arrays;
    Robot *m_provided = nullptr;
    quint16 m_port = 0;
};

void TestServerListener::requestsAreReadInAnyPieces_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("used"); // bytes taken of all that was offered
    const int complete = int(ServerRequest::Stage::Complete);
    const int refused = int(ServerRequest::Stage::Refused);
    const QByteArray joints = command(QStringLiteral("GET_JOINTS"));
    QTest::newRow("command") << joints + "more" << complete << joints.size();
    QTest::newRow("empty command") << command(QString("")) + "x" << complete << 12;
    const QByteArray array = request(6, 2, ramp(12));
    QTest::newRow("array, then more") << array + request(1, 1, {5}) << complete << array.size();
    QTest::newRow("negative rows") << request(-1, 6) + "xxxx" << refused << 8;
    QTest::newRow("10000001 values") << request(1, 10000001) << refused << 8;
    QTest::newRow("10000000 values") << request(2, 5000000) + "abc"
                                     << int(ServerRequest::Stage::Array) << 11;
    QTest::newRow("empty array") << request(6, 0) << refused << 8;
    QTest::newRow("null command") << request(0, 0) + QByteArray::fromHex("ffffffff00") << refused
                                  << 12;
    QTest::newRow("odd length") << request(0, 0) + QByteArray::fromHex("0000000500") << refused
                                << 12;
    QTest::newRow("258 bytes") << request(0, 0) + QByteArray::fromHex("00000102") << refused << 12;
}

void TestServerListener::requestsAreReadInAnyPieces()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, stage);
    QFETCH(int, used);
    for (const int piece : {bytes.size(), 1, 3}) {
        ServerRequest r;
        qint64 taken = 0, n = 1;
        while (taken < bytes.size() && n > 0) {
            n = r.feed(bytes.constData() + taken, qMin<qint64>(piece, bytes.size() - taken));
            taken += n;
        }
        QCOMPARE(int(r.stage()), stage);
        QCOMPARE(taken, qint64(used));
        QCOMPARE(r.feed("z", 1), qint64(stage == int(ServerRequest::Stage::Array))); // nothing after
        if (r.stage() == ServerRequest::Stage::Complete && !r.isCommand())
            QCOMPARE(r.values(), ramp(12));
        if (r.stage() == ServerRequest::Stage::Complete && r.isCommand())
            QCOMPARE(r.command(), bytes.size() > 20 ? QStringLiteral("GET_JOINTS") : QString(""));
    }
}

void TestServerListener::init()
{
    m_robot = std::make_unique<Robot>();
    QCOMPARE(m_robot->loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    m_provided = m_robot.get();
    m_server = std::make_unique<ServerListener>();
    m_server->setRobotProvider([this] { return m_provided; });
    m_server->setTimeLimitsForTesting({1500, 500, 300, 5000, 1000, 1000});
    QVERIFY(m_server->start(0));
    m_port = m_server->serverPort();
    m_arrays = std::make_unique<QSignalSpy>(m_server.get(), &ServerListener::sequenceArrayReceived);
}

void TestServerListener::cleanup()
{
    m_arrays.reset();
    m_server.reset();
    m_robot.reset();
}

void TestServerListener::listensOnTheLoopbackAddressOnly()
{
    QVERIFY(!ServerListener().isListening()); // construction alone does not listen
    // Another loopback address can take the same port; 127.0.0.1 cannot.
    QTcpServer other, same;
    QVERIFY2(other.listen(QHostAddress(QStringLiteral("127.0.0.2")), m_port),
             qPrintable(other.errorString()));
    QVERIFY(!same.listen(QHostAddress::LocalHost, m_port));
}

void TestServerListener::repliesToTheThreeCommands()
{
    m_robot->setJointAngles(std::array<float, 6>{10, -20, 30.5f, 0, 45, -90});
    // IEEE 754 big-endian doubles, then "END": byte count 6, UTF-16BE.
    QCOMPARE(ask(command(QStringLiteral("GET_JOINTS")))->reply.toHex(),
             QByteArray("4024000000000000c034000000000000403e8000000000000000000000000000"
                        "4046800000000000c056800000000000000000060045004e0044"));

    // A path written the long way round comes back verbatim.
    const QString odd = DataDirs::applicationDir() + QStringLiteral("/../CAD_Robots/ABB_IRB120.xml");
    QCOMPARE(m_robot->loadData(QFile::encodeName(odd).constData()), 0);
    QString path, end;
    QDataStream name(ask(command(QStringLiteral("GET_ROBOT_NAME")))->reply);
    name >> path >> end;
    QCOMPARE(path, odd);
    QCOMPARE(end, QStringLiteral("END"));
    QVERIFY(name.atEnd());

    // The record as a client reads it: the links of axis k at 200 + 20k
    // (alpha and theta in radians), chained by Craig's convention at joints
    // 0, put the IRB 120's flange where its data sheet does: d4 + d6 = 302 +
    // 72 ahead of axis 1, d1 + a2 + a3 = 290 + 270 + 70 high.
    QDataStream in(ask(command(QStringLiteral("GET_ROBOT")))->reply);
    std::vector<double> record(4000);
    in >> path;
    for (double &v : record)
        in >> v;
    in >> end;
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(in.atEnd());
    QCOMPARE(end, QStringLiteral("END"));
    ref::M flange = ref::trans(0, 0, 0);
    for (int k = 0; k < 6; ++k) {
        const double *p = record.data() + 200 + 20 * k;
        flange = ref::mul(flange, ref::link(p[0] * 180 / M_PI, p[1], p[2] * 180 / M_PI, p[3]));
    }
    QVERIFY2(std::fabs(flange[3] - 374) < 1e-6 && std::fabs(flange[7]) < 1e-6 &&
                 std::fabs(flange[11] - 630) < 1e-6,
             qPrintable(QStringLiteral("%1 %2 %3").arg(flange[3]).arg(flange[7]).arg(flange[11])));
    QVERIFY(std::equal(record.begin(), record.begin() + 2000, record.begin() + 2000));
}

void TestServerListener::arraysReachThePlayer_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cols");
    QTest::addColumn<bool>("trickled");
    QTest::addColumn<bool>("played");
    QTest::newRow("6 x 3 positions") << 6 << 3 << false << true;
    QTest::newRow("7 x 2 program") << 7 << 2 << false << true;
    QTest::newRow("6 x 40 in pieces") << 6 << 40 << true << true;
    QTest::newRow("5 x 4 ignored") << 5 << 4 << false << false;
    QTest::newRow("6 x 0 ignored") << 6 << 0 << false << false;
    QTest::newRow("0 x 6 ignored") << 0 << 6 << false << false;
}

void TestServerListener::arraysReachThePlayer()
{
    QFETCH(int, rows);
    QFETCH(int, cols);
    QFETCH(bool, trickled);
    QFETCH(bool, played);
    const QVector<double> values = ramp(rows * cols);
    const QByteArray bytes = request(rows, cols, values);
    Client c(m_port);
    // Pieces that split the header and the doubles at odd places, with
    // pauses within the gap limit (300 ms) but longer than 200 ms.
    int from = 0;
    for (int to : {3, 11, 500, 1001}) {
        if (trickled) {
            c.send(bytes.mid(from, to - from));
            from = to;
            QTest::qWait(230);
        }
    }
    c.send(bytes.mid(from));
    QVERIFY(c.waitClosed());
    QVERIFY(c.reply.isEmpty());
    QCOMPARE(m_arrays->count(), played ? 1 : 0);
    if (played) {
        QCOMPARE(m_arrays->first().at(0).toInt() * 1000 + m_arrays->first().at(1).toInt(),
                 rows * 1000 + cols);
        QCOMPARE(m_arrays->first().at(2).value<QVector<double>>(), values);
    }
}

void TestServerListener::badRequestsAreClosedAtOnce_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closed");
    const QByteArray data = request(1, 1, ramp(12)).mid(8); // a client that means it
    QTest::newRow("2^30 x 2^30") << request(1 << 30, 1 << 30) + data << true;
    QTest::newRow("6 x 1666667") << request(6, 1666667) + data << true;
    QTest::newRow("negative cols") << request(6, -3) + data << true;
    QTest::newRow("lower case") << command(QStringLiteral("get_joints")) << true;
    QTest::newRow("trailing space") << command(QStringLiteral("GET_JOINTS ")) << true;
    QTest::newRow("empty text") << command(QString("")) << true;
    QTest::newRow("huge length") << request(0, 0) + QByteArray::fromHex("7ffffffe") << true;
    QTest::newRow("null text") << request(0, 0) + QByteArray::fromHex("ffffffff") << true;
    // The largest honest array is waited for.
    QTest::newRow("6 x 1666666") << request(6, 1666666) << false;
}

void TestServerListener::badRequestsAreClosedAtOnce()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closed);
    const auto c = ask(bytes, 250); // well before any time limit (300 ms)
    QCOMPARE(c->closed(), closed);
    QVERIFY(c->reply.isEmpty());
    QCOMPARE(m_arrays->count(), 0);
}

void TestServerListener::slowClientsAreDroppedAtTheirLimits()
{
    Client silent(m_port);
    // Answered at once while the silent client holds its connection.
    QVERIFY(servesJoints());
    QVERIFY(!silent.closed());
    // A command text that stops half way, an array that stops short, an
    // array trickling past its total limit (here 1 s): each dropped at its
    // own limit, nothing played.
    Client halfCommand(m_port), shortArray(m_port), trickle(m_port);
    halfCommand.send(command(QStringLiteral("GET_JOINTS")).left(14));
    shortArray.send(request(6, 3, ramp(18)).left(8 + 80 + 3));
    ServerListener::TimeLimits limits = m_server->timeLimits();
    limits.arrayTotalMs = 1000;
    m_server->setTimeLimitsForTesting(limits);
    const QByteArray slow = request(6, 10, ramp(60));
    for (int at = 0; at < 8 + 8 * 12 && !trickle.closed(); at += 8) {
        trickle.send(slow.mid(at, 8));
        QTest::qWait(200);
    }
    QVERIFY(halfCommand.waitClosed() && shortArray.waitClosed() && trickle.waitClosed(3000));
    QVERIFY2(halfCommand.closedAfter >= 450, qPrintable(QString::number(halfCommand.closedAfter)));
    QVERIFY2(shortArray.closedAfter >= 250, qPrintable(QString::number(shortArray.closedAfter)));
    QVERIFY2(trickle.closedAfter >= 950 && trickle.closedAfter < 2000,
             qPrintable(QString::number(trickle.closedAfter)));
    QVERIFY(silent.waitClosed()); // at its header limit, 1500 ms
    QVERIFY2(silent.closedAfter >= 1400, qPrintable(QString::number(silent.closedAfter)));
    QVERIFY(silent.reply.isEmpty() && halfCommand.reply.isEmpty());
    QCOMPARE(m_arrays->count(), 0);
    QCOMPARE(m_server->connectionCount(), 0);
}

void TestServerListener::clientsLeavingOrTalkingNonsenseCostNothing()
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 40; ++round) {
        Client c(m_port);
        QByteArray junk = round < 5 ? request(6, 100, ramp(50)) : QByteArray();
        for (int k = int(rng() % 65); k > 0; --k)
            junk += char(rng());
        if (round % 3 == 0)
            junk.prepend(request(0, 0)); // claims a command, then talks nonsense
        c.send(junk);
        QTest::qWait(2);
        if (round % 2 == 0)
            c.leave();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 0, 5000);
    QCOMPARE(m_server->bytesHeld(), qint64(0));
    QCOMPARE(m_arrays->count(), 0);
    QVERIFY(servesJoints());
}

void TestServerListener::noRobotMeansNoReply()
{
    Robot unloaded;
    for (Robot *provided : {static_cast<Robot *>(nullptr), &unloaded}) {
        m_provided = provided;
        for (const char *text : {"GET_JOINTS", "GET_ROBOT", "GET_ROBOT_NAME"})
            QVERIFY2(ask(command(QLatin1String(text)), 1000)->reply.isEmpty(), text);
        QVERIFY(ask(request(6, 1, ramp(6)), 1000)->closed());
    }
    QCOMPARE(m_arrays->count(), 0);
    m_provided = m_robot.get();
    QVERIFY(servesJoints());
}

void TestServerListener::theTableMakesRoomForRealClients()
{
    // Asked for none, the server still serves one at a time.
    m_server->setMaxConnections(0);
    QVERIFY(servesJoints());
    // Two clients in the middle of an array keep their places; a third is
    // turned away until one leaves.
    m_server->setMaxConnections(2);
    Client a(m_port), b(m_port);
    a.send(request(6, 100));
    b.send(request(6, 100));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 2, 1000);
    QVERIFY(ask(command(QStringLiteral("GET_JOINTS")), 1000)->reply.isEmpty());
    QVERIFY(!a.closed() && !b.closed());
    a.leave();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 1, 1000);
    QVERIFY(servesJoints());
    b.leave();

    // 70 silent clients against the default 64 places: a real question makes
    // room for itself, taken from the oldest silent ones.
    m_server->setMaxConnections(ServerListener::kDefaultMaxConnections);
    std::vector<std::unique_ptr<Client>> crowd;
    for (int k = 0; k < 70; ++k) {
        crowd.push_back(std::make_unique<Client>(m_port));
        QTest::qWait(2);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 64, 3000);
    QVERIFY(servesJoints());
    int closedEarly = 0;
    for (int k = 0; k < 10; ++k)
        closedEarly += crowd[std::size_t(k)]->closed() ? 1 : 0;
    QVERIFY2(closedEarly >= 7, qPrintable(QString::number(closedEarly)));
    QVERIFY(!crowd.back()->closed());
}

void TestServerListener::arraysTogetherStayWithinTheMemoryBudget()
{
    QCOMPARE(m_server->memoryBudget(), qint64(256) * 1024 * 1024);
    // Room for 100 doubles: one 6 x 10 array (480 bytes) fits, a second
    // one does not while the first is held.
    m_server->setMemoryBudget(800);
    const QByteArray full = request(6, 10, ramp(60));
    Client first(m_port);
    first.send(full.left(8 + 100));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(480), 1000);
    QVERIFY(ask(full, 250)->closed());
    QCOMPARE(m_server->bytesHeld(), qint64(480));
    first.send(full.mid(8 + 100));
    QVERIFY(first.waitClosed());
    QCOMPARE(m_server->bytesHeld(), qint64(0));
    // With the first one done, the same array is welcome again.
    ask(full);
    QCOMPARE(m_arrays->count(), 2);
    // A client that leaves half way gives its share back as well.
    Client leaving(m_port);
    leaving.send(full.left(50));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(480), 1000);
    leaving.leave();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(0), 1000);
}

void TestServerListener::shippedPythonClientSpeaksTheProtocol()
{
#if !defined(VELKARI_PYTHON)
    QSKIP("No Python 3 interpreter was found when the tests were configured");
#else
    m_robot->setJointAngles(std::array<float, 6>{1.5f, -2.25f, 3, 0, 90, -180});
    auto run = [this](const QString &args) {
        QProcess p;
        p.start(QStringLiteral(VELKARI_PYTHON),
                QStringList{QStringLiteral(VELKARI_ROBOT_CLIENT), QStringLiteral("--port"),
                            QString::number(m_port)} +
                    args.split(QLatin1Char(' ')));
        // The server lives on this thread: keep its event loop turning.
        if (!QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000))
            p.kill();
        return p.exitCode() == 0 && p.exitStatus() == QProcess::NormalExit
                   ? QString::fromUtf8(p.readAllStandardOutput()).split(QRegularExpression("\\s+"),
                                                                        Qt::SkipEmptyParts)
                   : QStringList{QStringLiteral("failed")};
    };
    const QStringList joints = run(QStringLiteral("joints"));
    QCOMPARE(joints.size(), 6);
    for (int k = 0; k < 6; ++k)
        QCOMPARE(joints[k].toDouble(), (std::array<double, 6>{1.5, -2.25, 3, 0, 90, -180})[k]);
    QCOMPARE(run(QStringLiteral("name")), QStringList{DataDirs::defaultRobot()});
    // The record lines are the doubles our own client reads.
    const QStringList lines = run(QStringLiteral("robot"));
    QDataStream in(ask(command(QStringLiteral("GET_ROBOT")))->reply);
    QString path;
    in >> path;
    QCOMPARE(lines.size(), 4001);
    for (int k = 1; k <= 4000; k += 37) {
        double v;
        in >> v;
        QCOMPARE(lines[k].toDouble(), v);
        in.skipRawData(8 * 36);
    }
    QVERIFY(!run(QStringLiteral("send 0 0 0 0 0 0 10 -20.5 30 0 45 90")).contains("failed"));
    QCOMPARE(m_arrays->count(), 1);
    QCOMPARE(m_arrays->first().at(2).value<QVector<double>>(),
             (QVector<double>{0, 0, 0, 0, 0, 0, 10, -20.5, 30, 0, 45, 90}));
    // A list that is not whole positions is refused by the client itself.
    QCOMPARE(run(QStringLiteral("send 1 2")), QStringList{QStringLiteral("failed")});
#endif
}

QTEST_GUILESS_MAIN(TestServerListener)
#include "tst_serverlistener.moc"
