// The plots dock in the real main window with the singularity program of
// the shipped examples: its curves, marks and CSV against the analysis, the
// cursor and the player moving together, the coupled limits, the envelope of
// a long curve, the dock's key and its texts.
#include "app/mainwindow.h"
#include "models/datadirs.h"
#include "plots/plotdata.h"
#include "plots/plotsview.h"
#include "scene/glwidget.h"
#include "scene/robots.h"
#include "sequences/paths.h"
#include "sequences/sequenceparser.h"
#include "support/boxmesh.h"
#include "support/programs.h"
#include "texts/languagefile.h"
#include "ui/menuprincipal.h"
#include <QAction>
#include <QDockWidget>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <qcustomplot.h>
using plots::PlotsView;
class TestPlots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        m_program = DataDirs::simulationDir() + QStringLiteral("singularity.sim");
        QVERIFY(QFileInfo(m_program).isFile());
    }
    void init()
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
    void cleanup() { delete w, w = nullptr; }
    void curvesMarksAndCsvAreTheAnalysis()
    {
        // The program analysed here, apart from the window.
        const sequences::ParsedText parsed =
            sequences::parseText(sequences::readSequenceFile(m_program).text);
        std::vector<sequences::ProgramLine> program(parsed.nodes.size());
        for (std::size_t i = 0; i < program.size(); ++i) {
            program[i].code = double(parsed.nodes[i].values[0]);
            for (std::size_t k = 0; k < 6; ++k)
                program[i].operands[k] = double(parsed.nodes[i].values[k + 1]);
        }
        Robot robot;
        robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData());
        const auto r = sequences::PathAnalyser(robot).analyse(program);
        const plots::PlotData &d = view()->data();
        QCOMPARE(d.count(), int(r.path.size()));
        QCOMPARE(d.count(), paths()->count());
        // The marks are the report's positions, and the report has one; its
        // tooltip names the position and the problem.
        const auto &problems = paths()->lastProblems();
        QVERIFY(!problems.empty());
        QCOMPARE(d.marks.size(), problems.size());
        for (std::size_t i = 0; i < problems.size(); ++i) {
            QCOMPARE(d.marks[i].position, problems[i].position);
            QCOMPARE(d.marks[i].code, problems[i].code);
        }
        const int markAt = d.marks[0].position;
        const QString tip = view()->markToolTip(view()->pixelOf(markAt));
        QVERIFY(tip.contains(QString::number(markAt)) && tip.contains(QStringLiteral("Joint 5")));
        QVERIFY(view()->markToolTip(view()->pixelOf(markAt) - 40).isEmpty());
        // The lowest digit set in a problem code names the kind of its mark,
        // except a collision, which only an unreached position outranks.
        using plots::MarkKind;
        QVERIFY(plots::markKind(1001110) == MarkKind::Collision &&
                plots::markKind(1000001) == MarkKind::NoSolution &&
                plots::markKind(0) == MarkKind::Other &&
                plots::markKind(1011) == MarkKind::NoSolution &&
                plots::markKind(1110) == MarkKind::Jump &&
                plots::markKind(1000) == MarkKind::WristNear &&
                plots::markKind(1100) == MarkKind::WristCrossing);
        QTemporaryDir dir;
        QFile csv(dir.filePath(QStringLiteral("path.csv")));
        QVERIFY(view()->saveCsv(csv.fileName()) && csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), d.count() + 2); // header, rows, "" after the last "\n"
        // Rows: the analysis's joints (operands for the other lines). The TCP
        // from the IRB120's chain worked out in the test, with the program's
        // 140 mm tool along z; its turn from the trace of the relative rotation.
        const ref::M tool = ref::trans(0, 0, 140);
        auto six = [](double v) { return QString::number(v, 'f', 6); };
        auto turn = [](const ref::M &a, const ref::M &b) {
            double trace = 0.0;
            for (std::size_t i = 0; i < 12; ++i)
                trace += i % 4 < 3 ? a[i] * b[i] : 0.0;
            return std::acos(std::clamp((trace - 1.0) / 2.0, -1.0, 1.0)) * 180.0 / M_PI;
        };
        ref::M before{};
        bool haveBefore = false;
        for (std::size_t k = 0; k < r.path.size(); ++k) {
            const sequences::PathPosition &p = r.path[k];
            const QList<QByteArray> row = lines.at(int(k) + 1).split(',');
            QCOMPARE(row.size(), 13);
            QCOMPARE(row[0].toInt(), int(k) + 1);
            QCOMPARE(row[1].toInt(), p.pathId);
            QCOMPARE(row[2].toDouble(), double(p.type));
            QCOMPARE(row[9].toInt(), int(p.problem));
            for (std::size_t a = 0; a < 6; ++a)
                QCOMPARE(six(row[int(a) + 3].toDouble()), six(double(p.joints[a])));
            QVERIFY(p.type == 1.0f || d.stepMm[k] == 0.0f); // no move on other lines
            if (p.type != 1.0f)
                continue;
            const ref::M pose = ref::mul(seqtest::flange(p.joints), tool);
            const auto at = seqtest::position(pose);
            for (std::size_t a = 0; a < 6; ++a)
                QCOMPARE(d.joints[a][k], p.joints[a]);
            for (std::size_t c = 0; c < 3; ++c) {
                QVERIFY(std::fabs(d.tcp[c][k] - at[c]) < 0.01);
                QCOMPARE(row[int(c) + 10], six(double(d.tcp[c][k])).toLatin1());
            }
            const double step = haveBefore ? seqtest::distance(at, seqtest::position(before)) : 0.0;
            QVERIFY(std::fabs(d.stepMm[k] - step) < 0.01);
            QVERIFY(std::fabs(d.stepDeg[k] - (haveBefore ? turn(before, pose) : 0.0)) < 0.01);
            before = pose;
            haveBefore = true;
        }
        // The straight line is drawn in steps of at most 2 mm, its orientation
        // fixed; the joint move before it turns the TCP.
        QVERIFY(*std::max_element(d.stepMm.begin() + markAt - 10, d.stepMm.begin() + markAt) <=
                2.001f);
        QVERIFY(*std::max_element(d.stepDeg.begin() + markAt - 10, d.stepDeg.begin() + markAt) <
                0.01f);
        QCOMPARE(d.coupling, 0); // the IRB120 couples no limits
        // The tool change before the first position holds that position's joints.
        QCOMPARE(r.path[0].type, 5.0f);
        QCOMPARE(d.joints[3][0], r.path[1].joints[3]);
        QCOMPARE(d.tcp[0][0], d.tcp[0][1]);
        // The command line writes the same bytes.
        QProcess kin;
        kin.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velkari-kin"),
                  {DataDirs::defaultRobot(), QStringLiteral("check"), m_program,
                   QStringLiteral("--csv")});
        QVERIFY(kin.waitForFinished(60000));
        QCOMPARE(kin.exitCode(), 3); // the path has a problem
        QCOMPARE(kin.readAllStandardOutput(), bytes);
        // And the picture; an export that cannot be written says so.
        const QString png = dir.filePath(QStringLiteral("path.png"));
        QVERIFY(view()->savePng(png) && QImage(png).width() >= 400);
        QSignalSpy said(view(), &PlotsView::userMessage);
        QVERIFY(!view()->saveCsv(dir.filePath(QStringLiteral("no/such/dir/x.csv"))));
        QCOMPARE(said.count(), 1);
    }
    void cursorAndPlayerMoveTogether()
    {
        paths()->Sequence_Reset();
        QCOMPARE(view()->cursorPosition(), 1);
        QTest::keyClick(w->panel(), Qt::Key_Right);
        QCOMPARE(view()->cursorPosition(), 2);
        // Playing stops before the flagged position; the cursor with it.
        paths()->Sequence_Execute();
        QTRY_VERIFY(!paths()->playing());
        QCOMPARE(view()->cursorPosition(), view()->data().marks[0].position - 1);
        // A click on a row moves the player there; on the legend above, nothing.
        QCustomPlot *plot = view()->plot();
        const int target = 57;
        const QPoint row(view()->pixelOf(target), view()->jointRect(2)->center().y());
        QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, row);
        QCOMPARE(paths()->currentIndex(), target - 1);
        QCOMPARE(view()->cursorPosition(), target);
        QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier,
                          QPoint(view()->pixelOf(10), view()->jointRect(0)->top() - 3));
        QCOMPARE(paths()->currentIndex(), target - 1);
        // A new robot empties the list, and the plot.
        QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
        QVERIFY(view()->data().empty());
        QCOMPARE(view()->cursorPosition(), 0);
        QVERIFY(!view()->csvButton()->isEnabled());
    }
    void collisionIsMarkedAndStopsThePlayer()
    {
        // The pen's tip is the program's TCP (140 mm along the flange's z):
        // a 6 mm box around the tip at a position the analysis found clear
        // makes that position a collision.
        const plots::PlotData &d = view()->data();
        int n = d.count() / 2;
        while (n < d.count() && (d.types[std::size_t(n)] != 1.0f || d.problems[std::size_t(n)]))
            ++n;
        QVERIFY(n < d.count() && w->loadTool(DataDirs::defaultTool()) == 0);
        std::array<double, 3> lo{}, hi{};
        for (std::size_t c = 0; c < 3; ++c)
            lo[c] = d.tcp[c][std::size_t(n)] - 3.0, hi[c] = d.tcp[c][std::size_t(n)] + 3.0;
        QTemporaryDir dir;
        const QString box = dir.filePath(QStringLiteral("box.stl"));
        QVERIFY(support::writeBox(box, toolbox::identity(), lo, hi));
        QCOMPARE(w->panel()->addObjects({box}), 1);
        QCOMPARE(paths()->loadSequenceFile(m_program), 0);
        paths()->Sequence_Stop();
        QVERIFY(d.problems[std::size_t(n)] / 1000000 % 10 == 1);
        const auto mark = std::find_if(d.marks.begin(), d.marks.end(),
                                       [](const plots::Mark &m) { return m.code >= 1000000; });
        QVERIFY(mark != d.marks.end() && mark->position <= n + 1 &&
                plots::markKind(mark->code) == plots::MarkKind::Collision);
        // Played from just before it, the player stops there and says what.
        const int target = mark->position - 3;
        QTest::mouseClick(view()->plot(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(view()->pixelOf(target), view()->jointRect(2)->center().y()));
        paths()->Sequence_Execute();
        QTRY_VERIFY(!paths()->playing());
        QCOMPARE(paths()->currentIndex(), mark->position - 2);
        QVERIFY2(paths()->statusText().contains(QStringLiteral("tool collides with box")),
                 qPrintable(paths()->statusText()));
    }
    void coupledLimitsMoveWithAxis2()
    {
        // The Fanuc's axis 3 range follows axis 2 (angle type 2): the
        // description's -70..205 hold for j2 + j3; the other axes keep theirs.
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
        QString list;
        for (int k = 0; k <= 20; ++k)
            list += QStringLiteral("0 %1 10 0 30 0\n").arg(-40 + 4 * k);
        QCOMPARE(paths()->Load_Sequence_Text(list), 21);
        paths()->Sequence_Stop();
        const plots::PlotData &d = view()->data();
        const float lower[6] = {-170, -100, -70, -190, -125, -360};
        const float upper[6] = {170, 145, 205, 190, 125, 360};
        for (int k = 0; k < 21; ++k)
            for (int a = 0; a < 6; ++a) {
                const float q2 = a == 2 ? float(-40 + 4 * k) : 0.0f;
                QCOMPARE(d.lowerLimit(a, k), lower[a] - q2);
                QCOMPARE(d.upperLimit(a, k), upper[a] - q2);
            }
        // The band drawn under axis 3 runs between those values.
        view()->plot()->replot(QCustomPlot::rpImmediateRefresh);
        QCPGraph *band = nullptr;
        for (int g = 0; g < view()->plot()->graphCount() && !band; ++g)
            if (view()->plot()->graph(g)->keyAxis()->axisRect() == view()->jointRect(2))
                band = view()->plot()->graph(g);
        QVERIFY(band);
        bool found = false;
        const QCPRange values = band->getValueRange(found);
        QCOMPARE(float(values.lower), -70.0f - 40.0f);
        QCOMPARE(float(values.upper), -70.0f + 40.0f);
    }
    void unreachedPositionIsAGap()
    {
        // A line whose wrist centre passes 100 mm beside the shoulder, at its
        // height: the IRB120's folded elbow keeps the wrist centre more than
        // 160 mm from it, so the middle of the line has no solution. The
        // analysis carries the line's start joints there; the plot must not.
        Robot robot;
        robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData());
        const ref::M down = seqtest::flange(seqtest::Joints{0, 0, 0, 0, 90, 0});
        const seqtest::Joints a =
            seqtest::reach(robot, seqtest::withPosition(down, 100, 300, 218), {70, 0, 0, 0, 90, 0});
        const seqtest::Joints b = seqtest::reach(robot, seqtest::withPosition(down, 100, -300, 218),
                                                 {-70, 0, 0, 0, 90, 0});
        auto row = [](int code, const seqtest::Joints &q) {
            QString text = QString::number(code);
            for (const double v : q)
                text += ' ' + QString::number(v, 'f', 6);
            return text + '\n';
        };
        QVERIFY(paths()->Load_Sequence_Text(row(1, a) + row(2, b) + row(1, {0, 0, 0, 0, 30, 0})) >
                0);
        paths()->Sequence_Stop();
        const plots::PlotData &d = view()->data();
        const auto gap = std::find_if(d.marks.begin(), d.marks.end(), [](const plots::Mark &m) {
            return plots::markKind(m.code) == plots::MarkKind::NoSolution;
        });
        QVERIFY(gap != d.marks.end());
        const std::size_t k = std::size_t(gap->position - 1);
        QCOMPARE(d.types[k], 1.0f);
        for (std::size_t j = 0; j < 6; ++j)
            QVERIFY(std::isnan(d.joints[j][k]) && !std::isnan(d.joints[j][k - 1]));
        for (std::size_t c = 0; c < 3; ++c)
            QVERIFY(std::isnan(d.tcp[c][k]) && !std::isnan(d.tcp[c][k + 1]));
        // No TCP movement into it, nor out of it to the next reached position.
        QVERIFY(std::isnan(d.stepMm[k]) && std::isnan(d.stepMm[k + 1]) &&
                !std::isnan(d.stepMm[k - 1]));
        // The curve drawn breaks there, and every value it draws is one the
        // robot takes.
        view()->plot()->replot(QCustomPlot::rpImmediateRefresh);
        QCPGraph *curve = nullptr;
        for (int g = 0; g < view()->plot()->graphCount(); ++g)
            if (view()->plot()->graph(g)->name() == QLatin1String("J1"))
                curve = view()->plot()->graph(g);
        QVERIFY(curve);
        bool broken = false;
        for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it) {
            if (std::isnan(it->value))
                broken = broken || std::lround(it->key) == gap->position;
            else if (std::lround(it->key) == gap->position)
                QFAIL("a value drawn where the robot is not");
        }
        QVERIFY(broken);
        // The table leaves the joints and the TCP of that row empty.
        QTemporaryDir dir;
        QFile csv(dir.filePath(QStringLiteral("gap.csv")));
        QVERIFY(view()->saveCsv(csv.fileName()) && csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> cells = csv.readAll().split('\n').at(gap->position).split(',');
        QCOMPARE(cells.size(), 13);
        QCOMPARE(cells[0].toInt(), gap->position);
        for (int c : {3, 4, 5, 6, 7, 8, 10, 11, 12})
            QVERIFY(cells[c].isEmpty());
    }
    void rowsLegendAndLimitsAsSeen()
    {
        // Tick labels are centred on their ticks: the lowest label of a row ends
        // above the highest of the row below it.
        QCustomPlot *plot = view()->plot();
        plot->replot(QCustomPlot::rpImmediateRefresh);
        auto labels = [](QCPAxis *axis, double &top, double &bottom) {
            const double half = QFontMetrics(axis->tickLabelFont()).height() / 2.0;
            const QVector<double> ticks = axis->tickVector();
            top = 1e9;
            bottom = -1e9;
            for (const double t : ticks) {
                if (!axis->range().contains(t))
                    continue;
                top = std::min(top, axis->coordToPixel(t) - half);
                bottom = std::max(bottom, axis->coordToPixel(t) + half);
            }
        };
        for (int a = 0; a < 6; ++a) {
            QCPAxisRect *next = a < 5 ? view()->jointRect(a + 1) : view()->tcpRect();
            double top, bottom, nextTop, nextBottom;
            labels(view()->jointRect(a)->axis(QCPAxis::atLeft), top, bottom);
            for (QCPAxis *axis : {next->axis(QCPAxis::atLeft), next->axis(QCPAxis::atRight)}) {
                labels(axis, nextTop, nextBottom);
                QVERIFY2(bottom <= nextTop, qPrintable(QStringLiteral("row %1").arg(a + 1)));
            }
        }
        // A picture as short as the dock may be keeps the legend whole, below
        // its top edge and above the first row.
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("short.png"));
        QVERIFY(plot->savePng(png, 900, plot->minimumHeight()));
        const QRect legend = plot->legend->outerRect();
        QVERIFY(legend.top() >= 0 &&
                legend.height() >= plot->legend->minimumOuterSizeHint().height());
        QVERIFY(legend.bottom() < view()->jointRect(0)->top());
        const QImage image(png);
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(image.pixel(x, 0), qRgb(255, 255, 255));
        // Removing the robot, as the user does, takes its limit bands and their
        // ticks; the program's curves stay.
        QTest::keyClick(w->view()->robotsList()->listWidget(), Qt::Key_Delete);
        QVERIFY(!w->robot());
        plot->replot(QCustomPlot::rpImmediateRefresh);
        int curves = 0;
        for (int g = 0; g < plot->graphCount(); ++g) {
            QCPGraph *graph = plot->graph(g);
            if (graph->keyAxis()->axisRect() == view()->tcpRect())
                continue;
            if (QRegularExpression(QStringLiteral("^J[1-6]$")).match(graph->name()).hasMatch())
                curves += !graph->data()->isEmpty();
            else
                QVERIFY2(graph->data()->isEmpty(), "a band of limits without a robot");
        }
        QCOMPARE(curves, 6);
        QVERIFY(!view()->jointRect(0)->axis(QCPAxis::atLeft)->tickVectorLabels().contains("165"));
    }
    void envelopeKeepsEveryExtreme_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("gapEvery"); // every so many samples one is NaN; 0: none
        QTest::newRow("two million in 1000 columns") << 2000000 << 0.5 << 2000000.5 << 1000 << 0;
        QTest::newRow("zoomed into 30000") << 2000000 << 1000000.0 << 1030000.0 << 700 << 0;
        QTest::newRow("fewer samples than columns") << 50 << 0.5 << 50.5 << 800 << 0;
        QTest::newRow("part of a short curve") << 50 << 10.2 << 20.7 << 800 << 0;
        QTest::newRow("gaps among two million") << 2000000 << 0.5 << 2000000.5 << 1000 << 7001;
        QTest::newRow("gaps, each sample seen") << 50 << 0.5 << 50.5 << 800 << 9;
    }
    void envelopeKeepsEveryExtreme()
    {
        QFETCH(int, count);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(int, columns);
        QFETCH(int, gapEvery);
        std::vector<float> y(static_cast<std::size_t>(count));
        quint32 seed = 7;
        for (std::size_t i = 0; i < y.size(); ++i) {
            seed = seed * 1664525u + 1013904223u;
            y[i] = gapEvery > 0 && i % std::size_t(gapEvery) == 3
                       ? std::numeric_limits<float>::quiet_NaN()
                       : float(seed >> 8) / float(1 << 24) * 360.0f - 180.0f;
        }
        std::vector<plots::EnvelopeColumn> out;
        plots::envelope(y.data(), count, from, to, columns, out);
        QVERIFY(int(out.size()) <= 2 * columns);
        // Every sample seen (x = index + 1) lies within its column, and the
        // extremes of the visible range are all there.
        // A NaN (an unreached position) is no extreme, but its column says so.
        float low = 1e9f, high = -1e9f;
        int nans = 0;
        for (int i = std::max(0, int(std::ceil(from)) - 1); i < count && i + 1 <= to; ++i) {
            const float v = y[std::size_t(i)];
            nans += std::isnan(v);
            low = std::isnan(v) ? low : std::min(low, v);
            high = std::isnan(v) ? high : std::max(high, v);
        }
        float seenLow = 1e9f, seenHigh = -1e9f;
        int gaps = 0;
        for (std::size_t c = 0; c < out.size(); ++c) {
            QVERIFY(c == 0 || out[c].x > out[c - 1].x);
            QVERIFY(out[c].gap || (!std::isnan(out[c].low) && !std::isnan(out[c].high)));
            gaps += out[c].gap;
            seenLow = std::isnan(out[c].low) ? seenLow : std::min(seenLow, out[c].low);
            seenHigh = std::isnan(out[c].high) ? seenHigh : std::max(seenHigh, out[c].high);
        }
        QVERIFY(seenLow <= low && seenHigh >= high);
        // Every unreached sample breaks the line: one column each while they
        // lie more than a column apart.
        QCOMPARE(gaps, std::min(nans, int(out.size())));
        // The line runs from edge to edge.
        QVERIFY(out.front().x <= std::max(from, 1.0) + (to - from) / columns);
        QVERIFY(out.back().x >= std::min(to, double(count)) - (to - from) / columns);
        // Few samples: each its own point, exact.
        for (const auto &c : out)
            QVERIFY(count >= columns || c.low == y[std::size_t(c.x) - 1] || c.gap);
        plots::envelope(nullptr, count, from, to, columns, out); // no samples, nothing to draw
        QVERIFY(out.empty());
    }
    void dockKeyAndLanguages()
    {
        // F6, as the user presses it, shows and hides the dock.
        w->plotsDock()->hide();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_F6);
        QVERIFY(w->plotsDock()->isVisible());
        QTest::keyClick(w, Qt::Key_F6);
        QVERIFY(!w->plotsDock()->isVisible());
        w->do_germanLanguage();
        QCOMPARE(w->plotsDock()->windowTitle(), QStringLiteral("Diagramme"));
        // A file of the older 71 entries leaves the dock in English.
        QFile german(DataDirs::languageDir() + QStringLiteral("german.txt"));
        QTemporaryDir dir;
        QFile old(dir.filePath(QStringLiteral("old.txt")));
        QVERIFY(german.open(QIODevice::ReadOnly) && old.open(QIODevice::WriteOnly));
        old.write(german.readAll().split('\n').mid(0, LanguageFile::kFirstPlotsEntry).join('\n') +
                  '\n');
        old.close();
        LanguageFile file;
        QVERIFY(file.load(old.fileName()));
        view()->retranslate(&file);
        QCOMPARE(view()->pngButton()->text(), QStringLiteral("Save PNG..."));
        QCOMPARE(w->plotsDock()->windowTitle(), QStringLiteral("Plots"));
    }

private:
    Paths *paths() const { return w->panel()->paths(); }
    PlotsView *view() const { return w->plotsView(); }
    MainWindow *w = nullptr;
    QString m_program;
};
QTEST_MAIN(TestPlots)
#include "tst_plots.moc"
