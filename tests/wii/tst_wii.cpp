// Wii remote jogging through a scripted remote and the real control panel:
// the search, the connection, calibration, B mode, the A reset, the Motion
// Plus checks and the release of the remote.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "wii/wii.h"
#include "wii/wiiremote.h"
#include "scene/glwidget.h"
#include "support/refmath.h"
#include "ui/menuprincipal.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QtTest>
#include <algorithm>
#include <cmath>

using namespace wiiremote;

namespace {

// Rest values of the three gyroscopes of our pretend remote.
constexpr std::int16_t kRest1 = 8000;
constexpr std::int16_t kRest2 = 8100;
constexpr std::int16_t kRest3 = 7900;
const std::array<std::int16_t, 3> kRest{kRest1, kRest2, kRest3};

} // namespace

class TestWii : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowAndTimers();
    void searchingWithoutARemote();
    void failedAttemptsAreReleasedBeforeTheNext();
    void connectingLightsAndBuzzesWithoutWaiting();
    void aResetsTheJointsOncePerEvent();
    void calibrationAveragesTheWholeHold();
    void calibrationNeedsSettledMotionPlus();
    void bModeUpdatesEvery30msWhileEventsKeepComing();
    void turningAboutA1TurnsTheToolAboutWorldY();
    void releasingBStopsTheUpdates();
    void bModeWithoutCalibrationSendsNoRotation();
    void withoutMotionPlusNothingMoves();
    void otherEventTypesAreIgnored();
    void closingReleasesTheRemoteOnce();
    void closingBeforeAnyAttemptTouchesNothing();
    void withoutARobotNothingHappens();
    void disconnectedRemoteIsLookedForAgain();

private:
    // Lets the window's timers run until the remote has no report left.
    void deliverAll();
    void connectWindow();
    void calibrate(const std::vector<std::array<std::int16_t, 3>> &samples);
    QTimer *timer(const char *name) const { return wii->findChild<QTimer *>(QLatin1String(name)); }
    Robot *robot() const { return w->view()->selectedRobot(); }

    MainWindow *w = nullptr;
    MenuPrincipal *panel = nullptr;
    ScriptedWiiRemote *remote = nullptr;
    Wii *wii = nullptr;
    std::vector<Matrix4> sent; // every relative rotation, copied on arrival
};

void TestWii::init()
{
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->resize(1000, 700);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    panel = w->panel();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    remote = new ScriptedWiiRemote;
    wii = new Wii(panel, remote);
    sent.clear();
    connect(wii, &Wii::Send_Wii_Hrel, this, [this](GLfloat *m) {
        Matrix4 copy;
        std::copy(m, m + 16, copy.begin());
        sent.push_back(copy);
    });
}

void TestWii::cleanup()
{
    delete wii;
    wii = nullptr;
    delete remote;
    remote = nullptr;
    delete w;
    w = nullptr;
}

void TestWii::deliverAll()
{
    QTRY_COMPARE_WITH_TIMEOUT(int(remote->pending()), 0, 5000);
}

void TestWii::connectWindow()
{
    wii->show();
    wii->start();
    QTRY_COMPARE(wii->statusText(), QStringLiteral("CONNECTED"));
    QVERIFY(timer("pollTimer")->isActive());
    QVERIFY(!timer("connectTimer")->isActive());
}

// Settles the Motion Plus, then holds 1+2 over `samples` and lets go.
void TestWii::calibrate(const std::vector<std::array<std::int16_t, 3>> &samples)
{
    for (int i = 0; i < 6; ++i)
        remote->queue(0, kRest);
    for (const auto &s : samples)
        remote->queue(kButtonOne | kButtonTwo, s);
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(wii->isCalibrated());
}

void TestWii::windowAndTimers()
{
    QCOMPARE(wii->windowTitle(), QStringLiteral("Wii status"));
    QCOMPARE(wii->size(), QSize(235, 115));
    QCOMPARE(wii->minimumSize(), wii->maximumSize());
    QVERIFY(wii->isWindow());
    QCOMPARE(wii->statusText(), QStringLiteral("TextLabel"));
    QCOMPARE(timer("pollTimer")->interval(), 0);
    QCOMPARE(timer("connectTimer")->interval(), 0);
    QCOMPARE(timer("updateTimer")->interval(), 30);
    QStringList texts;
    for (QLabel *l : wii->findChildren<QLabel *>())
        texts << l->text();
    for (const char *t :
         {"Wii Motion Plus is needed", "Press 1+2 to reset gyroscopes",
          "Press A to reset robot angles", "Hold B to rotate Tool about World frame"})
        QVERIFY2(texts.contains(QLatin1String(t)), t);
}

void TestWii::searchingWithoutARemote()
{
    delete wii;
    wii = new Wii(panel); // the platform's backend: here, none that finds anything
    wii->show();
    QTest::ignoreMessage(QtDebugMsg, "No wiimotes found.");
    QElapsedTimer clock;
    clock.start();
    wii->start();
    QCOMPARE(wii->statusText(), QStringLiteral("Looking for a wii remote"));
    // The first attempt comes at once, the next ones every two seconds, and
    // none of them holds the interface up.
    QTRY_COMPARE_WITH_TIMEOUT(wii->statusText(), QStringLiteral("  Looking for a wii remote ."),
                              1000);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(timer("connectTimer")->interval(), 2000);
    QVERIFY(timer("connectTimer")->isActive());
    QVERIFY(!timer("pollTimer")->isActive());
    timer("connectTimer")->stop(); // the attempts below are ours to time
    const char *next[] = {"   Looking for a wii remote ..", "    Looking for a wii remote ...",
                          "  Looking for a wii remote ."};
    for (const char *text : next) {
        QTest::ignoreMessage(QtDebugMsg, "No wiimotes found.");
        clock.restart();
        QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(wii->statusText(), QLatin1String(text));
    }
}

void TestWii::failedAttemptsAreReleasedBeforeTheNext()
{
    remote->connectSucceeds = false;
    wii->start();
    QTRY_COMPARE(wii->statusText(), QStringLiteral("  Looking for a wii remote ."));
    timer("connectTimer")->stop(); // the attempts below are ours to time
    QTest::ignoreMessage(QtDebugMsg, "Failed to connect to any wiimote.");
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    remote->remotesPresent = 0;
    QTest::ignoreMessage(QtDebugMsg, "No wiimotes found.");
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    QCOMPARE(remote->inits, 3);
    QCOMPARE(remote->cleanups, 2); // each earlier attempt given back before the next
    const std::vector<std::string> expected{"init", "find",    "connect", "cleanup", "init",
                                            "find", "connect", "cleanup", "init",    "find"};
    QCOMPARE(remote->calls, expected);
    // A remote appears: connected on the next attempt.
    remote->remotesPresent = 1;
    remote->connectSucceeds = true;
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    QCOMPARE(wii->statusText(), QStringLiteral("CONNECTED"));
    QCOMPARE(remote->inits, remote->cleanups + 1);
    wii->close();
    QCOMPARE(remote->inits, remote->cleanups);
}

void TestWii::connectingLightsAndBuzzesWithoutWaiting()
{
    QTest::ignoreMessage(QtDebugMsg, "CONNECTED");
    QVERIFY(QMetaObject::invokeMethod(wii, "Connect_Timeout"));
    QVERIFY(remote->connected());
    QCOMPARE(remote->leds, std::vector<int>{0x20});
    // The buzz is switched on and left to a timer to switch off.
    QCOMPARE(remote->rumbles, std::vector<bool>{true});
    QTRY_COMPARE_WITH_TIMEOUT(remote->rumbles, (std::vector<bool>{true, false}), 2000);
    QVERIFY(timer("pollTimer")->isActive());
}

void TestWii::aResetsTheJointsOncePerEvent()
{
    connectWindow();
    panel->resetAngles(std::array<double, 6>{10, -20, 30, -40, 50, -60}.data(), true);
    std::vector<std::array<double, 6>> zeros;
    connect(wii, &Wii::Send_Wii_Zero, this, [&zeros](const double *z) {
        std::array<double, 6> copy;
        std::copy(z, z + 6, copy.begin());
        zeros.push_back(copy);
    });
    remote->queue(kButtonA, kRest);
    remote->queue(kButtonA, kRest, false); // A needs no Motion Plus
    remote->queue(0, kRest);
    deliverAll();
    const std::array<double, 6> expected{0, 0, 0, 0, 90, 0};
    QCOMPARE(int(zeros.size()), 2);
    QCOMPARE(zeros[0], expected);
    QCOMPARE(zeros[1], expected);
    QCOMPARE(robot()->jointValues(), (std::array<float, 6>{0, 0, 0, 0, 90, 0}));
    QCOMPARE(panel->currentJoints(), (std::array<float, 6>{0, 0, 0, 0, 90, 0}));
}

void TestWii::calibrationAveragesTheWholeHold()
{
    connectWindow();
    QTest::ignoreMessage(QtDebugMsg, "Reseted");
    // Four samples: means 8006 (32025 / 4 = 8006.25, truncated), -101 and 3.
    calibrate({{8000, -100, 0}, {8010, -104, 5}, {8004, -98, 4}, {8011, -102, 3}});
    QCOMPARE(wii->gyroZero(), (std::array<std::int16_t, 3>{8006, -101, 3}));
    QCOMPARE(remote->leds.back(), 0x30);
    // 1+2 went down once: sensing switched on once and off once, the LEDs
    // all lit once.
    QCOMPARE(remote->sensing, (std::vector<bool>{true, false}));
    QCOMPARE(int(std::count(remote->leds.begin(), remote->leds.end(), 0xF0)), 1);

    // Held at the averaged rest values, nothing turns.
    remote->queue(kButtonB, {8006, -101, 3});
    for (int i = 0; i < 10; ++i)
        remote->queue(kButtonB, {8006, -101, 3});
    deliverAll();
    QTest::qWait(80);
    remote->queue(0, {8006, -101, 3});
    deliverAll();
    QVERIFY(!sent.empty());
    for (const Matrix4 &m : sent)
        QCOMPARE(m, toolbox::identity());
}

void TestWii::calibrationNeedsSettledMotionPlus()
{
    connectWindow();
    // Straight after the Motion Plus shows up its values are not taken, so
    // a hold of five events leaves no calibration.
    for (int i = 0; i < 5; ++i)
        remote->queue(kButtonOne | kButtonTwo, {1, 2, 3});
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(!wii->isCalibrated());
    // A second hold, now settled, counts from its own press only.
    remote->queue(kButtonOne | kButtonTwo, {100, 200, 300});
    remote->queue(kButtonOne | kButtonTwo, {300, 400, 500});
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(wii->isCalibrated());
    QCOMPARE(wii->gyroZero(), (std::array<std::int16_t, 3>{200, 300, 400}));
}

void TestWii::bModeUpdatesEvery30msWhileEventsKeepComing()
{
    connectWindow();
    calibrate({kRest, kRest});
    QTimer *updates = timer("updateTimer");
    QVERIFY(!updates->isActive());
    remote->queue(kButtonB, kRest);
    deliverAll();
    QVERIFY(updates->isActive());
    // Another report 20 ms later must not push the update back to 30 ms.
    QThread::msleep(20);
    remote->queue(kButtonB, kRest);
    QVERIFY(QMetaObject::invokeMethod(wii, "Wii_TimeOut"));
    QCOMPARE(int(remote->pending()), 0);
    QVERIFY2(updates->remainingTime() <= 15, qPrintable(QString::number(updates->remainingTime())));

    // Reports every 10 ms for 300 ms: the updates keep coming meanwhile.
    sent.clear();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) {
        remote->queue(kButtonB, kRest);
        QTest::qWait(10);
    }
    QVERIFY2(sent.size() >= 4, qPrintable(QString::number(sent.size())));
}

void TestWii::turningAboutA1TurnsTheToolAboutWorldY()
{
    connectWindow();
    panel->resetAngles(std::array<double, 6>{10, 10, 10, 10, 60, 10}.data(), true);
    const Matrix4 before = robot()->tcpWorld();
    calibrate({kRest, kRest, kRest});
    remote->queue(kButtonB, kRest);
    // Ten reports 2000 units above rest on the first gyroscope: A1 grows by
    // one degree at each.
    for (int i = 0; i < 10; ++i)
        remote->queue(kButtonB, {kRest1 + 2000, kRest2, kRest3});
    remote->queue(kButtonB, kRest);
    deliverAll();
    QTest::qWait(100); // B still held: the last change goes out
    remote->queue(0, kRest);
    deliverAll();

    double aboutX = 0, aboutY = 0, aboutZ = 0;
    for (const Matrix4 &m : sent) {
        // Row-major: a turn about y has sin in row 0, column 2.
        aboutY += std::atan2(double(m[2]), double(m[0])) * 180 / M_PI;
        aboutX += std::atan2(double(m[9]), double(m[10])) * 180 / M_PI;
        aboutZ += std::atan2(double(m[4]), double(m[5])) * 180 / M_PI;
        QCOMPARE(m[3] + m[7] + m[11], 0.0f);
    }
    QVERIFY2(std::fabs(aboutY - 10) < 1e-3, qPrintable(QString::number(aboutY)));
    QVERIFY(std::fabs(aboutX) < 1e-6 && std::fabs(aboutZ) < 1e-6);

    // The panel turned the tool about World y, about the TCP: rotation
    // Ry(10) R, position unchanged.
    const ref::M ry{std::cos(M_PI / 18),  0, std::sin(M_PI / 18), 0, 0, 1, 0, 0,
                    -std::sin(M_PI / 18), 0, std::cos(M_PI / 18), 0, 0, 0, 0, 1};
    ref::M r{};
    for (int k = 0; k < 16; ++k)
        r[std::size_t(k)] = double(before[std::size_t(k)]);
    const ref::M want = ref::mul(ry, r);
    const Matrix4 after = robot()->tcpWorld();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            QVERIFY(std::fabs(after[std::size_t(4 * i + j)] - want[std::size_t(4 * i + j)]) < 1e-3);
        QVERIFY(std::fabs(after[std::size_t(4 * i + 3)] - before[std::size_t(4 * i + 3)]) < 0.05f);
    }
}

void TestWii::releasingBStopsTheUpdates()
{
    connectWindow();
    calibrate({kRest});
    remote->queue(kButtonB, kRest);
    deliverAll();
    QVERIFY(wii->isSensing());
    QCOMPARE(remote->leds.back(), 0xF0);
    QTRY_VERIFY(!sent.empty());
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(!wii->isSensing());
    QVERIFY(!timer("updateTimer")->isActive());
    QCOMPARE(remote->leds.back(), 0x30);
    QCOMPARE(remote->sensing.back(), false);
    const std::size_t count = sent.size();
    QTest::qWait(120);
    QCOMPARE(sent.size(), count);
}

void TestWii::bModeWithoutCalibrationSendsNoRotation()
{
    connectWindow();
    for (int i = 0; i < 6; ++i)
        remote->queue(0, kRest);
    remote->queue(kButtonB, kRest);
    for (int i = 0; i < 10; ++i)
        remote->queue(kButtonB, {std::int16_t(kRest1 + 500 * i), kRest2, kRest3});
    deliverAll();
    QCOMPARE(remote->leds.back(), 0x60);
    QTest::qWait(100);
    remote->queue(0, kRest);
    deliverAll();
    QCOMPARE(remote->leds.back(), 0x20);
    QVERIFY(!sent.empty());
    for (const Matrix4 &m : sent)
        QCOMPARE(m, toolbox::identity());
}

void TestWii::withoutMotionPlusNothingMoves()
{
    connectWindow();
    panel->resetAngles(std::array<double, 6>{10, 10, 10, 10, 60, 10}.data(), true);
    const std::array<float, 6> before = robot()->jointValues();
    for (int i = 0; i < 5; ++i)
        remote->queue(kButtonB, {std::int16_t(1000 * i), 5, -7}, false);
    deliverAll();
    QCOMPARE(remote->motionPlusRequests, 5);
    QCOMPARE(wii->statusText(), QStringLiteral("CONNECTED"));
    remote->queue(kButtonB, {9000, 9000, 9000}, false);
    deliverAll();
    QCOMPARE(remote->motionPlusRequests, 6);
    QCOMPARE(wii->statusText(), QStringLiteral("Wii Motion Plus not detected"));
    // Turning and calibrating without it changes nothing.
    for (int i = 0; i < 10; ++i)
        remote->queue(kButtonB | kButtonOne | kButtonTwo, {std::int16_t(3000 * i), 1, 2}, false);
    deliverAll();
    QTest::qWait(100);
    remote->queue(0, kRest, false);
    deliverAll();
    QVERIFY(!wii->isCalibrated());
    for (const Matrix4 &m : sent)
        QCOMPARE(m, toolbox::identity());
    const std::array<float, 6> after = robot()->jointValues();
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY(std::fabs(after[k] - before[k]) < 1e-3f);
}

void TestWii::otherEventTypesAreIgnored()
{
    connectWindow();
    panel->resetAngles(std::array<double, 6>{10, 10, 10, 10, 60, 10}.data(), true);
    WiiRemoteState status;
    status.buttons = kButtonA;
    status.expansion = kExpansionNone;
    for (int type : {EventStatus, EventConnect, EventNone}) {
        status.event = type;
        remote->queueRaw(status);
    }
    deliverAll();
    QCOMPARE(remote->motionPlusRequests, 0);
    QCOMPARE(robot()->jointValues(), (std::array<float, 6>{10, 10, 10, 10, 60, 10}));
}

void TestWii::closingReleasesTheRemoteOnce()
{
    connectWindow();
    QSignalSpy closed(wii, &Wii::closed);
    QTest::ignoreMessage(QtDebugMsg, "Wii stuff closed and deleted");
    remote->queue(kButtonB, kRest);
    deliverAll();
    QVERIFY(wii->close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(remote->cleanups, 1);
    QCOMPARE(remote->leds.back(), 0x90);
    QCOMPARE(remote->calls.back(), std::string("cleanup"));
    for (const char *name : {"pollTimer", "connectTimer", "updateTimer"})
        QVERIFY2(!timer(name)->isActive(), name);
    const std::size_t calls = remote->calls.size();
    const int polls = remote->polls;
    wii->close();
    remote->queue(kButtonA, kRest);
    QTest::qWait(50);
    delete wii;
    wii = nullptr;
    QCOMPARE(closed.count(), 1);
    QCOMPARE(remote->calls.size(), calls);
    QCOMPARE(remote->polls, polls);
    QCOMPARE(remote->cleanups, 1);
}

void TestWii::closingBeforeAnyAttemptTouchesNothing()
{
    QSignalSpy closed(wii, &Wii::closed);
    wii->show();
    wii->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(remote->calls.empty());
    wii->start(); // a closed window does not search again
    QTest::qWait(50);
    QVERIFY(remote->calls.empty());
}

void TestWii::withoutARobotNothingHappens()
{
    delete wii;
    delete w;
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    panel = w->panel();
    QVERIFY(!robot());
    wii = new Wii(panel, remote);
    connectWindow();
    calibrate({kRest});
    remote->queue(kButtonB, kRest);
    remote->queue(kButtonB | kButtonA, {kRest1 + 4000, kRest2, kRest3});
    deliverAll();
    QTest::qWait(80);
    remote->queue(0, kRest);
    deliverAll();
    QVERIFY(!robot());
}

void TestWii::disconnectedRemoteIsLookedForAgain()
{
    connectWindow();
    calibrate({kRest});
    remote->queue(kButtonB, kRest); // B held: turning
    deliverAll();
    QVERIFY(wii->isSensing());
    QVERIFY(timer("updateTimer")->isActive());
    const int cleanupsBefore = remote->cleanups;
    WiiRemoteState gone;
    gone.event = EventDisconnect;
    gone.buttons = kButtonB; // the last word of a remote is not trusted
    remote->queueRaw(gone);
    deliverAll();
    QVERIFY(wii->statusText().contains(QStringLiteral("Looking for a wii remote")));
    QVERIFY(!wii->isSensing());
    QVERIFY(!timer("updateTimer")->isActive());
    QVERIFY(!timer("pollTimer")->isActive());
    QVERIFY(timer("connectTimer")->isActive());
    QCOMPARE(remote->cleanups, cleanupsBefore + 1);
    QVERIFY(!remote->connected());
    const std::size_t count = sent.size();
    QTest::qWait(100);
    QCOMPARE(sent.size(), count); // nothing turns any more
    // The remote comes back at the next attempt.
    QTRY_COMPARE_WITH_TIMEOUT(wii->statusText(), QStringLiteral("CONNECTED"), 4000);
    QVERIFY(timer("pollTimer")->isActive());
}

QTEST_MAIN(TestWii)
#include "tst_wii.moc"
