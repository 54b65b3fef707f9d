// The LAN window against a fake robot controller written here, listening on
// 127.0.0.1. Every byte the fake expects or sends is written out by hand from
// the five-byte number layout.
#include "kinematics/robot.h"
#include "links/lancontrol.h"
#include "models/datadirs.h"
#include "support/scratchinstall.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

namespace {

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

// Hand-worked LAN numbers.
const char kHello[] = "27110f4240"  // 1
                      "270f0f4240"; // -1
const char kVersion1[] = "27110f4240";
const char kVersion2[] = "27120f4240";
const char kAngleFormat[] = "27100f4240"; // 0, read and not used
const char kNine[] = "27190f4240";
const char kTwelve[] = "271c0f4240";
const char kEnd[] = "27100f4240";

// A robot controller that speaks the LAN protocol, driven by the event loop.
class FakeController : public QObject
{
public:
    QByteArray versionReply = hex(kVersion1) + hex(kAngleFormat);
    // Bytes sent when the joint request 9 arrives; null means stay silent.
    QByteArray jointReply;
    // Bytes dripped one every dripMs after the joint request, instead.
    QByteArray drip;
    int dripMs = 0;
    bool closeAfterHello = false;

    QByteArray received; // everything, in order
    QByteArray helloSeen;
    bool jointRequestSeen = false;
    QList<QByteArray> messages; // after the joint request, 35- or 5-byte units
    QList<qint64> arrivals;     // ms on `clock` when each message was complete
    QElapsedTimer clock;
    int connections = 0;
    bool peerClosed = false;

    FakeController()
    {
        clock.start();
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                ++connections;
                peer = s;
                connect(s, &QTcpSocket::readyRead, this, [this] { onData(); });
                connect(s, &QTcpSocket::disconnected, this, [this] { peerClosed = true; });
            }
        });
    }
    ~FakeController() override
    {
        if (peer)
            QObject::disconnect(peer, nullptr, this, nullptr);
    }
    bool listen(quint16 port = 0) { return server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return server.serverPort(); }
    QTcpSocket *socket() const { return peer; }

private:
    void onData()
    {
        const QByteArray data = peer->readAll();
        received += data;
        pending += data;
        if (helloSeen.isEmpty()) {
            if (pending.size() < 10)
                return;
            helloSeen = pending.left(10);
            pending.remove(0, 10);
            if (closeAfterHello) {
                peer->disconnectFromHost();
                return;
            }
            peer->write(versionReply);
        }
        if (!jointRequestSeen) {
            if (pending.size() < 5)
                return;
            if (pending.left(5) != hex(kNine))
                return; // not the request: leave it visible in `pending`
            jointRequestSeen = true;
            pending.remove(0, 5);
            if (!jointReply.isNull())
                peer->write(jointReply);
            if (!drip.isEmpty())
                startDrip();
        }
        while (true) {
            const int size = pending.startsWith(hex(kTwelve)) ? 35 : 5;
            if (pending.size() < size)
                break;
            messages << pending.left(size);
            arrivals << clock.elapsed();
            pending.remove(0, size);
        }
    }
    void startDrip()
    {
        auto *t = new QTimer(this);
        connect(t, &QTimer::timeout, this, [this, t] {
            if (drip.isEmpty() || !peer || peer->state() != QAbstractSocket::ConnectedState) {
                t->stop();
                return;
            }
            peer->write(drip.left(1));
            drip.remove(0, 1);
        });
        t->start(dripMs);
    }

    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray pending;
};

struct Established
{
    int count = 0;
    bool withJoints = false;
    std::array<float, 6> joints{};
};

QByteArray jointMessage(const char *sixHex)
{
    return hex(kTwelve) + hex(sixHex);
}

} // namespace

class TestLanControl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void windowLooksAsDescribed();
    void addressDialogOffersAndFallsBackToTheDefaultAddress();
    void searchesUntilTheControllerAppears();
    void helloVersionAndJointsWithAStrayByte();
    void wrongVersionShowsTheProblem();
    void shortRepliesAreNamed();
    void controllerHangingUpDuringTheHandshakeFailsAtOnce();
    void echoSearchIsCappedAt35Bytes();
    void slowDripEndsAtTheReadLimit();
    void silentControllerLeavesTheSimulatedJoints();
    void jointMessagesAreRateLimitedWithATrailingSend();
    void valuesALanNumberCannotCarryAreRefused();
    void bytesNobodyAskedForAreDiscarded();
    void closingSendsTheEndMessage();
    void deletingAConnectedWindowAlsoEndsTheStream();
    void controllerHangingUpLaterIsShown();
    void controllerJointsAreTakenOnlyFromARealEchoAndWithinLimits_data();
    void controllerJointsAreTakenOnlyFromARealEchoAndWithinLimits();
    void jointsOutsideTheLimitsNeverLeave();

private:
    // The program's default robot (limits 165, 110, -110..70, 160, 120, 400)
    // and one whose limits reach beyond what a LAN number carries.
    Robot m_robot;
    Robot m_wide;
    QTemporaryDir m_dir;
    const Robot *m_provided = nullptr;

    // Starts a window on the fake and waits until the handshake is over.
    std::unique_ptr<LANcontrol> connectTo(FakeController &fake, Established &est);
    // A link through the whole handshake to a controller whose joints are
    // all 0; null when it does not get there within 3 s.
    std::unique_ptr<LANcontrol> connectedTo(FakeController &fake, Established &est);
};

void TestLanControl::initTestCase()
{
    QCOMPARE(m_robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QFile xml(DataDirs::defaultRobot());
    QVERIFY(xml.open(QIODevice::ReadOnly));
    QByteArray text = xml.readAll();
    QString wideText = QString::fromUtf8(text);
    wideText.replace(QRegularExpression(QStringLiteral("limsup=\"[^\"]*\"")),
                     QStringLiteral("limsup=\"60000\""));
    wideText.replace(QRegularExpression(QStringLiteral("liminf=\"[^\"]*\"")),
                     QStringLiteral("liminf=\"-60000\""));
    text = wideText.toUtf8();
    const QString wide = m_dir.filePath(QStringLiteral("wide.xml"));
    QFile out(wide);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();
    QCOMPARE(m_wide.loadData(QFile::encodeName(wide).constData()), 0);
    QCOMPARE(m_wide.joint(1).getLimsup(), 60000);
    QCOMPARE(m_wide.joint(3).getLiminf(), -60000);
    m_provided = &m_robot;
}

void TestLanControl::cleanup()
{
    m_provided = &m_robot;
    // Message boxes of failed handshakes belong to no window.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(w))
            delete w;
}

std::unique_ptr<LANcontrol> TestLanControl::connectedTo(FakeController &fake, Established &est)
{
    fake.jointReply = hex(kNine) + hex("27100f4240").repeated(6);
    if (!fake.listen())
        return nullptr;
    auto lan = connectTo(fake, est);
    if (!QTest::qWaitFor([&est]() { return est.count == 1; }, 3000))
        return nullptr;
    return lan;
}

std::unique_ptr<LANcontrol> TestLanControl::connectTo(FakeController &fake, Established &est)
{
    auto lan = std::make_unique<LANcontrol>();
    lan->setRobotProvider([this] { return m_provided; });
    connect(lan.get(), &LANcontrol::connectionEstablished, this, [&est](GLfloat *thetas) {
        ++est.count;
        est.withJoints = thetas != nullptr;
        if (thetas)
            std::copy(thetas, thetas + 6, est.joints.begin());
    });
    lan->setTarget(QStringLiteral("127.0.0.1"), fake.port());
    lan->show();
    lan->start();
    return lan;
}

void TestLanControl::windowLooksAsDescribed()
{
    QWidget panel;
    LANcontrol lan(&panel);
    QVERIFY(lan.isWindow()); // its own window even with the panel as parent
    QCOMPARE(lan.windowTitle(), QStringLiteral("LAN robot control"));
    QCOMPARE(lan.size(), QSize(250, 43));
    QCOMPARE(lan.minimumSize(), lan.maximumSize());
    QCOMPARE(lan.statusText(), QStringLiteral("TextLabel"));
    auto *label = lan.findChild<QLabel *>();
    QVERIFY(label);
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSize(), 10);
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QCOMPARE(lan.port(), quint16(2000));
    QCOMPARE(lan.state(), LANcontrol::State::Idle);
}

void TestLanControl::addressDialogOffersAndFallsBackToTheDefaultAddress()
{
    // Only the dialog is exercised here; nothing connects anywhere.
    QCOMPARE(LANcontrol::addressFromDialog(false, QStringLiteral("10.0.0.7")),
             QStringLiteral("192.168.125.1"));
    QCOMPARE(LANcontrol::addressFromDialog(true, QStringLiteral("  127.0.0.1 ")),
             QStringLiteral("127.0.0.1"));
    QCOMPARE(LANcontrol::addressFromDialog(true, QStringLiteral("   ")),
             QStringLiteral("192.168.125.1"));

    QString title, prompt, prefilled;
    QTimer::singleShot(100, [&] {
        auto *d = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        title = d->windowTitle();
        prompt = d->labelText();
        prefilled = d->textValue();
        d->reject();
    });
    QCOMPARE(LANcontrol::askAddress(), QStringLiteral("192.168.125.1"));
    QCOMPARE(title, QStringLiteral("Set the robot IP"));
    QVERIFY(prompt.startsWith(QStringLiteral("Set the IP of the robot.\nHint:")));
    QVERIFY(prompt.endsWith(QStringLiteral("and YYY must be different")));
    QCOMPARE(prefilled, QStringLiteral("192.168.125.1"));

    QTimer::singleShot(100, [&] {
        auto *d = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        d->setTextValue(QStringLiteral(" 127.0.0.1  "));
        d->accept();
    });
    QCOMPARE(LANcontrol::askAddress(), QStringLiteral("127.0.0.1"));
}

void TestLanControl::searchesUntilTheControllerAppears()
{
    // A free loopback port with nobody on it yet.
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    LANcontrol lan;
    lan.setTarget(QStringLiteral("127.0.0.1"), port);
    lan.show();
    lan.start();
    QCOMPARE(lan.state(), LANcontrol::State::Searching);
    // The first attempt is made at once and refused.
    QTRY_COMPARE_WITH_TIMEOUT(lan.statusText(), QStringLiteral("  Looking for a connection ."),
                              800);
    // The next one a second later.
    QTRY_COMPARE_WITH_TIMEOUT(lan.statusText(), QStringLiteral("   Looking for a connection .."),
                              2000);
    FakeController fake;
    QVERIFY(fake.listen(port));
    QTRY_COMPARE_WITH_TIMEOUT(lan.statusText(), QStringLiteral("CONNECTED"), 3000);
    QCOMPARE(fake.helloSeen.toHex(), QByteArray(kHello));
    QCOMPARE(fake.connections, 1);
}

void TestLanControl::helloVersionAndJointsWithAStrayByte()
{
    FakeController fake;
    // One stray byte, the echo of 9, then 0, 90.25, -1.5, 1, 12, -0.5.
    fake.jointReply = hex("55") + hex(kNine) +
                      hex("27100f4240"
                          "276a1312d0"
                          "270f07a120"
                          "27110f4240"
                          "271c0f4240"
                          "271007a120");
    QVERIFY(fake.listen());
    Established est;
    auto lan = connectTo(fake, est);
    QTRY_COMPARE_WITH_TIMEOUT(est.count, 1, 3000);
    QCOMPARE(fake.helloSeen.toHex(), QByteArray(kHello));
    QVERIFY(fake.jointRequestSeen);
    QVERIFY(est.withJoints);
    const std::array<float, 6> expected{0.0f, 90.25f, -1.5f, 1.0f, 12.0f, -0.5f};
    QCOMPARE(est.joints, expected);
    QCOMPARE(lan->statusText(), QStringLiteral("CONNECTED"));
    QVERIFY(lan->isConnected());
    // Nothing but the hello and the joint request went out.
    QCOMPARE(fake.received.toHex(), (hex(kHello) + hex(kNine)).toHex());
}

void TestLanControl::wrongVersionShowsTheProblem()
{
    FakeController fake;
    fake.versionReply = hex(kVersion2) + hex(kAngleFormat);
    QVERIFY(fake.listen());
    Established est;
    auto lan = connectTo(fake, est);
    QSignalSpy failed(lan.get(), &LANcontrol::connectionFailed);
    QVERIFY(failed.wait(3000));
    const QString text = failed.first().at(0).toString();
    QVERIFY(text.startsWith(QStringLiteral(
        "Problems during connection. Make sure that the Velkari robot program v1.0 is running "
        "in the robot. ")));
    QVERIFY2(text.endsWith(QStringLiteral("Version received is: 2.0000")), qPrintable(text));
    QCOMPARE(lan->statusText(), QStringLiteral("PROBLEMS"));
    QCOMPARE(lan->state(), LANcontrol::State::Failed);
    QCOMPARE(est.count, 0);
    // The box is up, with the same text.
    QMessageBox *box = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *b = qobject_cast<QMessageBox *>(w))
            box = b;
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), text);
    QVERIFY(box->parent() == nullptr);
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
    // The link hangs up and makes no further attempt.
    QTRY_VERIFY_WITH_TIMEOUT(fake.peerClosed, 2000);
    QTest::qWait(1300);
    QCOMPARE(fake.connections, 1);
    QVERIFY(!fake.jointRequestSeen);
}

void TestLanControl::shortRepliesAreNamed()
{
    {
        FakeController fake;
        fake.versionReply = hex("2711"); // two bytes of a version
        QVERIFY(fake.listen());
        Established est;
        auto lan = connectTo(fake, est);
        lan->setReadLimitForTesting(300);
        QSignalSpy failed(lan.get(), &LANcontrol::connectionFailed);
        QVERIFY(failed.wait(3000));
        QVERIFY(failed.first().at(0).toString().endsWith(
            QStringLiteral("Unexpected number of bytes received (version). Unexpected number of "
                           "bytes received (angle format). ")));
    }
    cleanup();
    {
        FakeController fake;
        fake.versionReply = hex(kVersion1) + hex("2710"); // the angle format cut short
        QVERIFY(fake.listen());
        Established est;
        auto lan = connectTo(fake, est);
        lan->setReadLimitForTesting(300);
        QSignalSpy failed(lan.get(), &LANcontrol::connectionFailed);
        QVERIFY(failed.wait(3000));
        const QString text = failed.first().at(0).toString();
        QVERIFY(text.endsWith(
            QStringLiteral("robot. Unexpected number of bytes received (angle format). ")));
        QCOMPARE(est.count, 0);
    }
}

void TestLanControl::controllerHangingUpDuringTheHandshakeFailsAtOnce()
{
    FakeController fake;
    fake.closeAfterHello = true;
    QVERIFY(fake.listen());
    Established est;
    auto lan = connectTo(fake, est); // default 5 s read limit
    QSignalSpy failed(lan.get(), &LANcontrol::connectionFailed);
    QElapsedTimer t;
    t.start();
    QVERIFY(failed.wait(4000));
    QVERIFY(t.elapsed() < 2000); // not waiting out the read limit
    QVERIFY(failed.first().at(0).toString().contains(
        QStringLiteral("Unexpected number of bytes received (version). ")));
}

void TestLanControl::echoSearchIsCappedAt35Bytes()
{
    FakeController fake;
    // Zero bytes decode to -10001, never to 9, however the window slides.
    fake.jointReply = QByteArray(200, '\0');
    QVERIFY(fake.listen());
    Established est;
    QElapsedTimer t;
    t.start();
    auto lan = connectTo(fake, est); // default 5 s read limit
    QTRY_COMPARE_WITH_TIMEOUT(est.count, 1, 3000);
    QVERIFY(t.elapsed() < 2500); // ended by the cap, not the read limit
    QVERIFY(!est.withJoints);
    QVERIFY(lan->isConnected());
    // The rest of the junk was thrown away: the next joint message is whole.
    const float q[6] = {0, 0, 0, 0, 0, 0};
    lan->Send_Joints(q);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 1, 2000);
    QCOMPARE(fake.messages[0].toHex(), jointMessage("27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240")
                                           .toHex());

    // The echo at the very end of the allowance is still found: 30 stray
    // bytes, then 9 and the joints.
    FakeController edge;
    edge.jointReply =
        QByteArray(30, '\0') + hex(kNine) + QByteArray::fromHex("27110f4240").repeated(6);
    QVERIFY(edge.listen());
    Established est2;
    auto lan2 = connectTo(edge, est2);
    QTRY_COMPARE_WITH_TIMEOUT(est2.count, 1, 3000);
    QVERIFY(est2.withJoints);
    QCOMPARE(est2.joints, (std::array<float, 6>{1, 1, 1, 1, 1, 1}));
    // One more stray byte and it is not.
    FakeController over;
    over.jointReply =
        QByteArray(31, '\0') + hex(kNine) + QByteArray::fromHex("27110f4240").repeated(6);
    QVERIFY(over.listen());
    Established est3;
    auto lan3 = connectTo(over, est3);
    QTRY_COMPARE_WITH_TIMEOUT(est3.count, 1, 3000);
    QVERIFY(!est3.withJoints);
}

void TestLanControl::slowDripEndsAtTheReadLimit()
{
    FakeController fake;
    fake.jointReply = QByteArray(""); // nothing at once
    fake.drip = QByteArray(30, '\x01');
    fake.dripMs = 40;
    QVERIFY(fake.listen());
    Established est;
    auto lan = std::make_unique<LANcontrol>();
    lan->setRobotProvider([this] { return m_provided; });
    connect(lan.get(), &LANcontrol::connectionEstablished, this, [&est](GLfloat *thetas) {
        ++est.count;
        est.withJoints = thetas != nullptr;
    });
    lan->setTarget(QStringLiteral("127.0.0.1"), fake.port());
    lan->setReadLimitForTesting(400);
    QElapsedTimer t;
    t.start();
    lan->start();
    QTRY_COMPARE_WITH_TIMEOUT(est.count, 1, 3000);
    QVERIFY(!est.withJoints);
    // 30 bytes at 40 ms would take 1.2 s; the limit ended it first.
    QVERIFY2(t.elapsed() < 1100, qPrintable(QString::number(t.elapsed())));
}

void TestLanControl::silentControllerLeavesTheSimulatedJoints()
{
    FakeController fake; // jointReply stays null: no answer to 9
    QVERIFY(fake.listen());
    Established est;
    auto lan = std::make_unique<LANcontrol>();
    lan->setRobotProvider([this] { return m_provided; });
    connect(lan.get(), &LANcontrol::connectionEstablished, this, [&est](GLfloat *thetas) {
        ++est.count;
        est.withJoints = thetas != nullptr;
    });
    lan->setTarget(QStringLiteral("127.0.0.1"), fake.port());
    lan->setReadLimitForTesting(300);
    lan->start();
    QTRY_COMPARE_WITH_TIMEOUT(est.count, 1, 3000);
    QVERIFY(!est.withJoints);
    QVERIFY(lan->isConnected());
    QCOMPARE(lan->statusText(), QStringLiteral("CONNECTED"));
}

void TestLanControl::jointMessagesAreRateLimitedWithATrailingSend()
{
    FakeController fake;
    Established est;
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);

    const float a[6] = {0, 0, 0, 0, 0, 0};
    const float b[6] = {5, 5, 5, 5, 5, 5};
    const float c[6] = {1, -1, -1.5f, 9, 12, 90.25f};
    const float d[6] = {-0.5f, 0, 0, 0, 0, 0};

    QElapsedTimer window;
    window.start();
    const qint64 t0 = fake.clock.elapsed();
    lan->Send_Joints(a);
    QCOMPARE(lan->jointMessagesSent(), 1); // the first goes at once
    QTest::qWait(50);
    lan->Send_Joints(b);
    QTest::qWait(20);
    lan->Send_Joints(c);
    // Both came within the interval, so both were held back.
    QVERIFY2(window.elapsed() < 101, "the test machine was too slow to check the interval");
    QCOMPARE(lan->jointMessagesSent(), 1);

    // Then the latest values leave once the interval is over, and only they.
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 2, 2000);
    QCOMPARE(fake.messages[0].toHex(), jointMessage("27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240")
                                           .toHex());
    QCOMPARE(fake.messages[1].toHex(), jointMessage("27110f4240"  // 1
                                                    "270f0f4240"  // -1
                                                    "270f07a120"  // -1.5
                                                    "27190f4240"  // 9
                                                    "271c0f4240"  // 12
                                                    "276a1312d0") // 90.25
                                           .toHex());
    QVERIFY2(fake.arrivals[1] - t0 >= 101, qPrintable(QString::number(fake.arrivals[1] - t0)));
    QTest::qWait(150);
    QCOMPARE(fake.messages.size(), 2);

    // Changes that return to the pose last sent need no trailing message.
    lan->Send_Joints(a);
    QCOMPARE(lan->jointMessagesSent(), 3);
    lan->Send_Joints(b);
    lan->Send_Joints(a);
    QTest::qWait(200);
    QCOMPARE(lan->jointMessagesSent(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 3, 2000);
    QCOMPARE(fake.messages[2], fake.messages[0]);
    QTest::qWait(150);

    // Longer than the interval after the last message: sent at once.
    lan->Send_Joints(d);
    QCOMPARE(lan->jointMessagesSent(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 4, 2000);
    QCOMPARE(fake.messages.size(), 4);
    QCOMPARE(fake.messages[3].toHex(), jointMessage("271007a120"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240")
                                           .toHex());
}

void TestLanControl::valuesALanNumberCannotCarryAreRefused()
{
    FakeController fake;
    Established est;
    m_provided = &m_wide; // the robot's limits are not what is tested here
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);

    MessageLog log;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[][6] = {{0, 0, nan, 0, 0, 0},
                            {0, 0, 0, 0, 0, 55536.0f},
                            {-10001.0f, 0, 0, 0, 0, 0},
                            {0, 0, 0, std::numeric_limits<float>::infinity(), 0, 0}};
    for (const auto &q : bad) {
        lan->Send_Joints(q);
        QCOMPARE(lan->jointMessagesSent(), 0);
    }
    QVERIFY(log.contains(QStringLiteral("cannot be carried by a LAN number")));
    QVERIFY(log.contains(QStringLiteral("axis 3: nan is not a number")));
    // The refusals held nothing back: the next good pose goes at once.
    // -10000.5 is carried: A = 0, B = 500000.
    const float ok[6] = {-10000.5f, 0, 0, 0, 0, 55535.0f};
    lan->Send_Joints(ok);
    QCOMPARE(lan->jointMessagesSent(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 1, 2000);
    QCOMPARE(fake.messages[0].toHex(), jointMessage("000007a120"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "27100f4240"
                                                    "ffff0f4240")
                                           .toHex());
    QTest::qWait(150);
    QCOMPARE(fake.messages.size(), 1);
}

void TestLanControl::bytesNobodyAskedForAreDiscarded()
{
    FakeController fake;
    Established est;
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);
    // The controller chatters while nothing is asked.
    for (int k = 0; k < 20; ++k) {
        fake.socket()->write(QByteArray(4096, '\x7f'));
        QTest::qWait(5);
    }
    QTRY_COMPARE_WITH_TIMEOUT(lan->findChild<QTcpSocket *>()->bytesAvailable(), qint64(0), 2000);
    QTest::qWait(50);
    QCOMPARE(lan->findChild<QTcpSocket *>()->bytesAvailable(), qint64(0));
    QVERIFY(lan->isConnected());
}

void TestLanControl::closingSendsTheEndMessage()
{
    FakeController fake;
    Established est;
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);
    QSignalSpy closed(lan.get(), &LANcontrol::closed);
    // A change still held back is not sent after the end.
    const float q[6] = {1, 1, 1, 1, 1, 1};
    const float r[6] = {2, 2, 2, 2, 2, 2};
    lan->Send_Joints(q);
    lan->Send_Joints(r);
    lan->close();
    QCOMPARE(closed.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 2, 2000);
    QCOMPARE(fake.messages[1].toHex(), QByteArray(kEnd));
    QTest::qWait(200);
    QCOMPARE(fake.messages.size(), 2);
    // Closed, the window forwards nothing more.
    lan->Send_Joints(q);
    QTest::qWait(150);
    QCOMPARE(fake.messages.size(), 2);
}

void TestLanControl::deletingAConnectedWindowAlsoEndsTheStream()
{
    FakeController fake;
    Established est;
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);
    MessageLog log;
    lan.reset();
    QVERIFY(log.contains(QStringLiteral("Disconnecting and deleting LAN")));
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 1, 2000);
    QCOMPARE(fake.messages[0].toHex(), QByteArray(kEnd));
    QTRY_VERIFY_WITH_TIMEOUT(fake.peerClosed, 2000);
}

void TestLanControl::controllerHangingUpLaterIsShown()
{
    FakeController fake;
    Established est;
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);
    fake.socket()->disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(lan->statusText(), QStringLiteral("PROBLEMS"), 2000);
    QVERIFY(!lan->isConnected());
    const float q[6] = {1, 2, 3, 4, 5, 6};
    lan->Send_Joints(q); // nothing to send to, nothing breaks
    QCOMPARE(lan->jointMessagesSent(), 0);
}

void TestLanControl::controllerJointsAreTakenOnlyFromARealEchoAndWithinLimits_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("taken");
    // 0, 90.25, -1.5, 1, 12, -0.5: inside every limit of the default robot.
    const QByteArray good = hex("27100f4240276a1312d0270f07a12027110f4240271c0f4240271007a120");
    QTest::newRow("real echo") << hex(kNine) + good << true;
    // Four stray bytes that are the echo's own beginning: the window
    // 27 19 0F 42 27 reads 8.999975, which is no echo; the real one follows.
    QTest::newRow("false echo before the real one") << hex("27190f42") + hex(kNine) + good << true;
    // 400, -300, 0, 0, 0, 5000: a controller that is not this robot.
    QTest::newRow("out of limits") << hex(kNine) +
                                          hex("28a00f424025e40f424027100f424027100f4240"
                                              "27100f42403a980f4240")
                                   << false;
    // A NaN cannot come over the wire, but a value far beyond any axis can.
    QTest::newRow("axis 6 at 55535") << hex(kNine) +
                                            hex("27100f424027100f424027100f424027100f4240"
                                                "27100f4240ffff0f4240")
                                     << false;
}

void TestLanControl::controllerJointsAreTakenOnlyFromARealEchoAndWithinLimits()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, taken);
    FakeController fake;
    fake.jointReply = reply;
    QVERIFY(fake.listen());
    Established est;
    auto lan = connectTo(fake, est);
    QSignalSpy failed(lan.get(), &LANcontrol::connectionFailed);
    QTRY_VERIFY_WITH_TIMEOUT(est.count == 1 || failed.count() == 1, 3000);
    QTest::qWait(150); // an echo back would have arrived by now
    // Nothing but the hello and the joint request ever went out.
    QCOMPARE(fake.received.toHex(), (hex(kHello) + hex(kNine)).toHex());
    if (taken) {
        QVERIFY(est.withJoints);
        const std::array<float, 6> expected{0.0f, 90.25f, -1.5f, 1.0f, 12.0f, -0.5f};
        QCOMPARE(est.joints, expected);
        QVERIFY(lan->isConnected());
    } else {
        QCOMPARE(est.count, 0);
        QCOMPARE(failed.count(), 1);
        QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("refused")));
        QCOMPARE(lan->statusText(), QStringLiteral("JOINTS REFUSED"));
        QVERIFY(!lan->isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(fake.peerClosed, 2000);
    }
}

void TestLanControl::jointsOutsideTheLimitsNeverLeave()
{
    FakeController fake;
    Established est;
    auto lan = connectedTo(fake, est);
    QVERIFY(lan);
    MessageLog log;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // What a local process once got through to a controller, then values
    // that are just out: axis 3 of the IRB 120 ends at 70, axis 6 at 400.
    const float bad[][6] = {{3000, -2000, 1500, 0, 30, 0},
                            {0, 0, 70.01f, 0, 0, 0},
                            {0, 0, 0, 0, 0, -400.5f},
                            {0, 0, 0, 0, nan, 0},
                            {5e9f, 0, 0, 0, 0, 0}};
    for (const auto &q : bad) {
        lan->Send_Joints(q);
        QTest::qWait(120); // past the interval: a held-back message would go now
    }
    QCOMPARE(lan->jointMessagesSent(), 0);
    QCOMPARE(fake.messages.size(), 0);
    QVERIFY(log.contains(QStringLiteral("axis 1: 3000 is outside -165 to 165")));
    QVERIFY(log.contains(QStringLiteral("axis 3: 70.01")));

    // The robot goes away: nothing is sent at all, however good the values.
    m_provided = nullptr;
    const float zero[6] = {0, 0, 0, 0, 0, 0};
    lan->Send_Joints(zero);
    QTest::qWait(120);
    QCOMPARE(fake.messages.size(), 0);
    m_provided = &m_robot;
    const float edge[6] = {165, -110, 70, 160, -120, 400};
    lan->Send_Joints(edge);
    QTRY_COMPARE_WITH_TIMEOUT(fake.messages.size(), 1, 2000);
}

QTEST_MAIN(TestLanControl)
#include "tst_lancontrol.moc"
