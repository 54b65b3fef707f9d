// The sequence player with a real panel and view in the main window, its widgets
// in a dock: play, flags, placements, keys, buttons, slider, field, report, trace,
// refusals, the window alive during a long analysis (without a robot: tst_mainwindow).
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h" // ObjectEntry
#include "scene/objects.h"
#include "sequences/paths.h"
#include "support/scratchinstall.h"
#include "ui/menuprincipal.h"
#include "ui/playerwiring.h"
#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
// Twelve positions, axis 1 at the index, the wrist bent; one may be flagged.
static std::vector<Paths::nodeJOINTS> twelve(int flagged = -1, float code = 0)
{
    std::vector<Paths::nodeJOINTS> nodes(12);
    for (int k = 0; k < 12; ++k)
        nodes[std::size_t(k)] = {1.0f, {float(k), 0, 0, 0, 30, 0, 0}, k == flagged ? code : 0.0f};
    return nodes;
}
class TestPlayer : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        MainWindow::setInteractive(false);
        w = new MainWindow;
        w->addDockWidget(Qt::BottomDockWidgetArea,
                         dock = new QDockWidget(QStringLiteral("Simulation"), w));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w) && w->loadRobot(DataDirs::defaultRobot()) == 0);
        (paths = new Paths)->setupWidgets(dock);
        connectPlayer(paths, w->panel(), w->view());
        paths->setReportShown(false);
        connect(paths, &Paths::setConfiguration_precise_signal, this,
                [this](GLfloat *q) { applied.append(int(std::lround(q[0]))); });
    }
    void cleanup()
    {
        delete paths;
        delete w;
        applied.clear();
    }
    void playing()
    {
        // Loading shows the first node and plays. Fast play steps by 5 and ends
        // on the last node; a flagged node stops play on the node before it,
        // also when a step would pass over it; moving onto it by hand applies
        // it and clears the status.
        const QString why = QStringLiteral("Discontinuity in next movement: ");
        const std::tuple<int, float, bool, QList<int>, QString> rows[] = {
            {-1, 0, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, QString()},
            {-1, 0, true, {5, 10, 11}, QString()},
            {7, 1000, false, {1, 2, 3, 4, 5, 6}, why + "Joint 5 is close to 0 deg. "},
            {7, 11, true, {5, 6}, why + "No IK solution. Cannot make the path continuous. "}};
        for (const auto &[flagged, code, fast, sent, status] : rows) {
            applied.clear();
            QVERIFY(paths->Load_Sequence_Nodes(twelve(flagged, code)) == 12 && paths->playing() &&
                    dock->isVisible() && applied == QList<int>{0});
            paths->Sequence_Stop();
            applied.clear();
            fast ? paths->Sequence_Execute_Fast() : paths->Sequence_Execute();
            QTRY_VERIFY(!paths->playing());
            QCOMPARE(applied, sent);
            QVERIFY(robot()->jointValues()[0] == sent.last() &&
                    paths->positionField()->text() == QString::number(sent.last() + 1));
            QCOMPARE(paths->statusLabel()->text(), status);
            applied.clear();
            paths->SetSimulationToPosition(std::max(flagged, 0));
            QVERIFY(applied == QList<int>{std::max(flagged, 0)} && paths->statusText().isEmpty());
        }
    }
    void passedToolChangesAndPlacementsHold()
    {
        Objects *objects = w->view()->objectsList();
        for (const char *name : {"table.stl", "workpiece.stl"})
            objects->AddObject(DataDirs::objectDir() + QLatin1String(name));
        auto nodes = twelve();
        nodes[2] = {5.0f, {0, 0, 140, 0, 0, 0, 0}}, nodes[3] = {4.0f, {100, 0, 0, 0, 0, 0, 0}};
        nodes[4] = {4.01f, {150, -250, 750, 0, 0, float(M_PI / 2), 0}},
        nodes[6] = {4.06f, {}}; // 4.0599999 in a float: object 6
        QList<int> ids;
        connect(paths, &Paths::Change_Object_signal, this,
                [&ids](GLfloat *, int id) { ids << id; });
        paths->Load_Sequence_Nodes(nodes), applied.clear();
        paths->Sequence_Execute_Fast(), paths->Sequence_On_Timer(),
            paths->Sequence_Stop(); // 0 -> 5, over 2, 3 and 4
        QVERIFY(objects->count() == 2 && applied == QList<int>{5});
        // Pen 140 mm along the flange Z, World frame 100 mm along X, object 1 a quarter turn about
        // Z.
        QVERIFY(robot()->getHT()[3] == 0.0f && robot()->getHT()[11] == 140.0f &&
                robot()->getHB()[3] == 100.0f);
        const ObjectEntry *o = objects->entry(1);
        QVERIFY(o->pose[12] == 150.0f && o->pose[13] == -250.0f && o->pose[14] == 750.0f &&
                std::fabs(o->pose[0]) < 1e-6f && std::fabs(o->pose[1] - 1.0f) < 1e-6f);
        paths->Sequence_Step_Forward(), paths->Sequence_Step_Forward();
        QCOMPARE(ids, (QList<int>{1, 6}));
    }
    void keysButtonsSliderAndField()
    {
        paths->Load_Sequence_Nodes(twelve());
        paths->Sequence_Stop();
        applied.clear();
        MenuPrincipal *panel = w->panel();
        auto press = [this](const char *name) {
            QTest::mousePress(paths->button(QLatin1String(name)), Qt::LeftButton);
        };
        // Arrows step, Down plays, Escape stops, Up rewinds; not with Shift or Ctrl.
        for (const char *keys : {"Right", "Right", "Left", "Shift+Right", "Ctrl+Down"})
            QTest::keySequence(panel, QKeySequence(QLatin1String(keys)));
        QVERIFY(applied == (QList<int>{1, 2, 1}) && !paths->playing());
        QTest::keyClick(panel, Qt::Key_Down);
        QVERIFY(paths->playing());
        QTest::keySequence(panel, QKeySequence(QStringLiteral("Esc, Up")));
        QVERIFY(!paths->playing() && paths->currentIndex() == 0);
        // Buttons act on press. After ">>" Right steps five, as its tooltip says.
        press("endButton");
        QCOMPARE(paths->currentIndex(), 11);
        press("rewindButton"), press("fastButton");
        QVERIFY(paths->playing() && paths->button(QStringLiteral("fastButton"))
                                        ->toolTip()
                                        .contains(QStringLiteral("five")));
        press("pauseButton"), QTest::keyClick(panel, Qt::Key_Right);
        QVERIFY(!paths->playing() && paths->currentIndex() == 5);
        press("playButton");
        QVERIFY(paths->playing() && paths->step() == 1);
        // The field takes 1-based numbers as typed ("1" on the way to "10" is
        // index 0, where it stands), not 0 or 13; the slider applies every value.
        press("rewindButton"), applied.clear();
        for (const char *typed : {"10", "0", "x", "3"})
            paths->positionField()->selectAll(),
                QTest::keyClicks(paths->positionField(), QLatin1String(typed));
        paths->LEposEdited(QStringLiteral("13"));
        paths->positionSlider()->setValue(3);
        paths->positionSlider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QVERIFY(applied == (QList<int>{9, 2, 3, 4}) &&
                paths->positionField()->text() == QStringLiteral("5"));
        // With the loop button on, the end jumps back to the start in the same tick.
        press("loopButton"), paths->SetSimulationToPosition(10), applied.clear();
        paths->Sequence_Execute(), paths->Sequence_On_Timer();
        QVERIFY(paths->looping() && applied == (QList<int>{11, 0}));
        QTRY_VERIFY(applied.size() > 30 && paths->playing()); // round and round until stopped
    }
    void reportWindowAndTrace()
    {
        // A joint move to (3000, ...) between two good ones: 2 positions, 1
        // flagged where the path stood, then 0..12 in 5 steps.
        const QString program =
            QStringLiteral("1 0 0 0 0 30 0\n1 3000 -2000 1500 0 30 0\n1 12 0 0 0 30 0\n");
        paths->setReportShown(true);
        QVERIFY(paths->Load_Sequence_Text(program) == 8 && w->view()->trace().size() == 8 &&
                paths->lastProblems().size() == 1);
        QVERIFY(paths->lastProblems()[0].position == 3 && paths->lastProblems()[0].code == 100000);
        QMessageBox *report = paths->reportWindow();
        QVERIFY(report && report->isVisible() && !report->parent() &&
                report->windowModality() == Qt::NonModal);
        QVERIFY(report->text() == paths->lastReportHtml() &&
                report->text().contains(QStringLiteral("outside the robot's limits")));
        // The trace follows the flange: the last point is the IRB120's at
        // (12, 0, 0, 0, 30, 0) (flange 374 mm out at 630 mm, at joint 1 of 12).
        const TracePoint &last = w->view()->trace().back();
        QVERIFY(std::fabs(std::atan2(last.position[1], last.position[0]) * 180 / M_PI - 12) < 0.01);
        // Playing stops before the flag; stepping past it by hand never leaves the limits.
        QTRY_VERIFY(!paths->playing() && paths->currentIndex() == 1);
        for (int k = 0; k < 8; ++k)
            paths->Sequence_Step_Forward();
        QVERIFY(paths->currentIndex() == 7 && robot()->jointValues()[0] == 12.0f);
        QVERIFY(
            std::all_of(applied.begin(), applied.end(), [](int a) { return a >= 0 && a <= 12; }));
        // A first code of 1000: no report, no trace, the flag still on the path.
        report->hide();
        QCOMPARE(paths->Load_Sequence_Text(QStringLiteral("1000 0 0 0 0 0 0\n") + program), 8);
        QVERIFY(w->view()->trace().empty() && paths->lastReportHtml().isEmpty() &&
                !report->isVisible() && paths->nodes()[2].problem == 100000.0f);
    }
    void arraysAndTheLongestProgram()
    {
        // 7 rows: a program; a billion degrees is one flagged position.
        const QVector<double> wild{1, 0, 0, 0, 0, 30, 0, 1, 1e9, 0, 0, 0, 30, 0};
        QVERIFY(paths->Load_Sequence_Array(7, 2, wild) == 3 &&
                paths->Load_Sequence_Array(6, 4, {1, 2, 3}) == -1);
        // Axis 6 swung end to end 7600 times (267 positions each) asks for more than are
        // kept. Meanwhile a timer fires, the status says how far, a second program is refused.
        QVector<double> program;
        for (int c = 0; c < 7600; ++c)
            program << 1 << 0 << 0 << 0 << 0 << 30 << (c % 2 ? 400 : -400);
        int ticks = 0, refused = 0;
        QString progress;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            if (paths->analysing() && ++ticks == 1) {
                progress = paths->statusLabel()->text();
                refused = paths->Load_Sequence_Array(7, 2, wild);
            }
        });
        tick.start(0); // fires at the analysis's first slice, however fast it runs
        QCOMPARE(paths->Load_Sequence_Array(7, 7600, program),
                 sequences::PathAnalyser::kMaxPositions);
        QVERIFY(ticks >= 1 && refused == -1 &&
                progress.startsWith(QStringLiteral("Analysing the program: ")));
        QVERIFY(int(w->view()->trace().size()) == sequences::PathAnalyser::kMaxPositions &&
                int(paths->nodes().back().problem) == 10000 && paths->lastProblems().size() == 1);
        QElapsedTimer paint; // repaints come from the trace's vertex buffer
        paint.start();
        for (int k = 0; k < 3; ++k)
            w->view()->updateGL();
        QVERIFY2(paint.elapsed() < 6000, qPrintable(QString::number(paint.elapsed())));
        // Clear empties the player; moves on the empty list send nothing.
        paths->Sequence_Execute_Fast(), paths->Sequence_Clear(), applied.clear();
        paths->Sequence_Step_Forward(), paths->Sequence_End();
        QVERIFY(!paths->playing() && paths->count() == 0 && paths->step() == 1 &&
                applied.isEmpty());
        QVERIFY(paths->countLabel()->text() == QStringLiteral("/ 0") &&
                paths->positionSlider()->maximum() == 0);
    }
    void positionsOutsideTheLimitsAreRefused()
    {
        // Position 3 outside the IRB 120's limits, from each source: refused,
        // said why; the list that was there stays, the robot does not move.
        const std::pair<const char *, const char *> cases[] = {
            {"3000 -2000 1500 0 30 0", "axis 1: 3000 is outside -165 to 165"},
            {"0 0 70.5 0 30 0", "axis 3: 70.5 is outside -110 to 70"},
            {"0 0 0 1e30 30 1e39", "axis 4: 1e+30 is outside -160 to 160"}};
        paths->Load_Sequence_Nodes(twelve());
        QTRY_VERIFY(!paths->playing());
        const std::array<float, 6> before = robot()->jointValues();
        applied.clear();
        ScratchInstall scratch;
        QCOMPARE(paths->loadSequenceFile(scratch.path(QStringLiteral("Simulations/missing.sim"))),
                 -1);
        for (int source = 0; source < 3; ++source) { // clipboard, file, data server
            const QString text = QStringLiteral("1 0 0 0 30 0\n2 0 0 0 30 0\n%1\n4 0 0 0 30 0\n")
                                     .arg(QLatin1String(cases[source].first));
            QVector<double> columns;
            for (const QString &v :
                 text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
                columns << v.toDouble();
            QApplication::clipboard()->setText(text);
            if (source == 0)
                paths->Clipboard_Paste();
            else if (source == 1)
                paths->loadSequenceFile(
                    scratch.write(QStringLiteral("Simulations/bad.sim"), text.toUtf8()));
            else
                QCOMPARE(paths->Load_Sequence_Array(6, 4, columns), -1);
            QCOMPARE(paths->statusLabel()->text(),
                     QStringLiteral("The sequence is refused: position 3, ") +
                         QLatin1String(cases[source].second));
        }
        // A line of words further down, pasted or in a file: the text is refused whole, the
        // line named where the player shows it.
        const QString words = QStringLiteral("1 0 0 0 30 0\n2 0 0 0 30 0\n3 0 abc 0 30 0\n");
        QApplication::clipboard()->setText(words);
        dock->hide();
        paths->Clipboard_Paste();
        QVERIFY2(dock->isVisible() && paths->statusLabel()->text().contains("line 3 ") &&
                     paths->statusLabel()->text().contains("\"3 0 abc 0 30 0\""),
                 qPrintable(paths->statusLabel()->text()));
        QCOMPARE(paths->loadSequenceFile(scratch.write(QStringLiteral("Simulations/words.sim"),
                                                       "0 0 0 0 30 0\r\nzero\r\n")),
                 -1);
        QVERIFY(paths->statusLabel()->text().contains("line 2 "));
        QTest::qWait(20);
        QVERIFY(paths->count() == 12 && applied.isEmpty() && robot()->jointValues() == before);
    }

private:
    Robot *robot() const { return w->view()->selectedRobot(); }
    MainWindow *w = nullptr;
    QDockWidget *dock = nullptr;
    Paths *paths = nullptr;
    QList<int> applied; // axis-1 value of every position sent to the panel
};
QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
