// Start-up: the command-line rule, and the real program saving its picture
// on request (the window itself is tst_mainwindow's).
#include "app/commandline.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void stationFileRule_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("shot");
        QTest::newRow("none") << QStringList{"velkari"} << "setup.vks" << "";
        QTest::newRow("station") << QStringList{"velkari", "cell.vks"} << "cell.vks" << "";
        QTest::newRow("option only") << QStringList{"velkari", "-style=fusion"} << "setup.vks" << "";
        QTest::newRow("option first") << QStringList{"velkari", "-x", "cell.vks"} << "setup.vks" << "";
        QTest::newRow("absolute") << QStringList{"velkari", "/tmp/a b/c.vks"} << "/tmp/a b/c.vks" << "";
        QTest::newRow("screenshot and station") << QStringList{"velkari", "--screenshot", "s.png", "cell.vks"} << "cell.vks" << "s.png";
        QTest::newRow("station then screenshot") << QStringList{"velkari", "cell.vks", "--screenshot=s.png"} << "cell.vks" << "s.png";
    }
    void stationFileRule()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, station);
        QFETCH(QString, shot);
        const CommandLine cl = CommandLine::parse(args);
        QVERIFY(cl.error.isEmpty() && cl.stationFile == station && cl.screenshotFile == shot);
        QVERIFY(!CommandLine::parse({"velkari", "--screenshot"}).error.isEmpty());
    }
    void screenshotOfTheRealProgram()
    {
        const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/velkari");
        QTemporaryDir dir;
        QProcess p;
        p.setWorkingDirectory(dir.path()); // no setup.vks there: the default robot
        p.start(exe, {QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("start.png"))});
        QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0);
        const QImage img(dir.filePath(QStringLiteral("start.png")));
        QVERIFY(img.width() > 200 && img.height() > 100);
        p.start(exe, {QStringLiteral("--screenshot"), QStringLiteral("/no/such/dir/x.png")});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().contains("could not write the screenshot"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
