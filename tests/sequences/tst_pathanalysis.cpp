// The path continuity analysis on the shipped IRB120: step counts worked by
// hand, positions checked against the arm's chain computed here in double
// precision, the flags where the wrist meets its singularity or a joint has
// to jump, the tool change, the report, and programs whose numbers would ask
// for an endless path.
#include "models/datadirs.h"
#include "seqsupport.h"
#include "kinematics/jointlimits.h"
#include "sequences/pathanalysis.h"
#include "support/scratchinstall.h"

#include <QtTest>
#include <cmath>
#include <limits>

using seqtest::Joints;
Q_DECLARE_METATYPE(Joints)
using sequences::PathAnalyser;
using sequences::ProgramLine;

namespace {

ProgramLine line(double code, const Joints &o)
{
    ProgramLine l;
    l.code = code;
    l.operands = o;
    return l;
}

Joints joints(const std::array<float, 6> &q)
{
    return {q[0], q[1], q[2], q[3], q[4], q[5]};
}

// Positions of one program line.
std::vector<sequences::PathPosition> segment(const PathAnalyser::Result &r, int id)
{
    std::vector<sequences::PathPosition> s;
    for (const auto &p : r.path)
        if (p.pathId == id)
            s.push_back(p);
    return s;
}

// A start well inside the limits with the wrist bent (joint 5 far from 0).
const Joints kStart{0, 20, 20, 0, 50, 0};

} // namespace

class TestPathAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void jointMoveSteps();
    void straightLineSteps_data();
    void straightLineSteps();
    void circleThroughThreePoints();
    void wristSingularityEndsTheLine();
    void wristFlipIsAJumpAndACrossing();
    void startOfAMoveIsCheckedForAJump();
    void halfTurnOfTheTool_data();
    void halfTurnOfTheTool();
    void toolChangeMovesTheLineToTheTool();
    void placementsPassThrough();
    void firstCodeOfAThousandSwitchesTheReportOff();
    void reportTextsAndRows();
    void endlessJointMoveIsCut();
    void jointLimitGate_data();
    void jointLimitGate();
    void placementsThatOverflowAreRejected();
    void operandsThatAreNotNumbers();
    void circleWithoutACircle();
    void circleOnTheLastLine();
    void tracePointsInTheScene();
    void robotIsLeftAsItWas();
    void robotNotLoaded();

private:
    Robot robot;
};

void TestPathAnalysis::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
}

void TestPathAnalysis::jointMoveSteps()
{
    PathAnalyser a(robot);
    const Joints j0{0, 0, 0, 0, 30, 0};
    Joints j1 = j0;
    j1[0] = 10;
    Joints j2 = j1;
    j2[1] = -20;
    j2[2] = 5;
    const auto r = a.analyse({line(1, j0), line(1, j1), line(1, j1), line(1, j2)});
    // To where it stands: two identical positions. 10 degrees: 4 steps of
    // 2.5, 5 positions. To where it stands again: 2. 20 degrees on axis 2 (5
    // on axis 3): 7 steps of at most 3 degrees, 8 positions.
    QCOMPARE(int(r.path.size()), 2 + 5 + 2 + 8);
    const auto first = segment(r, 0);
    QCOMPARE(first.size(), std::size_t(2));
    QCOMPARE(joints(first[0].joints), j0);
    QCOMPARE(joints(first[1].joints), j0);
    const auto ten = segment(r, 1);
    QCOMPARE(ten.size(), std::size_t(5));
    const double expected[5] = {0, 2.5, 5, 7.5, 10};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(double(ten[std::size_t(k)].joints[0]), expected[k]);
        QCOMPARE(double(ten[std::size_t(k)].joints[4]), 30.0);
    }
    const auto twenty = segment(r, 3);
    QCOMPARE(twenty.size(), std::size_t(8));
    for (std::size_t k = 1; k < twenty.size(); ++k) {
        QVERIFY(std::fabs(twenty[k].joints[1] - twenty[k - 1].joints[1]) <= 3.0f);
        QVERIFY(std::fabs(twenty[k].joints[1] - twenty[k - 1].joints[1]) > 2.8f);
    }
    QCOMPARE(joints(twenty.back().joints), j2);
    for (const auto &p : r.path) {
        QCOMPARE(p.type, 1.0f);
        QCOMPARE(p.problem, 0.0f);
    }
    QVERIFY(r.reportOn);
    QVERIFY(PathAnalyser::problems(r).empty());
}

void TestPathAnalysis::straightLineSteps_data()
{
    QTest::addColumn<double>("length");
    QTest::addColumn<int>("positions");
    // At most 2 mm a step: 9.99 mm takes 5 steps, 10.01 mm takes 6.
    QTest::newRow("9.99 mm") << 9.99 << 6;
    QTest::newRow("10.01 mm") << 10.01 << 7;
    QTest::newRow("1 mm") << 1.0 << 2;
}

void TestPathAnalysis::straightLineSteps()
{
    QFETCH(double, length);
    QFETCH(int, positions);
    const ref::M S = seqtest::flange(kStart);
    const std::array<double, 3> dir{0.6, 0.8, 0.0};
    const ref::M G = seqtest::withPosition(S, S[3] + length * dir[0], S[7] + length * dir[1],
                                           S[11] + length * dir[2]);
    const Joints target = seqtest::reach(robot, G, kStart);
    PathAnalyser a(robot);
    const auto r = a.analyse({line(1, kStart), line(2, target)});
    const auto lin = segment(r, 1);
    QCOMPARE(int(lin.size()), positions);
    const int n = positions - 1;
    for (int k = 0; k <= n; ++k) {
        const ref::M f = seqtest::flange(lin[std::size_t(k)].joints);
        const std::array<double, 3> want{S[3] + length * dir[0] * k / n,
                                         S[7] + length * dir[1] * k / n, S[11]};
        QVERIFY2(seqtest::distance(seqtest::position(f), want) < 0.01,
                 qPrintable(QStringLiteral("position %1 off the line").arg(k)));
        QVERIFY(seqtest::rotationGap(f, S) < 1e-4);
        QCOMPARE(lin[std::size_t(k)].problem, 0.0f);
    }
    // The line starts where the joint move ended.
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY(std::fabs(lin.front().joints[k] - kStart[k]) < 1e-3);
}

void TestPathAnalysis::circleThroughThreePoints()
{
    // A circle of radius 50 mm in the horizontal plane of the start, its
    // centre 50 mm back along X: start at 0 degrees, via at 90, end at 180.
    const ref::M S = seqtest::flange(kStart);
    const std::array<double, 3> C{S[3] - 50, S[7], S[11]};
    const ref::M V = seqtest::withPosition(S, C[0], C[1] + 50, C[2]);
    const ref::M E = seqtest::withPosition(S, C[0] - 50, C[1], C[2]);
    const Joints via = seqtest::reach(robot, V, kStart);
    const Joints end = seqtest::reach(robot, E, via);
    PathAnalyser a(robot);
    const auto r = a.analyse({line(1, kStart), line(9, via), line(2, end)});
    const auto arc = segment(r, 1);
    // Each quarter is 25 pi = 78.5 mm long: 40 steps of at most 2 mm.
    QCOMPARE(int(arc.size()), 40 + 40 + 1);
    double last = -1.0;
    for (std::size_t k = 0; k < arc.size(); ++k) {
        QCOMPARE(arc[k].problem, 0.0f);
        const auto p = seqtest::position(seqtest::flange(arc[k].joints));
        const double dx = p[0] - C[0], dy = p[1] - C[1];
        QVERIFY2(std::fabs(std::hypot(dx, dy) - 50.0) < 0.02,
                 qPrintable(QStringLiteral("position %1 is %2 mm from the centre")
                                .arg(k)
                                .arg(std::hypot(dx, dy))));
        QVERIFY(std::fabs(p[2] - C[2]) < 0.02);
        // Through the via point's side, onwards all the way.
        const double angle = std::atan2(dy, dx) * 180 / M_PI;
        const double around = angle < -90 ? angle + 360 : angle;
        QVERIFY(around > last);
        last = around;
        QVERIFY(seqtest::rotationGap(seqtest::flange(arc[k].joints), S) < 1e-3);
    }
    QVERIFY(std::fabs(last - 180.0) < 0.02);
    const auto mid = seqtest::position(seqtest::flange(arc[40].joints));
    QVERIFY(seqtest::distance(mid, seqtest::position(V)) < 0.02);
    // The end pose is reached.
    const ref::M reached = seqtest::flange(arc.back().joints);
    QVERIFY(seqtest::distance(seqtest::position(reached), seqtest::position(E)) < 0.02);
    QVERIFY(seqtest::rotationGap(reached, E) < 1e-3);
    // The end line is then a straight move of no length: two positions.
    QCOMPARE(segment(r, 2).size(), std::size_t(2));
}

void TestPathAnalysis::wristSingularityEndsTheLine()
{
    // The flange at the height of joint zero, pointing along +X as at zero,
    // moved along Y through y = 0: there axes 4 and 6 line up (joint 5 is 0).
    const ref::M home = seqtest::flange(Joints{0, 0, 0, 0, 0, 0});
    const ref::M from = seqtest::withPosition(home, 374, -150, 630);
    const ref::M to = seqtest::withPosition(home, 374, 150, 630);
    const Joints a = seqtest::reach(robot, from, Joints{-20, 0, 0, 90, 20, -90});
    const Joints b = seqtest::reach(robot, to, a);
    QVERIFY(a[4] > 10);
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, a), line(2, b)});
    const auto lin = segment(r, 1);
    // 300 mm would be 151 positions; the line stops on the first position
    // whose joint 5 is within 3 degrees of 0.
    QVERIFY(lin.size() < 151);
    for (std::size_t k = 0; k + 1 < lin.size(); ++k) {
        QCOMPARE(lin[k].problem, 0.0f);
        QVERIFY(lin[k].joints[4] >= 3.0f);
    }
    const auto &stop = lin.back();
    QVERIFY(std::fabs(stop.joints[4]) < 3.0f);
    const int code = int(stop.problem);
    QVERIFY2(code == 1000 || code == 1100, qPrintable(QString::number(code)));
    QCOMPARE(code == 1100, stop.joints[4] < 0.0f);
    // Where: within 3 degrees of joint 5, the flange is less than about 16 mm
    // from the singular point (joint 5 is about 9.4 degrees 50 mm away and
    // nearly proportional to the distance there).
    const auto p = seqtest::position(seqtest::flange(stop.joints));
    QVERIFY2(p[1] > -17.0 && p[1] < 0.0, qPrintable(QString::number(p[1])));
    QVERIFY(std::fabs(p[0] - 374) < 0.01 && std::fabs(p[2] - 630) < 0.01);
    // The report lists exactly that position.
    const auto problems = PathAnalyser::problems(r);
    QCOMPARE(problems.size(), std::size_t(1));
    QCOMPARE(problems[0].position, int(r.path.size()));
    QCOMPARE(problems[0].pathId, 1);
    QCOMPARE(problems[0].code, code);
}

void TestPathAnalysis::wristFlipIsAJumpAndACrossing()
{
    // Axis 4 is stopped at 160 degrees. Turning the flange on about axis 4
    // past that leaves only the turned-over wrist (axis 4 half a turn back,
    // joint 5 mirrored, axis 6 half a turn round): a jump, and joint 5
    // changes sign.
    const Joints a{0, 0, 30, 150, 45, 0};
    const Joints b{0, 0, 30, 175, 45, 0};
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, a), line(2, b)});
    const auto lin = segment(r, 1);
    const auto &stop = lin.back();
    QCOMPARE(int(stop.problem), 110);
    QVERIFY(stop.joints[4] < -40.0f);
    QVERIFY(std::fabs(stop.joints[3]) < 20.0f);
    for (std::size_t k = 0; k + 1 < lin.size(); ++k) {
        QCOMPARE(lin[k].problem, 0.0f);
        QVERIFY(lin[k].joints[3] <= 160.0f);
    }
    QCOMPARE(PathAnalyser::problemTexts(110),
             QStringLiteral("Cannot make the path continuous. Joint 5 crosses 0 deg. "));
}

void TestPathAnalysis::startOfAMoveIsCheckedForAJump()
{
    // The line through the singularity ends short of its target; the next
    // line starts from that target, whose nearest configuration is about 29
    // degrees away on axes 1 and 5.
    const ref::M home = seqtest::flange(Joints{0, 0, 0, 0, 0, 0});
    const Joints a = seqtest::reach(robot, seqtest::withPosition(home, 374, -150, 630),
                                    Joints{-20, 0, 0, 90, 20, -90});
    const Joints b = seqtest::reach(robot, seqtest::withPosition(home, 374, 150, 630), a);
    const Joints c = seqtest::reach(robot, seqtest::withPosition(home, 374, 150, 600), b);
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, a), line(2, b), line(2, c)});
    const auto third = segment(r, 2);
    QCOMPARE(third.size(), std::size_t(1));
    QCOMPARE(int(third[0].problem), 10);
    const auto second = segment(r, 1);
    double worst = 0;
    for (std::size_t k = 0; k < 6; ++k)
        worst = std::max(worst, double(std::fabs(third[0].joints[k] - second.back().joints[k])));
    QVERIFY(worst > 25.0);
    // Its pose is the second line's target.
    const ref::M f = seqtest::flange(third[0].joints);
    QVERIFY(seqtest::distance(seqtest::position(f), {374, 150, 630}) < 0.02);
    QCOMPARE(PathAnalyser::problems(r).size(), std::size_t(2));
}

void TestPathAnalysis::halfTurnOfTheTool_data()
{
    QTest::addColumn<double>("turn");
    QTest::addColumn<int>("positions");
    // Axis 6 only: the flange turns about its own Z axis and stays in place.
    // 180 degrees in steps of at most 2: 90 steps; 179: 90 steps as well.
    QTest::newRow("180") << 180.0 << 91;
    QTest::newRow("179") << 179.0 << 91;
    QTest::newRow("179.9") << 179.9 << 91;
    QTest::newRow("89") << 89.0 << 46;
}

void TestPathAnalysis::halfTurnOfTheTool()
{
    QFETCH(double, turn);
    QFETCH(int, positions);
    const Joints a{0, 0, 30, 0, 45, -90};
    Joints b = a;
    b[5] = -90 + turn;
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, a), line(2, b)});
    const auto lin = segment(r, 1);
    QCOMPARE(int(lin.size()), positions);
    const ref::M want = seqtest::flange(b);
    const ref::M got = seqtest::flange(lin.back().joints);
    QVERIFY2(
        seqtest::rotationGap(got, want) < 1e-3,
        qPrintable(QStringLiteral("ends %1 from the target").arg(seqtest::rotationGap(got, want))));
    QVERIFY(seqtest::distance(seqtest::position(got), seqtest::position(want)) < 0.01);
    // Evenly, one way round: axis 6 alone turns, by turn / 90 each step.
    const double step = turn / (positions - 1);
    for (std::size_t k = 1; k < lin.size(); ++k) {
        QCOMPARE(lin[k].problem, 0.0f);
        const double d6 = lin[k].joints[5] - lin[k - 1].joints[5];
        QVERIFY2(std::fabs(std::fabs(d6) - step) < 0.01, qPrintable(QString::number(d6)));
        QVERIFY(std::fabs(lin[k].joints[4] - 45.0f) < 0.01f);
    }
}

void TestPathAnalysis::toolChangeMovesTheLineToTheTool()
{
    const Joints b{10, 25, 15, 5, 45, 10};
    const ref::M tool = ref::trans(0, 0, 140);
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, kStart), line(5, {0, 0, 140, 0, 0, 0}), line(2, b)});
    // One type-5 node with the operands as they were.
    int fives = 0;
    for (const auto &p : r.path) {
        if (p.type == 5.0f) {
            ++fives;
            QCOMPARE(p.joints, (std::array<float, 6>{0, 0, 140, 0, 0, 0}));
            QCOMPARE(p.pathId, 1);
            QCOMPARE(p.problem, 0.0f);
        }
    }
    QCOMPARE(fives, 1);
    QCOMPARE(r.path[2].type, 5.0f);
    // The straight line is the tool's: every TCP on the segment between the
    // tool at the start and at the target.
    const auto s = seqtest::position(ref::mul(seqtest::flange(kStart), tool));
    const auto g = seqtest::position(ref::mul(seqtest::flange(b), tool));
    const auto lin = segment(r, 2);
    QVERIFY(lin.size() > 10);
    double flangeOffLine = 0.0;
    for (const auto &p : lin) {
        QCOMPARE(p.problem, 0.0f);
        const auto t = seqtest::position(ref::mul(seqtest::flange(p.joints), tool));
        const auto fl = seqtest::position(seqtest::flange(p.joints));
        // Distance from the line s-g.
        auto offLine = [&](const std::array<double, 3> &x) {
            const std::array<double, 3> u{g[0] - s[0], g[1] - s[1], g[2] - s[2]};
            const std::array<double, 3> v{x[0] - s[0], x[1] - s[1], x[2] - s[2]};
            const double uu = u[0] * u[0] + u[1] * u[1] + u[2] * u[2];
            const double t0 = (u[0] * v[0] + u[1] * v[1] + u[2] * v[2]) / uu;
            const std::array<double, 3> foot{s[0] + t0 * u[0], s[1] + t0 * u[1], s[2] + t0 * u[2]};
            return seqtest::distance(x, foot);
        };
        QVERIFY(offLine(t) < 0.02);
        flangeOffLine = std::max(flangeOffLine, offLine(fl));
    }
    QVERIFY(seqtest::distance(seqtest::position(ref::mul(seqtest::flange(lin.back().joints), tool)),
                              g) < 0.02);
    // The flange itself does not move straight: the orientation turns.
    QVERIFY(flangeOffLine > 1.0);
}

void TestPathAnalysis::placementsPassThrough()
{
    PathAnalyser an(robot);
    const auto r =
        an.analyse({line(1, kStart), line(4.0, {100, 0, 0, 0, 0, 0.5}),
                    line(4.03, {1, 2, 3, 0.1, 0.2, 0.3}), line(7, kStart), line(1, kStart)});
    QCOMPARE(int(r.path.size()), 2 + 1 + 1 + 2);
    QCOMPARE(r.path[2].type, 4.0f);
    QCOMPARE(r.path[2].joints, (std::array<float, 6>{100, 0, 0, 0, 0, 0.5f}));
    QCOMPARE(r.path[3].type, 4.03f);
    QCOMPARE(r.path[3].pathId, 2);
    // Code 7 means nothing: no position; the joint move after it is id 4.
    QCOMPARE(r.path[4].pathId, 4);
}

void TestPathAnalysis::firstCodeOfAThousandSwitchesTheReportOff()
{
    const ref::M home = seqtest::flange(Joints{0, 0, 0, 0, 0, 0});
    const Joints a = seqtest::reach(robot, seqtest::withPosition(home, 374, -150, 630),
                                    Joints{-20, 0, 0, 90, 20, -90});
    const Joints b = seqtest::reach(robot, seqtest::withPosition(home, 374, 150, 630), a);
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1000, {}), line(1, a), line(2, b)});
    QVERIFY(!r.reportOn);
    // The path is built all the same, flags included; code 1000 adds nothing.
    QVERIFY(r.path.size() > 10);
    QCOMPARE(r.path.front().pathId, 1);
    QVERIFY(r.path.back().problem >= 1000.0f);
    const auto r2 = an.analyse({line(999, {}), line(1, a), line(2, b)});
    QVERIFY(r2.reportOn);
}

void TestPathAnalysis::reportTextsAndRows()
{
    QCOMPARE(PathAnalyser::problemTexts(1111),
             QStringLiteral("No IK solution. Cannot make the path continuous. Joint 5 crosses 0 "
                            "deg. "));
    QCOMPARE(PathAnalyser::problemTexts(1000), QStringLiteral("Joint 5 is close to 0 deg. "));
    QCOMPARE(PathAnalyser::problemTexts(1), QStringLiteral("No IK solution. "));
    QCOMPARE(PathAnalyser::problemTexts(0), QString());
    QCOMPARE(PathAnalyser::problemTexts(11000),
             QStringLiteral("Joint 5 is close to 0 deg. Too many positions: the path ends here. "));

    const std::vector<sequences::PathProblem> two{{57, 3, 1000}, {90, 6, 11}};
    QCOMPARE(
        PathAnalyser::reportHtml(two),
        QStringLiteral("<html>Number of positions where the path cannot be continuous = 2<br>"
                       "<table align=center><tr><td>|-- id --|<td>|-- Joint id --|<td>|-- Path id "
                       "--|<td>|-- Problem --|<td>"
                       "<tr><td align=center>0<td align=center>57<td align=center>3<td "
                       "align=left>Joint 5 is close to 0 deg. "
                       "<tr><td align=center>1<td align=center>90<td align=center>6<td "
                       "align=left>No IK solution. Cannot make the path continuous. "
                       "</table></html>"));
    // A long list: every problem counted, the rows cut.
    std::vector<sequences::PathProblem> many(500, {1, 0, 1});
    const QString html = PathAnalyser::reportHtml(many, 200);
    QVERIFY(html.startsWith(
        QStringLiteral("<html>Number of positions where the path cannot be continuous = 500<br>")));
    QCOMPARE(html.count(QStringLiteral("<tr>")), 1 + 200 + 1);
    QVERIFY(html.contains(QStringLiteral("300 more")));
}

void TestPathAnalysis::endlessJointMoveIsCut()
{
    // A joint move of a billion degrees is out of every limit: one flagged
    // position where the path stands, not a third of a billion positions.
    PathAnalyser an(robot);
    const auto wild = an.analyse({line(1, {0, 0, 0, 0, 30, 0}), line(1, {1e9, 0, 0, 0, 30, 0}),
                                  line(1, {0, 0, 0, 0, 30, 0})});
    QCOMPARE(int(wild.path.size()), 2 + 1 + 2);
    QCOMPARE(int(wild.path[2].problem), int(PathAnalyser::OutOfLimits));
    QCOMPARE(wild.path[2].pathId, 1);
    QCOMPARE(wild.path[2].joints, (std::array<float, 6>{0, 0, 0, 0, 30, 0}));
    QVERIFY(!wild.truncated);

    // Axis 6 swung from end to end (800 degrees, 267 steps) 7600 times asks
    // for more positions than are kept.
    std::vector<ProgramLine> program;
    for (int k = 0; k < 7600; ++k)
        program.push_back(line(1, {0, 0, 0, 0, 30, k % 2 ? 400.0 : -400.0}));
    const auto r = an.analyse(program);
    QCOMPARE(int(r.path.size()), PathAnalyser::kMaxPositions);
    QVERIFY(r.truncated);
    QCOMPARE(int(r.path.back().problem), 10000);
    // Still steps of at most 3 degrees.
    QVERIFY(std::fabs(r.path[1000].joints[5] - r.path[999].joints[5]) <= 3.0f);
    const auto problems = PathAnalyser::problems(r);
    QCOMPARE(problems.size(), std::size_t(1));
    QCOMPARE(problems[0].position, PathAnalyser::kMaxPositions);
}

void TestPathAnalysis::jointLimitGate_data()
{
    QTest::addColumn<QString>("robotFile");
    QTest::addColumn<Joints>("q");
    QTest::addColumn<int>("axis"); // first offending axis, 0 = accepted
    const QString abb = QStringLiteral("ABB_IRB120.xml"), fanuc = QStringLiteral("Fanuc_LRMate200iD.xml");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("abb inside") << abb << Joints{165, -110, 70, -160, 120, -400} << 0;
    QTest::newRow("abb axis 1") << abb << Joints{165.01, 0, 0, 0, 0, 0} << 1;
    QTest::newRow("abb axis 3 low") << abb << Joints{0, 0, -110.5, 0, 0, 0} << 3;
    QTest::newRow("abb huge") << abb << Joints{3000, -2000, 1500, 0, 30, 0} << 1;
    QTest::newRow("abb nan") << abb << Joints{0, 0, 0, 0, nan, 0} << 5;
    QTest::newRow("abb 5e9") << abb << Joints{0, 0, 0, 0, 0, 5e9} << 6;
    // LR Mate, angle type 2: axis 3 from -70 - q2 to 205 - q2.
    QTest::newRow("fanuc q2 0, q3 -60") << fanuc << Joints{0, 0, -60, 0, 0, 0} << 0;
    QTest::newRow("fanuc q2 50, q3 -130") << fanuc << Joints{0, 50, -130, 0, 0, 0} << 3;
    QTest::newRow("fanuc q2 50, q3 -110") << fanuc << Joints{0, 50, -110, 0, 0, 0} << 0;
    QTest::newRow("fanuc q2 -90, q3 300") << fanuc << Joints{0, -90, 300, 0, 0, 0} << 3;
    QTest::newRow("fanuc q2 -90, q3 290") << fanuc << Joints{0, -90, 290, 0, 0, 0} << 0;
    // Axis 3 at 200 is inside its own range but not with axis 2 at 10.
    QTest::newRow("fanuc q2 10, q3 200") << fanuc << Joints{0, 10, 200, 0, 0, 0} << 3;
    QTest::newRow("fanuc axis 2") << fanuc << Joints{0, 146, 150, 0, 0, 0} << 2;
}

void TestPathAnalysis::jointLimitGate()
{
    QFETCH(QString, robotFile);
    QFETCH(Joints, q);
    QFETCH(int, axis);
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::robotDir() + robotFile).constData()), 0);
    const jointlimits::Verdict v = jointlimits::check(r, q.data());
    QCOMPARE(v.ok, axis == 0);
    QCOMPARE(v.axis, axis);
    // The float entry point agrees, and so does the analysis: a joint move
    // there is a flagged position that leaves the path where it was.
    const std::array<float, 6> f{float(q[0]), float(q[1]), float(q[2]),
                                 float(q[3]), float(q[4]), float(q[5])};
    QCOMPARE(jointlimits::check(r, f.data()).axis, axis);
    PathAnalyser an(r);
    const auto path = an.analyse({line(1, {0, 0, 0, 0, 30, 0}), line(1, q)});
    if (!v.finite) {
        QCOMPARE(path.rejected, std::vector<int>{1}); // not a number: no move at all
        return;
    }
    QCOMPARE(int(path.path.back().problem), axis == 0 ? 0 : int(PathAnalyser::OutOfLimits));
    if (axis != 0)
        QCOMPARE(path.path.back().joints, (std::array<float, 6>{0, 0, 0, 0, 30, 0}));
    // No robot, no joint values.
    Robot empty;
    QVERIFY(!jointlimits::check(empty, q.data()).ok);
}

void TestPathAnalysis::placementsThatOverflowAreRejected()
{
    // 1e38 rad is a float but not in degrees; 1e39 mm is not a float.
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, kStart), line(4.0, {0, 0, 0, 0, 0, 1e38}),
                               line(4.02, {1e39, 0, 0, 0, 0, 0}), line(5, {0, 0, 0, 1e38, 0, 0}),
                               line(4.0, {0, 0, 0, 1e30 / 57.3, 0, 0}), line(5, {0, 0, 100, 0, 0, 1})});
    QCOMPARE(r.rejected, (std::vector<int>{1, 2, 3}));
    QCOMPARE(int(r.path.size()), 2 + 1 + 1);
    QCOMPARE(r.path[2].type, 4.0f);
    QCOMPARE(r.path[3].type, 5.0f);
}

void TestPathAnalysis::operandsThatAreNotNumbers()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Joints b = kStart;
    b[0] = 10;
    PathAnalyser an(robot);
    const auto r =
        an.analyse({line(1, kStart), line(2, {nan, 0, 0, 0, 0, 0}), line(5, {0, 0, inf, 0, 0, 0}),
                    line(9, {0, nan, 0, 0, 0, 0}), line(1, b)});
    QCOMPARE(r.rejected, (std::vector<int>{1, 2, 3}));
    // Only the two joint moves: 2 positions, then 10 degrees in 4 steps.
    QCOMPARE(int(r.path.size()), 2 + 5);
    for (const auto &p : r.path)
        for (float v : p.joints)
            QVERIFY(std::isfinite(v));
    // Finite numbers far outside the limits: one flagged position each, the
    // path staying where it stood.
    const double big = std::numeric_limits<double>::max();
    const auto r2 = an.analyse({line(1, {-big, 0, 0, 0, 0, 0}), line(1, {big, 0, 0, 0, 0, 0})});
    QVERIFY(r2.rejected.empty());
    QCOMPARE(int(r2.path.size()), 2);
    for (const auto &p : r2.path) {
        QCOMPARE(int(p.problem), int(PathAnalyser::OutOfLimits));
        QCOMPARE(p.joints, (std::array<float, 6>{0, 0, 0, 0, 0, 0}));
    }
}

void TestPathAnalysis::circleWithoutACircle()
{
    PathAnalyser an(robot);
    // Three points a few ten-thousandths of a degree apart on axis 1, the
    // via point outside the other two: as a circle this is the whole turn
    // around axis 1, over a thousand positions. The via point is a millionth
    // of their spread off the line through the others: as good as one line,
    // so the move goes straight to the via point. So it does with points
    // that are on one line to the last bit.
    for (double apart : {2.5e-4, 1e-7}) {
        Joints via = kStart, end = kStart;
        via[0] = apart;
        end[0] = -apart;
        const auto r = an.analyse({line(1, kStart), line(9, via), line(2, end)});
        QCOMPARE(segment(r, 1).size(), std::size_t(2));
        QCOMPARE(segment(r, 2).size(), std::size_t(2));
        for (const auto &p : r.path)
            QCOMPARE(p.problem, 0.0f);
    }
    // Two ten-thousandths of the spread off the line is a circle: the arc
    // goes round axis 1 until axis 1 meets its limit at 165 degrees.
    {
        Joints via = kStart, end = kStart;
        via[0] = 0.05;
        end[0] = -0.05;
        const auto r = an.analyse({line(1, kStart), line(9, via), line(2, end)});
        const auto arc = segment(r, 1);
        QVERIFY(arc.size() > 100);
        QCOMPARE(int(arc.back().problem) % 10, 1);
        QVERIFY(arc[arc.size() - 2].joints[0] > 160.0f);
    }

    // Three coincident points (axis 6 alone moves the flange about its own
    // axis): no circle, no division by its zero normal; the move turns the
    // flange to the via point in steps of 2 degrees (19 degrees: 10 steps).
    Joints v6 = kStart, e6 = kStart;
    v6[5] = 19;
    e6[5] = 38;
    const auto r2 = an.analyse({line(1, kStart), line(9, v6), line(2, e6)});
    const auto turn = segment(r2, 1);
    QCOMPARE(turn.size(), std::size_t(11));
    QVERIFY(std::fabs(turn.back().joints[5] - 19.0f) < 0.01f);
    QCOMPARE(segment(r2, 2).size(), std::size_t(11));
    for (const auto &p : r2.path) {
        QCOMPARE(p.problem, 0.0f);
        for (float v : p.joints)
            QVERIFY(std::isfinite(v));
    }
}

void TestPathAnalysis::circleOnTheLastLine()
{
    // No end point: a straight move to the via point, nothing read beyond
    // the program.
    const ref::M S = seqtest::flange(kStart);
    const Joints via =
        seqtest::reach(robot, seqtest::withPosition(S, S[3], S[7] + 9, S[11]), kStart);
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, kStart), line(9, via)});
    const auto lin = segment(r, 1);
    QCOMPARE(lin.size(), std::size_t(6)); // 9 mm: 5 steps
    const auto end = seqtest::position(seqtest::flange(lin.back().joints));
    QVERIFY(seqtest::distance(end, {S[3], S[7] + 9, S[11]}) < 0.02);
}

void TestPathAnalysis::tracePointsInTheScene()
{
    const Joints b{10, 25, 15, 5, 45, 10};
    PathAnalyser an(robot);
    const auto r = an.analyse({line(1, kStart), line(5, {0, 0, 140, 0, 0, 0}), line(1, b)});
    // Robot base at (-400, 0, 750), turned a quarter turn about Z.
    const ref::M place = ref::mul(ref::trans(-400, 0, 750), ref::rotZ(90));
    Matrix4 placement;
    for (std::size_t k = 0; k < 16; ++k)
        placement[k] = float(place[k]);
    std::vector<std::array<float, 16>> poses;
    an.tcpPoses(r, placement, [&poses](const float *m) {
        std::array<float, 16> p;
        std::copy(m, m + 16, p.begin());
        poses.push_back(p);
    });
    // One pose per position of type 1 (not for the tool change).
    QCOMPARE(int(poses.size()), int(r.path.size()) - 1);
    for (std::size_t i = 0, k = 0; i < r.path.size(); ++i) {
        if (r.path[i].type != 1.0f)
            continue;
        const bool afterTool = i > 2;
        ref::M want = ref::mul(place, seqtest::flange(r.path[i].joints));
        if (afterTool)
            want = ref::mul(want, ref::trans(0, 0, 140));
        const auto &got = poses[k++];
        for (std::size_t e = 0; e < 16; ++e)
            QVERIFY2(std::fabs(got[e] - want[e]) < ((e % 4 == 3 && e < 12) ? 0.01 : 1e-5),
                     qPrintable(QStringLiteral("pose %1 element %2").arg(i).arg(e)));
    }
}

void TestPathAnalysis::robotIsLeftAsItWas()
{
    const std::array<float, 6> before{1, 2, 3, 4, 5, 6};
    robot.setJointAngles(before);
    PathAnalyser an(robot);
    const ref::M S = seqtest::flange(kStart);
    const Joints b =
        seqtest::reach(robot, seqtest::withPosition(S, S[3] + 30, S[7], S[11]), kStart);
    robot.setJointAngles(before);
    an.analyse({line(1, kStart), line(2, b)});
    QCOMPARE(robot.jointValues(), before);
}

void TestPathAnalysis::robotNotLoaded()
{
    Robot empty;
    PathAnalyser an(empty);
    const auto r = an.analyse({line(1, kStart), line(2, kStart)});
    QVERIFY(r.path.empty());
    QVERIFY(PathAnalyser::problems(r).empty());
}

QTEST_GUILESS_MAIN(TestPathAnalysis)
#include "tst_pathanalysis.moc"
