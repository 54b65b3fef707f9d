// The plots dock in the real main window with the singularity program of
// the shipped examples: its curves and marks against the analysis, the
// cursor and the player moving together, the CSV read back, the envelope of
// a long curve, the dock's key and its texts.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "texts/languagefile.h"
#include "models/datadirs.h"
#include "plots/plotdata.h"
#include "plots/plotsview.h"
#include "scene/glwidget.h"
#include "sequences/paths.h"
#include "sequences/seqsupport.h"
#include "sequences/sequenceparser.h"
#include "ui/menuprincipal.h"

#include <QAction>
#include <QDockWidget>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>

using plots::PlotsView;
using sequences::PathAnalyser;

class TestPlots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void curvesAndMarksAreTheAnalysis();
    void cursorFollowsThePlayer();
    void clickMovesThePlayer();
    void csvReadsBackAsTheAnalysis();
    void coupledLimitsMoveWithAxis2();
    void envelopeKeepsEveryExtreme_data();
    void envelopeKeepsEveryExtreme();
    void dockKeyAndLanguages();

private:
    PathAnalyser::Result analyseFile(const QString &name);
    Paths *paths() const { return w->panel()->paths(); }
    PlotsView *view() const { return w->plotsView(); }

    MainWindow *w = nullptr;
    QString m_program;
};

void TestPlots::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    m_program = DataDirs::simulationDir() + QStringLiteral("singularity.sim");
    QVERIFY(QFileInfo(m_program).isFile());
}

void TestPlots::init()
{
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->resize(1280, 800);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    paths()->setReportShown(false);
    // As the user opens it.
    w->action(QStringLiteral("actionPlotsView"))->trigger();
    QVERIFY(w->plotsDock()->isVisible());
    QCOMPARE(paths()->loadSequenceFile(m_program), 0);
    paths()->Sequence_Stop();
    QTest::qWait(50);
}

void TestPlots::cleanup()
{
    delete w;
    w = nullptr;
}

// The program analysed here, apart from the window.
PathAnalyser::Result TestPlots::analyseFile(const QString &name)
{
    const sequences::FileText text = sequences::readSequenceFile(name);
    const sequences::ParsedText parsed = sequences::parseText(text.text);
    std::vector<sequences::ProgramLine> program(parsed.nodes.size());
    for (std::size_t i = 0; i < program.size(); ++i) {
        program[i].code = double(parsed.nodes[i].values[0]);
        for (std::size_t k = 0; k < 6; ++k)
            program[i].operands[k] = double(parsed.nodes[i].values[k + 1]);
    }
    Robot robot;
    robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData());
    return PathAnalyser(robot).analyse(program);
}

void TestPlots::curvesAndMarksAreTheAnalysis()
{
    const plots::PlotData &d = view()->data();
    const PathAnalyser::Result r = analyseFile(m_program);
    QCOMPARE(d.count(), int(r.path.size()));
    QCOMPARE(d.count(), paths()->count());

    // The marks are the report's positions, and the report has one.
    const auto &problems = paths()->lastProblems();
    QCOMPARE(d.marks.size(), problems.size());
    QVERIFY(!problems.empty());
    for (std::size_t i = 0; i < problems.size(); ++i) {
        QCOMPARE(d.marks[i].position, problems[i].position);
        QCOMPARE(d.marks[i].code, problems[i].code);
        QVERIFY(paths()->lastReportHtml().contains(
            QStringLiteral("<td align=center>%1<td").arg(problems[i].position)));
    }
    // Its tooltip names the position and the problem.
    const int markAt = d.marks[0].position;
    const QString tip = view()->markToolTip(view()->pixelOf(markAt));
    QVERIFY2(tip.contains(QString::number(markAt)) && tip.contains(QStringLiteral("Joint 5")),
             qPrintable(tip));
    QVERIFY(view()->markToolTip(view()->pixelOf(markAt) - 40).isEmpty());

    // Curves: the analysis's joints; the tool change row holds the joints
    // before it. The TCP from the IRB120's chain worked out in the test,
    // with the program's 140 mm tool along z.
    const ref::M tool = ref::trans(0, 0, 140);
    std::array<double, 3> before{};
    bool haveBefore = false;
    for (std::size_t k = 0; k < r.path.size(); ++k) {
        const sequences::PathPosition &p = r.path[k];
        if (p.type != 1.0f)
            continue;
        for (std::size_t a = 0; a < 6; ++a)
            QCOMPARE(d.joints[a][k], p.joints[a]);
        const auto at = seqtest::position(ref::mul(seqtest::flange(p.joints), tool));
        for (std::size_t c = 0; c < 3; ++c)
            QVERIFY2(std::fabs(d.tcp[c][k] - at[c]) < 0.01, qPrintable(QString::number(k)));
        const double step = haveBefore ? seqtest::distance(at, before) : 0.0;
        QVERIFY2(std::fabs(d.stepMm[k] - step) < 0.01, qPrintable(QString::number(k)));
        before = at;
        haveBefore = true;
    }
    // The straight line is drawn in steps of at most 2 mm, its orientation
    // fixed; the joint move before it turns the TCP.
    QVERIFY(*std::max_element(d.stepMm.begin() + markAt - 10, d.stepMm.begin() + markAt) <= 2.001f);
    QVERIFY(*std::max_element(d.stepDeg.begin() + markAt - 10, d.stepDeg.begin() + markAt) < 0.01f);

    // Limits: the robot's, the IRB120 couples none.
    const std::vector<int> limits = w->robot()->getLimits();
    for (std::size_t a = 0; a < 6; ++a) {
        QCOMPARE(d.lower[a], float(limits[2 * a]));
        QCOMPARE(d.upper[a], float(limits[2 * a + 1]));
    }
    QCOMPARE(d.coupling, 0);

    // The tool change before the first position holds that position's joints.
    QCOMPARE(r.path[0].type, 5.0f);
    QCOMPARE(d.joints[3][0], r.path[1].joints[3]);

    if (!qEnvironmentVariableIsEmpty("VELKARI_SHOT_DIR")) {
        paths()->LEposEdited(QStringLiteral("40"));
        QTest::qWait(300);
        QVERIFY(w->snapshot().save(qEnvironmentVariable("VELKARI_SHOT_DIR") +
                                   QStringLiteral("/singularity-plots.png")));
    }
}

void TestPlots::cursorFollowsThePlayer()
{
    paths()->Sequence_Reset();
    QCOMPARE(view()->cursorPosition(), 1);
    QTest::keyClick(w->panel(), Qt::Key_Right);
    QCOMPARE(paths()->currentIndex(), 1);
    QCOMPARE(view()->cursorPosition(), 2);
    paths()->LEposEdited(QStringLiteral("40"));
    QCOMPARE(view()->cursorPosition(), 40);
    // Playing stops before the flagged position; the cursor with it.
    paths()->Sequence_Execute();
    QTRY_VERIFY(!paths()->playing());
    const int flagged = view()->data().marks[0].position;
    QCOMPARE(paths()->currentIndex(), flagged - 2);
    QCOMPARE(view()->cursorPosition(), flagged - 1);
    // A new robot empties the list, and the plot.
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    QVERIFY(view()->data().empty());
    QCOMPARE(view()->cursorPosition(), 0);
    QVERIFY(!view()->csvButton()->isEnabled());
}

void TestPlots::clickMovesThePlayer()
{
    QCustomPlot *plot = view()->plot();
    const int y = view()->jointRect(2)->center().y();
    const int target = 57;
    QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, QPoint(view()->pixelOf(target), y));
    QCOMPARE(paths()->currentIndex(), target - 1);
    QCOMPARE(paths()->positionField()->text(), QString::number(target));
    QCOMPARE(view()->cursorPosition(), target);
    const auto &node = paths()->nodes()[std::size_t(target - 1)];
    const std::array<float, 6> q = w->robot()->jointValues();
    for (std::size_t a = 0; a < 6; ++a)
        QVERIFY(std::fabs(q[a] - node.values[a]) < 0.01f);
    // Outside the rows (the legend above them) nothing moves.
    QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier,
                      QPoint(view()->pixelOf(10), view()->jointRect(0)->top() - 3));
    QCOMPARE(paths()->currentIndex(), target - 1);
}

void TestPlots::csvReadsBackAsTheAnalysis()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("path.csv"));
    QVERIFY(view()->saveCsv(file));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const QList<QByteArray> lines = bytes.split('\n');

    const PathAnalyser::Result r = analyseFile(m_program);
    Robot robot;
    robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData());
    std::vector<std::array<float, 3>> tcp;
    PathAnalyser(robot).tcpPoses(r, toolbox::identity(), [&tcp](const float *m) {
        tcp.push_back({m[3], m[7], m[11]});
    });
    QCOMPARE(lines.size(), int(r.path.size()) + 2); // header, rows, "" after the last "\n"
    QVERIFY(lines.last().isEmpty());
    auto six = [](double v) { return QString::number(v, 'f', 6); };
    std::size_t pose = 0;
    for (std::size_t k = 0; k < r.path.size(); ++k) {
        const QList<QByteArray> f = lines.at(int(k) + 1).split(',');
        QCOMPARE(f.size(), 13);
        const sequences::PathPosition &p = r.path[k];
        QCOMPARE(f[0].toInt(), int(k) + 1);
        QCOMPARE(f[1].toInt(), p.pathId);
        QCOMPARE(f[2].toDouble(), double(p.type));
        for (std::size_t a = 0; a < 6; ++a)
            QCOMPARE(six(f[int(a) + 3].toDouble()), six(double(p.joints[a])));
        QCOMPARE(f[9].toInt(), int(p.problem));
        if (p.type == 1.0f) {
            for (std::size_t c = 0; c < 3; ++c)
                QCOMPARE(six(f[int(c) + 10].toDouble()), six(double(tcp[pose][c])));
            ++pose;
        }
    }
    QCOMPARE(pose, tcp.size());

    // The command line writes the same bytes.
    QProcess kin;
    kin.start(
        QCoreApplication::applicationDirPath() + QStringLiteral("/velkari-kin"),
        {DataDirs::defaultRobot(), QStringLiteral("check"), m_program, QStringLiteral("--csv")});
    QVERIFY(kin.waitForFinished(60000));
    QCOMPARE(kin.exitCode(), 3); // the path has a problem
    QCOMPARE(kin.readAllStandardOutput(), bytes);

    // And the picture.
    const QString png = dir.filePath(QStringLiteral("path.png"));
    QVERIFY(view()->savePng(png));
    QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 400 && image.height() >= 300);
    // An export that cannot be written says so.
    QSignalSpy said(view(), &PlotsView::userMessage);
    QVERIFY(!view()->saveCsv(dir.filePath(QStringLiteral("no/such/dir/x.csv"))));
    QCOMPARE(said.count(), 1);
}

void TestPlots::coupledLimitsMoveWithAxis2()
{
    // The Fanuc's axis 3 range follows axis 2 (angle type 2): the
    // description's -70..205 hold for j2 + j3.
    QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
    QCOMPARE(w->robot()->getAngleType(), 2);
    QString list;
    for (int k = 0; k <= 20; ++k)
        list += QStringLiteral("0 %1 10 0 30 0\n").arg(-40 + 4 * k);
    QCOMPARE(paths()->Load_Sequence_Text(list), 21);
    paths()->Sequence_Stop();
    const plots::PlotData &d = view()->data();
    QCOMPARE(d.count(), 21);
    Robot &robot = *w->robot();
    const std::array<float, 6> saved = robot.jointValues();
    float lowest = 1e9f, highest = -1e9f;
    for (int k = 0; k < 21; ++k) {
        const float q2 = float(-40 + 4 * k);
        QCOMPARE(d.lowerLimit(2, k), -70.0f - q2);
        QCOMPARE(d.upperLimit(2, k), 205.0f - q2);
        QCOMPARE(d.lowerLimit(1, k), -100.0f);
        lowest = std::min(lowest, -70.0f - q2);
        highest = std::max(highest, -70.0f - q2);
    }
    robot.setJointAngles(saved);
    // The band drawn under axis 3 runs between those values.
    view()->plot()->replot(QCustomPlot::rpImmediateRefresh);
    QCPGraph *band = nullptr;
    for (int g = 0; g < view()->plot()->graphCount() && !band; ++g)
        if (view()->plot()->graph(g)->keyAxis()->axisRect() == view()->jointRect(2))
            band = view()->plot()->graph(g);
    QVERIFY(band);
    bool found = false;
    const QCPRange values = band->getValueRange(found);
    QVERIFY(found);
    QCOMPARE(float(values.lower), lowest);
    QCOMPARE(float(values.upper), highest);
}

void TestPlots::envelopeKeepsEveryExtreme_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<int>("columns");
    QTest::newRow("two million in 1000 columns") << 2000000 << 0.5 << 2000000.5 << 1000;
    QTest::newRow("zoomed into 30000") << 2000000 << 1000000.0 << 1030000.0 << 700;
    QTest::newRow("fewer samples than columns") << 50 << 0.5 << 50.5 << 800;
    QTest::newRow("part of a short curve") << 50 << 10.2 << 20.7 << 800;
}

void TestPlots::envelopeKeepsEveryExtreme()
{
    QFETCH(int, count);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(int, columns);
    std::vector<float> y(static_cast<std::size_t>(count));
    quint32 seed = 7;
    for (float &v : y) {
        seed = seed * 1664525u + 1013904223u;
        v = float(seed >> 8) / float(1 << 24) * 360.0f - 180.0f;
    }
    std::vector<plots::EnvelopeColumn> out;
    plots::envelope(y.data(), count, from, to, columns, out);
    QVERIFY(int(out.size()) <= std::max(columns, 2 * columns));
    // Every sample seen (x = index + 1) lies within its column, and the
    // extremes of the visible range are all there.
    float low = 1e9f, high = -1e9f;
    for (int i = 0; i < count; ++i)
        if (i + 1 >= from && i + 1 <= to) {
            low = std::min(low, y[std::size_t(i)]);
            high = std::max(high, y[std::size_t(i)]);
        }
    float seenLow = 1e9f, seenHigh = -1e9f;
    for (std::size_t c = 0; c < out.size(); ++c) {
        if (c > 0)
            QVERIFY(out[c].x > out[c - 1].x);
        seenLow = std::min(seenLow, out[c].low);
        seenHigh = std::max(seenHigh, out[c].high);
    }
    QCOMPARE(seenLow <= low, true);
    QCOMPARE(seenHigh >= high, true);
    // The line runs from edge to edge.
    QVERIFY(out.front().x <= std::max(from, 1.0) + (to - from) / columns);
    QVERIFY(out.back().x >= std::min(to, double(count)) - (to - from) / columns);
    if (count < columns) {
        // Few samples: each its own point, exact.
        for (const auto &c : out)
            QCOMPARE(c.low, y[std::size_t(c.x) - 1]);
    }
}

void TestPlots::dockKeyAndLanguages()
{
    QAction *a = w->action(QStringLiteral("actionPlotsView"));
    QVERIFY(a);
    QCOMPARE(a->shortcut(), QKeySequence(Qt::Key_F6));
    // No other action of the window has the key.
    for (QAction *other : w->findChildren<QAction *>())
        if (other != a)
            QVERIFY(other->shortcut() != QKeySequence(Qt::Key_F6));
    w->plotsDock()->hide();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_F6);
    QVERIFY(w->plotsDock()->isVisible());
    QVERIFY(a->isChecked());
    QTest::keyClick(w, Qt::Key_F6);
    QVERIFY(!w->plotsDock()->isVisible());

    w->do_germanLanguage();
    QCOMPARE(view()->pngButton()->text(), QStringLiteral("PNG speichern..."));
    QCOMPARE(w->plotsDock()->windowTitle(), QStringLiteral("Diagramme"));
    QCOMPARE(a->text(), QStringLiteral("Diagramme"));
    // A file of the older 71 entries leaves the dock in English.
    QFile german(DataDirs::languageDir() + QStringLiteral("german.txt"));
    QVERIFY(german.open(QIODevice::ReadOnly));
    QTemporaryDir dir;
    QFile old(dir.filePath(QStringLiteral("old.txt")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    const QList<QByteArray> lines = german.readAll().split('\n');
    for (int i = 0; i < LanguageFile::kFirstPlotsEntry; ++i)
        old.write(lines.at(i) + '\n');
    old.close();
    LanguageFile file;
    QVERIFY(file.load(old.fileName()));
    QCOMPARE(file.count(), LanguageFile::kFirstPlotsEntry);
    view()->retranslate(&file);
    QCOMPARE(view()->pngButton()->text(), QStringLiteral("Save PNG..."));
    QCOMPARE(w->plotsDock()->windowTitle(), QStringLiteral("Plots"));
}

QTEST_MAIN(TestPlots)
#include "tst_plots.moc"
