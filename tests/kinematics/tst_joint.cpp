// Joint: link transforms, attaching CAD geometry to a link frame, normals.
#include "kinematics/joint.h"
#include "support/refmath.h"

#include <QtTest>
#include <cmath>
#include <random>

namespace {

using ref::M;
using ref::mul;
using ref::rotX;
using ref::rotZ;
using ref::trans;

Joint axis(int alpha, int a, int theta, float d, float angle = 0.0f)
{
    Joint j;
    j.setAlpha(alpha);
    j.setA(a);
    j.setTheta(theta);
    j.setD(d);
    j.setAngle(angle);
    return j;
}

void compare(const Matrix4 &got, const M &want, double tol = 1e-5)
{
    for (int k = 0; k < 16; ++k)
        QVERIFY2(
            std::fabs(got[k] - want[k]) < tol,
            qPrintable(QStringLiteral("element %1: %2 vs %3").arg(k).arg(got[k]).arg(want[k])));
}

std::array<double, 3> apply(const Matrix4 &m, const double *p)
{
    std::array<double, 3> r{};
    for (int i = 0; i < 3; ++i)
        r[i] = m[4 * i] * p[0] + m[4 * i + 1] * p[1] + m[4 * i + 2] * p[2] + m[4 * i + 3];
    return r;
}

// Two triangles sharing the edge (0,0,0)-(1,0,0), the second one turned by
// `fold` degrees about that edge.
Joint foldedPair(double fold)
{
    Joint j;
    j.addVertex(0, 0, 0);
    j.addVertex(1, 0, 0);
    j.addVertex(0, 1, 0);
    const double t = fold * M_PI / 180;
    j.addVertex(1, 0, 0);
    j.addVertex(0, 0, 0);
    j.addVertex(0, -std::cos(t), std::sin(t));
    j.attachGeometry(toolbox::identity(), 1.0f);
    return j;
}

} // namespace

class TestJoint : public QObject
{
    Q_OBJECT
private slots:
    void linkTransformMatchesTheCraigProduct_data();
    void linkTransformMatchesTheCraigProduct();
    void linkTransformHandWorked();
    void variantsDifferOnlyInTheJointValue();
    void attachedGeometryReturnsToCadThroughTheFrame();
    void attachScalesBeforeTransforming();
    void flatNormalsFollowTheWinding();
    void smoothNormalsAverageOnlyGentleFolds();
    void smoothNormalsMatchTheAllPairsRule();
    void degenerateTriangleGetsAZeroNormal();
    void boxStartsAtTheOrigin();
    void colourSetsTheMaterials();
    void resetEmptiesEverything();
};

void TestJoint::linkTransformMatchesTheCraigProduct_data()
{
    QTest::addColumn<int>("alpha");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("theta");
    QTest::addColumn<float>("d");
    QTest::addColumn<float>("angle");
    QTest::newRow("IRB120 axis 2") << -90 << 0 << -90 << 0.0f << 25.0f;
    QTest::newRow("IRB120 axis 4") << -90 << 70 << 0 << 302.0f << -140.5f;
    QTest::newRow("twist 90") << 90 << 0 << 0 << 0.0f << 33.3f;
    QTest::newRow("everything") << 37 << -125 << 12 << 48.25f << 271.0f;
}

void TestJoint::linkTransformMatchesTheCraigProduct()
{
    QFETCH(int, alpha);
    QFETCH(int, a);
    QFETCH(int, theta);
    QFETCH(float, d);
    QFETCH(float, angle);
    const Joint j = axis(alpha, a, theta, d, angle);
    const M want = mul(mul(mul(rotX(alpha), trans(a, 0, 0)), trans(0, 0, d)), rotZ(theta + angle));
    compare(j.linkMatrix(), want, 1e-4);
}

void TestJoint::linkTransformHandWorked()
{
    // A pure rotation of +90 degrees about Z.
    const Matrix4 rz = axis(0, 0, 90, 0).linkMatrix();
    compare(rz, {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    // Twist -90 with an offset of 100 along the new Z.
    const Matrix4 tw = axis(-90, 0, 0, 100).linkMatrix();
    QCOMPARE(std::round(tw[4]), 0.0f);
    QCOMPARE(std::round(tw[6]), 1.0f);
    QCOMPARE(std::round(tw[7]), 100.0f);
    QCOMPARE(std::round(tw[9]), -1.0f);
    QCOMPARE(std::round(tw[11]), 0.0f);
    // An offset cancelled by the joint value gives no rotation.
    compare(axis(0, 0, 10, 0, -10).linkMatrix(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    // The base record has all parameters zero: identity whatever its angle.
    Joint base;
    base.setId("Base");
    compare(base.linkMatrix(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

void TestJoint::variantsDifferOnlyInTheJointValue()
{
    const Joint j = axis(-90, 70, -90, 302, 15);
    compare(j.linkMatrixWith(40), mul(mul(rotX(-90), trans(70, 0, 302)), rotZ(-90 + 40)), 1e-4);
    compare(j.linkMatrixOffset(5), mul(mul(rotX(-90), trans(70, 0, 302)), rotZ(-90 + 15 + 5)),
            1e-4);
}

void TestJoint::attachedGeometryReturnsToCadThroughTheFrame()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-500, 500);
    Joint j;
    for (int i = 0; i < 30; ++i)
        j.addVertex(u(rng), u(rng), u(rng));
    Joint part;
    part.addVertex(10, 20, 30);
    part.addVertex(-5, 0, 2);
    part.addVertex(0, 0, 1);
    j.addPart(part);

    // A frame several links down a chain, in CAD coordinates.
    const Matrix4 frame = toolbox::product(toolbox::product(axis(0, 0, 0, 290, 20).linkMatrix(),
                                                            axis(-90, 0, -90, 0, -35).linkMatrix()),
                                           axis(0, 270, 0, 0, 60).linkMatrix());
    j.attachGeometry(frame, 1.0f);
    QCOMPARE(j.getDrawVertices().size(), std::size_t(90));
    QCOMPARE(j.getValueCount(), 90u);
    for (std::size_t i = 0; i < 30; ++i) {
        const double local[3] = {j.getDrawVertices()[3 * i], j.getDrawVertices()[3 * i + 1],
                                 j.getDrawVertices()[3 * i + 2]};
        const auto back = apply(frame, local);
        for (int c = 0; c < 3; ++c)
            QVERIFY(std::fabs(back[c] - j.getVertices()[i][c]) < 1e-3);
    }
    // Parts are attached with the same frame.
    const auto &pv = j.getParts()[0].getDrawVertices();
    QCOMPARE(pv.size(), std::size_t(9));
    const double local[3] = {pv[0], pv[1], pv[2]};
    const auto back = apply(frame, local);
    QVERIFY(std::fabs(back[0] - 10) < 1e-3 && std::fabs(back[1] - 20) < 1e-3 &&
            std::fabs(back[2] - 30) < 1e-3);
}

void TestJoint::attachScalesBeforeTransforming()
{
    Joint j;
    j.addVertex(1, 2, 3);
    j.addVertex(0, 0, 0);
    j.addVertex(1, 0, 0);
    Matrix4 shift = toolbox::identity();
    shift[3] = 100; // frame 100 mm along X
    j.attachGeometry(shift, 10.0f);
    // 10 x (1, 2, 3) = (10, 20, 30) in CAD, i.e. (-90, 20, 30) in the frame.
    QCOMPARE(j.getDrawVertices()[0], -90.0f);
    QCOMPARE(j.getDrawVertices()[1], 20.0f);
    QCOMPARE(j.getDrawVertices()[2], 30.0f);
}

void TestJoint::flatNormalsFollowTheWinding()
{
    Joint j;
    j.addVertex(0, 0, 0);
    j.addVertex(2, 0, 0);
    j.addVertex(0, 3, 0); // counter-clockwise seen from +Z
    j.addVertex(0, 0, 0);
    j.addVertex(0, 0, 5);
    j.addVertex(0, 4, 0); // (0,0,5)x(0,4,0) = (-20,0,0)
    j.attachGeometry(toolbox::identity(), 1.0f);
    const auto &n = j.getDrawNormals();
    for (int v = 0; v < 3; ++v) {
        QCOMPARE(n[3 * v + 2], 1.0f);
        QCOMPARE(n[9 + 3 * v], -1.0f);
    }
}

void TestJoint::smoothNormalsAverageOnlyGentleFolds()
{
    // At 90 degrees (cos 0 < 0.6) the faces keep their own normals.
    Joint sharp = foldedPair(90);
    sharp.computeSmoothNormals();
    QCOMPARE(sharp.getDrawNormals()[2], 1.0f); // first face still +Z
    QCOMPARE(sharp.getDrawNormals()[0], 0.0f);

    // At 30 degrees (cos 0.87) the shared edge gets the bisector, the free
    // corners keep their face normal.
    Joint gentle = foldedPair(30);
    const float faceB[3] = {gentle.getDrawNormals()[9], gentle.getDrawNormals()[10],
                            gentle.getDrawNormals()[11]};
    gentle.computeSmoothNormals();
    const auto &n = gentle.getDrawNormals();
    double bis[3] = {0 + faceB[0], 0 + faceB[1], 1 + faceB[2]};
    const double l = std::sqrt(bis[0] * bis[0] + bis[1] * bis[1] + bis[2] * bis[2]);
    for (int c = 0; c < 3; ++c) {
        QVERIFY(std::fabs(n[c] - bis[c] / l) < 1e-6);     // vertex (0,0,0) of face A
        QVERIFY(std::fabs(n[3 + c] - bis[c] / l) < 1e-6); // vertex (1,0,0) of face A
    }
    QCOMPARE(n[8], 1.0f); // the free corner (0,1,0) of face A
}

void TestJoint::smoothNormalsMatchTheAllPairsRule()
{
    // A random surface on a coarse grid, so many vertices coincide.
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> g(0, 4);
    Joint j;
    for (int t = 0; t < 400; ++t)
        for (int v = 0; v < 3; ++v)
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
            for (int c = 0; c < 3; ++c) {
                d2 += (p[3 * u + c] - p[3 * v + c]) * (p[3 * u + c] - p[3 * v + c]);
                dot += flat[3 * u + c] * flat[3 * v + c];
            }
            if (d2 < 1e-6 && std::fabs(dot - 0.6) < 1e-4)
                borderline = true;
            if (d2 < 1e-6 && dot > 0.6)
                for (int c = 0; c < 3; ++c)
                    s[c] += flat[3 * u + c];
        }
        if (borderline)
            continue;
        ++checked;
        const double l = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        for (int c = 0; c < 3; ++c) {
            const double want = l > 0 ? s[c] / l : 0.0;
            QVERIFY2(std::fabs(j.getDrawNormals()[3 * v + c] - want) < 1e-5,
                     qPrintable(QStringLiteral("vertex %1").arg(v)));
        }
    }
    QVERIFY(checked > n * 3 / 4);
}

void TestJoint::degenerateTriangleGetsAZeroNormal()
{
    Joint j;
    j.addVertex(1, 1, 1);
    j.addVertex(1, 1, 1);
    j.addVertex(2, 2, 2);
    j.attachGeometry(toolbox::identity(), 1.0f);
    for (float c : j.getDrawNormals())
        QVERIFY(std::isfinite(c) && c == 0.0f);
    j.computeSmoothNormals();
    for (float c : j.getDrawNormals())
        QVERIFY(std::isfinite(c));
}

void TestJoint::boxStartsAtTheOrigin()
{
    Joint j;
    j.resetBox();
    j.extendBox(10, 20, 30);
    j.extendBox(5, -4, 40);
    const auto &b = j.getBox();
    QCOMPARE(b, (std::array<float, 6>{0, -4, 0, 10, 20, 40}));
}

void TestJoint::colourSetsTheMaterials()
{
    Joint j;
    j.setColor(0.1f, 0.2f, 0.3f);
    QCOMPARE(j.getAmbient(), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 1.0f}));
    QCOMPARE(j.getColor(), (std::array<float, 3>{0.1f, 0.2f, 0.3f}));
}

void TestJoint::resetEmptiesEverything()
{
    Joint j = foldedPair(45);
    j.addNormal(0, 0, 1);
    Joint part = foldedPair(10);
    j.addPart(part);
    j.reset();
    QVERIFY(j.getVertices().empty());
    QVERIFY(j.getNormals().empty());
    QVERIFY(j.getParts().empty());
    QVERIFY(j.getDrawVertices().empty());
    QCOMPARE(j.getValueCount(), 0u);
    // Copies own their arrays: the copy taken before survives the reset.
    QCOMPARE(part.getDrawVertices().size(), std::size_t(18));
}

QTEST_GUILESS_MAIN(TestJoint)
#include "tst_joint.moc"
