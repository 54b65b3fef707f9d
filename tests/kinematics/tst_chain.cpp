// The kinematic chain and its links: the solver seeded explicitly, the
// trigonometry the hot paths use instead of the library's, and each Joint's
// link transform, attached geometry and normals.
#include "kinematics/chain.h"
#include "kinematics/joint.h"
#include "kinematics/robot.h"
#include "kinematics/solver.h"
#include "kinematics/trig.h"
#include "support/refmath.h"
#include "support/robots.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <random>

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

Joint axis(double alpha, double a, double theta, double d, float angle = 0.0f)
{
    Joint j;
    j.setAlpha(alpha);
    j.setA(a);
    j.setTheta(theta);
    j.setD(d);
    j.setAngle(angle);
    return j;
}

bool near(const Matrix4 &got, const ref::M &want, double tol)
{
    for (std::size_t k = 0; k < 16; ++k)
        if (!(std::fabs(got[k] - want[k]) < tol))
            return false;
    return true;
}

} // namespace

class TestChain : public QObject
{
    Q_OBJECT
private slots:
    void explicitSeedLeavesTheJointsAlone();
    void trigonometryWithinOneUnitOfTheLibrary();
    void linkTransformIsTheCraigProduct();
    void attachedGeometryReturnsToCadThroughTheFrame();
    void flatNormalsFollowTheWinding();
    void smoothNormalsMatchTheAllPairsRule();
};

void TestChain::explicitSeedLeavesTheJointsAlone()
{
    Robot r;
    QVERIFY(support::loadShipped(r, QStringLiteral("ABB_IRB120.xml")));
    const std::array<float, 6> at{10, -20, 30, 40, 50, 60};
    r.setJointAngles(at);
    const Matrix4 target = r.fk(6);
    // Seeded near another configuration: the elbow above, the wrist flipped.
    const float elsewhere[6] = {12, -18, 28, -135, -50, -118};
    std::vector<IkConfiguration> seeded, current;
    const int chosen = r.doInverseKinematics(target, elsewhere, seeded);
    QCOMPARE(r.jointValues(), at);
    // The same list as a robot standing at the seed gives, and a different
    // choice than the one standing at the target.
    r.setJointAngles(elsewhere);
    QCOMPARE(r.doInverseKinematics(target, current), chosen);
    QCOMPARE(seeded.size(), current.size());
    for (std::size_t i = 0; i < seeded.size(); ++i)
        QCOMPARE(seeded[i].q, current[i].q);
    QVERIFY(std::fabs(seeded[std::size_t(chosen)].q[3] - 40.0f) > 90.0f);
    std::vector<IkConfiguration> home;
    const int nearest = kinematics::solve(r.chain(), target, at.data(), home);
    QVERIFY(nearest >= 0);
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY(std::fabs(home[std::size_t(nearest)].q[k] - at[k]) < 1e-3f);
}

void TestChain::trigonometryWithinOneUnitOfTheLibrary()
{
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> turns(-8.0 * M_PI, 8.0 * M_PI), unit(-1.0, 1.0);
    long long worstSin = 0, worstAtan = 0;
    for (int i = 0; i < 200000; ++i) {
        // Plain angles, and degrees of float joint values as the chain forms them.
        const double x = i % 2 ? turns(gen) : double(float(turns(gen) * 57.3)) * M_PI / 180.0;
        const kinematics::trig::SinCos sc = kinematics::trig::sinCos(x);
        worstSin = std::max({worstSin, ulps(sc.s, std::sin(x)), ulps(sc.c, std::cos(x))});
        const double y = unit(gen) * (i % 3 ? 1.0 : 1e-4), z = unit(gen) * (i % 5 ? 1.0 : 1e4);
        worstAtan = std::max(worstAtan, ulps(kinematics::trig::atan2(y, z), std::atan2(y, z)));
    }
    QVERIFY2(worstSin <= 1, qPrintable(QString::number(worstSin)));
    QVERIFY2(worstAtan <= 1, qPrintable(QString::number(worstAtan)));
    // Exact multiples of a right angle and the edges the library keeps.
    QCOMPARE(kinematics::trig::sinCos(0.0).c, 1.0);
    QCOMPARE(kinematics::trig::sinCos(M_PI / 2).c, std::cos(M_PI / 2));
    QCOMPARE(kinematics::trig::atan2(0.0, -1.0), M_PI);
    QCOMPARE(kinematics::trig::atan2(-0.0, -1.0), -M_PI);
    QCOMPARE(kinematics::trig::atan2(1.0, 0.0), M_PI / 2);
}

void TestChain::linkTransformIsTheCraigProduct()
{
    // The joint value adds to theta; the base record, all zero, is the identity.
    const double rows[][5] = {
        {-90, 0, -90, 0, 25}, {-90, 70, 0, 302, -140.5}, {37, -125, 12, 48.25, 271}};
    for (const auto &p : rows) {
        const Joint j = axis(p[0], p[1], p[2], p[3], float(p[4]));
        QVERIFY(near(j.linkMatrix(), ref::link(p[0], p[1], p[2] + p[4], p[3]), 1e-4));
        QVERIFY(near(j.linkMatrixWith(40), ref::link(p[0], p[1], p[2] + 40, p[3]), 1e-4));
        QVERIFY(near(j.linkMatrixOffset(5), ref::link(p[0], p[1], p[2] + p[4] + 5, p[3]), 1e-4));
    }
    QVERIFY(near(axis(0, 0, 90, 0).linkMatrix(), {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                 1e-6));
    QVERIFY(near(axis(-90, 0, 0, 100).linkMatrix(),
                 {1, 0, 0, 0, 0, 0, 1, 100, 0, -1, 0, 0, 0, 0, 0, 1}, 1e-5));
    Joint base;
    base.setId("Base");
    QCOMPARE(base.linkMatrix(), toolbox::identity());
}

void TestChain::attachedGeometryReturnsToCadThroughTheFrame()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-500, 500);
    Joint j, part;
    for (int i = 0; i < 30; ++i)
        j.addVertex(u(rng), u(rng), u(rng));
    part.addVertex(10, 20, 30);
    part.addVertex(-5, 0, 2);
    part.addVertex(0, 0, 1);
    j.addPart(part);
    // A frame several links down a chain, and CAD coordinates scaled by 2
    // before they are brought into it.
    const Matrix4 frame = toolbox::product(axis(0, 0, 0, 290, 20).linkMatrix(),
                                           axis(-90, 0, -90, 0, -35).linkMatrix(),
                                           axis(0, 270, 0, 0, 60).linkMatrix());
    j.attachGeometry(frame, 2.0f);
    QCOMPARE(j.getDrawVertices().size(), std::size_t(90));
    QCOMPARE(j.getValueCount(), 90u);
    auto back = [&frame](const std::vector<float> &v, std::size_t i, int c) {
        return frame[4 * c] * v[3 * i] + frame[4 * c + 1] * v[3 * i + 1] +
               frame[4 * c + 2] * v[3 * i + 2] + frame[4 * c + 3];
    };
    for (std::size_t i = 0; i < 30; ++i)
        for (int c = 0; c < 3; ++c)
            QVERIFY(std::fabs(back(j.getDrawVertices(), i, c) - 2 * j.getVertices()[i][c]) < 2e-3);
    // Parts are attached with the same frame and scale.
    const std::vector<float> &pv = j.getParts()[0].getDrawVertices();
    QCOMPARE(pv.size(), std::size_t(9));
    QVERIFY(std::fabs(back(pv, 0, 0) - 20) < 1e-3 && std::fabs(back(pv, 0, 1) - 40) < 1e-3 &&
            std::fabs(back(pv, 0, 2) - 60) < 1e-3);
}

void TestChain::flatNormalsFollowTheWinding()
{
    // Counter-clockwise seen from +Z, then (0,0,5) x (0,4,0) = (-20,0,0), then
    // a triangle without area: a zero normal, smooth or flat.
    Joint j;
    for (const std::array<double, 3> &v : std::initializer_list<std::array<double, 3>>{{0, 0, 0},
                                                                                       {2, 0, 0},
                                                                                       {0, 3, 0},
                                                                                       {0, 0, 0},
                                                                                       {0, 0, 5},
                                                                                       {0, 4, 0},
                                                                                       {1, 1, 1},
                                                                                       {1, 1, 1},
                                                                                       {2, 2, 2}})
        j.addVertex(v[0], v[1], v[2]);
    j.attachGeometry(toolbox::identity(), 1.0f);
    const std::vector<float> want = {0, 0,  1, 0, 0, 1, 0, 0, 1, -1, 0, 0, -1, 0,
                                     0, -1, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0};
    QCOMPARE(j.getDrawNormals(), want);
    j.computeSmoothNormals();
    QVERIFY(std::equal(want.begin() + 18, want.end(), j.getDrawNormals().begin() + 18));
}

void TestChain::smoothNormalsMatchTheAllPairsRule()
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

QTEST_GUILESS_MAIN(TestChain)
#include "tst_chain.moc"
