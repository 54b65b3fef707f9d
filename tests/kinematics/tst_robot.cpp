// Robot: loading, angle types, forward kinematics and frames, the inverse
// kinematics with its configuration list, jogging, robot targets and records.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "support/refmath.h"
#include "support/scratchinstall.h"

#include <QtTest>
#include <cmath>
#include <random>

namespace {

struct Axis
{
    int alpha, a, theta;
    double d;
    int lo, hi;
};

// IRB120-like link parameters, with limits chosen per test.
std::vector<Axis> irb120(int lo = -400, int hi = 400)
{
    return {{0, 0, 0, 290, lo, hi},    {-90, 0, -90, 0, lo, hi}, {0, 270, 0, 0, lo, hi},
            {-90, 70, 0, 302, lo, hi}, {90, 0, 0, 0, lo, hi},    {-90, 0, 0, 72, lo, hi}};
}

QByteArray describe(const std::vector<Axis> &axes, int angleType)
{
    QByteArray x = "<robot><robot_dk><e id=\"Base\"/>";
    for (std::size_t i = 0; i < axes.size(); ++i) {
        const Axis &a = axes[i];
        x += QStringLiteral("<e id=\"A%1\" alpha=\"%2\" a=\"%3\" theta=\"%4\" d=\"%5\" "
                            "liminf=\"%6\" limsup=\"%7\"/>")
                 .arg(i + 1)
                 .arg(a.alpha)
                 .arg(a.a)
                 .arg(a.theta)
                 .arg(a.d)
                 .arg(a.lo)
                 .arg(a.hi)
                 .toLatin1();
    }
    x += "</robot_dk><robot_geometry><g name=\"Base\" geo=\"none\"/></robot_geometry>"
         "<CAD_base x=\"0\" y=\"0\" z=\"0\" rx=\"0\" ry=\"0\" rz=\"0\"/><CAD_scale FACTOR=\"1\"/>"
         "<CAD_offsets/>";
    x += QStringLiteral("<Angle_Type id=\"%1\"/></robot>").arg(angleType).toLatin1();
    return x;
}

// Independent forward kinematics in double.
using ref::M;
M flange(const std::vector<Axis> &axes, const double *model)
{
    M m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 6; ++i)
        m = ref::mul(m, ref::link(axes[i].alpha, axes[i].a, axes[i].theta + model[i], axes[i].d));
    return m;
}

double maxDiff(const Matrix4 &a, const Matrix4 &b, bool positionOnly = false)
{
    double d = 0;
    for (int k = 0; k < 12; ++k)
        if (!positionOnly || k % 4 == 3)
            d = std::max(d, double(std::fabs(a[k] - b[k])) / (k % 4 == 3 ? 50.0 : 1.0));
    return d; // position errors scaled so 0.05 mm counts like 1e-3 in rotation
}

bool sameJoints(const std::array<float, 6> &a, const std::array<float, 6> &b, float tol = 0.02f)
{
    for (int k = 0; k < 6; ++k)
        if (std::fabs(a[k] - b[k]) > tol)
            return false;
    return true;
}

// The same arm posture: axes 1, 4 and 6 exactly (their turns are listed as
// variants), axes 2, 3 and 5 up to whole turns.
bool samePosture(const std::array<float, 6> &a, const std::array<float, 6> &b, float tol)
{
    for (int k = 0; k < 6; ++k) {
        const float d =
            (k == 1 || k == 2 || k == 4) ? std::remainder(a[k] - b[k], 360.0f) : a[k] - b[k];
        if (std::fabs(d) > tol)
            return false;
    }
    return true;
}

// Writes a description into the scratch installation and loads it.
int loadScratch(const ScratchInstall &inst, Robot &robot, const char *name, const QByteArray &xml)
{
    const QString file =
        inst.write(QStringLiteral("CAD_Robots/%1.xml").arg(QLatin1String(name)), xml);
    return robot.loadData(QFile::encodeName(file).constData());
}

Matrix4 translation(float x, float y, float z)
{
    Matrix4 m = toolbox::identity();
    m[3] = x;
    m[7] = y;
    m[11] = z;
    return m;
}

} // namespace

using Joints6 = std::array<float, 6>;
Q_DECLARE_METATYPE(Joints6)

class TestRobot : public QObject
{
    Q_OBJECT
private slots:
    void loadingKeepsOnlyWholeRobots();
    void angleTypesConvertBothWays();
    void coupledLimits();
    void forwardKinematicsMatchesTheLinkProduct();
    void framesAndTool();
    void sceneExtentHoldsTheMeshes();

    void workedExampleListsEightConfigurations();
    void singularWristKeepsAxisFour();
    void variantsFollowTheLimits();
    void turnsBringBasicValuesInsideTheLimits();
    void tieGoesToTheEarlierEntry();
    void nearNeedsASmallAxisTwoMove();
    void unreachableTargetsListNothing();
    void roundTripOnEveryShippedRobot_data();
    void roundTripOnEveryShippedRobot();
    void offsetShoulderRoundTrip();
    void coupledRobotNeverListsABrokenRange();
    void ur5ListsItsOwnJointsOnEveryTurn();
    void configurationEdges_data();
    void configurationEdges();
    void shippedRobotsShowTheMakersFrames();
    void debugLinesOnlyWhenAsked();

    void jogModes();
    void robotTargets();
    void recordLayouts();
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

    // Six elements: read by the reader, refused as a robot.
    auto five = irb120();
    five.pop_back();
    Robot r6;
    QCOMPARE(loadScratch(inst, r6, "r6", describe(five, 0)), -1);
    QVERIFY(!r6.isLoaded());
    // Nothing reaches past the elements that are there.
    std::vector<IkConfiguration> list;
    QCOMPARE(r6.doInverseKinematics(toolbox::identity(), list), -1);
    r6.setJointAngles(std::array<float, 6>{1, 2, 3, 4, 5, 6}.data());
    QCOMPARE(r6.getLimits().size(), std::size_t(12));

    // Eight load; the first seven make the robot.
    auto seven = irb120();
    seven.push_back({0, 0, 0, 10, -5, 5});
    Robot r8;
    QCOMPARE(loadScratch(inst, r8, "r8", describe(seven, 0)), 0);
    QVERIFY(r8.isLoaded());
    QCOMPARE(r8.fk(6)[3], 374.0f);
}

void TestRobot::angleTypesConvertBothWays()
{
    const float j[6] = {0, 10, 20, 30, 40, 50};
    float t[6];
    Robot::robotToDH(2, j, t);
    const std::array<float, 6> model{t[0], t[1], t[2], t[3], t[4], t[5]};
    QCOMPARE(model, (std::array<float, 6>{0, 10, -30, -30, -40, -50}));
    Robot::robotToDH(4, j, t);
    QCOMPARE(t[2], 10.0f);
    for (int type : {-1, 0, 1, 2, 3, 4, 5, 6, 7}) {
        float m[6], back[6];
        Robot::robotToDH(type, j, m);
        Robot::dhToRobot(type, m, back);
        for (int k = 0; k < 6; ++k)
            QCOMPARE(back[k], j[k]);
        if (type < 2 || type > 6)
            for (int k = 0; k < 6; ++k)
                QCOMPARE(m[k], j[k]);
        double jd[6] = {1, 2, 3, 4, 5, 6}, md[6];
        Robot::robotToDH(type, jd, md);
        Robot::dhToRobot(type, md, md); // in place
        QCOMPARE(md[2], 3.0);
    }
}

void TestRobot::coupledLimits()
{
    ScratchInstall inst;
    auto axes = irb120();
    axes[1] = {-90, 0, -90, 0, -60, 90};
    axes[2] = {0, 270, 0, 0, -80, 80};
    Robot r;
    QCOMPARE(loadScratch(inst, r, "c", describe(axes, 4)), 0);
    const float ok[6] = {0, 50, 120, 0, 0, 0};
    const float bad[6] = {0, 50, 140, 0, 0, 0};
    QVERIFY(r.checkCoupledLimits(ok));
    QVERIFY(!r.checkCoupledLimits(bad));
    float four[4];
    QVERIFY(r.coupledLimits(ok, four));
    const std::array<float, 4> ranges{four[0], four[1], four[2], four[3]};
    QCOMPARE(ranges, (std::array<float, 4>{-60, 90, -30, 130}));
    QCOMPARE(r.jointValues()[2], 120.0f); // coupledLimits sets the joints

    Robot plain;
    QCOMPARE(loadScratch(inst, plain, "p", describe(axes, 0)), 0);
    QVERIFY(plain.checkCoupledLimits(bad));
    QVERIFY(!plain.coupledLimits(ok, four));
    QCOMPARE(plain.getLimits(),
             (std::vector<int>{-400, 400, -60, 90, -80, 80, -400, 400, -400, 400, -400, 400}));
}

void TestRobot::forwardKinematicsMatchesTheLinkProduct()
{
    ScratchInstall inst;
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-170, 170);
    for (int type : {0, 2, 4, 5, -1}) {
        auto axes = irb120();
        axes[3].theta = 25; // an offset on a wrist axis too
        Robot r;
        QCOMPARE(loadScratch(inst, r, "f", describe(axes, type)), 0);
        for (int n = 0; n < 20; ++n) {
            const float q[6] = {u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)};
            r.setJointAngles(q);
            double model[6];
            const double qd[6] = {q[0], q[1], q[2], q[3], q[4], q[5]};
            Robot::robotToDH(type, qd, model);
            const M want = flange(axes, model);
            const Matrix4 got = r.fk(6);
            for (int k = 0; k < 16; ++k)
                QVERIFY2(std::fabs(got[k] - want[k]) < (k % 4 == 3 ? 2e-3 : 2e-6),
                         qPrintable(QStringLiteral("type %1 element %2").arg(type).arg(k)));
        }
    }
    // Angle type 4 with j2 = j3 = 30 uses theta3 = 0: the arm as at zero but
    // with axis 2 turned.
    Robot r;
    QCOMPARE(loadScratch(inst, r, "g", describe(irb120(), 4)), 0);
    r.setJointAngles(std::array<float, 6>{0, 30, 30, 0, 0, 0}.data());
    const double model[6] = {0, 30, 0, 0, 0, 0};
    const M want = flange(irb120(), model);
    QVERIFY(std::fabs(r.fk(6)[3] - want[3]) < 1e-3);
    QVERIFY(std::fabs(r.fk(6)[11] - want[11]) < 1e-3);
    QCOMPARE(r.fk(0), toolbox::identity());
}

void TestRobot::framesAndTool()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    // The flange of the default robot at zero, worked by hand: x = a4 + d6,
    // z = d1 + a3 + a4-free height 70 (a of axis 4 along the arm).
    Matrix4 f = r.fk(6);
    QCOMPARE(std::round(f[3] * 1000) / 1000, 374.0f);
    QCOMPARE(std::round(f[11] * 1000) / 1000, 630.0f);
    QCOMPARE(r.tcpPose(0), toolbox::matrixToPose(f, 0));

    QVERIFY(r.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
    QVERIFY(r.getHasTool());
    // The pen points along the flange Z, which at zero is the base X axis.
    QVERIFY(std::fabs(r.tcpBase()[3] - (374.0f + r.getTool()->getTcp()[2])) < 1e-3);
    // A World frame 100 mm up and turned 90 degrees about Z.
    const Matrix4 hb = toolbox::poseToMatrix({0, 0, 100, 90, 0, 0}, 0);
    r.setHB(hb);
    const Matrix4 w = r.tcpWorld();
    QVERIFY(std::fabs(w[3] - 0.0f) < 1e-3); // base x becomes World -y
    QVERIFY(std::fabs(w[7] + (374.0f + 140.0f)) < 1e-2);
    QVERIFY(std::fabs(w[11] - 530.0f) < 1e-3);
    r.setPlacement(translation(1000, 0, 0));
    QVERIFY(std::fabs(r.tcpScene()[3] - (1000.0f + 514.0f)) < 1e-2);

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

void TestRobot::sceneExtentHoldsTheMeshes()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    double radius = 0;
    float centre[3];
    r.sceneExtent(&radius, centre);
    // The arm reaches the flange at (374, 0, 630) and stands on z = 0: a
    // sphere around it is at least half that diagonal.
    QVERIFY(radius > 0.5 * std::sqrt(374.0 * 374.0 + 630.0 * 630.0));
    QVERIFY(radius < 1000);
    QVERIFY(centre[2] > 200 && centre[2] < 500);
    Robot empty;
    empty.sceneExtent(&radius, centre);
    QCOMPARE(radius, 0.0);
}

void TestRobot::workedExampleListsEightConfigurations()
{
    ScratchInstall inst;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "w", describe(irb120(), 0)), 0);
    const std::array<float, 6> q{20, -30, 15, 40, 35, -60};
    r.setJointAngles(q);
    const Matrix4 target = r.fk(6);
    std::vector<IkConfiguration> list;
    const int chosen = r.doInverseKinematics(target, list);
    int basic = 0;
    for (const auto &c : list) {
        basic += c.basic;
        QVERIFY(c.valid);
        r.setJointAngles(c.q);
        QVERIFY2(maxDiff(r.fk(6), target) < 1e-3, "a listed configuration misses the target");
    }
    r.setJointAngles(q);
    QCOMPARE(basic, 8);
    // The 180-degree wrist offset puts the first solution's axis 6 at 300.
    QVERIFY(sameJoints(list[0].q, {20, -30, 15, 40, 35, 300}));
    QVERIFY(list[0].basic && !list[0].chosen);
    QVERIFY(chosen >= 8);
    QVERIFY(sameJoints(list[std::size_t(chosen)].q, q, 0.01f));
    QVERIFY(list[std::size_t(chosen)].near);
    int chosenCount = 0, nearCount = 0;
    for (const auto &c : list) {
        chosenCount += c.chosen;
        nearCount += c.near;
    }
    QCOMPARE(chosenCount, 1);
    QCOMPARE(nearCount, 1);
    // Basic ones come first.
    for (int i = 0; i < 8; ++i)
        QVERIFY(list[std::size_t(i)].basic);
}

void TestRobot::singularWristKeepsAxisFour()
{
    ScratchInstall inst;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "w", describe(irb120(), 0)), 0);
    r.setJointAngles(std::array<float, 6>{20, -30, 15, 40, 0, -60}.data());
    const Matrix4 target = r.fk(6);
    // Seed with a different axis 4: the singular solution keeps it.
    r.setJointAngles(std::array<float, 6>{20, -30, 15, 55, 0, -60}.data());
    std::vector<IkConfiguration> list;
    r.doInverseKinematics(target, list);
    int basic = 0;
    bool found = false;
    for (const auto &c : list) {
        basic += c.basic;
        if (c.basic && std::fabs(c.q[3] - 55) < 1e-3 && std::fabs(c.q[4]) < 0.06f) {
            found = true;
            // Axis 6 takes the 15 degrees axis 4 did not turn (mod 360).
            const float want = std::remainder(-60.0f - 15.0f - c.q[5], 360.0f);
            QVERIFY2(std::fabs(want) < 0.02f, qPrintable(QString::number(c.q[5])));
        }
        r.setJointAngles(c.q);
        QVERIFY(maxDiff(r.fk(6), target) < 1e-3);
    }
    QCOMPARE(basic, 7);
    QVERIFY(found);
}

void TestRobot::variantsFollowTheLimits()
{
    ScratchInstall inst;
    // Axis 1 at +-170: a solution at -160 gets no variant (200 and -520 are out).
    auto axes = irb120();
    axes[0].lo = -170;
    axes[0].hi = 170;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "v", describe(axes, 0)), 0);
    r.setJointAngles(std::array<float, 6>{-160, -30, 15, 40, 35, -60}.data());
    std::vector<IkConfiguration> list;
    r.solveCurrentPose(list);
    for (const auto &c : list)
        QVERIFY(c.q[0] >= -170 && c.q[0] <= 170);
    QVERIFY(std::none_of(list.begin(), list.end(),
                         [](const IkConfiguration &c) { return std::fabs(c.q[0] - 200) < 1e-2; }));

    // Axis 1 at +-400: -160 gets 200, 20 gets 380 and -340.
    Robot wide;
    QCOMPARE(loadScratch(inst, wide, "v2", describe(irb120(), 0)), 0);
    wide.setJointAngles(std::array<float, 6>{-160, -30, 15, 40, 35, -60}.data());
    wide.solveCurrentPose(list);
    auto has = [&list](int axis, float v) {
        return std::any_of(list.begin(), list.end(), [&](const IkConfiguration &c) {
            return std::fabs(c.q[std::size_t(axis)] - v) < 1e-2;
        });
    };
    QVERIFY(has(0, 200));
    wide.setJointAngles(std::array<float, 6>{20, -30, 15, 40, 35, -60}.data());
    wide.solveCurrentPose(list);
    QVERIFY(has(0, 380) && has(0, -340));

    // Limits wider than one turn: every multiple inside them is listed.
    auto axes6 = irb120();
    axes6[5].lo = -800;
    axes6[5].hi = 800;
    Robot six;
    QCOMPARE(loadScratch(inst, six, "v3", describe(axes6, 0)), 0);
    six.setJointAngles(std::array<float, 6>{20, -30, 15, 40, 35, 10}.data());
    six.solveCurrentPose(list);
    for (float v : {10.0f, 370.0f, -350.0f, 730.0f, -710.0f})
        QVERIFY2(has(5, v), qPrintable(QString::number(v)));
    // No entry twice.
    for (std::size_t i = 0; i < list.size(); ++i)
        for (std::size_t k = i + 1; k < list.size(); ++k)
            QVERIFY(!sameJoints(list[i].q, list[k].q, 1e-3f));
}

void TestRobot::turnsBringBasicValuesInsideTheLimits()
{
    ScratchInstall inst;
    // Axis 6 limited to +-170: the wrist formula gives 300 for -60, which
    // must come back as -60 instead of making the pose unreachable.
    auto axes = irb120();
    axes[5].lo = -170;
    axes[5].hi = 170;
    // An offset on axis 1 shifts the atan2 range the same way.
    axes[0].theta = 150;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "t", describe(axes, 0)), 0);
    const std::array<float, 6> q{-160, -30, 15, 40, 35, -60};
    r.setJointAngles(q);
    std::vector<IkConfiguration> list;
    const int chosen = r.solveCurrentPose(list);
    QVERIFY(chosen >= 0);
    QVERIFY(sameJoints(list[std::size_t(chosen)].q, q));
    QVERIFY(list[std::size_t(chosen)].basic);
}

void TestRobot::tieGoesToTheEarlierEntry()
{
    ScratchInstall inst;
    // Axis 1 limited so that only the shoulder at 20 degrees is possible:
    // every entry then shares its axis-1 value.
    // The other axes keep their variants out of reach of the seed.
    auto axes = irb120(-110, 110);
    axes[0].lo = -10;
    axes[0].hi = 170;
    axes[3].lo = -330; // axis 4 gets one variant, 360 below
    axes[3].hi = 330;
    axes[5].lo = -175; // axis 6 none, and the flipped wrist (180) is out
    axes[5].hi = 175;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "w", describe(axes, 0)), 0);
    r.setJointAngles(std::array<float, 6>{20, -30, 15, 40, 35, 0}.data());
    const Matrix4 target = r.fk(6);
    // Seed 200 degrees away on axis 1 and closer than that on every other
    // axis: all entries are exactly 200 away, a tie the first entry wins.
    const std::array<float, 6> seed{-180, -30, 15, -140, 35, 0};
    r.setJointAngles(seed);
    std::vector<IkConfiguration> list;
    const int chosen = r.doInverseKinematics(target, list);
    QVERIFY(list.size() >= 2);
    for (const auto &c : list) {
        float w = 0;
        for (int k = 0; k < 6; ++k)
            w = std::max(w, std::fabs(c.q[k] - seed[k]));
        QCOMPARE(w, std::fabs(list[0].q[0] - seed[0]));
    }
    QCOMPARE(chosen, 0);
    QVERIFY(list[0].chosen && !list[0].near); // 200 degrees is no small move
}

void TestRobot::nearNeedsASmallAxisTwoMove()
{
    ScratchInstall inst;
    auto axes = irb120();
    // Only one configuration survives these limits.
    axes[0] = {0, 0, 0, 290, -90, 90};
    axes[2] = {0, 270, 0, 0, -90, 90};
    axes[3] = {-90, 70, 0, 302, -90, 90};
    axes[4] = {90, 0, 0, 0, 1, 120};
    axes[5] = {-90, 0, 0, 72, -180, 180};
    Robot r;
    QCOMPARE(loadScratch(inst, r, "n", describe(axes, 0)), 0);
    r.setJointAngles(std::array<float, 6>{20, -30, 15, 40, 35, -60}.data());
    const Matrix4 target = r.fk(6);
    r.setJointAngles(std::array<float, 6>{20, -42, 15, 40, 35, -60}.data());
    std::vector<IkConfiguration> list;
    const int chosen = r.doInverseKinematics(target, list);
    QCOMPARE(int(list.size()), 1);
    QCOMPARE(chosen, 0);
    QVERIFY(list[0].chosen && !list[0].near);
    r.setJointAngles(std::array<float, 6>{20, -38, 15, 40, 35, -60}.data());
    r.doInverseKinematics(target, list);
    QVERIFY(list[0].near);
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
    QLoggingCategory::setFilterRules(QString());

    // Around the edge of the workspace every listed entry still reaches.
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> dir(-1, 1);
    int listed = 0;
    for (int n = 0; n < 400; ++n) {
        const float reach = 560 + 60 * float(n % 20) / 19.0f; // across the boundary
        float v[3] = {dir(rng), dir(rng), dir(rng)};
        const float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        Matrix4 t =
            toolbox::poseToMatrix({0, 0, 0, dir(rng) * 180, dir(rng) * 90, dir(rng) * 180}, 0);
        t[3] = reach * v[0] / l;
        t[7] = reach * v[1] / l;
        t[11] = 290 + reach * v[2] / l;
        r.doInverseKinematics(t, list);
        for (const auto &c : list) {
            r.setJointAngles(c.q);
            QVERIFY2(maxDiff(r.fk(6), t) < 1e-3,
                     "a configuration that misses the target was listed");
            ++listed;
        }
    }
    QVERIFY(listed > 0);
}

void TestRobot::roundTripOnEveryShippedRobot_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("IRB120") << QStringLiteral("ABB_IRB120.xml");
    QTest::newRow("LR Mate, coupled axes") << QStringLiteral("Fanuc_LRMate200iD.xml");
    QTest::newRow("UR5, non-spherical wrist") << QStringLiteral("UR5.xml");
}

void TestRobot::roundTripOnEveryShippedRobot()
{
    QFETCH(QString, file);
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::robotDir() + file).constData()), 0);
    const std::vector<int> lim = r.getLimits();
    std::mt19937 rng(1234);
    std::vector<IkConfiguration> list;
    list.reserve(256);
    int tried = 0;
    for (int n = 0; n < 600; ++n) {
        std::array<float, 6> q;
        for (int k = 0; k < 6; ++k)
            q[k] = std::uniform_real_distribution<float>(float(lim[2 * k]),
                                                         float(lim[2 * k + 1]))(rng);
        if (!r.checkCoupledLimits(q.data()) || std::fabs(q[4]) < 2.0f)
            continue; // outside the coupled range, or too near the wrist singularity
        ++tried;
        r.setJointAngles(q);
        const Matrix4 target = r.fk(6);
        // Seed somewhere else, so the solver cannot lean on the answer.
        r.setJointAngles(std::array<float, 6>{0, 0, 0, 0, 30, 0}.data());
        r.doInverseKinematics(target, list);
        bool original = false;
        for (const auto &c : list) {
            original = original || samePosture(c.q, q, 0.05f);
            r.setJointAngles(c.q);
            QVERIFY2(maxDiff(r.fk(6), target) < 1e-3, "listed configuration misses the target");
            QVERIFY(r.checkCoupledLimits(c.q.data()));
            for (int k = 0; k < 6; ++k) {
                if (k == 2 && (r.getAngleType() == 2 || r.getAngleType() == 4))
                    continue; // the coupled check above holds axis 3
                QVERIFY(c.q[k] >= lim[2 * k] - 1e-3 && c.q[k] <= lim[2 * k + 1] + 1e-3);
            }
        }
        QVERIFY2(original, qPrintable(QStringLiteral("(%1 %2 %3 %4 %5 %6) not listed")
                                          .arg(q[0])
                                          .arg(q[1])
                                          .arg(q[2])
                                          .arg(q[3])
                                          .arg(q[4])
                                          .arg(q[5])));
    }
    QVERIFY(tried > 100);
}

void TestRobot::offsetShoulderRoundTrip()
{
    // A shoulder offset (d of axis 2) and an axis-1 theta offset push the
    // axis-1 candidates out of (-180, 180].
    ScratchInstall inst;
    auto axes = irb120(-170, 170);
    axes[1].d = 80;
    axes[0].theta = 40;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "o", describe(axes, 0)), 0);
    std::mt19937 rng(77);
    std::uniform_real_distribution<float> u(-165, 165);
    std::vector<IkConfiguration> list;
    for (int n = 0; n < 300; ++n) {
        const std::array<float, 6> q{
            u(rng), u(rng) * 0.6f, u(rng) * 0.6f, u(rng), 20.0f + std::fabs(u(rng)) * 0.5f, u(rng)};
        r.setJointAngles(q);
        const Matrix4 target = r.fk(6);
        r.setJointAngles(std::array<float, 6>{0, 0, 0, 0, 30, 0}.data());
        r.doInverseKinematics(target, list);
        QVERIFY2(std::any_of(list.begin(), list.end(),
                             [&](const IkConfiguration &c) { return sameJoints(c.q, q, 0.05f); }),
                 qPrintable(QStringLiteral("q1 = %1 lost").arg(q[0])));
    }
}

void TestRobot::coupledRobotNeverListsABrokenRange()
{
    Robot r;
    QCOMPARE(
        r.loadData(QFile::encodeName(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml"))
                       .constData()),
        0);
    QCOMPARE(r.getAngleType(), 2);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1, 1);
    std::vector<IkConfiguration> list;
    int dropped = 0;
    for (int n = 0; n < 300; ++n) {
        const Matrix4 t =
            toolbox::poseToMatrix({300 + 200 * u(rng), 300 * u(rng), 300 + 300 * u(rng),
                                   180 * u(rng), 90 * u(rng), 180 * u(rng)},
                                  0);
        r.doInverseKinematics(t, list);
        for (const auto &c : list)
            QVERIFY(r.checkCoupledLimits(c.q.data()));
        dropped += list.empty();
    }
    QVERIFY(dropped < 300);
}

void TestRobot::ur5ListsItsOwnJointsOnEveryTurn()
{
    Robot r;
    QCOMPARE(
        r.loadData(QFile::encodeName(DataDirs::robotDir() + QStringLiteral("UR5.xml")).constData()),
        0);
    std::vector<IkConfiguration> list;
    list.reserve(256);
    // ik(fk(q)) seeded half a degree away must list q and choose it, on any
    // turn of any axis within +-360, and the list stays short.
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> u(-359.0f, 359.0f), jitter(-0.5f, 0.5f);
    int missed = 0;
    std::size_t longest = 0;
    for (int n = 0; n < 300; ++n) {
        std::array<float, 6> q, seed;
        for (std::size_t k = 0; k < 6; ++k) {
            q[k] = u(rng);
            seed[k] = q[k] + jitter(rng);
        }
        if (std::fabs(std::remainder(q[4], 180.0f)) < 2.0f)
            continue; // the wrist singularity has a continuum of answers
        r.setJointAngles(q);
        const Matrix4 target = r.fk(6);
        r.setJointAngles(seed);
        const int chosen = r.doInverseKinematics(target, list);
        longest = std::max(longest, list.size());
        if (chosen < 0 || !sameJoints(list[std::size_t(chosen)].q, q, 0.01f) ||
            !list[std::size_t(chosen)].near)
            ++missed;
    }
    QCOMPARE(missed, 0);
    QVERIFY2(longest <= 64, qPrintable(QString::number(longest)));

    // The case that stopped jogging: axes 2, 3 and 5 beyond 180 degrees.
    const std::array<float, 6> far{10, 200, 80, -100, -90, 30};
    r.setJointAngles(far);
    int chosen = r.solveCurrentPose(list);
    QVERIFY(chosen >= 0);
    QVERIFY(sameJoints(list[std::size_t(chosen)].q, far, 0.01f));
    QVERIFY(list[std::size_t(chosen)].near);

    // Upright: shoulder, elbow and wrist all singular. The seed comes back
    // as it is, and no configuration is listed twice.
    const std::array<float, 6> upright{0, -90, 0, -90, 0, 0};
    r.setJointAngles(upright);
    chosen = r.solveCurrentPose(list);
    QVERIFY(chosen >= 0);
    QVERIFY2(sameJoints(list[std::size_t(chosen)].q, upright, 1e-4f),
             qPrintable(QStringLiteral("%1 %2 %3 %4 %5 %6")
                            .arg(list[std::size_t(chosen)].q[0])
                            .arg(list[std::size_t(chosen)].q[1])
                            .arg(list[std::size_t(chosen)].q[2])
                            .arg(list[std::size_t(chosen)].q[3])
                            .arg(list[std::size_t(chosen)].q[4])
                            .arg(list[std::size_t(chosen)].q[5])));
    for (std::size_t i = 0; i < list.size(); ++i)
        for (std::size_t k = i + 1; k < list.size(); ++k)
            QVERIFY(!sameJoints(list[i].q, list[k].q, 1e-3f));
}

void TestRobot::configurationEdges_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<Joints6>("q");
    auto irb = irb120(-170, 170);
    irb[5].lo = -400;
    irb[5].hi = 400;
    // A negative angle type asks for the non-spherical solver, but the
    // closed form holds for this wrist.
    QTest::newRow("negative type, spherical wrist")
        << describe(irb, -1) << std::array<float, 6>{20, -30, 15, 40, 35, -60};
    // Next to the singular wrist: the bend's sign is part of the pose.
    for (float q5 : {-0.03f, 0.03f, -0.05f, 0.08f})
        QTest::addRow("wrist bend %g", double(q5))
            << describe(irb, 0) << std::array<float, 6>{40, 10, -10, 0, q5, 30};
    // Yaskawa GP7 (angle type 3: U and the wrist measured the other way
    // round): U = 100 is within -70..190 as a robot value, while the model
    // angle is -100.
    const std::vector<Axis> gp7{{0, 0, 0, 330, -170, 170}, {-90, 40, -90, 0, -65, 145},
                                {0, 445, 0, 0, -70, 190},  {-90, 40, 0, 440, -190, 190},
                                {90, 0, 0, 0, -135, 135},  {-90, 0, 0, 80, -360, 360}};
    QTest::newRow("type 3, U = 100")
        << describe(gp7, 3) << std::array<float, 6>{10, 20, 100, 30, 40, 50};
    QTest::newRow("type 3, U = -60")
        << describe(gp7, 3) << std::array<float, 6>{-30, 60, -60, -100, -70, 200};
    // FANUC M-10iA (angle type 2, J3 from the horizontal): J2 + J3 = 190
    // gives a model angle of -190, past the half turn.
    const std::vector<Axis> m10{{0, 0, 0, 450, -180, 180}, {-90, 150, -90, 0, -90, 160},
                                {0, 600, 0, 0, -180, 264}, {-90, 200, 0, 640, -190, 190},
                                {90, 0, 0, 0, -190, 190},  {-90, 0, 0, 100, -360, 360}};
    QTest::newRow("type 2, J2 + J3 = 190")
        << describe(m10, 2) << std::array<float, 6>{10, 40, 150, 30, 40, 50};
    QTest::newRow("type 2, J2 + J3 = 175")
        << describe(m10, 2) << std::array<float, 6>{-20, 100, 75, -30, -60, -50};
}

// Every listed configuration reaches the target and keeps the robot's own
// joint values within its limits; the joints the target came from are
// listed and chosen.
void TestRobot::configurationEdges()
{
    QFETCH(QByteArray, description);
    QFETCH(Joints6, q);
    ScratchInstall inst;
    Robot r;
    QCOMPARE(loadScratch(inst, r, "edge", description), 0);
    const std::vector<int> lim = r.getLimits();
    r.setJointAngles(q);
    QVERIFY(r.checkCoupledLimits(q.data()));
    const Matrix4 target = r.fk(6);
    std::vector<IkConfiguration> list;
    const int chosen = r.doInverseKinematics(target, list);
    QVERIFY(chosen >= 0);
    const auto &c = list[std::size_t(chosen)].q;
    QVERIFY2(sameJoints(c, q, 0.01f), qPrintable(QStringLiteral("chosen %1 %2 %3 %4 %5 %6")
                                                     .arg(c[0])
                                                     .arg(c[1])
                                                     .arg(c[2])
                                                     .arg(c[3])
                                                     .arg(c[4])
                                                     .arg(c[5])));
    QVERIFY(list[std::size_t(chosen)].near);
    const bool coupled = r.getAngleType() == 2 || r.getAngleType() == 4;
    for (const IkConfiguration &e : list) {
        r.setJointAngles(e.q);
        const Matrix4 f = r.fk(6);
        for (int k = 0; k < 12; ++k)
            QVERIFY2(std::fabs(f[k] - target[k]) < (k % 4 == 3 ? 0.005f : 2e-5f),
                     qPrintable(QStringLiteral("element %1 missed by %2")
                                    .arg(k)
                                    .arg(double(f[k] - target[k]))));
        QVERIFY(r.checkCoupledLimits(e.q.data()));
        for (int k = 0; k < 6; ++k)
            if (k != 2 || !coupled)
                QVERIFY(e.q[k] >= lim[2 * k] && e.q[k] <= lim[2 * k + 1]);
    }
}

void TestRobot::shippedRobotsShowTheMakersFrames()
{
    // IRB120: frame 6 is ABB's tool0. At zero the controller shows
    // [[374, 0, 630], [0.70711, 0, 0.70711, 0]] (tool Z forward, X down);
    // with axis 5 at 90 the tool points down: [[302, 0, 558], [0, 0, 1, 0]].
    Robot abb;
    QCOMPARE(
        abb.loadData(
            QFile::encodeName(DataDirs::robotDir() + QStringLiteral("ABB_IRB120.xml")).constData()),
        0);
    const struct
    {
        std::array<float, 6> q;
        float x, y, z;
        std::array<float, 4> quaternion;
    } abbCases[] = {{{0, 0, 0, 0, 0, 0}, 374, 0, 630, {0.7071068f, 0, 0.7071068f, 0}},
                    {{0, 0, 0, 0, 90, 0}, 302, 0, 558, {0, 0, 1, 0}}};
    for (const auto &t : abbCases) {
        abb.setJointAngles(t.q);
        Matrix4 pose;
        ConfData conf;
        abb.currentRobtarget(pose, conf);
        QVERIFY(std::fabs(pose[12] - t.x) < 1e-3f && std::fabs(pose[13] - t.y) < 1e-3f &&
                std::fabs(pose[14] - t.z) < 1e-3f);
        const std::array<float, 4> qt = toolbox::columnMatrixToQuaternion(pose);
        for (std::size_t k = 0; k < 4; ++k)
            QVERIFY2(std::fabs(qt[k] - t.quaternion[k]) < 1e-5f,
                     qPrintable(QStringLiteral("q%1 = %2").arg(k + 1).arg(double(qt[k]))));
    }

    // LR Mate 200iD: positive J3 raises the forearm from the horizontal.
    // Shoulder 50 forward and 330 up, upper arm 330 up, then the forearm at
    // 30 degrees: 335 along it, 35 across it, the flange 80 further along.
    Robot fanuc;
    QCOMPARE(fanuc.loadData(
                 QFile::encodeName(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml"))
                     .constData()),
             0);
    fanuc.setJointAngles(std::array<float, 6>{0, 0, 30, 0, 0, 0});
    const Matrix4 f = fanuc.fk(6);
    const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    QVERIFY(std::fabs(f[3] - (50 + 335 * c - 35 * s + 80 * c)) < 1e-3);
    QVERIFY(std::fabs(f[11] - (660 + 335 * s + 35 * c + 80 * s)) < 1e-3);
    fanuc.setJointAngles(std::array<float, 6>{0, 0, 0, 0, 0, 0});
    QVERIFY(f[11] > fanuc.fk(6)[11]);
}

void TestRobot::debugLinesOnlyWhenAsked()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    std::vector<IkConfiguration> list;
    MessageLog log;
    r.solveCurrentPose(list);
    QVERIFY(!log.contains(QStringLiteral("Chosen: ")));
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.ik.debug=true"));
    r.solveCurrentPose(list);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(log.contains(QStringLiteral("Chosen: ")));
    QVERIFY(log.contains(QStringLiteral("qAprox = []")));
    QVERIFY(log.contains(QStringLiteral("chosen = []")));
}

void TestRobot::jogModes()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QVERIFY(r.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
    r.setHB(toolbox::poseToMatrix({100, 0, 0, 90, 0, 0}, 0)); // World turned 90 about Z
    r.setJointAngles(std::array<float, 6>{10, -20, 30, 40, 50, 60}.data());
    const Matrix4 before = r.tcpWorld();
    const Matrix4 beforeBase = r.tcpBase();
    std::vector<IkConfiguration> list;
    int chosen = -1;

    // Tool axes: 5 mm along the tool's own Z.
    Matrix4 after = r.jogFromCurrent(translation(0, 0, 5), list, &chosen, 0);
    for (int c = 0; c < 3; ++c)
        QVERIFY(std::fabs(after[4 * c + 3] - (before[4 * c + 3] + 5 * before[4 * c + 2])) < 1e-3);
    QVERIFY(chosen >= 0 && list[std::size_t(chosen)].near);
    r.setJointAngles(list[std::size_t(chosen)].q);
    QVERIFY(maxDiff(r.tcpWorld(), after) < 1e-3);
    r.setJointAngles(std::array<float, 6>{10, -20, 30, 40, 50, 60}.data());

    // Base axes: 5 mm along base X, orientation kept.
    after = r.jogFromCurrent(translation(5, 0, 0), list, &chosen, 1);
    const Matrix4 afterBase = toolbox::product(r.getHB(), after);
    QVERIFY(std::fabs(afterBase[3] - (beforeBase[3] + 5)) < 1e-3);
    QVERIFY(std::fabs(afterBase[7] - beforeBase[7]) < 1e-3);
    for (int k : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        QVERIFY(std::fabs(afterBase[k] - beforeBase[k]) < 1e-5);

    // World axes: 5 mm along World X; a rotation about World Z keeps the TCP in place.
    after = r.jogFromCurrent(translation(5, 0, 0), list, &chosen, 2);
    QVERIFY(std::fabs(after[3] - (before[3] + 5)) < 1e-3);
    QVERIFY(std::fabs(after[7] - before[7]) < 1e-3);
    after = r.jogFromCurrent(toolbox::placementMatrix({0, 0, 0, 0, 0, 1}), list, &chosen, 2);
    for (int c = 0; c < 3; ++c)
        QVERIFY(std::fabs(after[4 * c + 3] - before[4 * c + 3]) < 1e-3);
    // The tool X axis turned by 1 degree about World Z.
    const double dot = before[0] * after[0] + before[4] * after[4];
    const double cross = before[0] * after[4] - before[4] * after[0];
    QVERIFY(std::fabs(std::atan2(cross, dot) * 180 / M_PI - 1.0) < 1e-3 ||
            std::fabs(before[0] * before[0] + before[4] * before[4]) < 1e-6);
}

void TestRobot::robotTargets()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    const std::array<float, 6> q{20, -30, 15, 40, 35, -60};
    r.setJointAngles(q);
    Matrix4 pose;
    ConfData conf;
    r.currentRobtarget(pose, conf);
    // Column order: translation in 12-14.
    QCOMPARE(pose[12], r.tcpWorld()[3]);
    // Quadrants and bits worked by hand: q1 = 20 -> 0, q4 = 40 -> 0, q6 = -60 -> -1;
    // arm forward (w > 0), elbow above the limit angle, axis 5 positive.
    QCOMPARE(conf.cf1, 0.0f);
    QCOMPARE(conf.cf4, 0.0f);
    QCOMPARE(conf.cf6, -1.0f);
    QCOMPARE(conf.cfx, 0.0f);

    // 0: the data match a configuration.
    r.setJointAngles(std::array<float, 6>{0, 0, 0, 0, 30, 0}.data());
    QCOMPARE(r.moveToRobtarget(pose, conf), 0);
    QVERIFY(sameJoints(r.jointValues(), q));
    // The wrist-flipped configuration has cf4 = -2, cf6 = 1 and cfx 1.
    ConfData flipped{0, -2, 1, 1};
    QCOMPARE(r.moveToRobtarget(pose, flipped), 0);
    QVERIFY(sameJoints(r.jointValues(), {20, -30, 15, -140, -35, 120}));
    // -1: only cfx matches.
    ConfData only{3, 0, -1, 0};
    QCOMPARE(r.moveToRobtarget(pose, only), -1);
    QCOMPARE(std::round(r.jointValues()[4]), 35.0f);
    // -2: nothing matches, the first configuration is taken.
    ConfData none{3, 3, 3, 7};
    QCOMPARE(r.moveToRobtarget(pose, none), -2);
    // -3: out of reach, nothing moves.
    const std::array<float, 6> now = r.jointValues();
    Matrix4 far = pose;
    far[12] = 5000;
    QCOMPARE(r.moveToRobtarget(far, conf), -3);
    QCOMPARE(r.jointValues(), now);
}

void TestRobot::recordLayouts()
{
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    std::vector<double> block(Robot::kParameterBlockSize, -1.0);
    r.Set_DK_Matrix(block.data());
    QCOMPARE(block[19], 0.0);
    QCOMPARE(block[60 + 6 * 1 + 0], -M_PI / 2); // alpha of axis 2
    QCOMPARE(block[60 + 6 * 1 + 2], -M_PI / 2); // theta of axis 2
    QCOMPARE(block[60 + 6 * 2 + 1], 270.0);     // a of axis 3
    QCOMPARE(block[60 + 6 * 3 + 3], 302.0);     // d of axis 4
    QCOMPARE(block[60 + 6 * 3 + 4], 0.0);
    QCOMPARE(block[180 + 2], -110.0);
    QCOMPARE(block[210 + 2], 70.0);
    QCOMPARE(block[54], 0.0);
    for (int k = 0; k < 600; ++k)
        QCOMPARE(block[600 + k], block[k]);

    std::vector<double> rec(Robot::kRobotRecordSize, -1.0);
    r.Set_DK_Matrix_v2(rec.data());
    QCOMPARE(rec[61], 0.0);
    QCOMPARE(rec[200 + 20 * 0 + 3], 290.0); // d of axis 1
    QCOMPARE(rec[200 + 20 * 2 + 1], 270.0); // a of axis 3
    QCOMPARE(rec[200 + 20 * 5 + 0], -M_PI / 2);
    QCOMPARE(rec[600 + 5], -400.0);
    QCOMPARE(rec[640 + 5], -400.0);
    QCOMPARE(rec[620 + 2], 70.0);
    QCOMPARE(rec[660 + 2], 70.0);
    QCOMPARE(rec[182], 0.0);
    QCOMPARE(rec[560], 0.0);
    for (int k = 0; k < 2000; ++k)
        QCOMPARE(rec[2000 + k], rec[k]);
}

QTEST_GUILESS_MAIN(TestRobot)
#include "tst_robot.moc"
