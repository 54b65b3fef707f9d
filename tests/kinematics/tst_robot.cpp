// Robot: loading, angle types and forward kinematics against a double-precision
// link product, frames and tools, the inverse kinematics with its configuration
// list, jogging, robot targets and records. The robots are the shipped
// descriptions, or variants of them written into a scratch installation.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "support/refmath.h"
#include "support/robots.h"
#include "support/scratchinstall.h"

#include <QtTest>
#include <cmath>
#include <random>

using Joints6 = std::array<float, 6>;
using Six = std::array<double, 6>;
Q_DECLARE_METATYPE(Joints6)
Q_DECLARE_METATYPE(Six)

namespace {

// A shipped description with attributes changed, edits separated by ';':
// "A3 liminf -80" sets axis 3's liminf, "all limsup 400" every axis's,
// "type 4" the angle type, "drop A6" removes axis 6, "add A7" adds a seventh.
QByteArray variant(const QString &file, const QString &edits = QString())
{
    // Beside the binaries, whatever data directory a scratch installation set.
    QFile f(QCoreApplication::applicationDirPath() + QStringLiteral("/../CAD_Robots/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QString x = QString::fromUtf8(f.readAll());
    const auto axis = [](const QString &a) {
        return QStringLiteral("<joint id=\"Axis%1\"").arg(a.mid(1));
    };
    for (const QString &e : edits.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList w = e.simplified().split(QLatin1Char(' '));
        if (w.size() < 2)
            continue;
        if (w[0] == QLatin1String("type"))
            x.replace(QRegularExpression(QStringLiteral("Angle_Type id=\"[^\"]*\"")),
                      QStringLiteral("Angle_Type id=\"%1\"").arg(w[1]));
        else if (w[0] == QLatin1String("drop"))
            x.remove(QRegularExpression(axis(w[1]) + QStringLiteral("[^>]*>")));
        else if (w[0] == QLatin1String("add"))
            x.replace(QStringLiteral("</robot_dk>"),
                      axis(w[1]) +
                          QStringLiteral(" limsup=\"5\" liminf=\"-5\" "
                                         "alpha=\"0\" a=\"0\" theta=\"0\" d=\"10\" /></robot_dk>"));
        else
            for (const QString &a : w[0] == QLatin1String("all")
                                        ? QStringList{"A1", "A2", "A3", "A4", "A5", "A6"}
                                        : QStringList{w[0]})
                x.replace(QRegularExpression(
                              QStringLiteral("(%1[^>]*\\b%2=\")[^\"]*").arg(axis(a), w[1])),
                          QStringLiteral("\\1") + w[2]);
    }
    return x.toUtf8();
}

// The IRB120 as the worked example of the solver has it: its wrist frame
// without the 180-degree turn of the flange, and limits of +-400 unless changed.
QByteArray example(const QString &edits = QString())
{
    return variant(QStringLiteral("ABB_IRB120.xml"),
                   QStringLiteral("A6 theta 0; all liminf -400; all limsup 400; ") + edits);
}

// Writes a description into the scratch installation and loads it.
int load(const ScratchInstall &inst, Robot &robot, const QByteArray &xml)
{
    static int n = 0;
    const QString file = inst.write(QStringLiteral("CAD_Robots/v%1.xml").arg(++n), xml);
    return robot.loadData(QFile::encodeName(file).constData());
}

Matrix4 translation(float x, float y, float z)
{
    return {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1};
}

// Rotation within `unit`, position within `mm`.
bool reaches(const Matrix4 &a, const Matrix4 &b, float mm = 0.05f, float unit = 1e-3f)
{
    for (int k = 0; k < 12; ++k)
        if (!(std::fabs(a[k] - b[k]) <= (k % 4 == 3 ? mm : unit)))
            return false;
    return true;
}

// The same joint values; with `turns`, axes 2, 3 and 5 also whole turns apart
// (turns of axes 1, 4 and 6 are listed as variants of their own).
bool same(const Joints6 &a, const Joints6 &b, float tol = 0.02f, bool turns = false)
{
    for (int k = 0; k < 6; ++k)
        if (!(std::fabs(turns && (k == 1 || k == 2 || k == 4) ? std::remainder(a[k] - b[k], 360.0f)
                                                              : a[k] - b[k]) <= tol))
            return false;
    return true;
}

// Every entry reaches the target and lies within the limits (axis 3 of the
// coupled types by its shifted range); none is listed twice.
void checkList(Robot &r, const Matrix4 &target, const std::vector<IkConfiguration> &list,
               float mm = 0.05f, float unit = 1e-3f)
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
    void workedExampleAndSingularWrist();
    void variantsFollowTheLimits();
    void choiceTiesAndSmallMoves();
    void unreachableTargetsListNothing();
    void roundTrips_data();
    void roundTrips();
    void configurationEdges_data();
    void configurationEdges();
    void jogModes();
    void robotTargets();
};

void TestRobot::loadingKeepsOnlyWholeRobots()
{
    ScratchInstall inst;
    MessageLog log;
    Robot r;
    QCOMPARE(r.getFilePath(), QStringLiteral("EMPTY"));
    QCOMPARE(r.getName(), QStringLiteral("Robot"));
    const QString missing = inst.path(QStringLiteral("CAD_Robots/none.xml"));
    QCOMPARE(r.loadData(QFile::encodeName(missing).constData()), -1);
    QVERIFY(log.contains(
        QStringLiteral("Geometry is not considered as it has not been loaded correctly")));
    QCOMPARE(r.getFilePath(), missing);
    QCOMPARE(r.getName(), QStringLiteral("none.xml"));
    QVERIFY(!r.isLoaded());
    double radius = 1;
    float centre[3];
    r.sceneExtent(&radius, centre);
    QCOMPARE(radius, 0.0);
    // Six elements: read, but refused as a robot, and nothing reaches past them.
    Robot six;
    QCOMPARE(load(inst, six, variant(QStringLiteral("ABB_IRB120.xml"), QStringLiteral("drop A6"))),
             -1);
    QVERIFY(!six.isLoaded());
    std::vector<IkConfiguration> list;
    QCOMPARE(six.doInverseKinematics(toolbox::identity(), list), -1);
    six.setJointAngles(Joints6{1, 2, 3, 4, 5, 6});
    QCOMPARE(six.getLimits().size(), std::size_t(12));
    // Eight load; the first seven make the robot: at zero the flange is
    // 302 + 72 forward and 290 + 270 + 70 up.
    Robot eight;
    QCOMPARE(load(inst, eight, variant(QStringLiteral("ABB_IRB120.xml"), QStringLiteral("add A7"))),
             0);
    QVERIFY(eight.isLoaded());
    QVERIFY(std::fabs(eight.fk(6)[3] - 374) < 1e-3 && std::fabs(eight.fk(6)[11] - 630) < 1e-3);
    QCOMPARE(eight.fk(0), toolbox::identity());
}

void TestRobot::angleTypesAndTwistsAsWorkedByHand_data()
{
    // Robot values (11, 22, 33, 44, 55, 66) and the model angles each type
    // makes of them, worked out from the makers' conventions.
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

// Both conversions in both precisions, in place too; then forward kinematics
// of an IRB120 whose twists are no multiple of 90 degrees, against the link
// product in double precision with the model angles worked above.
void TestRobot::angleTypesAndTwistsAsWorkedByHand()
{
    QFETCH(int, type);
    QFETCH(Six, model);
    const Joints6 robotF{11, 22, 33, 44, 55, 66};
    Six d{11, 22, 33, 44, 55, 66};
    Joints6 f;
    Robot::robotToDH(type, robotF.data(), f.data());
    Robot::robotToDH(type, d.data(), d.data());
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY(d[k] == model[k] && double(f[k]) == model[k]);
    Robot::dhToRobot(type, f.data(), f.data());
    Robot::dhToRobot(type, d.data(), d.data());
    QCOMPARE(f, robotF);
    QCOMPARE(d, (Six{11, 22, 33, 44, 55, 66}));

    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r,
                  variant(QStringLiteral("ABB_IRB120.xml"),
                          QStringLiteral("type %1; A3 alpha 30; A4 alpha -45; A5 alpha 60; "
                                         "A6 alpha -30; A4 theta 25")
                              .arg(type))),
             0);
    QCOMPARE(r.joint(4).getAlpha(), -45.0);
    r.setJointAngles(robotF);
    ref::M want = ref::trans(0, 0, 0);
    for (int k = 1; k <= 6; ++k) {
        const Joint &j = r.joint(k);
        want = ref::mul(want, ref::link(j.getAlpha(), j.getA(),
                                        j.getTheta() + model[std::size_t(k - 1)], j.getD()));
    }
    const Matrix4 got = r.fk(6);
    for (int k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(got[k] - want[k]) < (k % 4 == 3 ? 2e-3 : 2e-6),
                 qPrintable(QString::number(k)));
}

void TestRobot::coupledLimits()
{
    // Axis 3 limits apply to the model angle: with q2 = 50 the robot range of
    // axis 3 is -80 + 50 .. 80 + 50.
    ScratchInstall inst;
    const QString limits =
        QStringLiteral("A2 liminf -60; A2 limsup 90; A3 liminf -80; A3 limsup 80; type ");
    Robot r, plain;
    QCOMPARE(load(inst, r, variant(QStringLiteral("ABB_IRB120.xml"), limits + '4')), 0);
    QCOMPARE(load(inst, plain, variant(QStringLiteral("ABB_IRB120.xml"), limits + '0')), 0);
    const float ok[6] = {0, 50, 120, 0, 0, 0}, bad[6] = {0, 50, 140, 0, 0, 0};
    QVERIFY(r.checkCoupledLimits(ok));
    QVERIFY(!r.checkCoupledLimits(bad));
    std::array<float, 4> four;
    QVERIFY(r.coupledLimits(ok, four.data()));
    QCOMPARE(four, (std::array<float, 4>{-60, 90, -30, 130}));
    QCOMPARE(r.jointValues()[2], 120.0f); // coupledLimits sets the joints
    QVERIFY(plain.checkCoupledLimits(bad));
    QVERIFY(!plain.coupledLimits(ok, four.data()));
    QCOMPARE(plain.getLimits(),
             (std::vector<int>{-165, 165, -60, 90, -80, 80, -160, 160, -120, 120, -400, 400}));
}

void TestRobot::framesAndTool()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    const Matrix4 f = r.fk(6);
    QCOMPARE(r.tcpPose(0), toolbox::matrixToPose(f, 0));
    // The arm reaches the flange at (374, 0, 630) and stands on z = 0: the
    // sphere around it is at least half that diagonal.
    double radius = 0;
    float centre[3];
    r.sceneExtent(&radius, centre);
    QVERIFY(radius > 0.5 * std::hypot(374.0, 630.0) && radius < 1000);
    QVERIFY(centre[2] > 200 && centre[2] < 500);
    // The pen points along the flange Z, which at zero is the base X axis.
    QVERIFY(r.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
    QVERIFY(r.getHasTool());
    QCOMPARE(r.getTool()->getTcp()[2], 140.0f);
    QVERIFY(std::fabs(r.tcpBase()[3] - 514) < 1e-3);
    // A World frame 100 mm up and turned 90 degrees about Z: base x is World -y.
    r.setHB(toolbox::poseToMatrix({0, 0, 100, 90, 0, 0}, 0));
    const Matrix4 w = r.tcpWorld();
    QVERIFY(std::fabs(w[3]) < 1e-3 && std::fabs(w[7] + 514) < 1e-2 &&
            std::fabs(w[11] - 530) < 1e-3);
    r.setPlacement(translation(1000, 0, 0));
    QVERIFY(std::fabs(r.tcpScene()[3] - 1514) < 1e-2);
    // A tool that cannot be read: an empty tool, frames unchanged.
    const Matrix4 ht = r.getHT();
    QVERIFY(!r.loadTool("/no/such.tool"));
    QVERIFY(r.getHasTool());
    QCOMPARE(r.getHT(), ht);
    QVERIFY(r.getToolPath().endsWith(QStringLiteral("IRB120_Crayon.tool")));
    r.removeTool();
    QCOMPARE(r.getToolPath(), QStringLiteral("EMPTY"));
    QVERIFY(!r.getHasTool());
    QCOMPARE(r.tcpBase(), r.fk(6));
}

void TestRobot::workedExampleAndSingularWrist()
{
    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r, example()), 0);
    r.setJointAngles(kExample);
    Matrix4 target = r.fk(6);
    std::vector<IkConfiguration> list;
    const int chosen = r.doInverseKinematics(target, list);
    checkList(r, target, list);
    // Eight basic ones first; the 180-degree wrist offset puts the first
    // one's axis 6 at 300, and its -360 variant is the one chosen.
    QVERIFY(list.size() > 8 && chosen >= 8);
    for (std::size_t i = 0; i < list.size(); ++i)
        QCOMPARE(list[i].basic, i < 8);
    QVERIFY(same(list[0].q, {20, -30, 15, 40, 35, 300}));
    QVERIFY(same(list[std::size_t(chosen)].q, kExample, 0.01f));
    for (std::size_t i = 0; i < list.size(); ++i)
        QVERIFY(list[i].chosen == (int(i) == chosen) && list[i].near == (int(i) == chosen));

    // Axis 5 at 0 (wrist singular), seeded with axis 4 at 55: seven basic
    // ones; the singular one keeps axis 4 and turns axis 6 by the 15 degrees
    // axis 4 did not (mod 360).
    r.setJointAngles(Joints6{20, -30, 15, 40, 0, -60});
    target = r.fk(6);
    r.setJointAngles(Joints6{20, -30, 15, 55, 0, -60});
    r.doInverseKinematics(target, list);
    checkList(r, target, list);
    QCOMPARE(
        std::count_if(list.begin(), list.end(), [](const IkConfiguration &c) { return c.basic; }),
        7L);
    QVERIFY(std::any_of(list.begin(), list.end(), [](const IkConfiguration &c) {
        return c.basic && std::fabs(c.q[3] - 55) < 1e-3f && std::fabs(c.q[4]) < 0.06f &&
               std::fabs(std::remainder(-75.0f - c.q[5], 360.0f)) < 0.02f;
    }));
}

void TestRobot::variantsFollowTheLimits()
{
    ScratchInstall inst;
    std::vector<IkConfiguration> list;
    auto has = [&list](int axis, float v) {
        return std::any_of(list.begin(), list.end(), [&](const IkConfiguration &c) {
            return std::fabs(c.q[std::size_t(axis)] - v) < 1e-2f;
        });
    };
    // Axis 1 at +-170: a solution at -160 gets no variant (200 and -520 are out).
    Robot narrow, wide, six, offset;
    QCOMPARE(load(inst, narrow, example(QStringLiteral("A1 liminf -170; A1 limsup 170"))), 0);
    narrow.setJointAngles(Joints6{-160, -30, 15, 40, 35, -60});
    narrow.solveCurrentPose(list);
    checkList(narrow, narrow.fk(6), list);
    QVERIFY(has(0, -160) && !has(0, 200));
    // At +-400 it gets 200; one at 20 gets 380 and -340.
    QCOMPARE(load(inst, wide, example()), 0);
    wide.setJointAngles(Joints6{-160, -30, 15, 40, 35, -60});
    wide.solveCurrentPose(list);
    QVERIFY(has(0, 200));
    wide.setJointAngles(kExample);
    wide.solveCurrentPose(list);
    QVERIFY(has(0, 380) && has(0, -340));
    // Limits wider than one turn: every multiple inside them is listed.
    QCOMPARE(load(inst, six, example(QStringLiteral("A6 liminf -800; A6 limsup 800"))), 0);
    six.setJointAngles(Joints6{20, -30, 15, 40, 35, 10});
    six.solveCurrentPose(list);
    checkList(six, six.fk(6), list);
    for (float v : {10.0f, 370.0f, -350.0f, 730.0f, -710.0f})
        QVERIFY2(has(5, v), qPrintable(QString::number(v)));
    // Axis 6 at +-170 takes -60 for the 300 the wrist formula gives, and an
    // axis-1 offset shifts the atan2 range the same way: the pose stays
    // reachable by a basic entry.
    QCOMPARE(
        load(inst, offset, example(QStringLiteral("A6 liminf -170; A6 limsup 170; A1 theta 150"))),
        0);
    offset.setJointAngles(Joints6{-160, -30, 15, 40, 35, -60});
    const int chosen = offset.solveCurrentPose(list);
    QVERIFY(chosen >= 0 && list[std::size_t(chosen)].basic);
    QVERIFY(same(list[std::size_t(chosen)].q, {-160, -30, 15, 40, 35, -60}));
}

void TestRobot::choiceTiesAndSmallMoves()
{
    ScratchInstall inst;
    // Only the shoulder at 20 degrees is possible, axis 4 gets one variant 360
    // below and axis 6 none: seeded 200 degrees away on axis 1 and closer on
    // every other axis, all entries are 200 away, a tie the first one wins.
    Robot tie, one;
    QCOMPARE(load(inst, tie,
                  example(QStringLiteral("all liminf -110; all limsup 110; A1 liminf -10; "
                                         "A1 limsup 170; A4 liminf -330; A4 limsup 330; "
                                         "A6 liminf -175; A6 limsup 175"))),
             0);
    tie.setJointAngles(Joints6{20, -30, 15, 40, 35, 0});
    const Matrix4 target = tie.fk(6);
    tie.setJointAngles(Joints6{-180, -30, 15, -140, 35, 0});
    std::vector<IkConfiguration> list;
    QCOMPARE(tie.doInverseKinematics(target, list), 0);
    QVERIFY(list.size() >= 2);
    for (const IkConfiguration &c : list) {
        float w = 0;
        for (int k = 0; k < 6; ++k)
            w = std::max(w, std::fabs(c.q[k] - tie.jointValues()[k]));
        QCOMPARE(w, std::fabs(list[0].q[0] - tie.jointValues()[0]));
    }
    QVERIFY(list[0].chosen && !list[0].near); // 200 degrees is no small move
    // One configuration survives these limits: near only when axis 2 moves
    // less than 10 degrees.
    QCOMPARE(
        load(inst, one,
             example(QStringLiteral("A1 liminf -90; A1 limsup 90; A3 liminf -90; A3 limsup 90; "
                                    "A4 liminf -90; A4 limsup 90; A5 liminf 1; A5 limsup 120; "
                                    "A6 liminf -180; A6 limsup 180"))),
        0);
    one.setJointAngles(kExample);
    const Matrix4 t = one.fk(6);
    for (float q2 : {-42.0f, -38.0f}) {
        one.setJointAngles(Joints6{20, q2, 15, 40, 35, -60});
        QCOMPARE(one.doInverseKinematics(t, list), 0);
        QCOMPARE(int(list.size()), 1);
        QVERIFY(list[0].chosen && list[0].near == (q2 == -38.0f));
    }
}

void TestRobot::unreachableTargetsListNothing()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    std::vector<IkConfiguration> list;
    MessageLog log;
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.ik.debug=true"));
    QCOMPARE(r.doInverseKinematics(translation(2000, 0, 500), list), -1);
    QVERIFY(list.empty());
    QVERIFY(log.contains(QStringLiteral("No solutions even in the first part")));
    r.solveCurrentPose(list);
    QVERIFY(log.contains(QStringLiteral("Chosen: ")) &&
            log.contains(QStringLiteral("qAprox = []")));
    QLoggingCategory::setFilterRules(QString());
    // Around the edge of the workspace every listed entry still reaches.
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> dir(-1, 1);
    int listed = 0;
    for (int n = 0; n < 400; ++n) {
        const float reach = 560 + 60 * float(n % 20) / 19.0f; // across the boundary
        const float v[3] = {dir(rng), dir(rng), dir(rng)},
                    l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        Matrix4 t =
            toolbox::poseToMatrix({0, 0, 0, dir(rng) * 180, dir(rng) * 90, dir(rng) * 180}, 0);
        t[3] = reach * v[0] / l;
        t[7] = reach * v[1] / l;
        t[11] = 290 + reach * v[2] / l;
        r.doInverseKinematics(t, list);
        checkList(r, t, list);
        listed += int(list.size());
    }
    QVERIFY(listed > 0);
}

void TestRobot::roundTrips_data()
{
    QTest::addColumn<QByteArray>("description");
    const auto shipped = [](const char *file) { return variant(QString::fromLatin1(file)); };
    QTest::newRow("IRB120") << shipped("ABB_IRB120.xml");
    QTest::newRow("LR Mate, type 2") << shipped("Fanuc_LRMate200iD.xml");
    QTest::newRow("GP7, type 3") << shipped("YASKAWA_GP7.xml");
    QTest::newRow("KR6, type 5") << shipped("KUKA_KR6_R700_sixx.xml");
    QTest::newRow("UR5, non-spherical wrist") << shipped("UR5.xml");
    // A shoulder offset (d of axis 2) and an axis-1 offset push the axis-1
    // candidates out of (-180, 180].
    QTest::newRow("offset shoulder")
        << example(QStringLiteral("all liminf -170; all limsup 170; A2 d 80; A1 theta 40"));
}

// ik(fk(q)) from a seed elsewhere lists q (up to whole turns of axes the
// variants do not turn), and every entry reaches within the limits.
void TestRobot::roundTrips()
{
    QFETCH(QByteArray, description);
    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r, description), 0);
    const std::vector<int> lim = r.getLimits();
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> jitter(-0.5f, 0.5f);
    std::vector<IkConfiguration> list;
    int tried = 0;
    for (int n = 0; n < 400; ++n) {
        Joints6 q;
        for (int k = 0; k < 6; ++k)
            q[k] = std::uniform_real_distribution<float>(lim[2 * k], lim[2 * k + 1])(rng);
        if (!r.checkCoupledLimits(q.data()) || std::fabs(std::remainder(q[4], 180.0f)) < 2.0f)
            continue; // outside the coupled range, or too near the wrist singularity
        ++tried;
        r.setJointAngles(q);
        const Matrix4 target = r.fk(6);
        r.setJointAngles(Joints6{0, 0, 0, 0, 30, 0});
        r.doInverseKinematics(target, list);
        checkList(r, target, list);
        // Seeded half a degree away, q itself is chosen, on any turn.
        Joints6 seed = q;
        for (float &v : seed)
            v += jitter(rng);
        r.setJointAngles(seed);
        const int chosen = r.doInverseKinematics(target, list);
        QVERIFY(chosen >= 0 && same(list[std::size_t(chosen)].q, q, 0.01f));
        QVERIFY(list[std::size_t(chosen)].near && list.size() <= 64);
        QVERIFY2(std::any_of(list.begin(), list.end(),
                             [&q](const IkConfiguration &c) { return same(c.q, q, 0.05f, true); }),
                 qPrintable(QStringLiteral("(%1 %2 %3 %4 %5 %6) not listed")
                                .arg(q[0])
                                .arg(q[1])
                                .arg(q[2])
                                .arg(q[3])
                                .arg(q[4])
                                .arg(q[5])));
    }
    QVERIFY(tried > 100);
}

void TestRobot::configurationEdges_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<Joints6>("q");
    const QByteArray narrow =
        example(QStringLiteral("all liminf -170; all limsup 170; A6 liminf -400; A6 limsup 400"));
    // A negative angle type asks for the solver of non-spherical wrists; this
    // wrist is spherical, and its answers must hold as well.
    QTest::newRow("negative type, spherical wrist")
        << example(QStringLiteral(
               "all liminf -170; all limsup 170; A6 liminf -400; A6 limsup 400; type -1"))
        << kExample;
    QTest::newRow("negative type, shipped IRB120")
        << variant(QStringLiteral("ABB_IRB120.xml"), QStringLiteral("type -1"))
        << Joints6{-50, 40, -70, 120, -80, 200};
    // UR5 with axes 2, 3 and 5 beyond 180 degrees (the case that stopped
    // jogging), and upright, shoulder, elbow and wrist all singular.
    const QByteArray ur5 = variant(QStringLiteral("UR5.xml"));
    QTest::newRow("UR5 past the half turn") << ur5 << Joints6{10, 200, 80, -100, -90, 30};
    QTest::newRow("UR5 upright") << ur5 << Joints6{0, -90, 0, -90, 0, 0};
    // Next to the singular wrist: the bend's sign is part of the pose.
    for (float q5 : {-0.03f, 0.03f, -0.05f, 0.08f})
        QTest::addRow("wrist bend %g", double(q5)) << narrow << Joints6{40, 10, -10, 0, q5, 30};
    // GP7 (type 3: U and the wrist measured the other way round): U = 100 is
    // within -70..190 as a robot value, while the model angle is -100.
    const QByteArray gp7 = variant(QStringLiteral("YASKAWA_GP7.xml"));
    QTest::newRow("type 3, U = 100") << gp7 << Joints6{10, 20, 100, 30, 40, 50};
    QTest::newRow("type 3, U = -60") << gp7 << Joints6{-30, 60, -60, -100, -70, 200};
    // M-10iA (type 2, J3 from the horizontal): J2 + J3 = 190 gives a model
    // angle of -190, past the half turn.
    const QByteArray m10 = variant(QStringLiteral("FANUC_M10iA.xml"));
    QTest::newRow("type 2, J2 + J3 = 190") << m10 << Joints6{10, 40, 150, 30, 40, 50};
    QTest::newRow("type 2, J2 + J3 = 175") << m10 << Joints6{-20, 100, 75, -30, -60, -50};
}

// The joints the target came from are listed and chosen; every entry reaches.
void TestRobot::configurationEdges()
{
    QFETCH(QByteArray, description);
    QFETCH(Joints6, q);
    ScratchInstall inst;
    Robot r;
    QCOMPARE(load(inst, r, description), 0);
    r.setJointAngles(q);
    QVERIFY(r.checkCoupledLimits(q.data()));
    const Matrix4 target = r.fk(6);
    std::vector<IkConfiguration> list;
    const int chosen = r.doInverseKinematics(target, list);
    QVERIFY(chosen >= 0);
    const Joints6 &c = list[std::size_t(chosen)].q;
    QVERIFY2(same(c, q, 0.01f), qPrintable(QStringLiteral("chosen %1 %2 %3 %4 %5 %6")
                                               .arg(c[0])
                                               .arg(c[1])
                                               .arg(c[2])
                                               .arg(c[3])
                                               .arg(c[4])
                                               .arg(c[5])));
    QVERIFY(list[std::size_t(chosen)].near);
    checkList(r, target, list, 0.005f, 2e-5f);
}

void TestRobot::jogModes()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QVERIFY(r.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
    r.setHB(toolbox::poseToMatrix({100, 0, 0, 90, 0, 0}, 0)); // World turned 90 about Z
    const Joints6 start{10, -20, 30, 40, 50, 60};
    r.setJointAngles(start);
    const Matrix4 before = r.tcpWorld(), beforeBase = r.tcpBase();
    std::vector<IkConfiguration> list;
    int chosen = -1;
    // Tool axes: 5 mm along the tool's own Z, reached by the chosen entry.
    Matrix4 after = r.jogFromCurrent(translation(0, 0, 5), list, &chosen, 0);
    for (int c = 0; c < 3; ++c)
        QVERIFY(std::fabs(after[4 * c + 3] - (before[4 * c + 3] + 5 * before[4 * c + 2])) < 1e-3);
    QVERIFY(chosen >= 0 && list[std::size_t(chosen)].near);
    r.setJointAngles(list[std::size_t(chosen)].q);
    QVERIFY(reaches(r.tcpWorld(), after));
    r.setJointAngles(start);
    // Base axes: 5 mm along base X, orientation kept.
    after = toolbox::product(r.getHB(), r.jogFromCurrent(translation(5, 0, 0), list, &chosen, 1));
    for (int k = 0; k < 12; ++k)
        QVERIFY(std::fabs(after[k] - beforeBase[k] - (k == 3 ? 5 : 0)) <
                (k % 4 == 3 ? 1e-3 : 1e-5));
    // World axes: 5 mm along World X; a turn about World Z keeps the TCP in
    // place and turns the tool X axis by 1 degree about World Z.
    after = r.jogFromCurrent(translation(5, 0, 0), list, &chosen, 2);
    QVERIFY(std::fabs(after[3] - (before[3] + 5)) < 1e-3 && std::fabs(after[7] - before[7]) < 1e-3);
    after = r.jogFromCurrent(toolbox::placementMatrix({0, 0, 0, 0, 0, 1}), list, &chosen, 2);
    for (int c = 0; c < 3; ++c)
        QVERIFY(std::fabs(after[4 * c + 3] - before[4 * c + 3]) < 1e-3);
    const double turn = std::atan2(before[0] * after[4] - before[4] * after[0],
                                   before[0] * after[0] + before[4] * after[4]);
    QVERIFY(std::fabs(turn * 180 / M_PI - 1.0) < 1e-3);
}

void TestRobot::robotTargets()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    r.setJointAngles(kExample);
    Matrix4 pose;
    ConfData conf;
    r.currentRobtarget(pose, conf);
    QVERIFY(reaches(toolbox::transpose(pose), r.tcpWorld(), 1e-4f, 1e-6f)); // column order
    // Quadrants and bits worked by hand: q1 = 20 -> 0, q4 = 40 -> 0, q6 = -60
    // -> -1; arm forward (w > 0), elbow above the limit angle, axis 5 positive.
    QCOMPARE((std::array<float, 4>{conf.cf1, conf.cf4, conf.cf6, conf.cfx}),
             (std::array<float, 4>{0, 0, -1, 0}));
    // 0: the data match a configuration; the wrist-flipped one has cf4 = -2,
    // cf6 = 1 and cfx 1.
    r.setJointAngles(Joints6{0, 0, 0, 0, 30, 0});
    QCOMPARE(r.moveToRobtarget(pose, conf), 0);
    QVERIFY(same(r.jointValues(), kExample));
    QCOMPARE(r.moveToRobtarget(pose, ConfData{0, -2, 1, 1}), 0);
    QVERIFY(same(r.jointValues(), {20, -30, 15, -140, -35, 120}));
    // -1: only cfx matches; -2: nothing does, the first entry is taken.
    QCOMPARE(r.moveToRobtarget(pose, ConfData{3, 0, -1, 0}), -1);
    QCOMPARE(std::round(r.jointValues()[4]), 35.0f);
    QCOMPARE(r.moveToRobtarget(pose, ConfData{3, 3, 3, 7}), -2);
    // -3: out of reach, nothing moves.
    const Joints6 now = r.jointValues();
    pose[12] = 5000;
    QCOMPARE(r.moveToRobtarget(pose, conf), -3);
    QCOMPARE(r.jointValues(), now);
}

QTEST_GUILESS_MAIN(TestRobot)
#include "tst_robot.moc"
