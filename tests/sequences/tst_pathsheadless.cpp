// Paths without any window: no widgets, no application for widgets. The
// list, the analysis, the report text and the player's stepping all work;
// nothing is shown.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "sequences/paths.h"

#include <QtTest>

class TestPathsHeadless : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void programWithAProblem();
    void steppingWithoutWidgets();

private:
    Robot robot;
};

void TestPathsHeadless::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
}

void TestPathsHeadless::programWithAProblem()
{
    Paths paths;
    paths.setRobotProvider([this]() { return &robot; });
    // The flange along Y through the straight wrist.
    const int n = paths.Load_Sequence_Text(
        QStringLiteral("1 -26.413073 7.611192 -8.062915 89.090614 26.416658 -88.984619\n"
                       "2 26.413073 7.611192 -8.062915 -89.090614 26.416658 88.984612\n"));
    QVERIFY(n > 10);
    QCOMPARE(paths.lastProblems().size(), std::size_t(1));
    QVERIFY(paths.lastReportHtml().startsWith(
        QStringLiteral("<html>Number of positions where the path cannot be continuous = 1<br>")));
    QVERIFY(!paths.reportWindow());
    QVERIFY(!paths.playerWidget());
    QVERIFY(!paths.positionSlider());
    // The clipboard needs a graphical application: nothing happens here.
    paths.Clipboard_Paste();
    QCOMPARE(paths.count(), n);
}

void TestPathsHeadless::steppingWithoutWidgets()
{
    Paths paths;
    paths.setRobotProvider([this]() { return &robot; });
    QList<float> sent;
    connect(&paths, &Paths::setConfiguration_precise_signal, this,
            [&sent](GLfloat *q) { sent << q[0]; });
    QCOMPARE(paths.Load_Sequence_Text(QStringLiteral("1 0 0 0 30 0\n2 0 0 0 30 0\n3 0 0 0 30 0\n")),
             3);
    QVERIFY(paths.playing());
    QTRY_VERIFY(!paths.playing());
    QCOMPARE(sent, (QList<float>{1, 2, 3}));
    paths.Sequence_Step_Back();
    QCOMPARE(paths.currentIndex(), 1);
    QCOMPARE(paths.statusText(), QString());
}

QTEST_GUILESS_MAIN(TestPathsHeadless)
#include "tst_pathsheadless.moc"
