// The kinematic chain as data: the angle-type table in both directions and
// both precisions, the solver seeded explicitly, and the trigonometry the
// hot paths use instead of the library's.
#include "kinematics/chain.h"
#include "support/robots.h"
#include "kinematics/robot.h"
#include "kinematics/solver.h"
#include "kinematics/trig.h"
#include "models/datadirs.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <random>

using Six = std::array<double, 6>;
Q_DECLARE_METATYPE(Six)

namespace {

// Distance in units of the last place between two doubles of one sign.
long long ulps(double a, double b)
{
    if (a == b)
        return 0;
    if (std::signbit(a) != std::signbit(b))
        return 1LL << 62;
    long long x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x > y ? x - y : y - x;
}

Robot *irb120()
{
    static Robot robot;
    static const bool loaded = support::loadShipped(robot, QStringLiteral("ABB_IRB120.xml"));
    return loaded ? &robot : nullptr;
}

} // namespace

class TestChain : public QObject
{
    Q_OBJECT
private slots:
    void angleTypesAsWorkedByHand_data();
    void angleTypesAsWorkedByHand();
    void explicitSeedLeavesTheJointsAlone();
    void trigonometryWithinOneUnitOfTheLibrary();
};

void TestChain::angleTypesAsWorkedByHand_data()
{
    // Robot values (11, 22, 33, 44, 55, 66) and the model angles each type
    // makes of them, worked out from the makers' conventions.
    QTest::addColumn<int>("type");
    QTest::addColumn<Six>("model");
    const Six same{11, 22, 33, 44, 55, 66};
    QTest::newRow("0") << 0 << same;
    QTest::newRow("1") << 1 << same;
    QTest::newRow("2 parallelogram") << 2 << Six{11, 22, -55, -44, -55, -66};
    QTest::newRow("3") << 3 << Six{11, 22, -33, -44, -55, -66};
    QTest::newRow("4 from the horizontal") << 4 << Six{11, 22, 11, 44, 55, 66};
    QTest::newRow("5") << 5 << Six{-11, 22, 33, -44, 55, -66};
    QTest::newRow("6") << 6 << Six{11, 22, -33, 44, 55, 66};
    QTest::newRow("-1") << -1 << same;
    QTest::newRow("7") << 7 << same;
}

void TestChain::angleTypesAsWorkedByHand()
{
    QFETCH(int, type);
    QFETCH(Six, model);
    const kinematics::AngleRules &rules = kinematics::angleRules(type);
    const Six robot{11, 22, 33, 44, 55, 66};

    double d[6];
    kinematics::toModel(rules, robot.data(), d);
    float f[6];
    const float robotF[6] = {11, 22, 33, 44, 55, 66};
    kinematics::toModel(rules, robotF, f);
    for (int k = 0; k < 6; ++k) {
        QCOMPARE(d[k], model[std::size_t(k)]);
        QCOMPARE(double(f[k]), model[std::size_t(k)]);
    }
    // Back again, in place.
    kinematics::toRobot(rules, d, d);
    kinematics::toRobot(rules, f, f);
    for (int k = 0; k < 6; ++k) {
        QCOMPARE(d[k], robot[std::size_t(k)]);
        QCOMPARE(double(f[k]), robot[std::size_t(k)]);
    }
}

void TestChain::explicitSeedLeavesTheJointsAlone()
{
    Robot *r = irb120();
    QVERIFY(r);
    const float at[6] = {10, -20, 30, 40, 50, 60};
    r->setJointAngles(at);
    const Matrix4 target = r->fk(6);
    // Seeded near another configuration: the elbow above, the wrist flipped.
    const float elsewhere[6] = {12, -18, 28, -135, -50, -118};
    std::vector<IkConfiguration> seeded, current;
    const int chosen = r->doInverseKinematics(target, elsewhere, seeded);
    QCOMPARE(r->jointValues(), (std::array<float, 6>{10, -20, 30, 40, 50, 60}));

    // The same list as a robot standing at the seed gives, and a different
    // choice than the one standing at the target.
    r->setJointAngles(elsewhere);
    QCOMPARE(r->doInverseKinematics(target, current), chosen);
    QCOMPARE(seeded.size(), current.size());
    for (std::size_t i = 0; i < seeded.size(); ++i)
        QCOMPARE(seeded[i].q, current[i].q);
    const std::array<float, 6> flipped = seeded[std::size_t(chosen)].q;
    QVERIFY(std::fabs(flipped[3] - 40.0f) > 90.0f);
    r->setJointAngles(at);
    std::vector<IkConfiguration> home;
    const int nearest = kinematics::solve(r->chain(), target, at, home);
    QVERIFY(nearest >= 0);
    for (int k = 0; k < 6; ++k)
        QVERIFY(std::fabs(home[std::size_t(nearest)].q[std::size_t(k)] - at[k]) < 1e-3f);
}

void TestChain::trigonometryWithinOneUnitOfTheLibrary()
{
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> turns(-8.0 * M_PI, 8.0 * M_PI), unit(-1.0, 1.0);
    long long worstSin = 0, worstAtan = 0;
    double px = 0.0, py = 0.0, pz = 1.0; // the previous sample, for the paired versions
    for (int i = 0; i < 200000; ++i) {
        // Plain angles, and degrees of float joint values as the chain forms them.
        const double x = i % 2 ? turns(gen) : double(float(turns(gen) * 57.3)) * M_PI / 180.0;
        kinematics::trig::SinCos sc = kinematics::trig::sinCos(x), pair[2];
        worstSin = std::max({worstSin, ulps(sc.s, std::sin(x)), ulps(sc.c, std::cos(x))});
        kinematics::trig::sinCos2(px, x, pair[0], pair[1]);
        worstSin = std::max({worstSin, ulps(pair[0].s, std::sin(px)), ulps(pair[1].c, std::cos(x))});
        const double y = unit(gen) * (i % 3 ? 1.0 : 1e-4), z = unit(gen) * (i % 5 ? 1.0 : 1e4);
        double a[2];
        kinematics::trig::atan2x2(py, pz, y, z, a[0], a[1]);
        worstAtan = std::max({worstAtan, ulps(kinematics::trig::atan2(y, z), std::atan2(y, z)),
                              ulps(a[0], std::atan2(py, pz)), ulps(a[1], std::atan2(y, z))});
        px = x, py = y, pz = z;
    }
    QVERIFY2(worstSin <= 1, qPrintable(QString::number(worstSin)));
    QVERIFY2(worstAtan <= 1, qPrintable(QString::number(worstAtan)));
    // Exact multiples of a right angle and the edges the library keeps.
    QCOMPARE(kinematics::trig::sinCos(0.0).c, 1.0);
    QCOMPARE(kinematics::trig::sinCos(M_PI / 2).c, std::cos(M_PI / 2));
    QCOMPARE(kinematics::trig::atan2(0.0, -1.0), M_PI);
    QCOMPARE(kinematics::trig::atan2(-0.0, -1.0), -M_PI);
    QCOMPARE(kinematics::trig::atan2(1.0, 0.0), M_PI / 2);
    // One lane at an edge sends the pair the long way; both lanes stay right.
    double a[2];
    kinematics::trig::atan2x2(-0.0, -1.0, 1.0, -1.0, a[0], a[1]);
    QCOMPARE(a[0], -M_PI);
    QCOMPARE(a[1], 3 * M_PI / 4);
}

QTEST_GUILESS_MAIN(TestChain)
#include "tst_chain.moc"
