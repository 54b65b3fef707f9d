// Matrix toolbox against rotations composed here in double precision,
// hand-worked numbers and round trips: link and placement transforms,
// inverses, the five Euler conventions (with their singular poses),
// quaternions and angle-axis.
#include "kinematics/matrixcalculator.h"
#include "kinematics/matrixtoolbox.h"
#include "support/refmath.h"

#include <QtTest>
#include <cmath>
#include <random>

Q_DECLARE_METATYPE(Matrix4)
Q_DECLARE_METATYPE(Pose6)
Q_DECLARE_METATYPE(Vector4)
Q_DECLARE_METATYPE(Quaternion)

namespace {

using R3 = std::array<double, 9>; // row-major

// A turn of `deg` degrees about axis 0 (X), 1 (Y) or 2 (Z).
R3 rot(int axis, double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    R3 r{};
    r[std::size_t(4 * axis)] = 1;
    r[std::size_t(4 * i)] = r[std::size_t(4 * j)] = c;
    r[std::size_t(3 * j + i)] = s;
    r[std::size_t(3 * i + j)] = -s;
    return r;
}
R3 rx(double d)
{
    return rot(0, d);
}
R3 ry(double d)
{
    return rot(1, d);
}
R3 rz(double d)
{
    return rot(2, d);
}

R3 mul(std::initializer_list<R3> factors)
{
    R3 r = rx(0);
    for (const R3 &b : factors) {
        R3 p{};
        for (std::size_t i = 0; i < 9; ++i)
            for (std::size_t k = 0; k < 3; ++k)
                p[i] += r[i / 3 * 3 + k] * b[3 * k + i % 3];
        r = p;
    }
    return r;
}

Matrix4 rowMajor(const R3 &r, double x = 0, double y = 0, double z = 0)
{
    return {float(r[0]), float(r[1]), float(r[2]), float(x),
            float(r[3]), float(r[4]), float(r[5]), float(y),
            float(r[6]), float(r[7]), float(r[8]), float(z),
            0,           0,           0,           1};
}

// The rotation each convention number stands for, composed from scratch.
R3 ownRotation(int convention, double p4, double p5, double p6)
{
    switch (convention) {
    case 0:
        return mul({rz(p4), ry(p5), rx(p6)});
    case 1:
        return mul({rx(p6), ry(p5), rz(p4)});
    case 2:
        return mul({rz(p4), rx(p5), rz(p6)});
    case 3:
        return mul({rz(p6), ry(p5), rx(p4)});
    default:
        return mul({rz(p4), ry(p5), rz(p6)});
    }
}

// Rotation of a (not necessarily unit) quaternion, homogeneous form.
R3 fromQuaternion(double w, double x, double y, double z)
{
    const double n = w * w + x * x + y * y + z * z;
    R3 r{w * w + x * x - y * y - z * z, 2 * (x * y - w * z),
         2 * (x * z + w * y),           2 * (x * y + w * z),
         w * w - x * x + y * y - z * z, 2 * (y * z - w * x),
         2 * (x * z - w * y),           2 * (y * z + w * x),
         w * w - x * x - y * y + z * z};
    for (double &v : r)
        v /= n;
    return r;
}

// Rodrigues: column j is the image of the unit vector e_j.
R3 rodrigues(double deg, double kx, double ky, double kz)
{
    const double l = std::sqrt(kx * kx + ky * ky + kz * kz), k[3] = {kx / l, ky / l, kz / l};
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    R3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) // k x e_j has component i = eps(i, k, j) k_k
            r[std::size_t(3 * i + j)] = (i == j) * c + k[i] * k[j] * (1 - c) +
                                        s * ((i + 1) % 3 == j   ? -k[3 - i - j]
                                             : (j + 1) % 3 == i ? k[3 - i - j]
                                                                : 0);
    return r;
}

bool compareMatrix(const Matrix4 &got, const Matrix4 &want, double tol, const char *what = "")
{
    for (int k = 0; k < 16; ++k)
        if (!(std::fabs(double(got[k]) - want[k]) <= tol)) {
            qWarning("%s element %d: %.9g vs %.9g", what, k, double(got[k]), double(want[k]));
            return false;
        }
    return true;
}

// Positions within `tol`, angles within `tol` modulo a turn.
bool samePose(const Pose6 &got, const Pose6 &want, double tol)
{
    for (int k = 0; k < 6; ++k) {
        const double d = got[k] - want[k];
        if (!(std::fabs(k < 3 ? d : std::remainder(d, 360.0)) <= tol)) {
            qWarning("pose[%d]: got %.9g, want %.9g", k, double(got[k]), double(want[k]));
            return false;
        }
    }
    return true;
}

bool zz(int convention)
{
    return convention == 2 || convention == 4;
}

} // namespace

class TestMatrixToolbox : public QObject
{
    Q_OBJECT
private slots:
    void productsAndTransposes();
    void linkMatrixIsTheCraigProduct_data();
    void linkMatrixIsTheCraigProduct();
    void placementAndInverses();
    void poseMatrixMatchesOwnComposition_data();
    void poseMatrixMatchesOwnComposition();
    void knownPoses_data();
    void knownPoses();
    void nearSingularPosesRebuildTheSameMatrix_data();
    void nearSingularPosesRebuildTheSameMatrix();
    void conventionTableAndUnknownConventions();
    void quaternionRebuildsTheRotation_data();
    void quaternionRebuildsTheRotation();
    void fourNumbersToAMatrix_data();
    void fourNumbersToAMatrix();
};

void TestMatrixToolbox::productsAndTransposes()
{
    // Rotations compose like their 3x3 parts, translations as R t2 + t1.
    QVERIFY(compareMatrix(toolbox::product(rowMajor(rz(30), 1, 2, 3), rowMajor(rx(-70))),
                          rowMajor(mul({rz(30), rx(-70)}), 1, 2, 3), 1e-6));
    QVERIFY(compareMatrix(toolbox::product(rowMajor(rz(30)), rowMajor(rx(-70)), rowMajor(ry(115))),
                          rowMajor(mul({rz(30), rx(-70), ry(115)})), 1e-6));
    QVERIFY(compareMatrix(toolbox::product(rowMajor(rz(90), 1, 2, 3), rowMajor(rx(0), 4, 5, 6)),
                          rowMajor(rz(90), -4, 6, 9), 1e-5));
    // (4, 5, 6) turned a quarter about z and moved by (1, 2, 3); a direction
    // (w = 0) ignores the translation.
    const Matrix4 m = rowMajor(rz(90), 1, 2, 3);
    const Vector4 p = toolbox::product(m, Vector4{4, 5, 6, 1}),
                  d = toolbox::product(m, Vector4{4, 5, 6, 0});
    const float want[2][4] = {{-4, 6, 9, 1}, {-5, 4, 6, 0}};
    for (int i = 0; i < 4; ++i)
        QVERIFY(std::fabs(p[i] - want[0][i]) < 1e-5 && std::fabs(d[i] - want[1][i]) < 1e-5);
    // Transposes, also into doubles, touching nothing beyond the 16 values.
    double out[17];
    out[16] = 42;
    toolbox::transposeToDouble(m, out);
    const double copy[16] = {out[0], out[1], out[2],  out[3],  out[4],  out[5],  out[6],  out[7],
                             out[8], out[9], out[10], out[11], out[12], out[13], out[14], out[15]};
    QCOMPARE(toolbox::transpose(copy), m);
    QCOMPARE(toolbox::transpose(toolbox::transpose(m)), m);
    QCOMPARE(out[12], 1.0);
    QCOMPARE(out[16], 42.0);
    QCOMPARE(toolbox::identity(), rowMajor(rx(0)));
}

void TestMatrixToolbox::linkMatrixIsTheCraigProduct_data()
{
    QTest::addColumn<float>("alpha");
    QTest::addColumn<float>("a");
    QTest::addColumn<float>("theta");
    QTest::addColumn<float>("d");
    QTest::addColumn<Matrix4>("hand");
    const Matrix4 none{};
    QTest::newRow("quarter turn about z")
        << 0.0f << 0.0f << 90.0f << 0.0f
        << Matrix4{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    QTest::newRow("twist -90, d 100") << -90.0f << 0.0f << 0.0f << 100.0f
                                      << Matrix4{1, 0, 0, 0, 0, 0, 1, 100, 0, -1, 0, 0, 0, 0, 0, 1};
    QTest::newRow("twist -90 with offset") << -90.0f << 70.0f << -35.0f << 302.0f << none;
    QTest::newRow("twist 90") << 90.0f << 0.0f << 128.5f << -45.0f << none;
    QTest::newRow("oblique") << 37.0f << -125.0f << 212.0f << 48.25f << none;
}

void TestMatrixToolbox::linkMatrixIsTheCraigProduct()
{
    QFETCH(float, alpha);
    QFETCH(float, a);
    QFETCH(float, theta);
    QFETCH(float, d);
    QFETCH(Matrix4, hand);
    const ref::M want = ref::link(alpha, a, theta, d);
    Matrix4 w;
    std::copy(want.begin(), want.end(), w.begin());
    const Matrix4 got = toolbox::linkMatrix(alpha, a, theta, d);
    QVERIFY(compareMatrix(got, w, 1e-4));
    QVERIFY(hand[15] == 0 || compareMatrix(got, hand, 1e-5, "hand-worked"));
}

void TestMatrixToolbox::placementAndInverses()
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> ang(-180, 180), len(-800, 800);
    const double k = M_PI / 180;
    for (int n = 0; n < 50; ++n) {
        const Pose6 p{len(rng), len(rng), len(rng), ang(rng), ang(rng), ang(rng)};
        const Matrix4 m = toolbox::placementMatrix(p);
        QVERIFY(compareMatrix(m, rowMajor(mul({rx(p[3]), ry(p[4]), rz(p[5])}), p[0], p[1], p[2]),
                              1e-6));
        QVERIFY(compareMatrix(toolbox::radiansXYZ(p[3] * k, p[4] * k, p[5] * k),
                              rowMajor(mul({rx(p[3]), ry(p[4]), rz(p[5])})), 1e-6));
        // Translations up to ~1400 mm in float: a few ulps of that.
        const Matrix4 inv = toolbox::rigidInverse(m);
        QVERIFY(compareMatrix(toolbox::product(m, inv), toolbox::identity(), 3e-4, "M inv"));
        QVERIFY(compareMatrix(toolbox::product(inv, m), toolbox::identity(), 3e-4, "inv M"));
    }
    // Determinant 10, then -2.
    QCOMPARE(toolbox::inverse2x2({4, 7, 2, 6}), (std::array<float, 4>{0.6f, -0.7f, -0.2f, 0.4f}));
    QCOMPARE(toolbox::inverse2x2({1, 2, 3, 4}), (std::array<float, 4>{-2, 1, 1.5f, -0.5f}));
}

void TestMatrixToolbox::poseMatrixMatchesOwnComposition_data()
{
    QTest::addColumn<int>("convention");
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c)
        QTest::addRow("convention %d", c) << c;
}

void TestMatrixToolbox::poseMatrixMatchesOwnComposition()
{
    QFETCH(int, convention);
    std::mt19937 rng(100 + convention);
    std::uniform_real_distribution<float> ang(-179, 179), len(-1000, 1000);
    // Middle angle clear of the singular values, so the read-back is unique.
    std::uniform_real_distribution<float> mid(zz(convention) ? 3 : -87, zz(convention) ? 177 : 87);
    for (int n = 0; n < 200; ++n) {
        const Pose6 p{len(rng), len(rng), len(rng), ang(rng), mid(rng), ang(rng)};
        const Matrix4 own = rowMajor(ownRotation(convention, p[3], p[4], p[5]), p[0], p[1], p[2]);
        const Matrix4 built = toolbox::poseToMatrix(p, convention);
        QVERIFY(compareMatrix(built, own, 1e-6, "built"));
        QVERIFY(samePose(toolbox::matrixToPose(own, convention), p, 2e-3));
        const Pose6 back = toolbox::matrixToPose(built, convention);
        QVERIFY(samePose(back, p, 2e-3));
        QVERIFY(compareMatrix(toolbox::poseToMatrix(back, convention), built, 2e-6, "rebuilt"));
        QVERIFY(back[4] >= (zz(convention) ? 0 : -90) && back[4] <= (zz(convention) ? 180 : 90));
        QVERIFY(std::fabs(back[3]) <= 180 && std::fabs(back[5]) <= 180);
    }
}

void TestMatrixToolbox::knownPoses_data()
{
    QTest::addColumn<int>("convention");
    QTest::addColumn<Matrix4>("matrix");
    QTest::addColumn<Pose6>("expected");
    QTest::newRow("0: identity") << 0 << rowMajor(rx(0), 1, 2, 3) << Pose6{1, 2, 3, 0, 0, 0};
    QTest::newRow("0: Rz(90)") << 0 << rowMajor(rz(90)) << Pose6{0, 0, 0, 90, 0, 0};
    QTest::newRow("0: Ry(-90)Rx(40)")
        << 0 << rowMajor(mul({ry(-90), rx(40)})) << Pose6{0, 0, 0, 0, -90, 40};
    // Rz(30) Ry(90) Rx(50) only fixes the difference 50 - 30.
    QTest::newRow("0: Rz(30)Ry(90)Rx(50)")
        << 0 << rowMajor(mul({rz(30), ry(90), rx(50)})) << Pose6{0, 0, 0, 0, 90, 20};
    QTest::newRow("1: Ry(90)Rz(25)")
        << 1 << rowMajor(mul({ry(90), rz(25)})) << Pose6{0, 0, 0, 25, 90, 0};
    QTest::newRow("1: Rx(10)Ry(-90)Rz(-25)")
        << 1 << rowMajor(mul({rx(10), ry(-90), rz(-25)})) << Pose6{0, 0, 0, -35, -90, 0};
    QTest::newRow("2: Rx(180)Rz(30)")
        << 2 << rowMajor(mul({rx(180), rz(30)})) << Pose6{0, 0, 0, 0, 180, 30};
    QTest::newRow("2: Rz(70)") << 2 << rowMajor(rz(70)) << Pose6{0, 0, 0, 0, 0, 70};
    QTest::newRow("3: built from (10,20,30)")
        << 3 << rowMajor(mul({rz(30), ry(20), rx(10)}), 4, 5, 6) << Pose6{4, 5, 6, 10, 20, 30};
    QTest::newRow("3: Ry(90)Rx(-20)")
        << 3 << rowMajor(mul({ry(90), rx(-20)})) << Pose6{0, 0, 0, -20, 90, 0};
    QTest::newRow("4: Rz(30)") << 4 << rowMajor(rz(30)) << Pose6{0, 0, 0, 0, 0, 30};
    QTest::newRow("4: Rz(40)Ry(180)Rz(10)")
        << 4 << rowMajor(mul({rz(40), ry(180), rz(10)})) << Pose6{0, 0, 0, 0, 180, -30};
    // Tool pointing down as single precision delivers it: r33 misses -1 by one ulp.
    for (int c : {2, 4}) {
        Matrix4 down = rowMajor(mul({rot(c == 2 ? 0 : 1, 180), rz(30)}));
        down[10] = -0.99999994f;
        QTest::addRow("%d: tool down, r33 = -0.99999994", c)
            << c << down << Pose6{0, 0, 0, 0, 180, 30};
    }
}

void TestMatrixToolbox::knownPoses()
{
    QFETCH(int, convention);
    QFETCH(Matrix4, matrix);
    QFETCH(Pose6, expected);
    const Pose6 got = toolbox::matrixToPose(matrix, convention);
    QVERIFY(samePose(got, expected, 1e-3));
    QVERIFY(compareMatrix(toolbox::poseToMatrix(got, convention), matrix, 1e-5, "rebuilt"));
}

void TestMatrixToolbox::nearSingularPosesRebuildTheSameMatrix_data()
{
    QTest::addColumn<int>("convention");
    QTest::addColumn<Pose6>("pose");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("split");
    const float turns[][2] = {{0, 0}, {30, -50}, {-120, 75}, {179, 179}, {-90, 170}};
    // Up to 1e-5 degrees from the singular value the pose comes back to float
    // noise; at 0.001 the element is still taken as +-1, so the rebuilt matrix
    // may move by sin(0.001 deg) = 1.7e-5; at 0.1 the general branch runs (a
    // sine of 1.7e-3 from one float element near 1 carries about 1 % error).
    const struct
    {
        float offset;
        double tolerance;
    } steps[] = {{0.0f, 1e-5},   {1e-5f, 1e-5}, {-1e-5f, 1e-5}, {0.001f, 3e-5},
                 {0.003f, 3e-5}, {0.05f, 3e-5}, {0.1f, 3e-5}};
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c)
        for (float s : {zz(c) ? 0.0f : -90.0f, zz(c) ? 180.0f : 90.0f})
            for (const auto &step : steps)
                for (const auto &t : turns)
                    for (bool split : {false, true}) {
                        const float p5 = s + (s > 0 ? -step.offset : step.offset);
                        QTest::addRow("conv %d, p5 %.5f, (%g, %g)%s", c, double(p5), double(t[0]),
                                      double(t[1]), split ? ", two turns" : "")
                            << c << Pose6{100, -50, 400, t[0], p5, t[1]} << step.tolerance << split;
                    }
    // Past the singular value: the matrix is still reachable.
    QTest::newRow("conv 4, p5 180.00001")
        << 4 << Pose6{0, 0, 0, 20, 180.00001f, -60} << 1e-5 << false;
    QTest::newRow("conv 0, p5 -90.00001")
        << 0 << Pose6{0, 0, 0, 20, -90.00001f, -60} << 1e-5 << false;
}

void TestMatrixToolbox::nearSingularPosesRebuildTheSameMatrix()
{
    QFETCH(int, convention);
    QFETCH(Pose6, pose);
    QFETCH(double, tolerance);
    QFETCH(bool, split);
    Matrix4 m = toolbox::poseToMatrix(pose, convention);
    if (split) {
        // The same orientation in two turns of the middle axis, 45 degrees and
        // the rest, as a chain of float matrices delivers it: a tool straight
        // down then has r33 = -0.99999994 instead of -1.
        const bool p4First = convention != 1 && convention != 3;
        const Pose6 first{
            pose[0], pose[1], pose[2], p4First ? pose[3] : 0.0f, 45.0f, p4First ? 0.0f : pose[5]};
        const Pose6 second{
            0, 0, 0, p4First ? 0.0f : pose[3], pose[4] - 45.0f, p4First ? pose[5] : 0.0f};
        m = toolbox::product(toolbox::poseToMatrix(first, convention),
                             toolbox::poseToMatrix(second, convention));
        QVERIFY(compareMatrix(m, toolbox::poseToMatrix(pose, convention), 1e-6, "two turns"));
    }
    const Pose6 read = toolbox::matrixToPose(m, convention);
    QVERIFY(compareMatrix(toolbox::poseToMatrix(read, convention), m, tolerance, "rebuilt"));
    // Retyping the read-out must not drift either.
    const Pose6 again = toolbox::matrixToPose(toolbox::poseToMatrix(read, convention), convention);
    QVERIFY(compareMatrix(toolbox::poseToMatrix(again, convention), m, 2 * tolerance, "twice"));
    // Outside a band of 0.001 degrees the read-out is the angles built from.
    const float off = std::fabs(std::remainder(pose[4], 90.0f));
    if (!split && off > 0.0011f && off < 1)
        QVERIFY(samePose(read, pose, 1e-3));
}

void TestMatrixToolbox::conventionTableAndUnknownConventions()
{
    // Singular middle angles: +-90 degrees for the Z-Y-X kinds, 0 and 180 for
    // the Z-Z kinds; 40 degrees away they are not. Either way the angles read
    // back rebuild the rotation.
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c) {
        const toolbox::EulerConventionInfo *info = toolbox::eulerConvention(c);
        QVERIFY(info && info->name && info->key);
        const float at = zz(c) ? 0 : -90;
        for (float middle : {at, zz(c) ? 180.0f : 90.0f, zz(c) ? 40.0f : -50.0f}) {
            const Matrix4 m = info->toMatrix({10, -20, 30, 25, middle, -60});
            QCOMPARE(info->singular(m), std::fabs(middle) != 40 && std::fabs(middle) != 50);
            QVERIFY(compareMatrix(info->toMatrix(info->toPose(m)), m, 2e-5));
        }
    }
    QVERIFY(!toolbox::eulerConvention(toolbox::kEulerConventionCount));
    // Unknown numbers keep the translation and nothing else.
    for (int bad : {5, -1, 42}) {
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("Unknown Euler convention %1").arg(bad)));
        QCOMPARE(toolbox::poseToMatrix({12, -34, 56, 10, 20, 30}, bad),
                 rowMajor(rx(0), 12, -34, 56));
    }
    QTest::ignoreMessage(QtWarningMsg, "Unknown Euler convention 7");
    QCOMPARE(toolbox::matrixToPose(rowMajor(rz(45), 1, 2, 3), 7), (Pose6{1, 2, 3, 0, 0, 0}));
    // The calculator's Z-Y-Z reader.
    float pose[6] = {};
    matrixCalculator().GEOM_tr2rzyz(rowMajor(mul({rz(-130), ry(65), rz(40)}), 7, 8, 9).data(),
                                    pose);
    QVERIFY(samePose({pose[0], pose[1], pose[2], pose[3], pose[4], pose[5]},
                     {7, 8, 9, -130, 65, 40}, 1e-3));
}

void TestMatrixToolbox::quaternionRebuildsTheRotation_data()
{
    QTest::addColumn<Matrix4>("matrix");
    QTest::addColumn<Quaternion>("hand"); // up to the overall sign; zero: not worked out
    const double h = std::sqrt(0.5);
    const Quaternion none{};
    QTest::newRow("identity") << rowMajor(rx(0)) << Quaternion{1, 0, 0, 0};
    QTest::newRow("Rz(180)") << rowMajor(rz(180)) << Quaternion{0, 0, 0, 1};
    QTest::newRow("Rx(-90)") << rowMajor(rx(-90)) << Quaternion{h, -h, 0, 0};
    QTest::newRow("180 about (1,1,0)")
        << rowMajor(rodrigues(180, 1, 1, 0)) << Quaternion{0, h, h, 0};
    QTest::newRow("Rx(180)") << rowMajor(rx(180)) << Quaternion{0, 1, 0, 0};
    QTest::newRow("Ry(180)") << rowMajor(ry(180)) << Quaternion{0, 0, 1, 0};
    QTest::newRow("tool down, turned 30") << rowMajor(mul({rx(180), rz(30)})) << none;
    QTest::newRow("180 about (1,-1,0)") << rowMajor(rodrigues(180, 1, -1, 0)) << none;
    QTest::newRow("180 about (-1,2,3)") << rowMajor(rodrigues(180, -1, 2, 3)) << none;
    QTest::newRow("179.9 about (0,1,-1)") << rowMajor(rodrigues(179.9, 0, 1, -1)) << none;
    QTest::newRow("120 about (1,1,1)") << rowMajor(rodrigues(120, 1, 1, 1)) << none;
    QTest::newRow("small") << rowMajor(rodrigues(0.01, 3, -1, 2)) << none;
    // Random rotations with the Hamilton product of their elementary halves.
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> ang(-180, 180);
    for (int n = 0; n < 100; ++n) {
        const double t[3] = {ang(rng) * M_PI / 360, ang(rng) * M_PI / 720, ang(rng) * M_PI / 360};
        const double a[4] = {std::cos(t[0]), 0, 0, std::sin(t[0])},
                     b[4] = {std::cos(t[1]), 0, std::sin(t[1]), 0};
        const Quaternion ab{a[0] * b[0], -a[3] * b[2], a[0] * b[2], a[3] * b[0]};
        const double c0 = std::cos(t[2]), c1 = std::sin(t[2]);
        const Quaternion q{ab[0] * c0 - ab[1] * c1, ab[0] * c1 + ab[1] * c0,
                           ab[2] * c0 + ab[3] * c1, ab[3] * c0 - ab[2] * c1};
        QTest::addRow("random %d", n)
            << rowMajor(mul({rz(t[0] * 360 / M_PI), ry(t[1] * 360 / M_PI), rx(t[2] * 360 / M_PI)}))
            << q;
    }
}

void TestMatrixToolbox::quaternionRebuildsTheRotation()
{
    QFETCH(Matrix4, matrix);
    QFETCH(Quaternion, hand);
    const Quaternion q = toolbox::matrixToQuaternion(matrix);
    QVERIFY(std::fabs(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3] - 1) < 1e-6);
    QVERIFY(q[0] >= 0);
    QVERIFY(
        compareMatrix(rowMajor(fromQuaternion(q[0], q[1], q[2], q[3])), matrix, 1e-6, "from q"));
    double plus = 0, minus = 0;
    for (int k = 0; k < 4; ++k) {
        plus = std::max(plus, std::fabs(q[k] - hand[k]));
        minus = std::max(minus, std::fabs(q[k] + hand[k]));
    }
    QVERIFY(hand == Quaternion{} || std::min(plus, minus) < 1e-6);
    const auto qc = toolbox::columnMatrixToQuaternion(toolbox::transpose(matrix));
    for (int k = 0; k < 4; ++k)
        QVERIFY(std::fabs(qc[k] - q[k]) < 1e-7);
    // Back through the library's own quaternion reader (column-major out).
    const Matrix4 back =
        toolbox::rotationToMatrix({float(q[0]), float(q[1]), float(q[2]), float(q[3])});
    QVERIFY(compareMatrix(toolbox::transpose(back), matrix, 1e-6, "rotationToMatrix"));
}

void TestMatrixToolbox::fourNumbersToAMatrix_data()
{
    // Four numbers within 1 % of unit length are a quaternion, others an angle
    // in degrees and an axis (the angle-axis reader is also called directly);
    // the result is column-major.
    QTest::addColumn<Vector4>("values");
    QTest::addColumn<bool>("angleAxis");
    QTest::addColumn<Matrix4>("expected");
    const auto col = [](const R3 &r) { return toolbox::transpose(rowMajor(r)); };
    // (0.6, 0, 0, 0.8) turns 2 acos(0.6) about z; at norm 1.005 still so.
    const double turn = 2 * std::acos(0.6) * 180 / M_PI;
    QTest::newRow("norm 1.005") << Vector4{0.603f, 0, 0, 0.804f} << false << col(rz(turn));
    QTest::newRow("unit quaternion")
        << Vector4{0.5f, -0.5f, 0.5f, 0.5f} << false << col(fromQuaternion(0.5, -0.5, 0.5, 0.5));
    QTest::newRow("norm 1.02: 0.612 degrees about z")
        << Vector4{0.612f, 0, 0, 0.816f} << false << col(rz(0.612));
    QTest::newRow("axis length 2") << Vector4{90, 0, 0, 2} << false << col(rz(90));
    QTest::newRow("unit axis") << Vector4{90, 0, 0, 1} << true << col(rz(90));
    QTest::newRow("no angle") << Vector4{0, 1, 0, 0} << true << toolbox::identity();
    QTest::newRow("no axis") << Vector4{45, 0, 0, 0.0005f} << false << toolbox::identity();
    QTest::newRow("general") << Vector4{37, 1, -2, 0.5f} << false << col(rodrigues(37, 1, -2, 0.5));
    QTest::newRow("negative") << Vector4{-250, -0.3f, 0.1f, 4} << true
                              << col(rodrigues(-250, -0.3, 0.1, 4));
}

void TestMatrixToolbox::fourNumbersToAMatrix()
{
    QFETCH(Vector4, values);
    QFETCH(bool, angleAxis);
    QFETCH(Matrix4, expected);
    const Matrix4 m =
        angleAxis ? toolbox::angleAxisToMatrix(values) : toolbox::rotationToMatrix(values);
    QVERIFY(compareMatrix(m, expected, 1e-6));
    // A proper rotation to float precision: R R^T = 1.
    const R3 r{m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]};
    QVERIFY(
        compareMatrix(rowMajor(mul({r, {r[0], r[3], r[6], r[1], r[4], r[7], r[2], r[5], r[8]}})),
                      toolbox::identity(), 1e-6, "R R^T"));
}

QTEST_GUILESS_MAIN(TestMatrixToolbox)
#include "tst_matrixtoolbox.moc"
