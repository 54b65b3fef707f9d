// Wii remote jogging through a scripted remote and the real control panel.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "support/refmath.h"
#include "ui/menuprincipal.h"
#include "wii/wii.h"
#include "wii/wiiremote.h"

#include <QtTest>
#include <cmath>

using namespace wiiremote;

static const std::array<std::int16_t, 3> kRest{8000, 8100, 7900}; // the gyroscopes at rest

class TestWii : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void failedAttemptsAreReleasedBeforeTheNext();
    void aResetsTheJointsOncePerEvent();
    void calibrationAveragesASettledHold();
    void bModeUpdatesEvery30msWhileEventsKeepComing();
    void turningAboutA1TurnsTheToolAboutWorldY();
    void withoutCalibrationOrMotionPlusNothingTurns();
    void closingReleasesTheRemoteOnce();
    void disconnectedRemoteIsLookedForAgain();

private:
    void deliverAll() { QTRY_COMPARE_WITH_TIMEOUT(int(remote->pending()), 0, 5000); }
    void connectWindow()
    {
        wii->start();
        QTRY_COMPARE(wii->statusText(), QStringLiteral("CONNECTED"));
    }
    // Settles the Motion Plus, then holds 1+2 over `samples` and lets go.
    void calibrate(const std::vector<std::array<std::int16_t, 3>> &samples)
    {
        for (int i = 0; i < 6; ++i)
            remote->queue(0, kRest);
        for (const auto &s : samples)
            remote->queue(kButtonOne | kButtonTwo, s);
        remote->queue(0, kRest);
        deliverAll();
        QVERIFY(wii->isCalibrated());
    }
    bool allIdentity() const
    {
        return std::all_of(sent.begin(), sent.end(),
                           [](const Matrix4 &m) { return m == toolbox::identity(); });
    }
    QTimer *timer(const char *name) const { return wii->findChild<QTimer *>(QLatin1String(name)); }
    Robot *robot() const { return w->view()->selectedRobot(); }

    MainWindow *w = nullptr;
    ScriptedWiiRemote *remote = nullptr;
    Wii *wii = nullptr;
    std::vector<Matrix4> sent; // every relative rotation, copied on arrival
};

void TestWii::init()
{
    MainWindow::setInteractive(false);
    w = new MainWindow;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    w->panel()->resetAngles(std::array<double, 6>{10, 10, 10, 10, 60, 10}.data(), true);
    remote = new ScriptedWiiRemote;
    wii = new Wii(w->panel(), remote);
    wii->show();
    sent.clear();
    connect(wii, &Wii::Send_Wii_Hrel, this, [this](GLfloat *m) {
        sent.emplace_back();
        std::copy(m, m + 16, sent.back().begin());
    });
}

void TestWii::cleanup()
{
    delete wii;
    delete remote;
    delete w;
}

void TestWii::failedAttemptsAreReleasedBeforeTheNext()
{
    remote->connectSucceeds = false;
    wii->start();
    QTRY_VERIFY(wii->statusText().endsWith(" ."));     // the first attempt is over
    QCOMPARE(timer("connectTimer")->interval(), 2000); // the next attempt, without blocking
    timer("connectTimer")->stop();                     // the attempts below are ours to time
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    remote->remotesPresent = 0;
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    // Each earlier attempt given back before the next.
    const std::vector<std::string> expected{"init", "find",    "connect", "cleanup", "init",
                                            "find", "connect", "cleanup", "init",    "find"};
    QCOMPARE(remote->calls, expected);
    // A remote appears: connected on the next attempt, lit and buzzing, the
    // buzz left to a timer to switch off.
    remote->remotesPresent = 1;
    remote->connectSucceeds = true;
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    QVERIFY(remote->connected() && timer("pollTimer")->isActive());
    QVERIFY(remote->leds == std::vector<int>{0x20} && remote->rumbles == std::vector<bool>{true});
    QTRY_COMPARE_WITH_TIMEOUT(remote->rumbles, (std::vector<bool>{true, false}), 2000);
}

void TestWii::aResetsTheJointsOncePerEvent()
{
    connectWindow();
    int zeros = 0;
    connect(wii, &Wii::Send_Wii_Zero, this, [&zeros](const double *) { ++zeros; });
    remote->queue(kButtonA, kRest);
    remote->queue(kButtonA, kRest, false); // A needs no Motion Plus
    remote->queue(0, kRest);
    deliverAll();
    QCOMPARE(zeros, 2);
    QCOMPARE(robot()->jointValues(), (std::array<float, 6>{0, 0, 0, 0, 90, 0}));
}

void TestWii::calibrationAveragesASettledHold()
{
    connectWindow();
    // Straight after the Motion Plus shows up its values are not taken, so
    // a hold of five events leaves no calibration.
    for (int i = 0; i < 5; ++i)
        remote->queue(kButtonOne | kButtonTwo, {1, 2, 3});
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(!wii->isCalibrated());
    // Four samples: means 8006 (32025 / 4 = 8006.25, truncated), -101 and 3.
    calibrate({{8000, -100, 0}, {8010, -104, 5}, {8004, -98, 4}, {8011, -102, 3}});
    QCOMPARE(wii->gyroZero(), (std::array<std::int16_t, 3>{8006, -101, 3}));
    QVERIFY(remote->leds.back() == 0x30 && !remote->sensing.back());
}

void TestWii::bModeUpdatesEvery30msWhileEventsKeepComing()
{
    connectWindow();
    calibrate({kRest, kRest});
    QTimer *updates = timer("updateTimer");
    remote->queue(kButtonB, kRest);
    deliverAll();
    QVERIFY(updates->isActive() && wii->isSensing() && remote->leds.back() == 0xF0);
    // Another report 20 ms later must not push the update back to 30 ms.
    QTest::qSleep(20);
    remote->queue(kButtonB, kRest);
    QVERIFY(QMetaObject::invokeMethod(wii, "Wii_TimeOut"));
    QVERIFY2(updates->remainingTime() <= 15, qPrintable(QString::number(updates->remainingTime())));
    // Released: no more updates.
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(!wii->isSensing() && !updates->isActive() && remote->leds.back() == 0x30);
    const std::size_t count = sent.size();
    QTest::qWait(120);
    QCOMPARE(sent.size(), count);
}

void TestWii::turningAboutA1TurnsTheToolAboutWorldY()
{
    connectWindow();
    const Matrix4 before = robot()->tcpWorld();
    calibrate({kRest, kRest, kRest});
    remote->queue(kButtonB, kRest);
    // Ten reports 2000 units above rest on the first gyroscope: A1 grows by
    // one degree at each.
    for (int i = 0; i < 10; ++i)
        remote->queue(kButtonB, {std::int16_t(kRest[0] + 2000), kRest[1], kRest[2]});
    remote->queue(kButtonB, kRest);
    deliverAll();
    QTest::qWait(100); // B still held: the last change goes out
    remote->queue(0, kRest);
    deliverAll();
    // Relative turns only, and the panel turned the tool about World y
    // (x turned onto y) about the TCP: rotation Ry(10) R, position unchanged.
    QVERIFY(std::all_of(sent.begin(), sent.end(), [](const Matrix4 &m) { return m[3] == 0; }));
    ref::M want{};
    std::copy(before.begin(), before.end(), want.begin());
    want = ref::mul(ref::mul(ref::rotZ(90), ref::mul(ref::rotX(10), ref::rotZ(-90))), want);
    const Matrix4 after = robot()->tcpWorld();
    for (std::size_t k = 0; k < 12; ++k)
        QVERIFY(std::fabs(after[k] - (k % 4 == 3 ? before[k] : want[k])) <
                (k % 4 == 3 ? 0.05 : 1e-3));
}

void TestWii::withoutCalibrationOrMotionPlusNothingTurns()
{
    connectWindow();
    // B without a calibration: the LEDs say so, and only identities go out.
    for (int i = 0; i < 6; ++i)
        remote->queue(0, kRest);
    for (int i = 0; i < 10; ++i)
        remote->queue(kButtonB, {std::int16_t(kRest[0] + 500 * i), kRest[1], kRest[2]});
    deliverAll();
    QCOMPARE(remote->leds.back(), 0x60);
    QTest::qWait(100);
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(!sent.empty() && allIdentity());
    // Without the Motion Plus: asked for again with every report, named
    // after six, and turning does nothing.
    for (int i = 0; i < 6; ++i)
        remote->queue(kButtonB, {std::int16_t(1000 * i), 5, -7}, false);
    deliverAll();
    QCOMPARE(remote->motionPlusRequests, 6);
    QCOMPARE(wii->statusText(), QStringLiteral("Wii Motion Plus not detected"));
    QTest::qWait(100);
    remote->queue(0, kRest, false);
    deliverAll();
    QVERIFY(allIdentity());
}

void TestWii::closingReleasesTheRemoteOnce()
{
    connectWindow();
    QSignalSpy closed(wii, &Wii::closed);
    remote->queue(kButtonB, kRest);
    deliverAll();
    QVERIFY(wii->close());
    QVERIFY(remote->leds.back() == 0x90 && remote->calls.back() == "cleanup");
    QVERIFY(!timer("pollTimer")->isActive() && !timer("updateTimer")->isActive());
    const std::size_t calls = remote->calls.size();
    const int polls = remote->polls;
    wii->close();
    remote->queue(kButtonA, kRest);
    QTest::qWait(50);
    delete wii;
    wii = nullptr;
    QCOMPARE(closed.count(), 1);
    QVERIFY(remote->calls.size() == calls && remote->polls == polls && remote->cleanups == 1);
}

void TestWii::disconnectedRemoteIsLookedForAgain()
{
    connectWindow();
    calibrate({kRest});
    remote->queue(kButtonB, kRest); // B held: turning
    deliverAll();
    WiiRemoteState gone;
    gone.event = EventDisconnect;
    gone.buttons = kButtonB; // the last word of a remote is not trusted
    remote->queueRaw(gone);
    deliverAll();
    QVERIFY(wii->statusText().contains(QStringLiteral("Looking for a wii remote")));
    QVERIFY(!wii->isSensing() && !remote->connected() && remote->cleanups == 1);
    QVERIFY(!timer("updateTimer")->isActive() && !timer("pollTimer")->isActive());
    // The remote comes back at the next attempt.
    QTRY_COMPARE_WITH_TIMEOUT(wii->statusText(), QStringLiteral("CONNECTED"), 4000);
}

QTEST_MAIN(TestWii)
#include "tst_wii.moc"
