// The path analysis on the shipped IRB120: step counts worked by hand, positions
// against the arm's chain computed here in double precision, the wrist singularity,
// jumps, tool changes, numbers that make no move, and the shipped examples.
#include "kinematics/jointlimits.h"
#include "models/datadirs.h"
#include "sequences/sequenceparser.h"
#include "stations/stationfile.h"
#include "support/programs.h"
#include "support/robots.h"
#include <QDir>
#include <QtTest>
using namespace seqtest;
using sequences::PathAnalyser;
Q_DECLARE_METATYPE(Joints)
namespace {
Joints joints(const std::array<float, 6> &q)
{
    return {q[0], q[1], q[2], q[3], q[4], q[5]};
}
const Joints kStart{0, 20, 20, 0, 50, 0}; // well inside the limits, the wrist bent
const double kNan = std::numeric_limits<double>::quiet_NaN();
} // namespace
class TestPathAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    }
    void jointMoveSteps()
    {
        // To where it stands: 2 positions. 10 degrees: 4 steps of 2.5. 20 degrees
        // on axis 2 (5 on axis 3): 7 steps of at most 3 degrees, 8 positions.
        const Joints j0{0, 0, 0, 0, 30, 0}, j1{10, 0, 0, 0, 30, 0}, j2{10, -20, 5, 0, 30, 0};
        const auto r =
            PathAnalyser(robot).analyse({line(1, j0), line(1, j1), line(1, j1), line(1, j2)});
        const auto ten = segment(r, 1);
        for (int k = 0; k < 5 && r.path.size() == 2 + 5 + 2 + 8; ++k)
            QCOMPARE(joints(ten[std::size_t(k)].joints), (Joints{2.5 * k, 0, 0, 0, 30, 0}));
        const auto twenty = segment(r, 3);
        for (std::size_t k = 1; k < twenty.size(); ++k)
            QVERIFY(twenty.size() == 8 &&
                    std::fabs(twenty[k].joints[1] - twenty[k - 1].joints[1] + 20.0f / 7) < 1e-4f &&
                    joints(twenty.back().joints) == j2);
        QVERIFY(r.reportOn && std::all_of(r.path.begin(), r.path.end(), [](const auto &p) {
                    return p.type == 1.0f && p.problem == 0.0f;
                }));
    }
    void wholeStepsGainNoPosition_data()
    {
        // Moves of a whole number of steps, then beyond it by roundings (8e-6
        // of a step, what float joint values make of the shipped drawing's
        // lines; half a thousandth: no step) and by two thousandths (a step).
        // Axis 6 alone turns the flange: a TCP r mm off its axis runs on a
        // circle, a chord of r for 60 degrees, a quarter of pi r / 2.
        QTest::addColumn<int>("kind"); // 0 joint move, 1 line by length, 2 by rotation, 3 arc
        QTest::addColumn<double>("over");
        QTest::addColumn<int>("positions");
        const char *names[] = {"joint 9 deg", "line 100 mm", "turn 20 deg", "arc 2 x 100 mm"};
        const int whole[] = {4, 51, 11, 101}, more[] = {5, 52, 12, 103};
        for (int kind = 0; kind < 4; ++kind) {
            QTest::newRow(names[kind]) << kind << 0.0 << whole[kind];
            for (const double over : {8e-6, 5e-4})
                QTest::newRow(qPrintable(QStringLiteral("%1 + %2").arg(names[kind]).arg(over)))
                    << kind << over << whole[kind];
            QTest::newRow(qPrintable(QStringLiteral("%1, beyond").arg(names[kind])))
                << kind << 2e-3 << more[kind];
        }
    }
    void wholeStepsGainNoPosition()
    {
        QFETCH(int, kind);
        QFETCH(double, over);
        QFETCH(int, positions);
        auto turned = [](double axis1, double axis6) {
            return Joints{kStart[0] + axis1, kStart[1], kStart[2],
                          kStart[3],         kStart[4], kStart[5] + axis6};
        };
        const double r = kind == 1 ? 2 * (50 + over) : 4 * (50 + over) / M_PI;
        std::vector<sequences::ProgramLine> program{line(5, {kind == 2 ? 0 : r, 0, 0, 0, 0, 0}),
                                                    line(1, kStart)};
        if (kind == 0)
            program.push_back(line(1, turned(3 * (3 + over), 0)));
        else if (kind == 1)
            program.push_back(line(2, turned(0, 60)));
        else if (kind == 2)
            program.push_back(line(2, turned(0, 2 * (10 + over))));
        else
            program.insert(program.end(), {line(9, turned(0, 90)), line(2, turned(0, 180))});
        const auto r6 = PathAnalyser(robot).analyse(program);
        QCOMPARE(int(segment(r6, 2).size()), positions);
        QVERIFY(PathAnalyser::problems(r6).empty());
    }
    void circleThroughThreePoints()
    {
        // Radius 50 mm in the horizontal plane of the start, the centre 50 mm back
        // along X: start at 0 degrees, via at 90, end at 180. Each quarter is
        // 25 pi = 78.5 mm long: 40 steps of at most 2 mm.
        const ref::M S = flange(kStart);
        const std::array<double, 3> C{S[3] - 50, S[7], S[11]};
        const ref::M V = withPosition(S, C[0], C[1] + 50, C[2]),
                     E = withPosition(S, C[0] - 50, C[1], C[2]);
        const Joints via = reach(robot, V, kStart);
        const auto r = PathAnalyser(robot).analyse(
            {line(1, kStart), line(9, via), line(2, reach(robot, E, via))});
        const auto arc = segment(r, 1);
        double last = -1.0;
        QVERIFY(arc.size() == 40 + 40 + 1 &&
                segment(r, 2).size() == 2); // the end line has no length left
        for (std::size_t k = 0; k < arc.size(); ++k) {
            const ref::M f = flange(arc[k].joints);
            const double dx = f[3] - C[0], dy = f[7] - C[1],
                         angle = std::atan2(dy, dx) * 180 / M_PI;
            QVERIFY2(std::fabs(std::hypot(dx, dy) - 50.0) < 0.02 && std::fabs(f[11] - C[2]) < 0.02,
                     qPrintable(QString::number(k)));
            QVERIFY((angle < -90 ? angle + 360 : angle) > last && rotationGap(f, S) < 1e-3 &&
                    arc[k].problem == 0.0f); // onwards, through the via side
            last = angle < -90 ? angle + 360 : angle;
        }
        QVERIFY(distance(position(flange(arc[40].joints)), position(V)) < 0.02 &&
                distance(position(flange(arc.back().joints)), position(E)) < 0.02);
        // No end point: a straight move to the via point in steps of at most 2 mm
        // (9.99 mm: 5 steps, 10.01 mm: 6), starting where the joint move ended.
        for (const double length : {9.99, 10.01}) {
            const Joints near = reach(
                robot, withPosition(S, S[3] + 0.6 * length, S[7] + 0.8 * length, S[11]), kStart);
            const auto lin =
                segment(PathAnalyser(robot).analyse({line(1, kStart), line(9, near)}), 1);
            QCOMPARE(int(lin.size()), length < 10 ? 6 : 7);
            for (std::size_t k = 0, n = lin.size() - 1; k <= n; ++k) {
                const ref::M f = flange(lin[k].joints);
                QVERIFY2(distance(position(f), {S[3] + 0.6 * length * k / n,
                                                S[7] + 0.8 * length * k / n, S[11]}) < 0.01 &&
                             rotationGap(f, S) < 1e-4,
                         qPrintable(QString::number(k)));
            }
        }
    }
    void circleWithoutACircle()
    {
        PathAnalyser an(robot);
        // Three points a few ten-thousandths of a degree apart on axis 1, the via
        // point outside the others: as a circle the whole turn around axis 1. A
        // millionth of their spread off one line is one line: straight to the via
        // point. Two ten-thousandths off is a circle, cut where axis 1 meets 165.
        for (double apart : {2.5e-4, 1e-7, 0.05}) {
            const Joints via{apart, 20, 20, 0, 50, 0}, end{-apart, 20, 20, 0, 50, 0};
            const auto r = an.analyse({line(1, kStart), line(9, via), line(2, end)});
            const auto arc = segment(r, 1);
            if (apart == 0.05) {
                QVERIFY(arc.size() > 100 && int(arc.back().problem) % 10 == 1 &&
                        arc[arc.size() - 2].joints[0] > 160.0f);
                continue;
            }
            QCOMPARE(arc.size() + segment(r, 2).size(), std::size_t(4));
            QVERIFY(std::all_of(r.path.begin(), r.path.end(),
                                [](const auto &p) { return p.problem == 0.0f; }));
        }
        // Three coincident points (axis 6 alone turns the flange about its own
        // axis): no division by a zero normal; 19 degrees in 10 steps to the via.
        const auto r = an.analyse(
            {line(1, kStart), line(9, {0, 20, 20, 0, 50, 19}), line(2, {0, 20, 20, 0, 50, 38})});
        QVERIFY(segment(r, 1).size() + segment(r, 2).size() == 22 &&
                std::fabs(segment(r, 1).back().joints[5] - 19.0f) < 0.01f);
        for (const auto &p : r.path)
            QVERIFY(p.problem == 0.0f && std::isfinite(p.joints[0] + p.joints[5]));
    }
    void wristSingularityStopsTheLine()
    {
        // The flange at the height of joint zero, pointing along +X as at zero,
        // moved along Y through y = 0, where axes 4 and 6 line up. The next line
        // starts from the target, whose nearest configuration is ~29 degrees off.
        const ref::M home = flange(Joints{0, 0, 0, 0, 0, 0});
        const Joints a = reach(robot, withPosition(home, 374, -150, 630), {-20, 0, 0, 90, 20, -90});
        const Joints b = reach(robot, withPosition(home, 374, 150, 630), a),
                     c = reach(robot, withPosition(home, 374, 150, 600), b);
        PathAnalyser an(robot);
        const auto r = an.analyse({line(1, a), line(2, b), line(2, c)});
        const auto lin = segment(r, 1);
        // 300 mm would be 151 positions; it stops on the first within 3 degrees of 0.
        QVERIFY(a[4] > 10 && lin.size() < 151);
        for (std::size_t k = 0; k + 1 < lin.size(); ++k)
            QVERIFY(lin[k].problem == 0.0f && lin[k].joints[4] >= 3.0f);
        const auto &stop = lin.back();
        const int code = int(stop.problem);
        QVERIFY(std::fabs(stop.joints[4]) < 3.0f && code == (stop.joints[4] < 0.0f ? 1100 : 1000));
        // Joint 5 is about 9.4 degrees 50 mm away, nearly proportional there.
        const auto p = position(flange(stop.joints));
        QVERIFY2(p[1] > -17.0 && p[1] < 0.0 && std::fabs(p[0] - 374) < 0.01 &&
                     std::fabs(p[2] - 630) < 0.01,
                 qPrintable(QString::number(p[1])));
        const auto third = segment(r, 2); // one position, flagged: axes 1 and 5 jump
        QVERIFY(third.size() == 1 && int(third[0].problem) == 10 &&
                std::fabs(third[0].joints[0] - stop.joints[0]) > 25.0f &&
                std::fabs(third[0].joints[4] - stop.joints[4]) > 25.0f);
        QVERIFY(distance(position(flange(third[0].joints)), {374, 150, 630}) < 0.02);
        const auto problems = PathAnalyser::problems(r);
        QVERIFY(problems.size() == 2 && problems[0].position == int(lin.size()) + 2 &&
                problems[0].pathId == 1 && problems[0].code == code);
        // A first code of 1000 switches the report off; the flags stay.
        const auto off = an.analyse({line(1000, {}), line(1, a), line(2, b)});
        QVERIFY(!off.reportOn && off.path.front().pathId == 1 &&
                off.path.back().problem >= 1000.0f &&
                an.analyse({line(999, {}), line(1, a), line(2, b)}).reportOn);
        // A long report: every problem counted, the rows cut (the texts show in the player's status
        // line).
        const QString many =
            PathAnalyser::reportHtml(std::vector<sequences::PathProblem>(500, {1, 0, 1}), 200);
        QVERIFY(many.contains(QStringLiteral("continuous = 500<br>")) &&
                many.contains(QStringLiteral("300 more")) &&
                many.count(QStringLiteral("<tr>")) == 1 + 200 + 1);
        QCOMPARE(
            PathAnalyser::problemTexts(11000),
            QStringLiteral("Joint 5 is close to 0 deg. Too many positions: the path ends here. "));
    }
    void axisOneBeyondHalfATurnStays()
    {
        // A UR5 (+-360) at axis 1 = 300: a short line goes on from there, not from -60.
        Robot ur;
        QVERIFY(support::loadShipped(ur, QStringLiteral("UR5.xml")));
        const Joints a{300, -60, 50, -30, 40, 20}, b{302, -58, 48, -30, 40, 20};
        const auto lin = segment(PathAnalyser(ur).analyse({line(1, a), line(2, b)}), 1);
        QVERIFY(lin.size() > 2);
        for (const auto &p : lin)
            QVERIFY(p.problem == 0.0f && std::fabs(p.joints[0] - 301) < 2);
    }
    void wristFlipIsAJumpAndACrossing()
    {
        // Axis 4 stops at 160. Turning on past it leaves only the turned-over
        // wrist (axis 4 half a turn back, joint 5 mirrored): a jump and a crossing.
        const auto lin = segment(PathAnalyser(robot).analyse({line(1, {0, 0, 30, 150, 45, 0}),
                                                              line(2, {0, 0, 30, 175, 45, 0})}),
                                 1);
        QCOMPARE(int(lin.back().problem), 110);
        QVERIFY(lin.back().joints[4] < -40.0f && std::fabs(lin.back().joints[3]) < 20.0f);
        for (std::size_t k = 0; k + 1 < lin.size(); ++k)
            QVERIFY(lin[k].problem == 0.0f && lin[k].joints[3] <= 160.0f);
    }
    void halfTurnOfTheTool()
    {
        // One axis alone turns the tool about a fixed axis through the TCP: the
        // straight line is that axis, evenly one way round in steps of at most
        // 2 degrees. Axis 6 by 180 and 179.9 (90 steps); axis 4 by 169 (85 steps)
        // with the TCP at the wrist centre, 72 mm back, the forearm nearer X or Y:
        // turns of more than 135 degrees about oblique axes.
        const std::tuple<Joints, int, double> rows[] = {{{0, 0, 30, 0, 45, -90}, 5, 180},
                                                        {{0, 0, 30, 0, 45, -90}, 5, 179.9},
                                                        {{30, 0, 0, -85, 90, 20}, 3, 169},
                                                        {{60, 0, 0, -85, 90, 70}, 3, 169}};
        for (const auto &[a, axis, turn] : rows) {
            Joints b = a;
            b[std::size_t(axis)] += turn;
            const ref::M tool = ref::trans(0, 0, axis == 3 ? -72 : 0),
                         want = ref::mul(flange(b), tool);
            const auto lin =
                segment(PathAnalyser(robot).analyse(
                            {line(1, a), line(5, {0, 0, tool[11], 0, 0, 0}), line(2, b)}),
                        2);
            const ref::M got = ref::mul(flange(lin.back().joints), tool);
            QVERIFY2(int(lin.size()) == int(std::ceil(turn / 2)) + 1 &&
                         rotationGap(got, want) < 1e-3 &&
                         distance(position(got), position(want)) < 0.01,
                     qPrintable(QStringLiteral("%1 %2 %3 %4")
                                    .arg(turn)
                                    .arg(lin.size())
                                    .arg(rotationGap(got, want))
                                    .arg(distance(position(got), position(want)))));
            for (std::size_t k = 1; k < lin.size(); ++k)
                for (std::size_t j = 0; j < 6; ++j)
                    QVERIFY2(std::fabs(lin[k].joints[j] - lin[k - 1].joints[j] -
                                       (int(j) == axis ? turn / (lin.size() - 1) : 0)) < 0.01 &&
                                 lin[k].problem == 0.0f,
                             qPrintable(QStringLiteral("%1 %2 %3").arg(turn).arg(k).arg(j)));
        }
    }
    void toolChangeMovesTheLineAndTheTrace()
    {
        const Joints b{10, 25, 15, 5, 45, 10};
        const ref::M tool = ref::trans(0, 0, 140);
        PathAnalyser an(robot);
        const auto r = an.analyse({line(1, kStart), line(5, {0, 0, 140, 0, 0, 0}), line(2, b)});
        QVERIFY(r.path[2].type == 5.0f && r.path[2].pathId == 1 &&
                r.path[2].joints == (std::array<float, 6>{0, 0, 140, 0, 0, 0}));
        // The straight line is the tool's: every TCP on the segment s-g, while
        // the flange itself leaves it (the orientation turns).
        const auto s = position(ref::mul(flange(kStart), tool)),
                   g = position(ref::mul(flange(b), tool));
        auto offLine = [&](const std::array<double, 3> &x) {
            const double u[3] = {g[0] - s[0], g[1] - s[1], g[2] - s[2]},
                         v[3] = {x[0] - s[0], x[1] - s[1], x[2] - s[2]};
            const double t = (u[0] * v[0] + u[1] * v[1] + u[2] * v[2]) /
                             (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
            return distance(x, {s[0] + t * u[0], s[1] + t * u[1], s[2] + t * u[2]});
        };
        double flangeOff = 0.0;
        for (const auto &p : segment(r, 2)) {
            QVERIFY(p.problem == 0.0f &&
                    offLine(position(ref::mul(flange(p.joints), tool))) < 0.02);
            flangeOff = std::max(flangeOff, offLine(position(flange(p.joints))));
        }
        QVERIFY(flangeOff > 1.0 &&
                distance(position(ref::mul(flange(r.path.back().joints), tool)), g) < 0.02);
        // Trace poses in the scene: base at (-400, 0, 750) turned a quarter turn,
        // one per position of type 1, the tool's after the tool change.
        const ref::M place = ref::mul(ref::trans(-400, 0, 750), ref::rotZ(90));
        Matrix4 placement;
        std::copy(place.begin(), place.end(), placement.begin());
        std::vector<std::array<float, 16>> poses;
        an.tcpPoses(r, placement, [&poses](const float *m) {
            poses.push_back({});
            std::copy(m, m + 16, poses.back().begin());
        });
        QCOMPARE(int(poses.size()), int(r.path.size()) - 1);
        for (std::size_t i = 0, k = 0; i < r.path.size(); k += r.path[i++].type == 1.0f) {
            const ref::M want = ref::mul(ref::mul(place, flange(r.path[i].joints)),
                                         i > 2 ? tool : ref::trans(0, 0, 0));
            for (std::size_t e = 0; e < 16 && r.path[i].type == 1.0f; ++e)
                QVERIFY2(std::fabs(poses[k][e] - want[e]) < ((e % 4 == 3 && e < 12) ? 0.01 : 1e-5),
                         qPrintable(QStringLiteral("pose %1 element %2").arg(i).arg(e)));
        }
    }
    void linesThatMakeNoMove()
    {
        // Placements (4.xx) and tool changes (5) pass as one node each; code 7
        // means nothing. Not-a-number operands and placements beyond a float
        // (1e38 rad is a float, not in degrees; 1e39 mm is no float) are skipped.
        const double big = std::numeric_limits<double>::max();
        const Joints b{10, 20, 20, 0, 50, 0};
        const std::array<float, 6> before{1, 2, 3, 4, 5, 6};
        robot.setJointAngles(before);
        PathAnalyser an(robot);
        const auto r =
            an.analyse({line(1, kStart), line(4.0, {100, 0, 0, 0, 0, 0.5}),
                        line(4.03, {1, 2, 3, 0.1, 0.2, 0.3}), line(7, kStart),
                        line(4.0, {0, 0, 0, 0, 0, 1e38}), line(4.02, {1e39, 0, 0, 0, 0, 0}),
                        line(5, {0, 0, 0, 1e38, 0, 0}), line(2, {kNan, 0, 0, 0, 0, 0}),
                        line(5, {0, 0, std::numeric_limits<double>::infinity(), 0, 0, 0}),
                        line(9, {0, kNan, 0, 0, 0, 0}), line(1, b), line(1, {big, 0, 0, 0, 0, 0}),
                        line(1, {1e9, 0, 0, 0, 30, 0})});
        // 2 + the two placements + 10 degrees in 4 steps + one flagged position
        // each for the moves far out of the limits, the path standing still.
        QVERIFY(r.rejected == (std::vector<int>{4, 5, 6, 7, 8, 9}) &&
                r.path.size() == 2 + 2 + 5 + 2 && !r.truncated);
        QVERIFY(r.path[2].type == 4.0f && r.path[3].type == 4.03f && r.path[3].pathId == 2 &&
                r.path[4].pathId == 10 &&
                r.path[2].joints == (std::array<float, 6>{100, 0, 0, 0, 0, 0.5f}));
        for (int k : {9, 10})
            QVERIFY(int(r.path[std::size_t(k)].problem) == PathAnalyser::OutOfLimits &&
                    joints(r.path[std::size_t(k)].joints) == b);
        // A line that starts where no configuration is (beyond axis 1's limit):
        // one position, flagged, at zero.
        const auto u = segment(
            an.analyse({line(1, kStart), line(2, {170, 20, 20, 0, 50, 0}), line(2, kStart)}), 2);
        QVERIFY2(u.size() == 1 && u[0].type == 1.0f &&
                     int(u[0].problem) == PathAnalyser::NoSolution &&
                     joints(u[0].joints) == Joints{},
                 qPrintable(QStringLiteral("%1 %2 %3")
                                .arg(u.size())
                                .arg(u.empty() ? 0 : u[0].type)
                                .arg(u.empty() ? 0 : u[0].problem)));
        Robot empty; // the robot is left as it was; no robot, no path
        QVERIFY(robot.jointValues() == before &&
                PathAnalyser(empty).analyse({line(1, kStart), line(2, kStart)}).path.empty());
    }
    void jointLimitGate_data()
    {
        QTest::addColumn<QString>("robotFile");
        QTest::addColumn<Joints>("q");
        QTest::addColumn<int>("axis"); // first offending axis, 0 = accepted
        const QString abb = QStringLiteral("ABB_IRB120.xml"),
                      fanuc = QStringLiteral("Fanuc_LRMate200iD.xml");
        QTest::newRow("abb inside") << abb << Joints{165, -110, 70, -160, 120, -400} << 0;
        QTest::newRow("abb axis 1") << abb << Joints{165.01, 0, 0, 0, 0, 0} << 1;
        // Within float rounding of a limit is on it, a thousandth beyond is not.
        QTest::newRow("abb on the limit") << abb << Joints{-165.00005, 0, 0, 0, 0, 0} << 0;
        QTest::newRow("abb past the limit") << abb << Joints{0, 0, 0, 0, 0, 400.001} << 6;
        QTest::newRow("abb nan") << abb << Joints{0, 0, 0, 0, kNan, 0} << 5;
        // LR Mate, angle type 2: axis 3 from -70 - q2 to 205 - q2.
        QTest::newRow("fanuc q2 50, q3 -130") << fanuc << Joints{0, 50, -130, 0, 0, 0} << 3;
        QTest::newRow("fanuc q2 50, q3 -110") << fanuc << Joints{0, 50, -110, 0, 0, 0} << 0;
        QTest::newRow("fanuc q2 -90, q3 300") << fanuc << Joints{0, -90, 300, 0, 0, 0} << 3;
        QTest::newRow("fanuc q2 10, q3 200") << fanuc << Joints{0, 10, 200, 0, 0, 0} << 3;
        QTest::newRow("fanuc axis 2") << fanuc << Joints{0, 146, 150, 0, 0, 0} << 2;
    }
    void jointLimitGate()
    {
        QFETCH(QString, robotFile);
        QFETCH(Joints, q);
        QFETCH(int, axis);
        Robot r, empty; // no robot, no joint values
        QCOMPARE(r.loadData(QFile::encodeName(DataDirs::robotDir() + robotFile).constData()), 0);
        const jointlimits::Verdict v = jointlimits::check(r, q.data());
        const std::array<float, 6> f{float(q[0]), float(q[1]), float(q[2]),
                                     float(q[3]), float(q[4]), float(q[5])};
        QVERIFY(v.ok == (axis == 0) && v.axis == axis &&
                jointlimits::check(r, f.data()).axis == axis &&
                !jointlimits::check(empty, q.data()).ok);
        // A joint list read from a file judges its positions as the gate does.
        sequences::ParsedText list;
        list.nodes.resize(1);
        std::copy(f.begin(), f.end(), list.nodes[0].values.begin());
        QVERIFY(sequences::checkLimits(list, r) == (axis == 0 ? 0 : 1) &&
                (axis == 0 || list.outOfLimits[0].axis == axis));
        // A joint move there is a flagged position that leaves the path where it
        // was; not a number is no move at all.
        const auto path = PathAnalyser(r).analyse({line(1, {0, 0, 0, 0, 30, 0}), line(1, q)});
        QVERIFY(v.finite || path.rejected == std::vector<int>{1});
        QVERIFY(!v.finite ||
                int(path.path.back().problem) == (axis == 0 ? 0 : int(PathAnalyser::OutOfLimits)));
        QVERIFY(!v.finite || axis == 0 ||
                path.path.back().joints == (std::array<float, 6>{0, 0, 0, 0, 30, 0}));
    }
    void shippedPrograms()
    {
        // Each example with its station: the IRB120 and pen on the table top.
        const QString dir = DataDirs::simulationDir();
        QCOMPARE(QDir(dir).entryList({QStringLiteral("*.sim")}, QDir::Files),
                 (QStringList{"drawing.sim", "joints.sim", "singularity.sim"}));
        ref::M place{};
        for (const char *name : {"drawing.sim", "joints.sim", "singularity.sim"}) {
            Station s;
            QCOMPARE(StationFile::read(dir + name + QStringLiteral(".vks"), &s), StationFile::Ok);
            QVERIFY(DataDirs::resolveStoredPath(s.robots[0].file)
                        .endsWith(QLatin1String("/CAD_Robots/ABB_IRB120.xml")) &&
                    QFileInfo(DataDirs::resolveStoredPath(s.robots[0].tool)).isFile() &&
                    QFileInfo(DataDirs::resolveStoredPath(s.objects.value(0).path)).isFile());
            std::copy(s.robots[0].placement.begin(), s.robots[0].placement.end(), place.begin());
            auto p = sequences::parseText(sequences::readSequenceFile(dir + name).text);
            QVERIFY(place[11] == 750.0 && place[0] == 1.0 && place[5] == 1.0 && place[10] == 1.0 &&
                    p.program == (name != QLatin1String("joints.sim")));
            std::vector<sequences::ProgramLine> program;
            for (const auto &n : p.nodes)
                program.push_back(line(n.values[0], {n.values[1], n.values[2], n.values[3],
                                                     n.values[4], n.values[5], n.values[6]}));
            if (!p.program) { // a joint list within the limits
                QCOMPARE(sequences::checkLimits(p, robot), 0);
                continue;
            }
            const auto r = PathAnalyser(robot).analyse(program);
            const auto problems = PathAnalyser::problems(r);
            QVERIFY(r.rejected.empty() && r.path.front().type == 5.0f); // the pen comes first
            if (name == QLatin1String(
                            "singularity.sim")) { // on the straight line, the wrist nearly straight
                QVERIFY(problems.size() == 1 && problems[0].pathId == 2 &&
                        (QList<int>{1000, 1100}).contains(problems[0].code) &&
                        std::fabs(r.path[std::size_t(problems[0].position - 1)].joints[4]) < 3.0f);
                continue;
            }
            QVERIFY(problems.empty());
            // The pen tips in the scene: never into the table; on it, the square
            // (x -100 to 50, y -75 to 75) and the circle (radius 50 about (-25, 0)).
            int onSquare = 0, onCircle = 0;
            bool quarters[4] = {};
            for (const auto &pos : r.path) {
                const ref::M tip =
                    ref::mul(ref::mul(place, flange(pos.joints)), ref::trans(0, 0, 140));
                const double x = tip[3], y = tip[7], z = tip[11];
                QVERIFY2(pos.type != 1.0f || z > 750.0 - 0.05, qPrintable(QString::number(z)));
                if (pos.type != 1.0f || z > 750.0 + 0.05)
                    continue;
                QVERIFY(std::fabs(tip[10] + 1.0) < 1e-4); // pointing straight down
                const bool square = ((std::fabs(x + 100) < 0.05 || std::fabs(x - 50) < 0.05) &&
                                     std::fabs(y) <= 75.05) ||
                                    ((std::fabs(y + 75) < 0.05 || std::fabs(y - 75) < 0.05) &&
                                     x >= -100.05 && x <= 50.05);
                const bool circle = std::fabs(std::hypot(x + 25, y) - 50) < 0.05;
                QVERIFY2(square || circle,
                         qPrintable(QStringLiteral("stray mark at %1, %2").arg(x).arg(y)));
                onSquare += square, onCircle += circle;
                quarters[int(std::floor((std::atan2(y, x + 25) * 180 / M_PI + 180) / 90)) % 4] |=
                    circle;
            }
            // 600 mm of square and 314 mm of circle, a position every 2 mm at most.
            QVERIFY2(onSquare >= 300 && onCircle >= 157 && quarters[0] && quarters[1] &&
                         quarters[2] && quarters[3],
                     qPrintable(QStringLiteral("%1 %2").arg(onSquare).arg(onCircle)));
        }
    }

private:
    Robot robot;
};
QTEST_GUILESS_MAIN(TestPathAnalysis)
#include "tst_pathanalysis.moc"
