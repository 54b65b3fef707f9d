// The LAN window against a fake controller (bytes worked by hand); the data
// server's request reader on bytes alone, then the server with real clients.
#include "kinematics/robot.h"
#include "links/lancontrol.h"
#include "links/lannumber.h"
#include "links/serverlistener.h"
#include "ui/menuprincipal.h"
#include "models/datadirs.h"
#include "support/boxmesh.h"
#include "support/refmath.h"
#include "support/scratchinstall.h"
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
Q_DECLARE_METATYPE(lan::Fit)
namespace {
const auto fromHex = [](const char *h) { return QByteArray::fromHex(h); };
const QByteArray kHello = fromHex("27110f4240270f0f4240"); // 1, -1
const QByteArray kNine = fromHex("27190f4240");
const QByteArray kTwelve = fromHex("271c0f4240");
const QByteArray kZero = fromHex("27100f4240");
// 0, 90.25, -1.5, 1, 12, -0.5
const QByteArray kJoints = fromHex("27100f4240276a1312d0270f07a12027110f4240271c0f4240271007a120");
// A robot controller that speaks the LAN protocol, driven by the event loop.
struct FakeController : QObject
{
    QByteArray versionReply = fromHex("27110f4240") + kZero; // version 1, angle format 0
    QByteArray jointReply = kNine + kZero.repeated(6);       // null: no answer to 9
    QByteArray received;
    QList<QByteArray> messages; // after the joint request: 12 and six joints, or one number
    QList<qint64> arrivals;     // ms on `clock` when each message was complete
    QElapsedTimer clock;
    int connections = 0;
    bool peerClosed = false;
    QTcpServer server;
    QPointer<QTcpSocket> peer;
    FakeController()
    {
        clock.start();
        connect(&server, &QTcpServer::newConnection, this, [this] {
            ++connections;
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, &FakeController::onData);
            connect(peer, &QTcpSocket::disconnected, this, [this] { peerClosed = true; });
        });
        server.listen(QHostAddress::LocalHost);
    }
    ~FakeController() override { delete peer; }
    void onData()
    {
        const int before = received.size();
        received += peer->readAll();
        if (before < 10 && received.size() >= 10) // no version reply: hang up
            versionReply.isNull() ? peer->disconnectFromHost() : void(peer->write(versionReply));
        if (before < 15 && received.size() >= 15 && !jointReply.isNull())
            peer->write(jointReply);
        for (int at = 15 + messages.join().size(); at + 5 <= received.size();) {
            const int size = received.mid(at, 5) == kTwelve ? 35 : 5;
            if (received.size() < at + size)
                break;
            messages << received.mid(at, size);
            arrivals << clock.elapsed();
            at += size;
        }
    }
};
QVector<double> ramp(int n)
{
    QVector<double> v;
    for (int k = 0; k < n; ++k)
        v << k * 1.25 - 40;
    return v;
}
// A data server request as a client writes it with QDataStream's defaults.
QByteArray request(qint32 rows, qint32 cols, int values = 0, const QString *text = nullptr)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << rows << cols;
    for (double v : ramp(values))
        out << v;
    if (text)
        out << *text;
    return b;
}
const auto command = [](const QString &text) { return request(0, 0, 0, &text); };
// Connects, writes, and collects what comes back until the server closes.
struct Client
{
    explicit Client(quint16 port)
    {
        clock.start();
        socket.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { reply += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected,
                         [this] { closedAfter = clock.elapsed(); });
        socket.waitForConnected(3000);
    }
    ~Client() { QObject::disconnect(&socket, nullptr, nullptr, nullptr); }
    void send(const QByteArray &bytes) { socket.write(bytes), socket.flush(); }
    bool waitClosed(int ms = 5000)
    {
        return QTest::qWaitFor([this] { return closed(); }, ms);
    }
    bool closed() const { return closedAfter >= 0; }
    QTcpSocket socket;
    QElapsedTimer clock;
    QByteArray reply;
    qint64 closedAfter = -1;
};
} // namespace
class TestLinks : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) // boxes of failed handshakes
            if (qobject_cast<QMessageBox *>(w))
                delete w;
        m_arrays.reset(), m_server.reset(), m_joints.clear(), m_provided = &m_robot,
                                                              m_established = 0;
        QCOMPARE(m_robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
        m_server = std::make_unique<ServerListener>();
        m_server->setRobotProvider([this] { return m_provided; });
        m_server->setTimeLimitsForTesting({1500, 500, 300, 1000, 1000, 1000});
        QVERIFY(m_server->start(0));
        m_port = m_server->serverPort();
        m_arrays =
            std::make_unique<QSignalSpy>(m_server.get(), &ServerListener::sequenceArrayReceived);
    }
    void handshake_data()
    {
        QTest::addColumn<QByteArray>("versionReply");
        QTest::addColumn<QByteArray>("jointReply");
        QTest::addColumn<QString>("outcome"); // "joints", "none", or what the failure says
        const QByteArray one = fromHex("27110f4240") + kZero;
        QTest::newRow("joints taken") << one << kNine + kJoints << "joints";
        // The echo is exactly its five bytes: 27 19 0F 42 27 reads 8.999975 and
        // is no echo. It is looked for over 35 bytes, 30 of them stray.
        QTest::newRow("false echo first")
            << one << fromHex("27190f42") + kNine + kJoints << "joints";
        QTest::newRow("30 stray bytes")
            << one << QByteArray(30, '\x01') + kNine + kJoints << "joints";
        QTest::newRow("31 stray bytes")
            << one << QByteArray(31, '\x01') + kNine + kJoints << "none";
        // Ended by the 35-byte cap of the echo search, not the 5 s read limit.
        QTest::newRow("no echo") << one << QByteArray(200, '\0') << "none";
        QTest::newRow("silent") << one << QByteArray() << "none";
        // 400, -300, 0, 0, 0, 5000: a controller that is not this robot.
        QTest::newRow("out of limits")
            << one
            << kNine + fromHex("28a00f424025e40f424027100f424027100f424027100f42403a980f4240")
            << "refused";
        QTest::newRow("version 2")
            << fromHex("27120f4240") + kZero << QByteArray() << "Version received is: 2.0000";
        QTest::newRow("hung up") << QByteArray() << QByteArray() << "received (version)"; // at once
    }
    void handshake()
    {
        QFETCH(QByteArray, versionReply);
        QFETCH(QByteArray, jointReply);
        QFETCH(QString, outcome);
        FakeController fake;
        fake.versionReply = versionReply, fake.jointReply = jointReply;
        auto lan = connectTo(fake, versionReply.isNull() || jointReply.size() > 100 ? 5000 : 300);
        QSignalSpy failed(lan.get(), &LANcontrol::connectionFailed);
        QTRY_VERIFY_WITH_TIMEOUT(m_established + failed.count() == 1, 3000);
        QVERIFY2(fake.clock.elapsed() < 2000, qPrintable(QString::number(fake.clock.elapsed())));
        QTest::qWait(1100); // an echo back, or another attempt, would have come by now
        QCOMPARE(fake.connections, 1);
        QVERIFY(fake.received == kHello + kNine ||
                fake.received == kHello); // nothing else went out
        const std::vector<float> taken{0, 90.25f, -1.5f, 1, 12, -0.5f};
        QCOMPARE(m_joints, outcome == "joints" ? taken : std::vector<float>());
        if (!m_established) {
            const QString text = failed.first().at(0).toString();
            QVERIFY2(text.contains(outcome), qPrintable(text));
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(outcome == "refused" || (box && box->text() == text));
            QVERIFY(fake.peerClosed);
        }
    }
    // One connection's joint stream: found once the controller appears, rate
    // limited with a trailing send, unsendable values held back, closed with 0.
    void theJointStream()
    {
        FakeController fake;
        const quint16 port = fake.server.serverPort();
        fake.server.close(); // nobody on the port yet
        auto lan = connectTo(fake, 5000, port);
        QTest::qWait(1200); // the attempt at once and the next a second later, both refused
        QCOMPARE(lan->state(), LANcontrol::State::Searching);
        QVERIFY(fake.server.listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE_WITH_TIMEOUT(m_established, 1, 3000);
        const std::array<float, 6> a{}, b{5, 5, 5, 5, 5, 5}, c{1, -1, -1.5f, 9, 12, 90.25f};
        const qint64 t0 = fake.clock.elapsed();
        lan->Send_Joints(a.data()), QTest::qWait(50); // the first goes at once
        lan->Send_Joints(b.data()), QTest::qWait(20);
        lan->Send_Joints(c.data());
        QVERIFY2(fake.clock.elapsed() - t0 < 101, "the machine was too slow to check the interval");
        QCOMPARE(lan->jointMessagesSent(), 1);
        // The latest values leave once the interval is over, and only they.
        QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 2, 2000);
        QCOMPARE(fake.messages[0], kTwelve + kZero.repeated(6));
        // 12, then 1, -1, -1.5, 9, 12, 90.25
        QCOMPARE(fake.messages[1].toHex(), QByteArray("271c0f424027110f4240270f0f4240270f07a120"
                                                      "27190f4240271c0f4240276a1312d0"));
        QVERIFY2(fake.arrivals[1] - t0 >= 101, qPrintable(QString::number(fake.arrivals[1] - t0)));
        // Not a number, just outside the limits (axis 3 ends at 70), what a local
        // process once got through, and no robot at all: none leaves.
        MessageLog log;
        // Each time past the interval, when a held-back message would go.
        for (const auto &q : {std::array<float, 6>{},
                              {0, 0, float(qQNaN()), 0, 0, 0},
                              {0, 0, 70.01f, 0, 0, 0},
                              {3000, -2000, 1500, 0, 30, 0}})
            m_provided = q == std::array<float, 6>{} ? nullptr : &m_robot,
            lan->Send_Joints(q.data()), QTest::qWait(120);
        QCOMPARE(fake.messages.size(), 2);
        QVERIFY(log.contains(QStringLiteral("axis 1: 3000 is outside -165 to 165")) &&
                log.contains(QStringLiteral("axis 3: nan is not a number")));
        // The ends of the limits leave: 165, -110, 70, 160, -120, 400.
        lan->Send_Joints(std::array<float, 6>{165, -110, 70, 160, -120, 400}.data());
        QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 3, 2000);
        QCOMPARE(fake.messages[2], kTwelve + fromHex("27b50f424026a20f424027560f424027b00f4240"
                                                     "26980f424028a00f4240"));
        // Closed: a change still held back is dropped, 0 ends the stream.
        QTest::qWait(120);
        QSignalSpy closed(lan.get(), &LANcontrol::closed);
        lan->Send_Joints(b.data()), lan->Send_Joints(a.data());
        lan->close(), lan->Send_Joints(b.data());
        QTest::qWait(200);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(fake.messages.mid(3),
                 (QList<QByteArray>{kTwelve + fromHex("27150f4240").repeated(6), kZero}));
        // Deleted while connected, the end goes out too; a controller that hangs up
        // is shown, and nothing more is sent to it.
        for (bool hangUp : {false, true}) {
            FakeController other;
            const int before = m_established;
            auto link = connectTo(other);
            QTRY_COMPARE_WITH_TIMEOUT(m_established, before + 1, 3000);
            if (hangUp) {
                other.peer->disconnectFromHost();
                QTRY_COMPARE_WITH_TIMEOUT(link->statusText(), QStringLiteral("PROBLEMS"), 2000);
                link->Send_Joints(b.data());
                QCOMPARE(link->jointMessagesSent(), 0);
            } else {
                link.reset();
                QTRY_VERIFY_WITH_TIMEOUT(
                    other.peerClosed && other.messages == QList<QByteArray>{kZero}, 2000);
            }
        }
    }
    void numbersAsTheControllerReadsThem_data()
    {
        // Worked by hand: A = 10000 + the whole part, B = 1000000 + the millionths, both
        // toward zero; beyond the range the nearest end; NaN writes nothing.
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<lan::Fit>("fit");
        QTest::newRow("-90.125") << -90.125 << fromHex("26b60d59f8") << lan::Fit::Exact;
        QTest::newRow("2.3, held as 2.2999...") << 2.3 << fromHex("271213d620") << lan::Fit::Exact;
        QTest::newRow("1.0000009") << 1.0000009 << fromHex("27110f4240") << lan::Fit::Exact;
        QTest::newRow("-2.0000019") << -2.0000019 << fromHex("270e0f423f") << lan::Fit::Exact;
        QTest::newRow("-10000.75") << -10000.75 << fromHex("000003d090") << lan::Fit::Exact;
        QTest::newRow("55535.5") << 55535.5 << fromHex("ffff16e360") << lan::Fit::Exact;
        QTest::newRow("55536") << 55536.0 << fromHex("ffff1e847f") << lan::Fit::Clamped;
        QTest::newRow("+inf") << qInf() << fromHex("ffff1e847f") << lan::Fit::Clamped;
        QTest::newRow("-10001") << -10001.0 << fromHex("0000000001") << lan::Fit::Clamped;
        QTest::newRow("NaN") << qQNaN() << fromHex("0102030405") << lan::Fit::Refused;
    }
    void numbersAsTheControllerReadsThem()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, bytes);
        QFETCH(lan::Fit, fit);
        lan::Number n{1, 2, 3, 4, 5};
        QCOMPARE(lan::encode(value, n), fit);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(n.data()), lan::kNumberSize), bytes);
    }
    void requestsAreReadInAnyPieces_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("used"); // bytes taken of all that was offered
        const int complete = int(ServerRequest::Stage::Complete);
        const int refused = int(ServerRequest::Stage::Refused);
        QTest::newRow("command") << command("GET_JOINTS") + "more" << complete << 32;
        QTest::newRow("empty command") << command("") << complete << 12; // nothing after the count
        QTest::newRow("array, then more")
            << request(6, 2, 12) + request(1, 1, 1) << complete << 104;
        QTest::newRow("negative rows") << request(-1, 6, 1) << refused << 8;
        QTest::newRow("10000001 values") << request(1, 10000001) << refused << 8;
        QTest::newRow("10000000 values")
            << request(2, 5000000) + "abc" << int(ServerRequest::Stage::Array) << 11;
        QTest::newRow("empty array") << request(6, 0) << refused << 8;
        QTest::newRow("odd length") << request(0, 0) + fromHex("0000000500") << refused << 12;
        QTest::newRow("258 bytes") << request(0, 0) + fromHex("00000102") << refused << 12;
    }
    void requestsAreReadInAnyPieces()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, stage);
        QFETCH(int, used);
        for (const int piece : {bytes.size(), 1, 3}) {
            ServerRequest r;
            qint64 taken = 0, n = 1;
            while (taken < bytes.size() && n > 0)
                taken += n =
                    r.feed(bytes.constData() + taken, qMin<qint64>(piece, bytes.size() - taken));
            QCOMPARE(int(r.stage()), stage);
            QCOMPARE(taken, qint64(used));
            QCOMPARE(r.feed("z", 1), qint64(stage == int(ServerRequest::Stage::Array))); // no more
            if (stage == int(ServerRequest::Stage::Complete))
                QVERIFY(r.isCommand()
                            ? r.command() == QString(bytes.size() > 20 ? "GET_JOINTS" : "")
                            : r.values() == ramp(12));
        }
    }
    void repliesToTheThreeCommands()
    {
        // Bound to 127.0.0.1 only: another loopback address can take the port.
        QTcpServer other;
        QVERIFY2(other.listen(QHostAddress("127.0.0.2"), m_port), qPrintable(other.errorString()));
        m_robot.setJointAngles(std::array<float, 6>{10, -20, 30.5f, 0, 45, -90});
        // IEEE 754 big-endian doubles, then "END": byte count 6, UTF-16BE.
        QCOMPARE(ask(command("GET_JOINTS"))->reply.toHex(),
                 QByteArray("4024000000000000c034000000000000403e8000000000000000000000000000"
                            "4046800000000000c056800000000000000000060045004e0044"));
        QString path, end;
        QDataStream name(ask(command("GET_ROBOT_NAME"))->reply);
        name >> path >> end;
        QCOMPARE(path + end, DataDirs::defaultRobot() + "END");
        // The record as a client reads it: the links of axis k at 200 + 20k
        // (alpha and theta in radians), chained by Craig's convention at joints
        // 0, put the IRB 120's flange where its data sheet does: d4 + d6 = 302 +
        // 72 ahead of axis 1, d1 + a2 + a3 = 290 + 270 + 70 high.
        QDataStream in(ask(command("GET_ROBOT"))->reply);
        std::vector<double> record(4000);
        in >> path;
        for (double &v : record)
            in >> v;
        in >> end;
        QVERIFY(in.status() == QDataStream::Ok && in.atEnd() && end == "END");
        ref::M flange = ref::trans(0, 0, 0);
        for (const double *p = record.data() + 200; p < record.data() + 320; p += 20)
            flange = ref::mul(flange, ref::link(p[0] * 180 / M_PI, p[1], p[2] * 180 / M_PI, p[3]));
        QVERIFY2(
            std::fabs(flange[3] - 374) + std::fabs(flange[7]) + std::fabs(flange[11] - 630) < 1e-6,
            qPrintable(QStringLiteral("%1 %2 %3").arg(flange[3]).arg(flange[7]).arg(flange[11])));
        QVERIFY(std::equal(record.begin(), record.begin() + 2000, record.begin() + 2000));
    }
    void slowAndLyingClientsAreDropped()
    {
        Client silent(m_port);
        QVERIFY(servesJoints()); // while the silent client holds its connection
        // Refused on reading, before any time limit: 2^60 values announced, a
        // command in lower case. The largest honest array is waited for.
        QVERIFY(ask(request(1 << 30, 1 << 30, 12), 250)->closedAfter < 250);
        QVERIFY(ask(command("get_joints"), 250)->closedAfter < 250);
        QVERIFY(!ask(request(6, 1666666), 250)->closed());
        // A half command, a short array, an array trickling past its total
        // limit (here 1 s): each dropped at its own limit.
        Client halfCommand(m_port), shortArray(m_port), trickle(m_port);
        halfCommand.send(command("GET_JOINTS").left(14));
        shortArray.send(request(6, 3, 18).left(8 + 80 + 3));
        const QByteArray slow = request(6, 10, 60);
        for (int at = 0; at < 8 + 8 * 12 && !trickle.closed(); at += 8)
            trickle.send(slow.mid(at, 8)), QTest::qWait(200);
        QVERIFY(halfCommand.waitClosed() && shortArray.waitClosed() && trickle.waitClosed(3000));
        QVERIFY(silent.waitClosed() && silent.reply.isEmpty() && halfCommand.reply.isEmpty());
        const qint64 t[] = {halfCommand.closedAfter, shortArray.closedAfter, trickle.closedAfter,
                            silent.closedAfter}; // limits 500, 300, 1000 and 1500 ms
        QVERIFY2(t[0] >= 450 && t[1] >= 250 && t[2] >= 950 && t[2] < 2000 && t[3] >= 1400,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(t[0]).arg(t[1]).arg(t[2]).arg(t[3])));
        QVERIFY(m_arrays->isEmpty() && m_server->connectionCount() == 0);
    }
    void theTableAndTheMemoryBudget()
    {
        QCOMPARE(m_server->memoryBudget(), qint64(256) * 1024 * 1024);
        // Room for 100 doubles: one 6 x 10 array (480 bytes) fits, a second
        // one does not while the first is held.
        m_server->setMemoryBudget(800);
        const QByteArray full = request(6, 10, 60);
        auto first = std::make_unique<Client>(m_port);
        first->send(full.left(8 + 100));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->bytesHeld(), qint64(480), 1000);
        QVERIFY(ask(full, 250)->closed());
        QCOMPARE(m_server->bytesHeld(), qint64(480));
        // Asked for no table, one at a time: the client mid-array keeps its place.
        m_server->setMaxConnections(0);
        QVERIFY(ask(command("GET_JOINTS"), 200)->reply.isEmpty());
        first->send(full.mid(8 + 100));
        QVERIFY(first->waitClosed() && first->reply.isEmpty());
        QCOMPARE(m_server->bytesHeld(), qint64(0));
        QVERIFY(servesJoints());
        ask(full);                                        // welcome again
        QVERIFY(ask(request(5, 4, 20))->reply.isEmpty()); // neither 6 nor 7 rows: ignored
        QCOMPARE(m_arrays->count(), 2);
        QCOMPARE(m_arrays->first().at(0).toInt() * 100 + m_arrays->first().at(1).toInt(), 610);
        QCOMPARE(m_arrays->first().at(2).value<QVector<double>>(), ramp(60));
        // A full table: silent clients make room for newer ones, the oldest first.
        m_server->setMaxConnections(3);
        std::vector<std::unique_ptr<Client>> crowd;
        for (int k = 0; k < 5; ++k)
            crowd.push_back(std::make_unique<Client>(m_port)), QTest::qWait(20);
        QVERIFY(servesJoints());
        QTest::qWait(50);
        for (int k = 0; k < 5; ++k)
            QVERIFY2(crowd[std::size_t(k)]->closed() == (k < 3), qPrintable(QString::number(k)));
    }

    void aStepIntoACollisionIsNotStreamed()
    {
        FakeController fake; // its joints are zero: the pen points along +X, tip at (514, 0, 630)
        MenuPrincipal panel(nullptr, nullptr, nullptr, nullptr, nullptr);
        panel.show();
        QVERIFY(panel.loadModel(QFile::encodeName(DataDirs::defaultRobot()).data()) &&
                panel.loadTool(QFile::encodeName(DataDirs::defaultTool()).data()));
        // A wall 30 mm beyond the tip. Axis 2 at 10 degrees swings the tip
        // (514 mm out, 340 mm above the axis) to 514 cos 10 + 340 sin 10 = 565 mm.
        QTemporaryDir dir;
        const QString wall = dir.filePath(QStringLiteral("wall.stl")),
                      cup = dir.filePath(QStringLiteral("cup.stl"));
        QVERIFY(support::writeBox(wall, toolbox::identity(), {544, -300, 0}, {900, 300, 1000}));
        QCOMPARE(panel.addObjects({wall}), 1);
        panel.openLANcontrolAt(QStringLiteral("127.0.0.1"), fake.server.serverPort());
        QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 1, 3000); // the joints taken over
        auto *axis2 = panel.findChild<QDoubleSpinBox *>(QStringLiteral("doubleSpinBox02"));
        axis2->setValue(10);
        QVERIFY(panel.currentJoints()[1] == 0.0f && panel.notice().contains("nothing sent"));
        QTest::qWait(150);
        QCOMPARE(fake.messages.size(), 1);
        // Already in collision (a cup around the tip): a step that stays in
        // it or leaves it is streamed. At -1 degree the tip is at (508, 0, 639).
        QVERIFY(support::writeBox(cup, toolbox::identity(), {494, -20, 610}, {534, 20, 650}));
        QCOMPARE(panel.addObjects({cup}), 1);
        axis2->setValue(-1);
        QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 2, 2000);
        QCOMPARE(panel.currentJoints()[1], -1.0f);
    }

private:
    std::unique_ptr<LANcontrol> connectTo(FakeController &fake, int readLimitMs = 5000,
                                          quint16 port = 0)
    {
        auto lan = std::make_unique<LANcontrol>();
        lan->setRobotProvider([this] { return m_provided; });
        connect(lan.get(), &LANcontrol::connectionEstablished, this, [this](GLfloat *thetas) {
            ++m_established;
            m_joints = thetas ? std::vector<float>(thetas, thetas + 6) : std::vector<float>();
        });
        lan->setTarget(QStringLiteral("127.0.0.1"), port ? port : fake.server.serverPort());
        lan->setReadLimitForTesting(readLimitMs);
        lan->start();
        return lan;
    }
    std::unique_ptr<Client> ask(const QByteArray &bytes, int ms = 5000)
    {
        auto c = std::make_unique<Client>(m_port);
        c->send(bytes), c->waitClosed(ms);
        return c;
    }
    bool servesJoints() { return ask(command("GET_JOINTS"))->reply.size() == 58; }
    Robot m_robot; // the IRB 120: limits 165, 110, -110..70, 160, 120, 400
    Robot *m_provided = &m_robot;
    int m_established = 0;
    std::vector<float> m_joints;
    std::unique_ptr<ServerListener> m_server;
    std::unique_ptr<QSignalSpy> m_arrays;
    quint16 m_port = 0;
};
QTEST_MAIN(TestLinks)
#include "tst_links.moc"
