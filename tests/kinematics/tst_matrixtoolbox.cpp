// Matrix toolbox against rotations composed here in double precision, numbers
// worked by hand and round trips, singular Euler poses and quaternions included.
#include "kinematics/matrixtoolbox.h"
#include "support/refmath.h"

#include <QtTest>
#include <cmath>
#include <random>

Q_DECLARE_METATYPE(Matrix4)
Q_DECLARE_METATYPE(Pose6)
Q_DECLARE_METATYPE(Vector4)

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
const auto rx = [](double d) { return rot(0, d); };
const auto ry = [](double d) { return rot(1, d); };
const auto rz = [](double d) { return rot(2, d); };

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
bool zz(int convention)
{
    return convention == 2 || convention == 4;
}
// Conventions 0-4: Rz Ry Rx (p4 p5 p6), Rx Ry Rz (p6 p5 p4), Rz Rx Rz, Rz Ry Rx (p6 p5 p4), Rz Ry
// Rz.
R3 ownRotation(int c, double p4, double p5, double p6)
{
    const int axes[5][3] = {{2, 1, 0}, {0, 1, 2}, {2, 0, 2}, {2, 1, 0}, {2, 1, 2}};
    const bool p6First = c == 1 || c == 3;
    return mul({rot(axes[c][0], p6First ? p6 : p4), rot(axes[c][1], p5),
                rot(axes[c][2], p6First ? p4 : p6)});
}
// Rotation of any quaternion: ((w^2 - v.v) I + 2 v v^T + 2 w [v]x) / length^2.
R3 fromQuaternion(double w, double x, double y, double z)
{
    const double v[3] = {x, y, z}, n = w * w + x * x + y * y + z * z;
    R3 r{};
    for (int i = 0; i < 9; ++i) {
        const int row = i / 3, col = i % 3, other = 3 - row - col;
        const double cross = row == col ? 0 : (col - row + 3) % 3 == 1 ? -v[other] : v[other];
        r[std::size_t(i)] =
            ((row == col) * (2 * w * w - n) + 2 * v[row] * v[col] + 2 * w * cross) / n;
    }
    return r;
}
// A turn about (kx, ky, kz): the rotation of the quaternion (cos t/2, sin t/2 k).
R3 turn(double deg, double kx, double ky, double kz)
{
    const double t = deg * M_PI / 360, s = std::sin(t) / std::sqrt(kx * kx + ky * ky + kz * kz);
    return fromQuaternion(std::cos(t), s * kx, s * ky, s * kz);
}
template <typename Want>
bool compareMatrix(const Matrix4 &got, const Want &want, double tol, const char *what = "")
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
    for (int k = 0; k < 6; ++k)
        if (!(std::fabs(k < 3 ? got[k] - want[k] : std::remainder(got[k] - want[k], 360.0f)) <=
              tol))
            return false;
    return true;
}

} // namespace

class TestMatrixToolbox : public QObject
{
    Q_OBJECT
private slots:
    void productsInversesAndTransforms();
    void posesAsComposedHere_data();
    void posesAsComposedHere();
    void nearSingularPosesRebuildTheSameMatrix_data();
    void nearSingularPosesRebuildTheSameMatrix();
    void quaternionsAndAngleAxis_data();
    void quaternionsAndAngleAxis();
};

void TestMatrixToolbox::productsInversesAndTransforms()
{
    // Translations compose as R t2 + t1; a direction (w = 0) ignores them.
    const Matrix4 m = rowMajor(rz(90), 1, 2, 3);
    QVERIFY(compareMatrix(toolbox::product(m, rowMajor(rx(0), 4, 5, 6)), rowMajor(rz(90), -4, 6, 9),
                          1e-5));
    QVERIFY(compareMatrix(toolbox::product(rowMajor(rz(30)), rowMajor(rx(-70)), rowMajor(ry(115))),
                          rowMajor(mul({rz(30), rx(-70), ry(115)})), 1e-6));
    // Each element is summed in double and rounded once: 1e8 + 1 - 1e8 is 1
    // (in float the 1 would be lost), in every column. Sums start from +0.0,
    // so an element whose terms are all negative zeros comes out positive.
    Matrix4 big{};
    big[0] = 1e8f, big[1] = 1.0f, big[2] = -1e8f;
    Matrix4 minusOnes{};
    minusOnes.fill(-1.0f);
    minusOnes[5] = -0.0f;
    const Matrix4 sum = toolbox::product(big, minusOnes);
    QCOMPARE(sum[0], -1.0f);
    QCOMPARE(sum[3], -1.0f);
    QCOMPARE(sum[1], 0.0f); // -1e8 - 0 + 1e8
    const Matrix4 copied = toolbox::product(toolbox::identity(), minusOnes);
    QVERIFY(copied[5] == 0.0f && !std::signbit(copied[5]) && copied[6] == -1.0f);
    QCOMPARE(toolbox::product(m, Vector4{4, 5, 6, 1}), (Vector4{-4, 6, 9, 1}));
    QCOMPARE(toolbox::product(m, Vector4{4, 5, 6, 0}), (Vector4{-5, 4, 6, 0}));
    // Transposes, also into doubles, touching nothing beyond the 16 values.
    double out[17];
    out[16] = 42;
    toolbox::transposeToDouble(m, out);
    QVERIFY(out[12] == 1 && out[16] == 42 && toolbox::transpose(out) == m);
    // Link transforms: the Craig product, and one worked by hand.
    for (const auto &l :
         {std::array<float, 4>{-90, 70, -35, 302}, {90, 0, 128.5f, -45}, {37, -125, 212, 48.25f}})
        QVERIFY(compareMatrix(toolbox::linkMatrix(l[0], l[1], l[2], l[3]),
                              ref::link(l[0], l[1], l[2], l[3]), 1e-4));
    QVERIFY(compareMatrix(toolbox::linkMatrix(-90, 0, 0, 100),
                          Matrix4{1, 0, 0, 0, 0, 0, 1, 100, 0, -1, 0, 0, 0, 0, 0, 1}, 1e-5));
    // Placements Rx Ry Rz, degrees and radians; rigid inverses to float ulps of ~1400 mm.
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> ang(-180, 180), len(-800, 800);
    for (int n = 0; n < 50; ++n) {
        const Pose6 p{len(rng), len(rng), len(rng), ang(rng), ang(rng), ang(rng)};
        const R3 r = mul({rx(p[3]), ry(p[4]), rz(p[5])});
        const Matrix4 placed = toolbox::placementMatrix(p), inv = toolbox::rigidInverse(placed);
        const double k = M_PI / 180;
        QVERIFY(compareMatrix(placed, rowMajor(r, p[0], p[1], p[2]), 1e-6));
        QVERIFY(
            compareMatrix(toolbox::radiansXYZ(p[3] * k, p[4] * k, p[5] * k), rowMajor(r), 1e-6));
        QVERIFY(compareMatrix(toolbox::product(placed, inv), toolbox::identity(), 3e-4, "M inv"));
        QVERIFY(compareMatrix(toolbox::product(inv, placed), toolbox::identity(), 3e-4, "inv M"));
    }
    QCOMPARE(toolbox::inverse2x2({4, 7, 2, 6}), (std::array<float, 4>{0.6f, -0.7f, -0.2f, 0.4f}));
    QCOMPARE(toolbox::inverse2x2({1, 2, 3, 4}), (std::array<float, 4>{-2, 1, 1.5f, -0.5f}));
}
void TestMatrixToolbox::posesAsComposedHere_data()
{
    // Composed here, then read: by hand, or random clear of the singular values.
    QTest::addColumn<int>("convention");
    QTest::addColumn<Matrix4>("matrix");
    QTest::addColumn<Pose6>("expected");
    const auto row = [](const char *name, int c, const R3 &r, Pose6 p) {
        QTest::newRow(name) << c << rowMajor(r, p[0], p[1], p[2]) << p;
    };
    row("0: Rz(90)", 0, rz(90), {1, 2, 3, 90, 0, 0});
    row("0: Ry(-90)Rx(40)", 0, mul({ry(-90), rx(40)}), {0, 0, 0, 0, -90, 40});
    row("0: Rz(30)Ry(90)Rx(50), only 50 - 30 fixed", 0, mul({rz(30), ry(90), rx(50)}),
        {0, 0, 0, 0, 90, 20});
    row("1: Ry(90)Rz(25)", 1, mul({ry(90), rz(25)}), {0, 0, 0, 25, 90, 0});
    row("1: Rx(10)Ry(-90)Rz(-25)", 1, mul({rx(10), ry(-90), rz(-25)}), {0, 0, 0, -35, -90, 0});
    row("2: Rx(180)Rz(30)", 2, mul({rx(180), rz(30)}), {0, 0, 0, 0, 180, 30});
    row("2: Rz(70)", 2, rz(70), {0, 0, 0, 0, 0, 70});
    row("3: Rz(30)Ry(20)Rx(10)", 3, mul({rz(30), ry(20), rx(10)}), {4, 5, 6, 10, 20, 30});
    row("3: Ry(90)Rx(-20)", 3, mul({ry(90), rx(-20)}), {0, 0, 0, -20, 90, 0});
    row("4: Rz(30)", 4, rz(30), {0, 0, 0, 0, 0, 30});
    row("4: Rz(40)Ry(180)Rz(10)", 4, mul({rz(40), ry(180), rz(10)}), {0, 0, 0, 0, 180, -30});
    // Tool pointing down as single precision delivers it: r33 misses -1 by one ulp.
    for (int c : {2, 4}) {
        Matrix4 down = rowMajor(mul({rot(c == 2 ? 0 : 1, 180), rz(30)}));
        down[10] = -0.99999994f;
        QTest::addRow("%d: tool down, r33 = -0.99999994", c)
            << c << down << Pose6{0, 0, 0, 0, 180, 30};
    }
    std::mt19937 rng(100);
    std::uniform_real_distribution<float> ang(-179, 179), len(-1000, 1000), mid(3, 87);
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c)
        for (int n = 0; n < 100; ++n) {
            const float middle =
                zz(c) ? 90 + (n % 2 ? 1 : -1) * mid(rng) : (n % 2 ? 1 : -1) * (90 - mid(rng));
            const Pose6 p{len(rng), len(rng), len(rng), ang(rng), middle, ang(rng)};
            QTest::addRow("%d: random %d", c, n)
                << c << rowMajor(ownRotation(c, p[3], p[4], p[5]), p[0], p[1], p[2]) << p;
        }
}
// The pose read, within its range; both poses give back the matrix composed here.
void TestMatrixToolbox::posesAsComposedHere()
{
    QFETCH(int, convention);
    QFETCH(Matrix4, matrix);
    QFETCH(Pose6, expected);
    const Pose6 got = toolbox::matrixToPose(matrix, convention);
    QVERIFY(samePose(got, expected, 2e-3));
    QVERIFY(compareMatrix(toolbox::poseToMatrix(expected, convention), matrix, 1e-5, "built"));
    QVERIFY(compareMatrix(toolbox::poseToMatrix(got, convention), matrix, 1e-5, "rebuilt"));
    QVERIFY(got[4] >= (zz(convention) ? 0 : -90) && got[4] <= (zz(convention) ? 180 : 90));
    QVERIFY(std::fabs(got[3]) <= 180 && std::fabs(got[5]) <= 180);
}
void TestMatrixToolbox::nearSingularPosesRebuildTheSameMatrix_data()
{
    QTest::addColumn<int>("convention");
    QTest::addColumn<Pose6>("pose");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("split");
    const float turns[][2] = {{0, 0}, {30, -50}, {-120, 75}, {179, 179}, {-90, 170}};
    // Within 1e-5 degrees of the singular value: float noise; at 0.001 the element
    // is still taken as +-1 (the matrix may move by sin 0.001 deg = 1.7e-5); at 0.1
    // the general branch takes a sine of 1.7e-3 from one float element near 1.
    const std::pair<float, double> steps[] = {{0.0f, 1e-5},   {1e-5f, 1e-5},  {-1e-5f, 1e-5},
                                              {0.001f, 3e-5}, {0.003f, 3e-5}, {0.05f, 3e-5},
                                              {0.1f, 3e-5}};
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c)
        for (float s : {zz(c) ? 0.0f : -90.0f, zz(c) ? 180.0f : 90.0f})
            for (const auto &step : steps)
                for (const auto &t : turns)
                    for (bool split : {false, true}) {
                        const float p5 = s + (s > 0 ? -step.first : step.first);
                        QTest::addRow("conv %d, p5 %.5f, (%g, %g)%s", c, double(p5), double(t[0]),
                                      double(t[1]), split ? ", two turns" : "")
                            << c << Pose6{100, -50, 400, t[0], p5, t[1]} << step.second << split;
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
        // The same orientation in two turns (45 degrees and the rest) as a float
        // chain delivers it: a tool straight down has r33 = -0.99999994.
        const bool p4First = convention != 1 && convention != 3;
        const Pose6 first{
            pose[0], pose[1], pose[2], p4First ? pose[3] : 0.0f, 45.0f, p4First ? 0.0f : pose[5]};
        const Pose6 second{
            0, 0, 0, p4First ? 0.0f : pose[3], pose[4] - 45.0f, p4First ? pose[5] : 0.0f};
        m = toolbox::product(toolbox::poseToMatrix(first, convention),
                             toolbox::poseToMatrix(second, convention));
        QVERIFY(compareMatrix(m, toolbox::poseToMatrix(pose, convention), 1e-6, "two turns"));
    }
    // The table's predicate: singular on the value itself, not 0.1 degrees off.
    const toolbox::EulerConventionInfo *info = toolbox::eulerConvention(convention);
    const float off = std::fabs(std::remainder(pose[4] - (zz(convention) ? 0 : 90), 180.0f));
    QVERIFY(info && info->name && info->key);
    QVERIFY((off != 0 && off < 0.1f) || info->singular(m) == (off == 0));
    const Pose6 read = info->toPose(m);
    QVERIFY(compareMatrix(info->toMatrix(read), m, tolerance, "rebuilt"));
    // Retyping the read-out must not drift either.
    const Pose6 again = toolbox::matrixToPose(toolbox::poseToMatrix(read, convention), convention);
    QVERIFY(compareMatrix(toolbox::poseToMatrix(again, convention), m, 2 * tolerance, "twice"));
    // Outside a band of 0.001 degrees the read-out is the angles built from.
    QVERIFY(split || off < 0.0011f || off > 1 || samePose(read, pose, 1e-3));
}
void TestMatrixToolbox::quaternionsAndAngleAxis_data()
{
    // Four numbers for a rotation: quaternion (0: length within 1 %), angle-axis (1, 2: direct).
    QTest::addColumn<Matrix4>("matrix");
    QTest::addColumn<Vector4>("values");
    QTest::addColumn<int>("reading");
    const float h = std::sqrt(0.5f);
    const auto row = [](const char *name, const R3 &r, Vector4 v = {}, int reading = 0) {
        QTest::newRow(name) << rowMajor(r) << v << reading;
    };
    row("identity", rx(0), {1, 0, 0, 0});
    row("Rz(180)", rz(180), {0, 0, 0, 1});
    row("Rx(180)", rx(180), {0, 1, 0, 0});
    row("Ry(180)", ry(180), {0, 0, 1, 0});
    row("Rx(-90)", rx(-90), {h, -h, 0, 0});
    row("180 about (1,1,0)", turn(180, 1, 1, 0), {0, h, h, 0});
    row("unit, general", fromQuaternion(0.5, -0.5, 0.5, 0.5), {0.5f, -0.5f, 0.5f, 0.5f});
    row("length 1.005: 2 acos(0.6) about z", rz(2 * std::acos(0.6) * 180 / M_PI),
        {0.603f, 0, 0, 0.804f});
    row("length 1.02: 0.612 degrees about z", rz(0.612), {0.612f, 0, 0, 0.816f}, 1);
    row("axis of length 2", rz(90), {90, 0, 0, 2}, 1);
    row("no axis", rx(0), {45, 0, 0, 0.0005f}, 1);
    row("general axis", turn(37, 1, -2, 0.5), {37, 1, -2, 0.5f}, 1);
    row("unit axis", rz(90), {90, 0, 0, 1}, 2);
    row("no angle", rx(0), {0, 1, 0, 0}, 2);
    row("negative angle", turn(-250, -0.3, 0.1, 4), {-250, -0.3f, 0.1f, 4}, 2);
    row("180 about (-1,2,3)", turn(180, -1, 2, 3));
    row("179.9 about (0,1,-1)", turn(179.9, 0, 1, -1));
    row("small", turn(0.01, 3, -1, 2));
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> ang(-180, 180);
    for (int n = 0; n < 100; ++n)
        QTest::addRow("random %d", n)
            << rowMajor(mul({rz(ang(rng)), ry(ang(rng) / 2), rx(ang(rng))})) << Vector4{} << 0;
}
void TestMatrixToolbox::quaternionsAndAngleAxis()
{
    QFETCH(Matrix4, matrix);
    QFETCH(Vector4, values);
    QFETCH(int, reading);
    // Unit, scalar not negative, as from the column form; it rebuilds the rotation.
    const Quaternion q = toolbox::matrixToQuaternion(matrix);
    const auto qc = toolbox::columnMatrixToQuaternion(toolbox::transpose(matrix));
    double norm = 0, dot = 0, length = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        QVERIFY(std::fabs(qc[k] - q[k]) < 1e-7);
        norm += q[k] * q[k];
        dot += q[k] * values[k];
        length += double(values[k]) * values[k];
    }
    QVERIFY(q[0] >= 0 && std::fabs(norm - 1) < 1e-6);
    QVERIFY(
        compareMatrix(rowMajor(fromQuaternion(q[0], q[1], q[2], q[3])), matrix, 1e-6, "from q"));
    const Matrix4 back =
        toolbox::rotationToMatrix({float(q[0]), float(q[1]), float(q[2]), float(q[3])});
    QVERIFY(compareMatrix(back, toolbox::transpose(matrix), 1e-6, "back"));
    if (length == 0)
        return;
    // As a quaternion the same up to its sign; read, the rotation, R R^T = 1.
    QVERIFY(reading != 0 || std::fabs(std::fabs(dot) / std::sqrt(length) - 1) < 1e-6);
    const Matrix4 m =
        reading == 2 ? toolbox::angleAxisToMatrix(values) : toolbox::rotationToMatrix(values);
    QVERIFY(compareMatrix(m, toolbox::transpose(matrix), 1e-6, "four numbers"));
    const R3 r{m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]};
    QVERIFY(
        compareMatrix(rowMajor(mul({r, {r[0], r[3], r[6], r[1], r[4], r[7], r[2], r[5], r[8]}})),
                      toolbox::identity(), 1e-6, "R R^T"));
}
QTEST_GUILESS_MAIN(TestMatrixToolbox)
#include "tst_matrixtoolbox.moc"
