// Start-up: the command-line rule, the default robot and tool read through
// the readers, and the picture the program saves on request.
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void stationFileRule_data();
    void stationFileRule();
    void defaultsAreReadAtStart();
    void aMissingRobotIsReportedNotFatal();
    void screenshotOfTheRealProgram();
    void screenshotToAnUnwritablePlaceFails();
};

void TestStartup::stationFileRule_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("shot");
    QTest::newRow("none") << QStringList{"velkari"} << "setup.vks"
                          << "";
    QTest::newRow("station") << QStringList{"velkari", "cell.vks"} << "cell.vks"
                             << "";
    QTest::newRow("option only") << QStringList{"velkari", "-style=fusion"} << "setup.vks"
                                 << "";
    QTest::newRow("option first") << QStringList{"velkari", "-x", "cell.vks"} << "setup.vks"
                                  << "";
    QTest::newRow("absolute") << QStringList{"velkari", "/tmp/a b/c.vks"} << "/tmp/a b/c.vks"
                              << "";
    QTest::newRow("screenshot") << QStringList{"velkari", "--screenshot", "s.png"} << "setup.vks"
                                << "s.png";
    QTest::newRow("screenshot and station")
        << QStringList{"velkari", "--screenshot", "s.png", "cell.vks"} << "cell.vks"
        << "s.png";
    QTest::newRow("station then screenshot")
        << QStringList{"velkari", "cell.vks", "--screenshot=s.png"} << "cell.vks"
        << "s.png";
}

void TestStartup::stationFileRule()
{
    QFETCH(QStringList, args);
    QFETCH(QString, station);
    QFETCH(QString, shot);
    const CommandLine cl = CommandLine::parse(args);
    QVERIFY(cl.error.isEmpty());
    QCOMPARE(cl.stationFile, station);
    QCOMPARE(cl.screenshotFile, shot);
    QVERIFY(!CommandLine::parse({"velkari", "--screenshot"}).error.isEmpty());
}

void TestStartup::defaultsAreReadAtStart()
{
    MainWindow w;
    MainWindow::setInteractive(false);
    QCOMPARE(w.loadRobot(DataDirs::defaultRobot()), 0);
    QCOMPARE(w.loadTool(DataDirs::defaultTool()), 0);
    QVERIFY(w.robot());
    QCOMPARE(int(w.robot()->getJoints().size()), 7);
    // The default robot's published geometry.
    QCOMPARE(w.robot()->joint(1).getD(), 290.0f);
    QCOMPARE(w.robot()->joint(3).getA(), 270.0);
    QCOMPARE(w.robot()->joint(4).getD(), 302.0f);
    QCOMPARE(w.robot()->joint(6).getD(), 72.0f);
    QVERIFY(w.robot()->getHT()[11] > 0.0f); // the pen's tip beyond the flange
    QVERIFY(w.robot()->getToolPath().endsWith(QStringLiteral("IRB120_Crayon.tool")));
}

void TestStartup::aMissingRobotIsReportedNotFatal()
{
    MainWindow w;
    MainWindow::setInteractive(false);
    QSignalSpy messages(w.view(), &glwidget::userMessage);
    QCOMPARE(w.loadRobot(QStringLiteral("/no/such/robot.xml")), -1);
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.at(0).at(0).toString().contains(QStringLiteral("/no/such/robot.xml")));
    QVERIFY(!w.robot());
    QCOMPARE(w.loadTool(QStringLiteral("/no/such/pen.tool")), -1);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

void TestStartup::screenshotOfTheRealProgram()
{
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/velkari");
    QVERIFY(QFileInfo::exists(exe));
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("start.png"));
    QProcess p;
    p.setWorkingDirectory(dir.path()); // no setup.vks there
    p.start(exe, {QStringLiteral("--screenshot"), png});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QImage img(png);
    QVERIFY(!img.isNull());
    QVERIFY(img.width() > 200 && img.height() > 100);
}

void TestStartup::screenshotToAnUnwritablePlaceFails()
{
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/velkari");
    QProcess p;
    p.start(exe, {QStringLiteral("--screenshot"), QStringLiteral("/no/such/dir/x.png")});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(p.readAllStandardError().contains("could not write the screenshot"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
