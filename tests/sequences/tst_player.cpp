// The sequence player driven as a user drives it: a real control panel and
// view in the stand-in main window, the player's widgets in a dock, its
// buttons, slider, position field and keys, the 0 ms timer, the report
// window, the trace, the clipboard and files.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "sequences/paths.h"
#include "ui/playerwiring.h"
#include "support/scratchinstall.h"
#include "ui/menuprincipal.h"

#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <cmath>

namespace {

// Twelve positions, axis 1 at the index, the wrist bent.
QString twelvePositions()
{
    QString t;
    for (int k = 0; k < 12; ++k)
        t += QStringLiteral("%1\t0\t0\t0\t30\t0\n").arg(k);
    return t;
}

std::vector<Paths::nodeJOINTS> twelveNodes()
{
    std::vector<Paths::nodeJOINTS> nodes(12);
    for (int k = 0; k < 12; ++k)
        nodes[std::size_t(k)].values = {float(k), 0, 0, 0, 30, 0, 0};
    return nodes;
}

// A straight line of the flange through the wrist singularity (joint 5
// through 0 half way), as a program.
const char kSingularLine[] = "1 -26.413073 7.611192 -8.062915 89.090614 26.416658 -88.984619\n"
                             "2 26.413073 7.611192 -8.062915 -89.090614 26.416658 88.984612\n";

} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void onePositionPlaysAtOnce();
    void textWithoutPositions();
    void fastPlayOnTwelveNodes();
    void loopJumpsBackInTheSameTick();
    void positionField();
    void sliderAppliesEveryValueItReports();
    void flaggedNodeStopsPlayBeforeIt();
    void fastPlayStopsBeforeAPassedFlag();
    void passedToolChangesAndPlacementsHold();
    void keysOfThePlayer();
    void buttonsActOnPress();
    void programReportAndTrace();
    void firstCodeOfAThousandShowsNothing();
    void arraysFromTheDataServer();
    void endlessArrayIsCut();
    void nothingWithoutARobot();
    void robotGoneWhilePlaying();
    void copiedJointsPasteBack();
    void sequenceFiles();
    void clearEmptiesThePlayer();
    void playingLeavesTheEventLoopFree();
    void positionsOutsideTheLimitsAreRefused_data();
    void positionsOutsideTheLimitsAreRefused();
    void programTargetsOutsideTheLimitsAreProblems();
    void placementsThatOverflowAreNotApplied();
    void panelTakesNoJointsOutsideTheLimits();

private:
    Robot *robot() const { return w->view()->selectedRobot(); }
    void stopAndClear()
    {
        paths->Sequence_Stop();
        applied.clear();
    }

    MainWindow *w = nullptr;
    QDockWidget *dock = nullptr;
    Paths *paths = nullptr;
    QList<int> applied; // axis-1 value of every position sent to the panel
};

void TestPlayer::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
}

void TestPlayer::init()
{
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->resize(1200, 800);
    dock = new QDockWidget(QStringLiteral("Simulation"), w);
    w->addDockWidget(Qt::BottomDockWidgetArea, dock);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    dock->hide();
    paths = new Paths;
    paths->setupWidgets(dock);
    connectPlayer(paths, w->panel(), w->view());
    paths->setReportShown(false);
    applied.clear();
    connect(paths, &Paths::setConfiguration_precise_signal, this,
            [this](GLfloat *q) { applied.append(int(std::lround(q[0]))); });
}

void TestPlayer::cleanup()
{
    delete paths;
    paths = nullptr;
    delete w;
    w = nullptr;
}

void TestPlayer::onePositionPlaysAtOnce()
{
    QCOMPARE(paths->Load_Sequence_Text(QStringLiteral("10\t20\t30\t40\t50\t60")), 1);
    QCOMPARE(paths->count(), 1);
    QCOMPARE(paths->nodes()[0].values, (std::array<float, 7>{10, 20, 30, 40, 50, 60, 0}));
    QCOMPARE(paths->positionField()->text(), QStringLiteral("1"));
    QCOMPARE(paths->countLabel()->text(), QStringLiteral("/ 1"));
    QCOMPARE(paths->positionSlider()->maximum(), 0);
    QVERIFY(dock->isVisible());
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(robot()->jointValues(), (std::array<float, 6>{10, 20, 30, 40, 50, 60}));
    QCOMPARE(w->panel()->currentJoints(), (std::array<float, 6>{10, 20, 30, 40, 50, 60}));
}

void TestPlayer::textWithoutPositions()
{
    QCOMPARE(paths->Load_Sequence_Text(QStringLiteral("not a sequence\n1,2,3\n")), 0);
    QCOMPARE(paths->positionField()->text(), QStringLiteral("0"));
    QCOMPARE(paths->countLabel()->text(), QStringLiteral("/ 0"));
    QVERIFY(!paths->playing());
    QVERIFY(!dock->isVisible());
    QVERIFY(applied.isEmpty());
}

void TestPlayer::fastPlayOnTwelveNodes()
{
    QCOMPARE(paths->Load_Sequence_Text(twelvePositions()), 12);
    // Loading shows the first node and plays.
    QCOMPARE(applied, QList<int>{0});
    QVERIFY(paths->playing());
    stopAndClear();
    paths->Sequence_Reset();
    QCOMPARE(applied, QList<int>{0});
    applied.clear();
    paths->Sequence_Execute_Fast();
    QCOMPARE(paths->step(), 5);
    QTRY_VERIFY(!paths->playing());
    // 5, 10, then 11 (no further), then the end.
    QCOMPARE(applied, (QList<int>{5, 10, 11}));
    QCOMPARE(paths->currentIndex(), 11);
    QCOMPARE(paths->positionField()->text(), QStringLiteral("12"));
    QCOMPARE(paths->positionSlider()->value(), 11);
    QCOMPARE(robot()->jointValues()[0], 11.0f);
}

void TestPlayer::loopJumpsBackInTheSameTick()
{
    paths->Load_Sequence_Text(twelvePositions());
    stopAndClear();
    const QImage off = QIcon(QStringLiteral(":/img/clockwise.png")).pixmap(16).toImage();
    const QImage on = QIcon(QStringLiteral(":/img/redo.png")).pixmap(16).toImage();
    QVERIFY(!off.isNull() && !on.isNull() && off != on);
    QPushButton *loop = paths->button(QStringLiteral("loopButton"));
    QCOMPARE(loop->icon().pixmap(16).toImage(), off);
    paths->Sequence_Toggle_Redo();
    QVERIFY(paths->looping());
    QCOMPARE(loop->icon().pixmap(16).toImage(), on);

    paths->SetSimulationToPosition(10);
    applied.clear();
    paths->Sequence_Execute();
    paths->Sequence_On_Timer();
    QCOMPARE(applied, (QList<int>{11, 0}));
    QCOMPARE(paths->currentIndex(), 0);
    QVERIFY(paths->playing());
    // Round and round until stopped.
    QTRY_VERIFY(applied.size() > 30);
    QVERIFY(paths->playing());
    paths->Sequence_Stop();
    paths->Sequence_Toggle_Redo();
    QVERIFY(!paths->looping());
    QCOMPARE(loop->icon().pixmap(16).toImage(), off);
}

void TestPlayer::positionField()
{
    paths->Load_Sequence_Text(twelvePositions());
    stopAndClear();
    QLineEdit *field = paths->positionField();
    // Typing 10 at index 0 applies node 9 only ("1" on the way is index 0).
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("10"));
    QCOMPARE(applied, QList<int>{9});
    QCOMPARE(paths->currentIndex(), 9);
    applied.clear();
    // 0 and numbers above the count do nothing, and the text stays.
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("0"));
    QCOMPARE(field->text(), QStringLiteral("0"));
    paths->LEposEdited(QStringLiteral("13"));
    QCOMPARE(applied, QList<int>{});
    QCOMPARE(paths->currentIndex(), 9);
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("x"));
    QCOMPARE(paths->currentIndex(), 9);
    // 3 is index 2, backwards.
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("3"));
    QCOMPARE(applied, QList<int>{2});
    QCOMPARE(paths->currentIndex(), 2);
    QCOMPARE(paths->positionSlider()->value(), 2);
}

void TestPlayer::sliderAppliesEveryValueItReports()
{
    paths->Load_Sequence_Text(twelvePositions());
    stopAndClear();
    QSlider *slider = paths->positionSlider();
    QCOMPARE(slider->maximum(), 11);
    for (int i = 0; i < 3; ++i)
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(applied, (QList<int>{1, 2, 3}));
    slider->setValue(8);
    QCOMPARE(applied, (QList<int>{1, 2, 3, 8}));
    QCOMPARE(paths->positionField()->text(), QStringLiteral("9"));
}

void TestPlayer::flaggedNodeStopsPlayBeforeIt()
{
    auto nodes = twelveNodes();
    nodes[7].problem = 1000.0f;
    QCOMPARE(paths->Load_Sequence_Nodes(nodes), 12);
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(paths->currentIndex(), 6);
    QVERIFY(!applied.contains(7));
    QCOMPARE(applied.last(), 6);
    QCOMPARE(robot()->jointValues()[0], 6.0f);
    QCOMPARE(paths->statusLabel()->text(),
             QStringLiteral("Discontinuity in next movement: Joint 5 is close to 0 deg. "));
    QCOMPARE(paths->statusText(), paths->statusLabel()->text());
    // Stepping onto it by hand applies it and clears the status.
    applied.clear();
    QTest::keyClick(w->panel(), Qt::Key_Right);
    QCOMPARE(applied, QList<int>{7});
    QCOMPARE(robot()->jointValues()[0], 7.0f);
    QCOMPARE(paths->statusLabel()->text(), QString());
    QVERIFY(!paths->playing());
}

void TestPlayer::fastPlayStopsBeforeAPassedFlag()
{
    auto nodes = twelveNodes();
    nodes[7].problem = 11.0f;
    paths->Load_Sequence_Nodes(nodes);
    stopAndClear();
    paths->Sequence_Reset();
    applied.clear();
    paths->Sequence_Execute_Fast();
    QTRY_VERIFY(!paths->playing());
    // The second tick would reach 10, over the flagged 7: it stops on 6.
    QCOMPARE(applied, (QList<int>{5, 6}));
    QCOMPARE(paths->currentIndex(), 6);
    QCOMPARE(paths->statusText(), QStringLiteral("Discontinuity in next movement: No IK "
                                                 "solution. Cannot make the path continuous. "));
    // Jumping by hand, stopped, passes it.
    applied.clear();
    paths->SetSimulationToPosition(10);
    QCOMPARE(applied, QList<int>{10});
}

void TestPlayer::passedToolChangesAndPlacementsHold()
{
    QVERIFY(w->view()->objectsList()->AddObject(DataDirs::objectDir() +
                                                QStringLiteral("table.stl")) >= 0);
    QVERIFY(w->view()->objectsList()->AddObject(DataDirs::objectDir() +
                                                QStringLiteral("workpiece.stl")) >= 0);
    QCOMPARE(w->view()->objectsList()->count(), 2);
    auto nodes = twelveNodes();
    nodes[2].type = 5.0f;
    nodes[2].values = {0, 0, 140, 0, 0, 0, 0};
    nodes[3].type = 4.0f;
    nodes[3].values = {100, 0, 0, 0, 0, 0, 0};
    nodes[4].type = 4.01f;
    nodes[4].values = {150, -250, 750, 0, 0, float(M_PI / 2), 0};
    for (int round = 0; round < 2; ++round) {
        paths->Load_Sequence_Nodes(nodes);
        stopAndClear();
        robot()->setHT(toolbox::identity());
        robot()->setHB(toolbox::identity());
        if (round == 0) {
            paths->Sequence_Execute_Fast();
            paths->Sequence_On_Timer(); // 0 -> 5, over 2, 3 and 4
            paths->Sequence_Stop();
        } else {
            paths->positionField()->selectAll();
            QTest::keyClicks(paths->positionField(), QStringLiteral("9"));
        }
        QCOMPARE(applied.size(), 1);
        // The pen 140 mm along the flange's Z axis, the World frame 100 mm
        // along the base's X axis, object 1 turned a quarter turn about Z.
        const Matrix4 ht = robot()->getHT();
        QCOMPARE(ht[3], 0.0f);
        QCOMPARE(ht[11], 140.0f);
        QCOMPARE(robot()->getHB()[3], 100.0f);
        const ObjectEntry *o = w->view()->objectsList()->entry(1);
        QCOMPARE(o->pose[12], 150.0f);
        QCOMPARE(o->pose[13], -250.0f);
        QCOMPARE(o->pose[14], 750.0f);
        // Column-major: the first column is the image of X, (0, 1, 0).
        QVERIFY(std::fabs(o->pose[0]) < 1e-6f);
        QVERIFY(std::fabs(o->pose[1] - 1.0f) < 1e-6f);
    }
    // The object number is the type's hundredths, rounded: 4.06 in single
    // precision is 4.0599999, object 6; 4.5 is object 50.
    QList<int> ids;
    connect(paths, &Paths::Change_Object_signal, this, [&ids](GLfloat *, int id) { ids << id; });
    auto numbered = twelveNodes();
    numbered[0].type = 4.06f;
    numbered[1].type = 4.5f;
    paths->Load_Sequence_Nodes(numbered);
    paths->Sequence_Stop();
    paths->Sequence_Step_Forward();
    QCOMPARE(ids, (QList<int>{6, 50}));
}

void TestPlayer::keysOfThePlayer()
{
    paths->Load_Sequence_Text(twelvePositions());
    stopAndClear();
    MenuPrincipal *panel = w->panel();
    QTest::keyClick(panel, Qt::Key_Right);
    QTest::keyClick(panel, Qt::Key_Right);
    QCOMPARE(applied, (QList<int>{1, 2}));
    QTest::keyClick(panel, Qt::Key_Left);
    QCOMPARE(applied, (QList<int>{1, 2, 1}));
    QTest::keyClick(panel, Qt::Key_Down);
    QVERIFY(paths->playing());
    QTest::keyClick(panel, Qt::Key_Escape);
    QVERIFY(!paths->playing());
    applied.clear();
    QTest::keyClick(panel, Qt::Key_Up);
    QCOMPARE(applied, QList<int>{0});
    QCOMPARE(paths->currentIndex(), 0);
    // After ">>" (fast play) Right steps five, as its tooltip and the help
    // say; Left still one; a normal play brings Right back to one.
    QTest::mousePress(paths->button(QStringLiteral("fastButton")), Qt::LeftButton);
    QTest::keyClick(panel, Qt::Key_Escape);
    const int from = paths->currentIndex();
    QTest::keyClick(panel, Qt::Key_Right);
    QCOMPARE(paths->currentIndex(), from + 5);
    QTest::keyClick(panel, Qt::Key_Left);
    QCOMPARE(paths->currentIndex(), from + 4);
    QVERIFY(
        paths->button(QStringLiteral("fastButton"))->toolTip().contains(QStringLiteral("five")));
    QVERIFY(
        paths->button(QStringLiteral("pauseButton"))->toolTip().contains(QStringLiteral("Right")));
    for (const char *b : {"rewindButton", "playButton", "endButton", "loopButton"})
        QVERIFY2(!paths->button(QLatin1String(b))->toolTip().isEmpty(), b);
    QFile help(DataDirs::helpDir() + QStringLiteral("index.html"));
    QVERIFY(help.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(help.readAll()).contains(QStringLiteral("or five after fast play")));
    QTest::keyClick(panel, Qt::Key_Up);
    // With Shift or Ctrl the arrows are not the player's.
    applied.clear();
    QTest::keyClick(panel, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(panel, Qt::Key_Down, Qt::ControlModifier);
    QVERIFY(applied.isEmpty());
    QVERIFY(!paths->playing());
}

void TestPlayer::buttonsActOnPress()
{
    paths->Load_Sequence_Text(twelvePositions());
    stopAndClear();
    QTest::mousePress(paths->button(QStringLiteral("endButton")), Qt::LeftButton);
    QCOMPARE(applied, QList<int>{11});
    QTest::mousePress(paths->button(QStringLiteral("rewindButton")), Qt::LeftButton);
    QCOMPARE(applied, (QList<int>{11, 0}));
    QTest::mousePress(paths->button(QStringLiteral("fastButton")), Qt::LeftButton);
    QVERIFY(paths->playing());
    QCOMPARE(paths->step(), 5);
    QTest::mousePress(paths->button(QStringLiteral("pauseButton")), Qt::LeftButton);
    QVERIFY(!paths->playing());
    QTest::mousePress(paths->button(QStringLiteral("playButton")), Qt::LeftButton);
    QVERIFY(paths->playing());
    QCOMPARE(paths->step(), 1);
    paths->Sequence_Stop();
    QTest::mousePress(paths->button(QStringLiteral("loopButton")), Qt::LeftButton);
    QVERIFY(paths->looping());
    for (const char *name :
         {"rewindButton", "playButton", "pauseButton", "fastButton", "endButton", "loopButton"}) {
        QPushButton *b = paths->button(QLatin1String(name));
        QVERIFY(b->text().isEmpty());
        QVERIFY(!b->icon().isNull());
        QTest::mouseRelease(b, Qt::LeftButton);
    }
}

void TestPlayer::programReportAndTrace()
{
    paths->setReportShown(true);
    const int n = paths->Load_Sequence_Text(QString::fromLatin1(kSingularLine));
    QVERIFY(n > 10);
    // Positions of type 1 only: each is one trace point.
    QCOMPARE(int(w->view()->trace().size()), n);
    QCOMPARE(int(paths->lastProblems().size()), 1);
    const auto problem = paths->lastProblems()[0];
    QCOMPARE(problem.position, n);
    QCOMPARE(problem.pathId, 1);
    QMessageBox *report = paths->reportWindow();
    QVERIFY(report);
    QVERIFY(report->isVisible());
    QVERIFY(!report->parent());
    QCOMPARE(report->windowModality(), Qt::NonModal);
    QCOMPARE(report->windowTitle(), QStringLiteral("Robot path cannot be continuous"));
    QCOMPARE(report->text(), paths->lastReportHtml());
    QCOMPARE(paths->lastReportHtml(),
             QStringLiteral("<html>Number of positions where the path cannot be continuous = "
                            "1<br><table align=center><tr><td>|-- id --|<td>|-- Joint id "
                            "--|<td>|-- Path id --|<td>|-- Problem --|<td><tr><td "
                            "align=center>0<td align=center>%1<td align=center>1<td "
                            "align=left>%2</table></html>")
                 .arg(n)
                 .arg(sequences::PathAnalyser::problemTexts(problem.code)));
    // The trace follows the flange: the last point is where the line stopped.
    const TracePoint &last = w->view()->trace().back();
    QVERIFY(std::fabs(last.position[0] - 374.0f) < 0.05f);
    QVERIFY(std::fabs(last.position[2] - 630.0f) < 0.05f);
    // Playing stops before the flagged last position.
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(paths->currentIndex(), n - 2);
    QVERIFY(paths->statusText().startsWith(QStringLiteral("Discontinuity in next movement: ")));
    // A second load replaces the trace rather than adding to it.
    paths->setReportShown(false);
    QCOMPARE(paths->Load_Sequence_Text(QString::fromLatin1(kSingularLine)), n);
    QCOMPARE(int(w->view()->trace().size()), n);
}

void TestPlayer::firstCodeOfAThousandShowsNothing()
{
    paths->setReportShown(true);
    paths->Load_Sequence_Text(QString::fromLatin1(kSingularLine));
    QVERIFY(!w->view()->trace().empty());
    paths->reportWindow()->hide();
    const int n = paths->Load_Sequence_Text(QStringLiteral("1000 0 0 0 0 0 0\n") +
                                            QString::fromLatin1(kSingularLine));
    QVERIFY(n > 10);
    QVERIFY(w->view()->trace().empty());
    QVERIFY(paths->lastProblems().empty());
    QVERIFY(paths->lastReportHtml().isEmpty());
    QVERIFY(!paths->reportWindow()->isVisible());
    // The flag is still on the path, and the player still stops before it.
    QVERIFY(paths->nodes().back().problem >= 1000.0f);
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(paths->currentIndex(), n - 2);
}

void TestPlayer::arraysFromTheDataServer()
{
    // 6 rows, 3 columns, column by column: three positions.
    QVector<double> positions;
    for (int c = 0; c < 3; ++c)
        positions << 10.0 * c << 0 << 0 << 0 << 30 << 0;
    QCOMPARE(paths->Load_Sequence_Array(6, 3, positions), 3);
    QVERIFY(paths->playing());
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(applied, (QList<int>{0, 10, 20}));
    // 7 rows: a program. A joint move of 10 degrees: 2 + 5 positions.
    const QVector<double> program{1, 0, 0, 0, 0, 30, 0, 1, 10, 0, 0, 0, 30, 0};
    QCOMPARE(paths->Load_Sequence_Array(7, 2, program), 7);
    // Not a sequence: too few rows, too few values. The list stays.
    QCOMPARE(paths->Load_Sequence_Array(5, 3, positions), -1);
    QCOMPARE(paths->Load_Sequence_Array(6, 4, positions), -1);
    QCOMPARE(paths->count(), 7);
}

void TestPlayer::endlessArrayIsCut()
{
    // Fourteen numbers asking for a joint move of a billion degrees: a
    // problem line, not two million positions.
    const QVector<double> wild{1, 0, 0, 0, 0, 30, 0, 1, 1e9, 0, 0, 0, 30, 0};
    QCOMPARE(paths->Load_Sequence_Array(7, 2, wild), 3);
    QCOMPARE(int(paths->nodes().back().problem), 100000);
    // A program that really asks for more: axis 6 swung end to end 7600
    // times, 267 positions each. The view stays connected and draws the two
    // million points of the trace.
    QVector<double> program;
    for (int c = 0; c < 7600; ++c)
        program << 1 << 0 << 0 << 0 << 0 << 30 << (c % 2 ? 400 : -400);
    // The window goes on while the analysis runs: a timer keeps firing, the
    // status says how far it got, and a second program is turned away.
    int ticks = 0;
    QString progress;
    int refused = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        if (!paths->analysing())
            return;
        ++ticks;
        progress = paths->statusLabel()->text();
        if (ticks == 1)
            refused = paths->Load_Sequence_Array(7, 2, wild);
    });
    tick.start(20);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(paths->Load_Sequence_Array(7, 7600, program), sequences::PathAnalyser::kMaxPositions);
    tick.stop();
    // How many slices there are depends on the machine's speed; one is
    // enough to show that the window was not frozen for the whole analysis.
    QVERIFY2(ticks >= 1, qPrintable(QString::number(ticks)));
    QVERIFY(progress.startsWith(QStringLiteral("Analysing the program: ")));
    QCOMPARE(refused, -1);
    QVERIFY(!paths->analysing());
    QCOMPARE(int(w->view()->trace().size()), sequences::PathAnalyser::kMaxPositions);
    QCOMPARE(int(paths->nodes().back().problem), 10000);
    QCOMPARE(paths->lastProblems().size(), std::size_t(1));
    // Repaints come from the trace's vertex buffer: a few of them take
    // far less than drawing two million points one by one once did.
    QElapsedTimer paint;
    paint.start();
    for (int k = 0; k < 3; ++k)
        w->view()->updateGL();
    QVERIFY2(paint.elapsed() < 6000, qPrintable(QString::number(paint.elapsed())));
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    paths->Sequence_Clear();
}

void TestPlayer::nothingWithoutARobot()
{
    Paths alone;
    alone.setRobotProvider([]() -> Robot * { return nullptr; });
    QList<int> sent;
    connect(&alone, &Paths::setConfiguration_precise_signal, this,
            [&sent](GLfloat *q) { sent.append(int(q[0])); });
    QCOMPARE(alone.Load_Sequence_Text(twelvePositions()), -1);
    QCOMPARE(alone.count(), 0);
    QCOMPARE(alone.Load_Sequence_Array(6, 1, {1, 2, 3, 4, 5, 6}), -1);
    QCOMPARE(alone.Load_Sequence_Nodes(twelveNodes()), -1);
    QApplication::clipboard()->setText(twelvePositions());
    alone.Clipboard_Paste();
    QCOMPARE(alone.count(), 0);
    alone.Sequence_Execute();
    alone.Sequence_Execute_Fast();
    QVERIFY(!alone.playing());
    alone.Sequence_Reset();
    alone.Sequence_End();
    alone.Sequence_Step_Forward();
    alone.SetSimulationToPosition(3);
    alone.LEposEdited(QStringLiteral("2"));
    QVERIFY(sent.isEmpty());
    // No provider at all is the same.
    Paths none;
    QCOMPARE(none.Load_Sequence_Text(twelvePositions()), -1);
    ScratchInstall scratch;
    const QString f = scratch.write(QStringLiteral("Simulations/a.sim"), "1 2 3 4 5 6\n");
    QCOMPARE(none.loadSequenceFile(f), -1);
}

void TestPlayer::robotGoneWhilePlaying()
{
    Robot *current = robot();
    paths->setRobotProvider([&current]() { return current; });
    paths->Load_Sequence_Text(twelvePositions());
    QVERIFY(paths->playing());
    applied.clear();
    current = nullptr;
    QTRY_VERIFY(!paths->playing());
    QVERIFY(applied.isEmpty());
    // Nothing moves by hand either.
    paths->Sequence_Step_Forward();
    QVERIFY(applied.isEmpty());
}

void TestPlayer::copiedJointsPasteBack()
{
    GLfloat q[6] = {12.345678f, -23.456789f, 34.5f, -45.25f, 56.125f, -67.0625f};
    w->panel()->setConfiguration_precise(q);
    QApplication::clipboard()->clear();
    QTest::keyClick(w->panel(), Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    QVERIFY(copied.endsWith(QLatin1Char('\t')));
    GLfloat zero[6] = {0, 0, 0, 0, 30, 0};
    w->panel()->setConfiguration_precise(zero);
    paths->Clipboard_Paste();
    QCOMPARE(paths->count(), 1);
    QTRY_VERIFY(!paths->playing());
    const auto now = robot()->jointValues();
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY2(std::fabs(now[k] - q[k]) < 1e-6f, qPrintable(QString::number(now[k], 'f', 7)));
    // A clipboard without text changes nothing.
    auto *image = new QMimeData;
    image->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(image);
    paths->Load_Sequence_Text(twelvePositions());
    paths->Clipboard_Paste();
    QCOMPARE(paths->count(), 12);
}

void TestPlayer::sequenceFiles()
{
    ScratchInstall scratch;
    QByteArray bytes = "5\t0\t0\t0\t30\t0\r\n6\t0\t0\t0\t30\t0\r\n";
    bytes += '\0';
    bytes += "7\t0\t0\t0\t30\t0\r\n";
    const QString file = scratch.write(QStringLiteral("Simulations/nul.sim"), bytes);
    QCOMPARE(paths->loadSequenceFile(file), 0);
    QCOMPARE(paths->count(), 2);
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(applied, (QList<int>{5, 6}));
    QCOMPARE(paths->loadSequenceFile(scratch.path(QStringLiteral("Simulations/missing.sim"))), -1);
    QCOMPARE(paths->count(), 2);
}

void TestPlayer::clearEmptiesThePlayer()
{
    paths->Load_Sequence_Text(twelvePositions());
    paths->SetSimulationToPosition(4);
    paths->Sequence_Execute_Fast();
    paths->Sequence_Clear();
    QVERIFY(!paths->playing());
    QCOMPARE(paths->count(), 0);
    QCOMPARE(paths->currentIndex(), 0);
    QCOMPARE(paths->step(), 1);
    QCOMPARE(paths->positionField()->text(), QStringLiteral("0"));
    QCOMPARE(paths->countLabel()->text(), QStringLiteral("/ 0"));
    QCOMPARE(paths->positionSlider()->maximum(), 0);
    // Moves on the empty list show 0 and 1 and send nothing.
    applied.clear();
    paths->Sequence_Reset();
    paths->Sequence_Step_Forward();
    paths->Sequence_End();
    QVERIFY(applied.isEmpty());
    QCOMPARE(paths->positionField()->text(), QStringLiteral("1"));
    QCOMPARE(paths->positionSlider()->value(), 0);
}

void TestPlayer::playingLeavesTheEventLoopFree()
{
    QString text;
    for (int k = 0; k < 2000; ++k)
        text += QStringLiteral("%1\t0\t0\t0\t30\t0\n").arg(k % 90);
    paths->Load_Sequence_Text(text);
    bool ran = false;
    QTimer::singleShot(0, this, [&ran]() { ran = true; });
    QTRY_VERIFY(ran);
    // Other events were served between two ticks, long before the end.
    QVERIFY(paths->playing());
    QVERIFY(paths->currentIndex() < 1999);
    paths->Sequence_Stop();
}

void TestPlayer::positionsOutsideTheLimitsAreRefused_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("message");
    const QString refused = QStringLiteral("The sequence is refused: position 3, ");
    // The IRB 120: axis 1 within 165, axis 2 within 110, axis 3 -110 to 70.
    for (const char *source : {"clipboard", "file", "data server"}) {
        const QString s = QLatin1String(source);
        QTest::newRow(qPrintable(s + QStringLiteral(": far out")))
            << s << "3000 -2000 1500 0 30 0" << refused + "axis 1: 3000 is outside -165 to 165";
        QTest::newRow(qPrintable(s + QStringLiteral(": just out")))
            << s << "0 0 70.5 0 30 0" << refused + "axis 3: 70.5 is outside -110 to 70";
        QTest::newRow(qPrintable(s + QStringLiteral(": huge")))
            << s << "0 5e9 0 0 30 0" << refused + "axis 2: 5e+09 is outside -110 to 110";
        QTest::newRow(qPrintable(s + QStringLiteral(": beyond a float")))
            << s << "0 0 0 1e30 30 1e39" << refused + "axis 4: 1e+30 is outside -160 to 160";
    }
}

void TestPlayer::positionsOutsideTheLimitsAreRefused()
{
    QFETCH(QString, source);
    QFETCH(QString, third);
    QFETCH(QString, message);
    QCOMPARE(paths->Load_Sequence_Text(twelvePositions()), 12);
    QTRY_VERIFY(!paths->playing());
    applied.clear();
    const std::array<float, 6> before = robot()->jointValues();
    const QString text = QStringLiteral("1 0 0 0 30 0\n2 0 0 0 30 0\n") + third +
                         QStringLiteral("\n4 0 0 0 30 0\n");
    int result = 0;
    if (source == QLatin1String("clipboard")) {
        QApplication::clipboard()->setText(text);
        paths->Clipboard_Paste();
        result = paths->count() == 12 ? -1 : paths->count();
    } else if (source == QLatin1String("file")) {
        ScratchInstall scratch;
        paths->loadSequenceFile(scratch.write(QStringLiteral("Simulations/bad.sim"), text.toUtf8()));
        result = paths->count() == 12 ? -1 : paths->count();
    } else {
        QVector<double> columns;
        for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            for (const QString &v : line.split(QLatin1Char(' ')))
                columns << v.toDouble();
        result = paths->Load_Sequence_Array(6, 4, columns);
    }
    QCOMPARE(result, -1);
    QCOMPARE(paths->statusText(), message);
    QCOMPARE(paths->statusLabel()->text(), message);
    // The list that was there stays, and the robot did not move.
    QCOMPARE(paths->count(), 12);
    QTest::qWait(20);
    QVERIFY(applied.isEmpty());
    QCOMPARE(robot()->jointValues(), before);
}

void TestPlayer::programTargetsOutsideTheLimitsAreProblems()
{
    paths->setReportShown(false);
    // A joint move to (3000, ...) between two good ones.
    const int n = paths->Load_Sequence_Text(QStringLiteral("1 0 0 0 0 30 0\n"
                                                           "1 3000 -2000 1500 0 30 0\n"
                                                           "1 12 0 0 0 30 0\n"));
    // 2 positions, 1 flagged where the path stood, then 0..12 in 5 steps.
    QCOMPARE(n, 8);
    QCOMPARE(int(paths->lastProblems().size()), 1);
    QCOMPARE(paths->lastProblems()[0].position, 3);
    QCOMPARE(paths->lastProblems()[0].pathId, 1);
    QCOMPARE(paths->lastProblems()[0].code, 100000);
    QVERIFY(paths->lastReportHtml().contains(QStringLiteral("outside the robot's limits")));
    QCOMPARE(paths->nodes()[2].values[0], 0.0f);
    // Playing stops before it; stepping by hand past it never moves the
    // robot outside its limits either.
    QTRY_VERIFY(!paths->playing());
    QCOMPARE(paths->currentIndex(), 1);
    for (int k = 0; k < 8; ++k)
        paths->Sequence_Step_Forward();
    QCOMPARE(paths->currentIndex(), 7);
    for (int a : applied)
        QVERIFY2(a >= 0 && a <= 12, qPrintable(QString::number(a)));
    QCOMPARE(robot()->jointValues()[0], 12.0f);
}

void TestPlayer::placementsThatOverflowAreNotApplied()
{
    paths->setReportShown(false);
    const Matrix4 hb = robot()->getHB(), ht = robot()->getHT();
    // 1e38 radians is a float; in degrees it is not. Work object, tool,
    // then a sane tool change that does apply.
    const int n = paths->Load_Sequence_Text(QStringLiteral("1 0 0 0 0 30 0\n"
                                                           "4 0 0 0 0 0 1e38\n"
                                                           "5 0 0 0 1e38 0 0\n"
                                                           "5 10 0 0 3e39 0 0\n"
                                                           "5 0 0 100 0 0 0\n"));
    QCOMPARE(n, 3); // two positions and the good tool change
    QVERIFY(paths->lastReportHtml().contains(
        QStringLiteral("Program lines skipped (their numbers make no move): 2, 3, 4")));
    paths->Sequence_End();
    QCOMPARE(robot()->getHB(), hb);
    for (float v : robot()->getHT())
        QVERIFY(std::isfinite(v));
    QCOMPARE(robot()->getHT()[11], 100.0f); // only the good tool change
    Q_UNUSED(ht);
}

void TestPlayer::panelTakesNoJointsOutsideTheLimits()
{
    // What the controller's reply and the configuration list hand the
    // panel, and what the motion remote's jog produces.
    GLfloat good[6] = {10, 20, -30, 40, 50, 60};
    w->panel()->setConfiguration_precise(good);
    QCOMPARE(robot()->jointValues(), (std::array<float, 6>{10, 20, -30, 40, 50, 60}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    GLfloat bad[][6] = {{400, -300, 0, 0, 0, 5000}, {10, 20, 75, 40, 50, 60}, {10, nan, 0, 0, 0, 0}};
    for (GLfloat *q : bad) {
        w->panel()->setConfiguration_precise(q);
        QCOMPARE(robot()->jointValues(), (std::array<float, 6>{10, 20, -30, 40, 50, 60}));
    }
    // A motion remote's increment of nonsense moves nothing out of limits.
    GLfloat wild[16] = {nan, 0, 0, 1e30f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    w->panel()->Receive_Wii_Hrel(wild);
    const std::array<float, 6> q = robot()->jointValues();
    const std::vector<int> limits = robot()->getLimits();
    for (int k = 0; k < 6; ++k) {
        QVERIFY(std::isfinite(q[std::size_t(k)]));
        QVERIFY(q[std::size_t(k)] >= limits[std::size_t(2 * k)]);
        QVERIFY(q[std::size_t(k)] <= limits[std::size_t(2 * k + 1)]);
    }
}

QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
