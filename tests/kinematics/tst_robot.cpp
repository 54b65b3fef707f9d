// Robot: loading, angle types, forward and inverse kinematics, frames, tools,
// jogging, robot targets, mesh normals; shipped robots or variants of them.
#include "kinematics/jointlimits.h"
#include "kinematics/robot.h"
#include "kinematics/solver.h"
#include "kinematics/trig.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "support/refmath.h"
#include "support/robots.h"
#include "support/scratchinstall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <numeric>
#include <random>

using Joints6 = std::array<float, 6>;
using Six = std::array<double, 6>;
Q_DECLARE_METATYPE(Joints6)
Q_DECLARE_METATYPE(Six)
using List = QVector<Joints6>;
Q_DECLARE_METATYPE(List)

namespace {

// A shipped description with attributes changed, edits separated by ';':
// "A3 alpha 30" sets axis 3's alpha, "A3 -80 80" its limits, "all" every
// axis's; "type 4", "drop A6" (six elements) and "add" (eight).
QByteArray variant(const QString &edits = QString(), const char *file = "ABB_IRB120.xml")
{
    QFile f(QCoreApplication::applicationDirPath() + "/../CAD_Robots/" + file);
    QString x = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    const auto set = [&x](const QString &axis, const QString &attribute, const QString &value) {
        x.replace(QRegularExpression("(id=\"Axis" + axis + "\"[^>]*\\b" + attribute + "=\")[^\"]*"),
                  "\\1" + value);
    };
    for (const QString &e : edits.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = e.simplified().split(' ', Qt::SkipEmptyParts);
        if (w.isEmpty())
            continue;
        bool limits = false;
        w.value(1).toDouble(&limits);
        if (w[0] == "type")
            x.replace(QRegularExpression("Angle_Type id=\"[^\"]*\""),
                      "Angle_Type id=\"" + w[1] + '"');
        else if (w[0] == "drop")
            x.remove(QRegularExpression("<joint id=\"Axis" + w[1].mid(1) + "\"[^>]*>"));
        else if (w[0] == "add")
            x.replace("</robot_dk>", "<joint id=\"Axis7\" limsup=\"5\" liminf=\"-5\" alpha=\"0\" "
                                     "a=\"0\" theta=\"0\" d=\"10\" /></robot_dk>");
        else
            for (const QString &a : w[0] == "all" ? QString("123456").split("", Qt::SkipEmptyParts)
                                                  : QStringList{w[0].mid(1)}) {
                set(a, limits ? "liminf" : w[1], w[limits ? 1 : 2]);
                if (limits)
                    set(a, "limsup", w[2]);
            }
    }
    return x.toUtf8();
}
// The solver's worked example: the IRB120 without the flange's half turn, +-400.
QByteArray example(const QString &edits = QString())
{
    return variant(QStringLiteral("A6 theta 0; all -400 400; ") + edits);
}
int load(const ScratchInstall &inst, Robot &robot, const QByteArray &xml)
{
    static int n = 0;
    const QString file = inst.write(QStringLiteral("CAD_Robots/v%1.xml").arg(++n), xml);
    return robot.loadData(QFile::encodeName(file).constData());
}
// Within mm and unit, or (mm 0) reaching as the solver means it.
bool reaches(const Matrix4 &a, const Matrix4 &b, float mm = 0, float unit = 1e-3f)
{
    if (mm == 0)
        return kinematics::reaches(a, b);
    for (int k = 0; k < 12; ++k)
        if (!(std::fabs(a[k] - b[k]) <= (k % 4 == 3 ? mm : unit)))
            return false;
    return true;
}
// The same joints; with `turns` axes 2, 3, 5 up to whole turns (1, 4, 6 have variants).
bool same(const Joints6 &a, const Joints6 &b, float tol = 0.02f, bool turns = false)
{
    for (int k = 0; k < 6; ++k)
        if (!(std::fabs(turns && (k == 1 || k == 2 || k == 4) ? std::remainder(a[k] - b[k], 360.0f)
                                                              : a[k] - b[k]) <= tol))
            return false;
    return true;
}
// Every entry reaches, within the limits (coupled axis 3 shifted), and only once.
void checkList(Robot &r, const Matrix4 &target, const std::vector<IkConfiguration> &list,
               float mm = 0, float unit = 1e-3f)
{
    const Joints6 before = r.jointValues();
    const std::vector<int> lim = r.getLimits();
    const bool coupled = r.getAngleType() == 2 || r.getAngleType() == 4;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Joints6 &q = list[i].q;
        r.setJointAngles(q);
        QVERIFY2(reaches(r.fk(6), target, mm, unit), "a listed configuration misses the target");
        QVERIFY(r.checkCoupledLimits(q.data()) && list[i].valid);
        for (int k = 0; k < 6; ++k)
            QVERIFY((k == 2 && coupled) ||
                    (q[k] >= lim[2 * k] - 1e-3f && q[k] <= lim[2 * k + 1] + 1e-3f));
        for (std::size_t j = i + 1; j < list.size(); ++j)
            QVERIFY(!same(q, list[j].q, 1e-3f));
    }
    r.setJointAngles(before);
}
const Joints6 kExample{20, -30, 15, 40, 35, -60};

QString str(const Joints6 &q)
{
    return QString::fromStdString(
        std::accumulate(q.begin(), q.end(), std::string(),
                        [](std::string t, float v) { return t + std::to_string(v) + ' '; }));
}

} // namespace

class TestRobot : public QObject
{
    Q_OBJECT
private slots:
    void loadingKeepsOnlyWholeRobots();
    void angleTypesAndTwistsAsWorkedByHand_data();
    void angleTypesAndTwistsAsWorkedByHand();
    void coupledLimits();
    void framesAndTool();
    void configurationLists_data();
    void configurationLists();
    void unreachableTargetsListNothing();
    void geometriesNoSolverIsWrittenFor();
    void roundTrips_data();
    void roundTrips();
    void jogModes();
    void robotTargets();
    void smoothNormalsMatchTheAllPairsRule();
    void trigonometryWithinOneUnitOfTheLibrary();
    void forwardIsTheChainOfLinkMatrices();
    void nearestIsTheListsFirstNearest();
    void configurationsAtTheEdges_data();
    void configurationsAtTheEdges();
    void limitsAsWorkedByHand_data();
    void limitsAsWorkedByHand();
    void parallelLinkage();
};

void TestRobot::loadingKeepsOnlyWholeRobots()
{
    ScratchInstall inst;
    MessageLog log;
    Robot r;
    QVERIFY(r.getFilePath() == QStringLiteral("EMPTY") && r.getName() == QStringLiteral("Robot"));
    const QString missing = inst.path(QStringLiteral("CAD_Robots/none.xml"));
    QCOMPARE(r.loadData(QFile::encodeName(missing).constData()), -1);
    QVERIFY(log.contains(QStringLiteral("Geometry is not considered")) && !r.isLoaded());
    QVERIFY(r.getFilePath() == missing && r.getName() == QStringLiteral("none.xml"));
    // Six elements: read, but refused as a robot, and nothing reaches past them.
    Robot six;
    QCOMPARE(load(inst, six, variant(QStringLiteral("drop A6"))), -1);
    std::vector<IkConfiguration> list;
    six.setJointAngles(Joints6{1, 2, 3, 4, 5, 6});
    QVERIFY(!six.isLoaded() && six.doInverseKinematics(toolbox::identity(), list) == -1);
    QCOMPARE(six.getLimits().size(), std::size_t(12));
    // Eight load, the first seven make the robot: flange 302 + 72 ahead, 630 up.
    Robot eight;
    QCOMPARE(load(inst, eight, variant(QStringLiteral("add"))), 0);
    QVERIFY(eight.isLoaded() && eight.fk(0) == toolbox::identity());
    QVERIFY(std::fabs(eight.fk(6)[3] - 374) < 1e-3 && std::fabs(eight.fk(6)[11] - 630) < 1e-3);
}
void TestRobot::angleTypesAndTwistsAsWorkedByHand_data()
{
    // Model angles of robot values (11, ..., 66), from the makers' conventions.
    QTest::addColumn<int>("type");
    QTest::addColumn<Six>("model");
    const Six same{11, 22, 33, 44, 55, 66};
    QTest::newRow("0") << 0 << same;
    QTest::newRow("1") << 1 << same;
    QTest::newRow("2 parallelogram, wrist reversed") << 2 << Six{11, 22, -55, -44, -55, -66};
    QTest::newRow("3 axis 3 and wrist reversed") << 3 << Six{11, 22, -33, -44, -55, -66};
    QTest::newRow("4 axis 3 from the horizontal") << 4 << Six{11, 22, 11, 44, 55, 66};
    QTest::newRow("5 axes 1, 4, 6 reversed") << 5 << Six{-11, 22, 33, -44, 55, -66};
    QTest::newRow("6 axis 3 reversed") << 6 << Six{11, 22, -33, 44, 55, 66};
    QTest::newRow("-1") << -1 << same;
    QTest::newRow("7") << 7 << same;
}
// Both conversions, both precisions, in place; then forward kinematics of an IRB120
// twisted by no multiple of 90 degrees against the link product in double.
void TestRobot::angleTypesAndTwistsAsWorkedByHand()
{
    QFETCH(int, type);
    QFETCH(Six, model);
    const Joints6 robotF{11, 22, 33, 44, 55, 66};
    Six d{11, 22, 33, 44, 55, 66};
    Joints6 f;
    Robot::robotToDH(type, robotF.data(), f.data());
    Robot::robotToDH(type, d.data(), d.data());
    QVERIFY((d == model && Six{f[0], f[1], f[2], f[3], f[4], f[5]} == model));
    Robot::dhToRobot(type, f.data(), f.data());
    Robot::dhToRobot(type, d.data(), d.data());
    QVERIFY(f == robotF && d == (Six{11, 22, 33, 44, 55, 66}));

    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r,
                  variant(QStringLiteral("type %1; A3 alpha 30; A4 alpha -45; A5 alpha 60; "
                                         "A6 alpha -30; A4 theta 25")
                              .arg(type))),
             0);
    r.setJointAngles(robotF);
    ref::M want = ref::trans(0, 0, 0);
    for (int k = 1; k <= 6; ++k) // the parameters of the description, the angles worked above
        want = ref::mul(want, ref::link(r.joint(k).getAlpha(), r.joint(k).getA(),
                                        r.joint(k).getTheta() + model[std::size_t(k - 1)],
                                        r.joint(k).getD()));
    const Matrix4 got = r.fk(6);
    for (int k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(got[k] - want[k]) < (k % 4 == 3 ? 2e-3 : 2e-6),
                 qPrintable(QString::number(k)));
}
void TestRobot::coupledLimits()
{
    // Axis 3 limits apply to the model angle: with q2 = 50 the robot range of
    // axis 3 is -80 + 50 .. 80 + 50; with angle type 0 they do not couple.
    ScratchInstall inst;
    Robot r, plain;
    QCOMPARE(load(inst, r, variant(QStringLiteral("A2 -60 90; A3 -80 80; type 4"))), 0);
    QCOMPARE(load(inst, plain, variant(QStringLiteral("A2 -60 90; A3 -80 80"))), 0);
    const float ok[6] = {0, 50, 120, 0, 0, 0}, bad[6] = {0, 50, 140, 0, 0, 0};
    std::array<float, 4> four;
    QVERIFY(r.checkCoupledLimits(ok) && !r.checkCoupledLimits(bad) &&
            plain.checkCoupledLimits(bad));
    QVERIFY(r.coupledLimits(ok, four.data()) && !plain.coupledLimits(bad, four.data()));
    QCOMPARE(four, (std::array<float, 4>{-60, 90, -30, 130}));
    QCOMPARE(r.jointValues()[2], 120.0f); // coupledLimits sets the joints
}
void TestRobot::framesAndTool()
{
    // At zero, flange at (374, 0, 630): a sphere of at least half that diagonal;
    // the pen 140 mm along the flange Z (base X); World 100 mm up and turned
    // 90 degrees about Z (base x is World -y); placed 1000 mm along X.
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QCOMPARE(r.tcpPose(0), toolbox::matrixToPose(r.fk(6), 0));
    double radius = 0;
    float centre[3];
    r.sceneExtent(&radius, centre);
    QVERIFY(radius > 0.5 * std::hypot(374.0, 630.0) && radius < 1000 && centre[2] > 200 &&
            centre[2] < 500);
    QVERIFY(r.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()) && r.getHasTool());
    r.setHB(toolbox::poseToMatrix({0, 0, 100, 90, 0, 0}, 0));
    r.setPlacement(toolbox::placementMatrix({1000, 0, 0, 0, 0, 0}));
    QVERIFY(reaches(r.tcpWorld(), toolbox::product(toolbox::rigidInverse(r.getHB()), r.tcpBase())));
    QVERIFY(std::fabs(r.tcpBase()[3] - 514) < 1e-3 && std::fabs(r.tcpWorld()[7] + 514) < 1e-2);
    QVERIFY(std::fabs(r.tcpWorld()[11] - 530) < 1e-3 && std::fabs(r.tcpScene()[3] - 1514) < 1e-2);
    // A tool that cannot be read: an empty tool, frames unchanged.
    const Matrix4 ht = r.getHT();
    QVERIFY(!r.loadTool("/no/such.tool") && r.getHasTool() && r.getHT() == ht);
    QVERIFY(r.getToolPath().endsWith(QStringLiteral("IRB120_Crayon.tool")));
    r.removeTool();
    QVERIFY(r.getToolPath() == QStringLiteral("EMPTY") && !r.getHasTool() &&
            r.tcpBase() == r.fk(6));
}
void TestRobot::configurationLists_data()
{
    // Limits of the example arm, target, seed; entries listed, the chosen one
    // (index or joints), near or not, how many basic (-1: any).
    QTest::addColumn<QString>("edits");
    QTest::addColumn<Joints6>("target");
    QTest::addColumn<Joints6>("seed");
    QTest::addColumn<List>("listed");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<Joints6>("choice");
    QTest::addColumn<int>("near");
    QTest::addColumn<int>("basic");
    const Joints6 any{float(qQNaN())}, q0{-160, -30, 15, 40, 35, -60};
    const QString narrow = QStringLiteral("A1 -170 170");
    // Eight basic entries, listed first; the 180-degree wrist offset puts
    // axis 6 at 300 in the first, and its -360 variant is chosen.
    QTest::newRow("worked example") << QString() << kExample << kExample
                                    << List{{20, -30, 15, 40, 35, 300}} << -1 << kExample << 1 << 8;
    // Axis 5 at 0: seven basic entries; the singular one keeps the seed's
    // axis 4 (55) and turns axis 6 by the 15 degrees axis 4 did not.
    QTest::newRow("singular wrist")
        << QString() << Joints6{20, -30, 15, 40, 0, -60} << Joints6{20, -30, 15, 55, 0, -60}
        << List{{20, -30, 15, 55, 0, -75}} << -1 << any << -1 << 7;
    // Variants of axis 1 within its limits only (checked for every entry):
    // none for -160 at +-170, 380 and -340 for 20 at +-400.
    QTest::newRow("axis 1 at +-170") << narrow << q0 << q0 << List{q0} << -1 << q0 << 1 << -1;
    QTest::newRow("axis 1 at 20") << QString() << kExample << kExample
                                  << List{{380, -30, 15, 40, 35, -60}, {-340, -30, 15, 40, 35, -60}}
                                  << -1 << kExample << 1 << -1;
    QTest::newRow("axis 6 at +-800")
        << QStringLiteral("A6 -800 800") << Joints6{20, -30, 15, 40, 35, 10} << kExample
        << List{{20, -30, 15, 40, 35, 370},
                {20, -30, 15, 40, 35, -350},
                {20, -30, 15, 40, 35, 730},
                {20, -30, 15, 40, 35, -710}}
        << -1 << Joints6{20, -30, 15, 40, 35, 10} << 1 << -1;
    // Axis 6 at +-170 takes -60 for the 300 of the wrist formula, and an
    // axis-1 offset shifts the atan2 range the same way: still reachable.
    QTest::newRow("turns into the limits") << QStringLiteral("A6 -170 170; A1 theta 150") << q0
                                           << q0 << List{q0} << -1 << q0 << 1 << -1;
    // Only the shoulder at 20 is possible, axis 4 gets one variant and axis 6
    // none: seeded 200 degrees away on axis 1 and closer on the others, every
    // entry is 200 away, a tie the first wins; 200 degrees is no small move.
    QTest::newRow("tie") << QStringLiteral("all -110 110; A1 -10 170; A4 "
                                           "liminf -330; A4 limsup 330; A6 -175 175")
                         << Joints6{20, -30, 15, 40, 35, 0} << Joints6{-180, -30, 15, -140, 35, 0}
                         << List{} << 0 << any << 0 << -1;
    // One entry: a small move only when axis 2 moves less than 10 degrees.
    const QString one = QStringLiteral("A1 -90 90; A3 -90 90; A4 -90 90; A5 1 120; A6 -180 180");
    QTest::newRow("axis 2 moves 12") << one << kExample << Joints6{20, -42, 15, 40, 35, -60}
                                     << List{} << 0 << kExample << 0 << 1;
    QTest::newRow("axis 2 moves 8") << one << kExample << Joints6{20, -38, 15, 40, 35, -60}
                                    << List{} << 0 << kExample << 1 << 1;
}
void TestRobot::configurationLists()
{
    QFETCH(QString, edits);
    QFETCH(Joints6, target);
    QFETCH(Joints6, seed);
    QFETCH(List, listed);
    QFETCH(int, chosen);
    QFETCH(Joints6, choice);
    QFETCH(int, near);
    QFETCH(int, basic);
    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r, example(edits)), 0);
    r.setJointAngles(target);
    const Matrix4 t = r.fk(6);
    r.setJointAngles(seed);
    std::vector<IkConfiguration> list;
    const int got = r.doInverseKinematics(t, list);
    checkList(r, t, list);
    QVERIFY(got >= 0 && (chosen < 0 || got == chosen));
    for (const Joints6 &q : listed)
        QVERIFY2(std::any_of(list.begin(), list.end(),
                             [&q](const IkConfiguration &c) { return same(c.q, q); }),
                 qPrintable(str(q)));
    QVERIFY2(std::isnan(choice[0]) || same(list[std::size_t(got)].q, choice, 0.01f),
             qPrintable(str(list[std::size_t(got)].q)));
    // Basic entries first; one chosen, the only one that may be near.
    const long basics =
        std::count_if(list.begin(), list.end(), [](const IkConfiguration &c) { return c.basic; });
    QVERIFY(basic < 0 || basics == basic);
    for (std::size_t i = 0; i < list.size(); ++i)
        QVERIFY(list[i].basic == (long(i) < basics) && list[i].chosen == (int(i) == got) &&
                (!list[i].near || int(i) == got));
    QVERIFY(near < 0 || list[std::size_t(got)].near == bool(near));
}
void TestRobot::unreachableTargetsListNothing()
{
    // Beyond the arm's reach: nothing, and the reason on the debug stream.
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    std::vector<IkConfiguration> list;
    MessageLog log;
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.ik.debug=true"));
    QCOMPARE(r.doInverseKinematics(toolbox::placementMatrix({2000, 0, 500, 0, 0, 0}), list), -1);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(list.empty() && log.contains(QStringLiteral("No solutions even in the first part")));
    // The wrist centre on axis 1: axis 1 stays where it is (30), or turns half.
    const Matrix4 up = toolbox::placementMatrix({0, 0, 800, 0, 0, 0});
    r.setJointAngles(Joints6{30, 0, 0, 0, 30, 0});
    QVERIFY(r.doInverseKinematics(up, list) >= 0);
    QVERIFY2(std::any_of(list.begin(), list.end(),
                         [](const IkConfiguration &c) { return std::fabs(c.q[0] - 30) < 1e-3f; }),
             qPrintable(str(list[0].q)));
    checkList(r, up, list);
    // The solver follows the geometry, not the angle type: the UR5 with type 0
    // (the same identity rules as its -1) lists the same reaching entries.
    ScratchInstall inst;
    std::vector<IkConfiguration> first;
    for (const char *type : {"type -1", "type 0"}) {
        Robot ur;
        QCOMPARE(load(inst, ur, variant(type, "UR5.xml")), 0);
        ur.setJointAngles(Joints6{10, -60, 50, -30, 40, 20});
        const Matrix4 target = ur.fk(6);
        QVERIFY(ur.hasInverseKinematics() && ur.doInverseKinematics(target, list) >= 0);
        checkList(ur, target, list);
        QVERIFY(first.empty() || (list.size() == first.size() &&
                                  std::equal(list.begin(), list.end(), first.begin(),
                                             [](const IkConfiguration &a, const IkConfiguration &b) {
                                                 return a.q == b.q;
                                             })));
        first = list;
    }
    // Across the edge of the workspace (560 to 620 mm from the shoulder, any
    // direction and orientation) every listed entry still reaches.
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int n = 0; n < 400; ++n) {
        const float v[3] = {u(rng), u(rng), u(rng)},
                    l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        const float reach = (560 + 60 * float(n % 20) / 19) / l;
        const Matrix4 t = toolbox::poseToMatrix({reach * v[0], reach * v[1], 290 + reach * v[2],
                                                 u(rng) * 180, u(rng) * 90, u(rng) * 180},
                                                0);
        r.doInverseKinematics(t, list);
        checkList(r, t, list);
    }
}
// A planar arm (the IRB120 with every twist 0) and one with a wrist twisted
// 45 degrees: forward kinematics as worked by hand, joints set and limits
// judged as for any arm, but no inverse kinematics for any pose, not even
// the one its own joints reach - while every shipped arm has it.
void TestRobot::geometriesNoSolverIsWrittenFor()
{
    for (const QString &file : QDir(QCoreApplication::applicationDirPath() + "/../CAD_Robots")
                                   .entryList({QStringLiteral("*.xml")})) {
        Robot r;
        QVERIFY(support::loadShipped(r, file));
        QVERIFY2(r.hasInverseKinematics(), qPrintable(file));
    }
    ScratchInstall inst;
    std::vector<IkConfiguration> list;
    for (const char *edits : {"all alpha 0", "A5 alpha 45"}) {
        Robot r;
        QCOMPARE(load(inst, r, variant(edits)), 0);
        QVERIFY(!r.hasInverseKinematics());
        const Joints6 q{10, 20, 30, 0, 0, 0};
        r.setJointAngles(q);
        QCOMPARE(r.jointValues(), q);
        const Matrix4 reached = r.fk(6);
        QCOMPARE(r.doInverseKinematics(reached, list), -1);
        QVERIFY(list.empty());
        if (edits[0] != 'a')
            continue;
        // Axis 2's -90 + 20 after axis 1's 10 points the arm (270, then 70
        // after axis 3's 30) at -60 and -30 degrees; 290 + 302 + 72 up; the
        // flange turned by -30 + 180 about Z.
        const double c60 = std::cos(M_PI / 3), s60 = std::sin(M_PI / 3);
        const Matrix4 want{-float(s60), -0.5f, 0, float(270 * c60 + 70 * s60),
                           0.5f, -float(s60), 0, float(-270 * s60 - 70 * c60),
                           0, 0, 1, 664, 0, 0, 0, 1};
        QVERIFY2(reaches(reached, want, 1e-3f, 1e-6f), qPrintable(str(q)));
    }
}
void TestRobot::roundTrips_data()
{
    // Random joint values within the limits (q all zero), or these.
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<Joints6>("q");
    const Joints6 random{};
    const auto shipped = [](const char *file) { return variant(QString(), file); };
    QTest::newRow("IRB120") << shipped("ABB_IRB120.xml") << random;
    QTest::newRow("LR Mate, type 2") << shipped("Fanuc_LRMate200iD.xml") << random;
    QTest::newRow("GP7, type 3") << shipped("YASKAWA_GP7.xml") << random;
    QTest::newRow("KR6, type 5") << shipped("KUKA_KR6_R700_sixx.xml") << random;
    QTest::newRow("UR5, non-spherical wrist") << shipped("UR5.xml") << random;
    QTest::newRow("UR5 with a shoulder offset") << variant("A2 theta 30", "UR5.xml") << random;
    QTest::newRow("UR5 with wrist offsets")
        << variant("A4 theta 30; A5 theta -20; A6 theta 45", "UR5.xml") << random;
    QTest::newRow("no forearm offset (A = 0)")
        << example(QStringLiteral("all -170 170; A3 -60 60; A4 a 0")) << random;
    // Shoulder and axis-1 offsets push the axis-1 candidates out of (-180, 180].
    QTest::newRow("offset shoulder")
        << example(QStringLiteral("all -170 170; A2 d 80; A1 theta 40")) << random;
    const QByteArray narrow = example(QStringLiteral("all -170 170; A6 -400 400"));
    // A negative angle type (the solver for non-spherical wrists) on a spherical one.
    QTest::newRow("negative type, spherical wrist")
        << example(QStringLiteral("all -170 170; A6 -400 400; type -1")) << kExample;
    QTest::newRow("negative type, shipped IRB120")
        << variant(QStringLiteral("type -1")) << Joints6{-50, 40, -70, 120, -80, 200};
    // UR5 with axes 2, 3, 5 beyond 180 degrees, and upright (all singular).
    const QByteArray ur5 = variant(QString(), "UR5.xml");
    QTest::newRow("UR5 past the half turn") << ur5 << Joints6{10, 200, 80, -100, -90, 30};
    QTest::newRow("UR5 upright") << ur5 << Joints6{0, -90, 0, -90, 0, 0};
    QTest::newRow("UR5 wrist bent 179.95") << ur5 << Joints6{10, -60, 80, -20, 179.95f, 30};
    // Next to the singular wrist: the bend's sign is part of the pose.
    for (float q5 : {-0.03f, 0.03f, -0.05f, 0.08f})
        QTest::addRow("wrist bend %g", double(q5)) << narrow << Joints6{40, 10, -10, 0, q5, 30};
    // GP7 (type 3): U = 100 is within -70..190, its model angle is -100.
    const QByteArray gp7 = variant(QString(), "YASKAWA_GP7.xml");
    QTest::newRow("type 3, U = 100") << gp7 << Joints6{10, 20, 100, 30, 40, 50};
    QTest::newRow("type 3, U = -60") << gp7 << Joints6{-30, 60, -60, -100, -70, 200};
    // M-10iA (type 2): J2 + J3 = 190 is a model angle of -190, past the half turn.
    const QByteArray m10 = variant(QString(), "FANUC_M10iA.xml");
    QTest::newRow("type 2, J2 + J3 = 190") << m10 << Joints6{10, 40, 150, 30, 40, 50};
    QTest::newRow("type 2, J2 + J3 = 175") << m10 << Joints6{-20, 100, 75, -30, -60, -50};
}
// ik(fk(q)) seeded elsewhere lists q (up to turns of axes 2, 3, 5); seeded at or
// near q it chooses q, near; all entries reach within the limits (given q: to
// 0.005 mm and 2e-5, the sign of a wrist bend of 0.03 degrees).
void TestRobot::roundTrips()
{
    QFETCH(QByteArray, description);
    QFETCH(Joints6, q);
    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r, description), 0);
    const bool random = q == Joints6{};
    const std::vector<int> lim = r.getLimits();
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> jitter(-0.5f, 0.5f);
    std::vector<IkConfiguration> list;
    int tried = 0;
    for (int n = 0; n < (random ? 400 : 1); ++n) {
        for (int k = 0; k < 6 && random; ++k)
            q[k] = std::uniform_real_distribution<float>(lim[2 * k], lim[2 * k + 1])(rng);
        if (random &&
            (!r.checkCoupledLimits(q.data()) || std::fabs(std::remainder(q[4], 180.0f)) < 2))
            continue; // outside the coupled range, or too near the wrist singularity
        ++tried;
        r.setJointAngles(q);
        const Matrix4 target = r.fk(6);
        r.setJointAngles(Joints6{0, 0, 0, 0, 30, 0});
        r.doInverseKinematics(target, list);
        QVERIFY2(!random || std::any_of(list.begin(), list.end(),
                                        [&q](const IkConfiguration &c) {
                                            return same(c.q, q, 0.05f, true);
                                        }),
                 qPrintable(QStringLiteral("not listed: ") + str(q)));
        checkList(r, target, list, random ? 0 : 0.005f, random ? 1e-3f : 2e-5f);
        Joints6 seed = q;
        for (float &v : seed)
            v += random ? jitter(rng) : 0;
        r.setJointAngles(seed);
        const int chosen = r.doInverseKinematics(target, list);
        QVERIFY2(chosen >= 0 && same(list[std::size_t(chosen)].q, q, 0.01f),
                 qPrintable(QStringLiteral("for ") + str(q)));
        QVERIFY(list[std::size_t(chosen)].near && list.size() <= 64);
    }
    QVERIFY(tried > (random ? 100 : 0));
}
void TestRobot::jogModes()
{
    // The pen, World turned 90 degrees about Z: 5 mm along tool Z, base X and
    // World X, and 1 degree about World Z, which keeps the TCP where it is.
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QVERIFY(r.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
    r.setHB(toolbox::poseToMatrix({100, 0, 0, 90, 0, 0}, 0));
    r.setJointAngles(Joints6{10, -20, 30, 40, 50, 60});
    const Matrix4 w = r.tcpWorld(), b = r.tcpBase();
    const Matrix4 steps[3] = {
        toolbox::product(w, toolbox::placementMatrix({0, 0, 5, 0, 0, 0})),
        toolbox::product(toolbox::rigidInverse(r.getHB()),
                         toolbox::product(toolbox::placementMatrix({5, 0, 0, 0, 0, 0}), b)),
        toolbox::product(toolbox::placementMatrix({5, 0, 0, 0, 0, 0}), w)};
    std::vector<IkConfiguration> list;
    int chosen = -1;
    for (int mode = 0; mode < 3; ++mode) {
        const Matrix4 increment =
            toolbox::placementMatrix({mode ? 5.0f : 0, 0, mode ? 0 : 5.0f, 0, 0, 0});
        QVERIFY(
            reaches(r.jogFromCurrent(increment, list, &chosen, mode), steps[mode], 1e-3f, 1e-5f));
        QVERIFY(chosen >= 0 && list[std::size_t(chosen)].near);
    }
    Matrix4 turned = toolbox::product(toolbox::placementMatrix({0, 0, 0, 0, 0, 1}), w);
    for (int k : {3, 7, 11})
        turned[std::size_t(k)] = w[std::size_t(k)];
    QVERIFY(
        reaches(r.jogFromCurrent(toolbox::placementMatrix({0, 0, 0, 0, 0, 1}), list, &chosen, 2),
                turned, 1e-3f, 1e-5f));
    r.setJointAngles(list[std::size_t(chosen)].q);
    QVERIFY(reaches(r.tcpWorld(), turned));
}
void TestRobot::robotTargets()
{
    // The worked example by hand: quadrants 0, 0, -1 (q1 20, q4 40, q6 -60), bits 0
    // (arm forward, elbow above, axis 5 positive). Moving there: 0 on matching
    // data (wrist flipped: 0, -2, 1, 1), -1 on cfx only, -2 on none, -3 out of reach.
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    r.setJointAngles(kExample);
    Matrix4 pose;
    ConfData conf;
    r.currentRobtarget(pose, conf);
    QVERIFY(reaches(toolbox::transpose(pose), r.tcpWorld(), 1e-4f, 1e-6f)); // column order
    QVERIFY(conf.cf1 == 0 && conf.cf4 == 0 && conf.cf6 == -1 && conf.cfx == 0);
    r.setJointAngles(Joints6{0, 0, 0, 0, 30, 0});
    QVERIFY(r.moveToRobtarget(pose, conf) == 0 && same(r.jointValues(), kExample));
    QCOMPARE(r.moveToRobtarget(pose, ConfData{0, -2, 1, 1}), 0);
    QVERIFY(same(r.jointValues(), {20, -30, 15, -140, -35, 120}));
    QVERIFY(r.moveToRobtarget(pose, ConfData{3, 0, -1, 0}) == -1 &&
            std::round(r.jointValues()[4]) == 35);
    QCOMPARE(r.moveToRobtarget(pose, ConfData{3, 3, 3, 7}), -2);
    const Joints6 now = r.jointValues();
    pose[12] = 5000;
    QVERIFY(r.moveToRobtarget(pose, conf) == -3 && r.jointValues() == now);
}
void TestRobot::smoothNormalsMatchTheAllPairsRule()
{
    // A random surface on a coarse grid, so many vertices coincide: each
    // smooth normal is the normalised sum of the flat normals at its place
    // that differ from its own by less than acos(0.6).
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> g(0, 4);
    Joint j;
    for (int v = 0; v < 1200; ++v)
        j.addVertex(g(rng) * 10.0, g(rng) * 10.0, g(rng) * 3.0);
    j.attachGeometry(toolbox::identity(), 1.0f);
    const std::vector<float> flat = j.getDrawNormals();
    const std::vector<float> &p = j.getDrawVertices();
    j.computeSmoothNormals();
    const std::size_t n = p.size() / 3;
    std::size_t checked = 0;
    for (std::size_t v = 0; v < n; ++v) {
        double s[3] = {0, 0, 0};
        bool borderline = false; // a fold of exactly acos(0.6) may go either way
        for (std::size_t u = 0; u < n; ++u) {
            double d2 = 0, dot = 0;
            for (std::size_t c = 0; c < 3; ++c) {
                d2 += (p[3 * u + c] - p[3 * v + c]) * (p[3 * u + c] - p[3 * v + c]);
                dot += flat[3 * u + c] * flat[3 * v + c];
            }
            borderline = borderline || (d2 < 1e-6 && std::fabs(dot - 0.6) < 1e-4);
            for (std::size_t c = 0; c < 3 && d2 < 1e-6 && dot > 0.6; ++c)
                s[c] += flat[3 * u + c];
        }
        if (borderline)
            continue;
        ++checked;
        const double l = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        for (std::size_t c = 0; c < 3; ++c)
            QVERIFY2(std::fabs(j.getDrawNormals()[3 * v + c] - (l > 0 ? s[c] / l : 0.0)) < 1e-5,
                     qPrintable(QStringLiteral("vertex %1").arg(v)));
    }
    QVERIFY(checked > n * 3 / 4);
}

void TestRobot::trigonometryWithinOneUnitOfTheLibrary()
{
    // The hot paths' trigonometry alone and in pairs (the previous sample and this one),
    // on plain angles and on degrees of float joint values as the chain forms them.
    namespace trig = kinematics::trig;
    const auto ulps = [](double a, double b) {
        return std::abs(qFromUnaligned<std::int64_t>(&a) - qFromUnaligned<std::int64_t>(&b));
    };
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> turns(-8.0 * M_PI, 8.0 * M_PI), unit(-1.0, 1.0);
    std::int64_t worst = 0;
    double px = 0.0, py = 0.0, pz = 1.0, a[2];
    for (int i = 0; i < 100000; ++i) {
        const double x = i % 2 ? turns(gen) : double(float(turns(gen) * 57.3)) * M_PI / 180.0;
        const double y = unit(gen) * (i % 3 ? 1.0 : 1e-4), z = unit(gen) * (i % 5 ? 1.0 : 1e4);
        trig::SinCos one = trig::sinCos(x), two[2];
        trig::sinCos2(px, x, two[0], two[1]);
        trig::atan2x2(py, pz, y, z, a[0], a[1]);
        worst = std::max({worst, ulps(one.s, std::sin(x)), ulps(one.c, std::cos(x)),
                          ulps(two[0].s, std::sin(px)), ulps(two[1].c, std::cos(x)),
                          ulps(trig::atan2(y, z), std::atan2(y, z)), ulps(a[0], std::atan2(py, pz)),
                          ulps(a[1], std::atan2(y, z))});
        px = x, py = y, pz = z;
    }
    QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    // One lane at an edge the library keeps sends the pair the long way.
    trig::atan2x2(-0.0, -1.0, 1.0, -1.0, a[0], a[1]);
    QVERIFY(a[0] == -M_PI && a[1] == 3 * M_PI / 4);
}

namespace {

QStringList shippedRobots()
{
    return QDir(QCoreApplication::applicationDirPath() + "/../CAD_Robots")
        .entryList({QStringLiteral("*.xml")});
}

// Joint values within a robot's limits (a little beyond now and then), two
// times in three on whole multiples of 15 or 90 degrees: zeros and right
// angles are where signs of zero and exact cancellations show.
Joints6 jointsWithin(const kinematics::Chain &c, std::mt19937 &gen, int i)
{
    std::uniform_real_distribution<float> share(-1.05f, 1.05f);
    Joints6 q;
    for (std::size_t k = 0; k < 6; ++k) {
        const float mid = 0.5f * (c.lower[k] + c.upper[k]), half = 0.5f * (c.upper[k] - c.lower[k]);
        q[k] = mid + half * share(gen);
        const float step = i % 3 == 0 ? 15.0f : i % 3 == 1 ? 90.0f : 0.0f;
        if (step > 0.0f)
            q[k] = step * std::round(q[k] / step);
    }
    return q;
}

} // namespace

void TestRobot::forwardIsTheChainOfLinkMatrices()
{
    // Bit for bit, negative zeros included, on every shipped robot and for
    // the first n links as the drawing asks for them.
    std::mt19937 gen(3);
    for (const QString &file : shippedRobots()) {
        Robot r;
        QVERIFY(support::loadShipped(r, file));
        const kinematics::Chain &c = r.chain();
        for (int i = 0; i < 3000; ++i) {
            const Joints6 q = jointsWithin(c, gen, i);
            Matrix4 product = toolbox::identity();
            for (int n = 1; n <= 6; ++n) {
                const kinematics::Link &l = c.links[std::size_t(n - 1)];
                product = toolbox::product(
                    product, toolbox::linkMatrix(float(l.alpha), float(l.a),
                                                 float(l.theta + double(q[std::size_t(n - 1)])),
                                                 float(l.d)));
                const Matrix4 f = kinematics::forward(c, q.data(), n);
                QVERIFY2(std::memcmp(f.data(), product.data(), sizeof f) == 0,
                         qPrintable(file + ": " + str(q) + " n=" + QString::number(n)));
            }
        }
    }
}

void TestRobot::nearestIsTheListsFirstNearest()
{
    // What a path takes: of the full list, the entry whose largest move from
    // a double seed is smallest, the first listed winning a tie. Seeds half
    // a turn away from every axis make many turns of axis 6 tie.
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> jitter(-3.0, 3.0);
    std::vector<IkConfiguration> list;
    int ties = 0;
    for (const QString &file : shippedRobots()) {
        Robot r;
        QVERIFY(support::loadShipped(r, file));
        const kinematics::Chain &c = r.chain();
        for (int i = 0; i < 600; ++i) {
            const Joints6 q = jointsWithin(c, gen, i), other = jointsWithin(c, gen, i + 1);
            Matrix4 target = kinematics::forwardFromJoints(c, q.data());
            if (i % 13 == 0)
                target[3] *= 3.0f; // out of reach
            Joints6 seedF;
            double seed[6];
            for (std::size_t k = 0; k < 6; ++k) {
                seedF[k] = i % 2 ? q[k] + float(jitter(gen)) : other[k];
                seed[k] = i % 5 == 0 ? double(q[k]) + 180.0 : double(seedF[k]) + jitter(gen);
            }
            kinematics::solve(c, target, seedF.data(), list);
            const IkConfiguration *pick = nullptr;
            double best = 1e300;
            for (const IkConfiguration &e : list) {
                double worst = 0.0;
                for (std::size_t k = 0; k < 6; ++k)
                    worst = std::max(worst, std::fabs(double(e.q[k]) - seed[k]));
                ties += worst == best ? 1 : 0;
                if (worst < best) {
                    best = worst;
                    pick = &e;
                }
            }
            Joints6 got{};
            QCOMPARE(kinematics::solveNearest(c, target, seedF.data(), seed, got.data()),
                     pick != nullptr);
            if (pick)
                QVERIFY2(got == pick->q, qPrintable(file + ": " + str(got) + " / " + str(pick->q)));
        }
    }
    QVERIFY(ties > 100);
}

namespace {

// Model angles (degrees) -> flange, in double from the description's numbers.
ref::M referenceFlange(const Robot &r, const Six &model)
{
    ref::M m = ref::trans(0, 0, 0);
    for (int k = 1; k <= 6; ++k)
        m = ref::mul(m, ref::link(r.joint(k).getAlpha(), r.joint(k).getA(),
                                  r.joint(k).getTheta() + model[std::size_t(k - 1)],
                                  r.joint(k).getD()));
    return m;
}

// Distance from axis 2's frame to axis 4's: the span of the elbow, at its
// longest when the elbow is stretched and its shortest when folded; axis 3's
// model angle t3 alone sets it.
double elbowSpan(const Robot &r, double t3)
{
    const Six model{0, 0, t3, 0, 0, 0};
    ref::M m2 = ref::trans(0, 0, 0), m4;
    for (int k = 1; k <= 4; ++k) {
        const ref::M l =
            ref::link(r.joint(k).getAlpha(), r.joint(k).getA(),
                      r.joint(k).getTheta() + model[std::size_t(k - 1)], r.joint(k).getD());
        m4 = ref::mul(k == 1 ? ref::trans(0, 0, 0) : m4, l);
        if (k <= 2)
            m2 = m4;
    }
    return std::hypot(m4[3] - m2[3], m4[7] - m2[7], m4[11] - m2[11]);
}

// Axis 3's model angle of the stretched (or folded) elbow: a scan, then a
// ternary search on the span.
double elbowEdge(const Robot &r, bool folded)
{
    const double sign = folded ? -1.0 : 1.0;
    double best = -180.0;
    for (double t = -180.0; t < 180.0; t += 0.5)
        if (sign * elbowSpan(r, t) > sign * elbowSpan(r, best))
            best = t;
    double lo = best - 0.5, hi = best + 0.5;
    for (int i = 0; i < 200; ++i) {
        const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
        if (sign * elbowSpan(r, a) < sign * elbowSpan(r, b))
            lo = a;
        else
            hi = b;
    }
    return 0.5 * (lo + hi);
}

// A pose as another program hands it over: every number with 9 decimals.
Matrix4 withNineDecimals(const ref::M &m)
{
    Matrix4 t;
    for (int k = 0; k < 16; ++k)
        t[std::size_t(k)] = QByteArray::number(m[std::size_t(k)], 'f', 9).toFloat();
    return t;
}

} // namespace

void TestRobot::configurationsAtTheEdges_data()
{
    // Joint values within the limits whose own configuration the list must
    // hold: the elbow stretched or folded (or within 0.001 to 0.1 degrees of
    // it) on every shipped robot where its limits allow it, an axis on its limit.
    QTest::addColumn<QString>("file");
    QTest::addColumn<Joints6>("q");
    QTest::newRow("LR Mate, elbow 0.02 from stretched")
        << "Fanuc_LRMate200iD.xml" << Joints6{-103.6f, -87.61f, 171.67f, 110.63f, 106.92f, -22.12f};
    QTest::newRow("KR 210, axis 2 on its limit -5")
        << "KUKA_KR210_R2700_2.xml" << Joints6{0, -5, 0, 0, 0, 0};
    QTest::newRow("KR 210, axis 2 on its limit -140")
        << "KUKA_KR210_R2700_2.xml" << Joints6{30, -140, 60, 20, 50, -40};
    QTest::newRow("IRB 2400, axis 3 on its limit at axis 2 = 40")
        << "ABB_IRB2400_16.xml" << Joints6{10, 40, 105, 20, 50, -40};
    std::mt19937 gen(29);
    for (const QString &file : shippedRobots()) {
        Robot r;
        QVERIFY(support::loadShipped(r, file));
        const std::vector<int> lim = r.getLimits();
        int rows = 0;
        for (bool folded : {false, true}) {
            const double edge = elbowEdge(r, folded);
            for (double off : {0.0, 0.001, -0.001, 0.02, -0.02, 0.1, -0.1}) {
                for (int attempt = 0; attempt < 300; ++attempt) {
                    Six q;
                    for (std::size_t k = 0; k < 6; ++k)
                        q[k] =
                            std::uniform_real_distribution<double>(lim[2 * k], lim[2 * k + 1])(gen);
                    Robot::robotToDH(r.getAngleType(), q.data(), q.data());
                    q[2] = edge + off;
                    Robot::dhToRobot(r.getAngleType(), q.data(), q.data());
                    const Joints6 f{float(q[0]), float(q[1]), float(q[2]),
                                    float(q[3]), float(q[4]), float(q[5])};
                    // Strictly within the limits, the wrist away from its singularity.
                    if (!jointlimits::accepts(r, f.data()) ||
                        std::fabs(std::remainder(f[4], 180.0f)) < 2)
                        continue;
                    QTest::addRow("%s %s %g", qPrintable(file), folded ? "folded" : "stretched",
                                  off)
                        << file << f;
                    ++rows;
                    break;
                }
            }
        }
        // Every shipped arm can stretch its elbow within its limits, but the
        // parallel arm, whose linkage keeps it well off straight (its limits
        // hold the angle between the arms, the model angle).
        if (r.getAngleType() == 4)
            QVERIFY(rows == 0 && !(elbowEdge(r, false) >= lim[4] && elbowEdge(r, false) <= lim[5]));
        else
            QVERIFY2(rows >= 7, qPrintable(file));
    }
}
// ik(fk(q)) lists q, or an entry within 0.5 degrees of it (up to turns of
// axes 2, 3, 5) that reaches the pose within 0.001 mm; the pose as the robot
// works it out, and worked out in double and written with 9 decimals.
void TestRobot::configurationsAtTheEdges()
{
    QFETCH(QString, file);
    QFETCH(Joints6, q);
    Robot r;
    QVERIFY(support::loadShipped(r, file));
    QVERIFY(jointlimits::accepts(r, q.data()));
    Six model{q[0], q[1], q[2], q[3], q[4], q[5]};
    Robot::robotToDH(r.getAngleType(), model.data(), model.data());
    r.setJointAngles(q);
    const Matrix4 own = r.fk(6), written = withNineDecimals(referenceFlange(r, model));
    std::vector<IkConfiguration> list;
    for (int i = 0; i < 4; ++i) { // both poses, seeded elsewhere and at q
        const Matrix4 &target = i < 2 ? own : written;
        r.setJointAngles(i % 2 ? q : Joints6{0, 0, 0, 0, 30, 0});
        r.doInverseKinematics(target, list);
        const auto it = std::find_if(list.begin(), list.end(), [&](const IkConfiguration &c) {
            r.setJointAngles(c.q);
            return same(c.q, q, 0.5f, true) && reaches(r.fk(6), target, 1e-3f, 2e-5f);
        });
        QVERIFY2(it != list.end(), qPrintable(QStringLiteral("not listed: ") + str(q) +
                                              QStringLiteral(" of %1").arg(list.size())));
        checkList(r, target, list);
    }
}

void TestRobot::limitsAsWorkedByHand_data()
{
    // The gate's verdict: passes, or the first axis refused and its range
    // (axis 3's moved by axis 2 on the coupled types: by -j2 for type 2, +j2
    // for type 4), and the text that says so.
    QTest::addColumn<QString>("file");
    QTest::addColumn<Six>("q");
    QTest::addColumn<QString>("refusal");
    const QString kr = QStringLiteral("KUKA_KR210_R2700_2.xml"),
                  lr = QStringLiteral("Fanuc_LRMate200iD.xml"),
                  irb = QStringLiteral("ABB_IRB2400_16.xml");
    // KR 210 axis 2: -140 to -5; a rounding's width beyond a limit is on it.
    QTest::newRow("on the limit") << kr << Six{0, -5, 0, 0, 0, 0} << QString();
    QTest::newRow("5e-5 beyond") << kr << Six{0, -4.99995, 0, 0, 0, 0} << QString();
    QTest::newRow("5e-5 below") << kr << Six{0, -140.00005, 0, 0, 0, 0} << QString();
    QTest::newRow("5e-4 beyond") << kr << Six{0, -4.9995, 0, 0, 0, 0}
                                 << "axis 2: -4.9995 is outside -140 to -5";
    // LR Mate (type 2), axis 3 -70 to 205 on j2 + j3: at j2 = 40, -110 to 165;
    // at j2 = -60, -10 to 265.
    QTest::newRow("type 2, j2 40, j3 -105") << lr << Six{0, 40, -105, 0, 0, 0} << QString();
    QTest::newRow("type 2, j2 40, j3 165") << lr << Six{0, 40, 165.00005, 0, 0, 0} << QString();
    QTest::newRow("type 2, j2 40, j3 180")
        << lr << Six{0, 40, 180, 0, 0, 0} << "axis 3: 180 is outside -110 to 165";
    QTest::newRow("type 2, j2 40, j3 -110.001")
        << lr << Six{0, 40, -110.001, 0, 0, 0} << "axis 3: -110.001 is outside -110 to 165";
    QTest::newRow("type 2, j2 -60, j3 250") << lr << Six{0, -60, 250, 0, 0, 0} << QString();
    QTest::newRow("type 2, j2 -60, j3 -20")
        << lr << Six{0, -60, -20, 0, 0, 0} << "axis 3: -20 is outside -10 to 265";
    // IRB 2400 (type 4), axis 3 -60 to 65 on j3 - j2: at j2 = 30, -30 to 95;
    // at j2 = -50, -110 to 15.
    QTest::newRow("type 4, j2 30, j3 90") << irb << Six{0, 30, 90, 0, 0, 0} << QString();
    QTest::newRow("type 4, j2 30, j3 -40")
        << irb << Six{0, 30, -40, 0, 0, 0} << "axis 3: -40 is outside -30 to 95";
    QTest::newRow("type 4, j2 -50, j3 -100") << irb << Six{0, -50, -100, 0, 0, 0} << QString();
    QTest::newRow("type 4, j2 -50, j3 30")
        << irb << Six{0, -50, 30, 0, 0, 0} << "axis 3: 30 is outside -110 to 15";
    QTest::newRow("type 4, axis 2 beyond")
        << irb << Six{0, 111, 100, 0, 0, 0} << "axis 2: 111 is outside -100 to 110";
    QTest::newRow("type 4, axis 6 beyond")
        << irb << Six{0, 30, 90, 0, 0, -401} << "axis 6: -401 is outside -400 to 400";
}
void TestRobot::limitsAsWorkedByHand()
{
    QFETCH(QString, file);
    QFETCH(Six, q);
    QFETCH(QString, refusal);
    Robot r;
    QVERIFY(support::loadShipped(r, file));
    const jointlimits::Verdict v = jointlimits::check(r, q.data());
    QCOMPARE(jointlimits::describe(v), refusal);
    QCOMPARE(v.ok, refusal.isEmpty());
    // The robot's own coupled check (axes 2 and 3) and the float gate agree.
    const Joints6 f{float(q[0]), float(q[1]), float(q[2]), float(q[3]), float(q[4]), float(q[5])};
    QCOMPARE(jointlimits::accepts(r, f.data()), v.ok);
    const bool coupled = r.getAngleType() == 2 || r.getAngleType() == 4;
    QCOMPARE(r.checkCoupledLimits(f.data()), v.ok || !coupled || (v.axis != 2 && v.axis != 3));
    // A placement's six operands (mm, then radians turned into float degrees):
    // 1e37 is a length a float holds, but 1e37 radians are 5.7e38 degrees,
    // beyond float; what lies after the six is not read.
    const double nan = qQNaN();
    const double fine[7] = {1e37, -1e37, 0, 1e36, -1e36, 0.5, nan};
    const double huge[6] = {0, 0, 0, 0, 0, 1e37}, nan4[6] = {0, 0, 0, nan, 0, 0};
    QVERIFY(jointlimits::placementUsable(fine) && !jointlimits::placementUsable(huge) &&
            !jointlimits::placementUsable(nan4));
}

void TestRobot::parallelLinkage()
{
    // The IRB 2400 drives its upper arm through a parallelogram: with axis 3
    // at 0 the upper arm stays level whatever axis 2 does. Axis 2 at 30 swings
    // the 705 mm lower arm forward: the flange 705 sin 30 further out and
    // 705 (1 - cos 30) lower than at zero (940, 0, 1455), its frame unturned.
    Robot r;
    QVERIFY(support::loadShipped(r, QStringLiteral("ABB_IRB2400_16.xml")));
    const Matrix4 zero = r.fk(6);
    r.setJointAngles(Joints6{0, 30, 0, 0, 0, 0});
    Matrix4 level = zero;
    level[3] = float(940 + 705 * 0.5);
    level[11] = float(1455 - 705 * (1 - std::sqrt(3.0) / 2));
    QVERIFY2(reaches(r.fk(6), level, 1e-3f, 1e-6f), qPrintable(str(r.jointValues())));
    QVERIFY(std::fabs(zero[3] - 940) < 1e-3f && std::fabs(zero[11] - 1455) < 1e-3f);
    // The library table says which robots have such a linkage: exactly those
    // whose shipped description couples axis 3 to axis 2 that way (type 4).
    QFile table(support::robotTable());
    QVERIFY(table.open(QIODevice::ReadOnly));
    int linked = 0, shipped = 0;
    for (const QJsonValue &v : QJsonDocument::fromJson(table.readAll())["robots"].toArray()) {
        const QJsonObject robot = v.toObject();
        QVERIFY2(robot["parallel_linkage"].isBool(), qPrintable(robot["name"].toString()));
        const bool parallel = robot["parallel_linkage"].toBool();
        linked += parallel ? 1 : 0;
        QCOMPARE(robot["angle_type"].toInt() == 4, parallel);
        Robot s;
        if (support::loadShipped(s, robot["name"].toString() + ".xml")) {
            ++shipped;
            QCOMPARE(s.getAngleType() == 4, parallel);
        }
    }
    QVERIFY(linked == 1 && shipped >= 16);
}

QTEST_GUILESS_MAIN(TestRobot)
#include "tst_robot.moc"
