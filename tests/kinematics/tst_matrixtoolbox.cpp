// Matrix toolbox: link and placement transforms, inverses, the five Euler
// conventions (including their singular poses), quaternions and angle-axis.
// Expectations come from a separate double-precision implementation written
// here, from hand-worked numbers, and from round trips.
#include "kinematics/matrixcalculator.h"
#include "kinematics/matrixtoolbox.h"

#include <QLoggingCategory>
#include <QtTest>
#include <cmath>
#include <random>

Q_DECLARE_METATYPE(Matrix4)
Q_DECLARE_METATYPE(Pose6)

namespace {

// Rotations as 3x3 row-major doubles, angles in degrees.
using R3 = std::array<double, 9>;

R3 rx(double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    return {1, 0, 0, 0, c, -s, 0, s, c};
}
R3 ry(double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    return {c, 0, s, 0, 1, 0, -s, 0, c};
}
R3 rz(double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    return {c, -s, 0, s, c, 0, 0, 0, 1};
}
R3 mul(const R3 &a, const R3 &b)
{
    R3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r[3 * i + j] += a[3 * i + k] * b[3 * k + j];
    return r;
}
R3 mul(const R3 &a, const R3 &b, const R3 &c)
{
    return mul(mul(a, b), c);
}

Matrix4 rowMajor(const R3 &r, double x = 0, double y = 0, double z = 0)
{
    Matrix4 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[4 * i + j] = float(r[3 * i + j]);
    m[3] = float(x);
    m[7] = float(y);
    m[11] = float(z);
    m[15] = 1.0f;
    return m;
}

// The rotation each convention number stands for, composed from scratch.
R3 ownRotation(int convention, double p4, double p5, double p6)
{
    switch (convention) {
    case 0:
        return mul(rz(p4), ry(p5), rx(p6));
    case 1:
        return mul(rx(p6), ry(p5), rz(p4));
    case 2:
        return mul(rz(p4), rx(p5), rz(p6));
    case 3:
        return mul(rz(p6), ry(p5), rx(p4));
    default:
        return mul(rz(p4), ry(p5), rz(p6));
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

// Rodrigues in vector form: column j is the image of the unit vector e_j.
R3 rodrigues(double deg, double kx, double ky, double kz)
{
    const double l = std::sqrt(kx * kx + ky * ky + kz * kz);
    const double k[3] = {kx / l, ky / l, kz / l};
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    R3 r{};
    for (int j = 0; j < 3; ++j) {
        double e[3] = {0, 0, 0};
        e[j] = 1;
        const double cross[3] = {k[1] * e[2] - k[2] * e[1], k[2] * e[0] - k[0] * e[2],
                                 k[0] * e[1] - k[1] * e[0]};
        for (int i = 0; i < 3; ++i)
            r[3 * i + j] = e[i] * c + cross[i] * s + k[i] * k[j] * (1 - c);
    }
    return r;
}

// Difference of two angles folded into (-180, 180].
double angleGap(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180)
        d -= 360;
    if (d <= -180)
        d += 360;
    return std::fabs(d);
}

void compareMatrix(const Matrix4 &got, const Matrix4 &want, double tol, const char *what = "")
{
    for (int k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(double(got[k]) - want[k]) <= tol,
                 qPrintable(QStringLiteral("%1 element %2: %3 vs %4")
                                .arg(what)
                                .arg(k)
                                .arg(got[k], 0, 'g', 9)
                                .arg(want[k], 0, 'g', 9)));
}

void comparePose(const Pose6 &got, const Pose6 &want, double tol)
{
    for (int k = 0; k < 6; ++k) {
        const double gap = k < 3 ? std::fabs(got[k] - want[k]) : angleGap(got[k], want[k]);
        QVERIFY2(gap <= tol, qPrintable(QStringLiteral("pose[%1]: got %2, want %3")
                                            .arg(k)
                                            .arg(got[k], 0, 'g', 9)
                                            .arg(want[k], 0, 'g', 9)));
    }
}

QList<QPair<QtMsgType, QString>> g_messages;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (context.category && QByteArray(context.category) == "velkari.matrix")
        g_messages.append({type, text});
}

} // namespace

class TestMatrixToolbox : public QObject
{
    Q_OBJECT
private slots:
    void productsAndVectors();
    void linkMatrixIsTheCraigProduct_data();
    void linkMatrixIsTheCraigProduct();
    void linkMatrixHandWorked();
    void placementAndRadians();
    void inverses();
    void poseMatrixMatchesOwnComposition_data();
    void poseMatrixMatchesOwnComposition();
    void knownPoses_data();
    void knownPoses();
    void nearSingularPosesRebuildTheSameMatrix_data();
    void nearSingularPosesRebuildTheSameMatrix();
    void readOutMovesRightNextToTheSingularity();
    void unknownConventionKeepsTheTranslation();
    void conventionTableKnowsItsSingularities_data();
    void conventionTableKnowsItsSingularities();
    void calculatorReadsZyz();
    void quaternionRebuildsTheRotation_data();
    void quaternionRebuildsTheRotation();
    void quaternionHandWorked();
    void quaternionOfRandomRotations();
    void rotationFromFourNumbers();
    void angleAxis();
    void zyzDebugLineFollowsTheFilterRule();
};

void TestMatrixToolbox::productsAndVectors()
{
    // Rotations compose like their 3x3 parts, translations as R t2 + t1.
    compareMatrix(toolbox::product(rowMajor(rz(30), 1, 2, 3), rowMajor(rx(-70))),
                  rowMajor(mul(rz(30), rx(-70)), 1, 2, 3), 1e-6, "a*b");
    compareMatrix(toolbox::product(rowMajor(rz(30)), rowMajor(rx(-70)), rowMajor(ry(115))),
                  rowMajor(mul(rz(30), rx(-70), ry(115))), 1e-6, "a*b*c");
    compareMatrix(toolbox::product(rowMajor(rz(90), 1, 2, 3), rowMajor(rx(0), 4, 5, 6)),
                  rowMajor(rz(90), -4, 6, 9), 1e-5, "translations");

    // Translation by (1,2,3) after a quarter turn about z, applied to (4,5,6,1):
    // (-5+1, 4+2, 6+3, 1); a direction (w = 0) ignores the translation.
    const Matrix4 m = rowMajor(rz(90), 1, 2, 3);
    const Vector4 p = toolbox::product(m, Vector4{4, 5, 6, 1});
    const Vector4 d = toolbox::product(m, Vector4{4, 5, 6, 0});
    const float want[2][4] = {{-4, 6, 9, 1}, {-5, 4, 6, 0}};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(std::fabs(p[i] - want[0][i]) < 1e-5);
        QVERIFY(std::fabs(d[i] - want[1][i]) < 1e-5);
    }
}

void TestMatrixToolbox::linkMatrixIsTheCraigProduct_data()
{
    QTest::addColumn<float>("alpha");
    QTest::addColumn<float>("a");
    QTest::addColumn<float>("theta");
    QTest::addColumn<float>("d");
    QTest::newRow("all zero") << 0.0f << 0.0f << 0.0f << 0.0f;
    QTest::newRow("twist -90 with offset") << -90.0f << 70.0f << -35.0f << 302.0f;
    QTest::newRow("twist 90") << 90.0f << 0.0f << 128.5f << -45.0f;
    QTest::newRow("oblique") << 37.0f << -125.0f << 212.0f << 48.25f;
}

void TestMatrixToolbox::linkMatrixIsTheCraigProduct()
{
    QFETCH(float, alpha);
    QFETCH(float, a);
    QFETCH(float, theta);
    QFETCH(float, d);
    // RotX(alpha) TransX(a) TransZ(d) RotZ(theta) as full 4x4 products.
    using M = std::array<double, 16>;
    auto mul4 = [](const M &p, const M &q) {
        M r{};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                for (int k = 0; k < 4; ++k)
                    r[4 * i + j] += p[4 * i + k] * q[4 * k + j];
        return r;
    };
    auto embed = [](const R3 &r) {
        return M{r[0], r[1], r[2], 0, r[3], r[4], r[5], 0, r[6], r[7], r[8], 0, 0, 0, 0, 1};
    };
    const M tx{1, 0, 0, a, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const M tz{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, d, 0, 0, 0, 1};
    const M want = mul4(mul4(mul4(embed(rx(alpha)), tx), tz), embed(rz(theta)));
    Matrix4 w;
    std::copy(want.begin(), want.end(), w.begin());
    compareMatrix(toolbox::linkMatrix(alpha, a, theta, d), w, 1e-4);
}

void TestMatrixToolbox::linkMatrixHandWorked()
{
    const Matrix4 m = toolbox::linkMatrix(0, 0, 90, 0);
    compareMatrix(m, {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 1e-6);
    const Matrix4 n = toolbox::linkMatrix(-90, 0, 0, 100);
    compareMatrix(n, {1, 0, 0, 0, 0, 0, 1, 100, 0, -1, 0, 0, 0, 0, 0, 1}, 1e-5);
}

void TestMatrixToolbox::placementAndRadians()
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> ang(-180, 180), len(-500, 500);
    for (int n = 0; n < 50; ++n) {
        const Pose6 p{len(rng), len(rng), len(rng), ang(rng), ang(rng), ang(rng)};
        const Matrix4 got = toolbox::placementMatrix(p);
        compareMatrix(got, rowMajor(mul(rx(p[3]), ry(p[4]), rz(p[5])), p[0], p[1], p[2]), 1e-6);
        const double k = M_PI / 180;
        Matrix4 rotOnly = got;
        rotOnly[3] = rotOnly[7] = rotOnly[11] = 0;
        compareMatrix(toolbox::radiansXYZ(p[3] * k, p[4] * k, p[5] * k), rotOnly, 1e-6);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestMatrixToolbox::inverses()
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> ang(-180, 180), len(-800, 800);
    const Matrix4 one = toolbox::identity();
    for (int n = 0; n < 40; ++n) {
        const Matrix4 m =
            rowMajor(mul(rz(ang(rng)), ry(ang(rng)), rx(ang(rng))), len(rng), len(rng), len(rng));
        const Matrix4 inv = toolbox::rigidInverse(m);
        // Translations up to ~1400 mm in float: allow a few ulps of that.
        compareMatrix(toolbox::product(m, inv), one, 3e-4, "M*inv");
        compareMatrix(toolbox::product(inv, m), one, 3e-4, "inv*M");
        if (QTest::currentTestFailed())
            return;
    }
    // [[4,7],[2,6]] has determinant 10: inverse [[0.6,-0.7],[-0.2,0.4]].
    const auto i2 = toolbox::inverse2x2({4, 7, 2, 6});
    const float want[4] = {0.6f, -0.7f, -0.2f, 0.4f};
    for (int k = 0; k < 4; ++k)
        QVERIFY(std::fabs(i2[k] - want[k]) < 1e-6);
    // Negative determinant: [[1,2],[3,4]] -> det -2 -> [[-2,1],[1.5,-0.5]].
    const auto j2 = toolbox::inverse2x2({1, 2, 3, 4});
    const float want2[4] = {-2.0f, 1.0f, 1.5f, -0.5f};
    for (int k = 0; k < 4; ++k)
        QVERIFY(std::fabs(j2[k] - want2[k]) < 1e-6);
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
    const bool zyz = convention == 2 || convention == 4;
    std::mt19937 rng(100 + convention);
    std::uniform_real_distribution<float> ang(-179, 179), len(-1000, 1000);
    // Middle angle kept clear of the singular values so the read-back is unique.
    std::uniform_real_distribution<float> mid(zyz ? 3.0f : -87.0f, zyz ? 177.0f : 87.0f);
    for (int n = 0; n < 200; ++n) {
        const Pose6 p{len(rng), len(rng), len(rng), ang(rng), mid(rng), ang(rng)};
        const Matrix4 own = rowMajor(ownRotation(convention, p[3], p[4], p[5]), p[0], p[1], p[2]);
        const Matrix4 built = toolbox::poseToMatrix(p, convention);
        compareMatrix(built, own, 1e-6, "built");

        // Reading back, both from our matrix and from the library's.
        const Pose6 fromOwn = toolbox::matrixToPose(own, convention);
        comparePose(fromOwn, p, 2e-3);
        const Pose6 back = toolbox::matrixToPose(built, convention);
        comparePose(back, p, 2e-3);
        compareMatrix(toolbox::poseToMatrix(back, convention), built, 2e-6, "rebuilt");
        if (QTest::currentTestFailed())
            return;

        const double lo = zyz ? 0 : -90, hi = zyz ? 180 : 90;
        QVERIFY(back[4] >= lo && back[4] <= hi);
        QVERIFY(back[3] >= -180 && back[3] <= 180);
        QVERIFY(back[5] >= -180 && back[5] <= 180);
    }
}

void TestMatrixToolbox::knownPoses_data()
{
    QTest::addColumn<int>("convention");
    QTest::addColumn<Matrix4>("matrix");
    QTest::addColumn<Pose6>("expected");
    const R3 one = rx(0);
    QTest::newRow("0: identity") << 0 << rowMajor(one, 1, 2, 3) << Pose6{1, 2, 3, 0, 0, 0};
    QTest::newRow("0: Rz(90)") << 0 << rowMajor(rz(90)) << Pose6{0, 0, 0, 90, 0, 0};
    QTest::newRow("0: Ry(-90)") << 0 << rowMajor(ry(-90)) << Pose6{0, 0, 0, 0, -90, 0};
    QTest::newRow("0: Ry(-90)Rx(40)")
        << 0 << rowMajor(mul(ry(-90), rx(40))) << Pose6{0, 0, 0, 0, -90, 40};
    // Rz(30) Ry(90) Rx(50) only fixes the difference 50 - 30.
    QTest::newRow("0: Rz(30)Ry(90)Rx(50)")
        << 0 << rowMajor(mul(rz(30), ry(90), rx(50))) << Pose6{0, 0, 0, 0, 90, 20};
    QTest::newRow("1: Ry(90)Rz(25)")
        << 1 << rowMajor(mul(ry(90), rz(25))) << Pose6{0, 0, 0, 25, 90, 0};
    QTest::newRow("1: Rx(10)Ry(-90)Rz(-25)")
        << 1 << rowMajor(mul(rx(10), ry(-90), rz(-25))) << Pose6{0, 0, 0, -35, -90, 0};
    QTest::newRow("2: Rx(180)Rz(30)")
        << 2 << rowMajor(mul(rx(180), rz(30))) << Pose6{0, 0, 0, 0, 180, 30};
    QTest::newRow("2: Rz(70)") << 2 << rowMajor(rz(70)) << Pose6{0, 0, 0, 0, 0, 70};
    QTest::newRow("3: built from (10,20,30)")
        << 3 << rowMajor(mul(rz(30), ry(20), rx(10)), 4, 5, 6) << Pose6{4, 5, 6, 10, 20, 30};
    QTest::newRow("3: Ry(90)Rx(-20)")
        << 3 << rowMajor(mul(ry(90), rx(-20))) << Pose6{0, 0, 0, -20, 90, 0};
    QTest::newRow("4: Rz(30)") << 4 << rowMajor(rz(30)) << Pose6{0, 0, 0, 0, 0, 30};
    QTest::newRow("4: Ry(180)Rz(30)")
        << 4 << rowMajor(mul(ry(180), rz(30))) << Pose6{0, 0, 0, 0, 180, 30};
    QTest::newRow("4: Rz(40)Ry(180)Rz(10)")
        << 4 << rowMajor(mul(rz(40), ry(180), rz(10))) << Pose6{0, 0, 0, 0, 180, -30};

    // Tool pointing down as single precision delivers it: r33 misses -1 by one ulp.
    Matrix4 down = rowMajor(mul(rx(180), rz(30)));
    down[10] = -0.99999994f;
    QTest::newRow("2: tool down, r33 = -0.99999994") << 2 << down << Pose6{0, 0, 0, 0, 180, 30};
    Matrix4 downY = rowMajor(mul(ry(180), rz(30)));
    downY[10] = -0.99999994f;
    QTest::newRow("4: tool down, r33 = -0.99999994") << 4 << downY << Pose6{0, 0, 0, 0, 180, 30};
}

void TestMatrixToolbox::knownPoses()
{
    QFETCH(int, convention);
    QFETCH(Matrix4, matrix);
    QFETCH(Pose6, expected);
    const Pose6 got = toolbox::matrixToPose(matrix, convention);
    comparePose(got, expected, 1e-3);
    compareMatrix(toolbox::poseToMatrix(got, convention), matrix, 1e-5, "rebuilt");
}

void TestMatrixToolbox::nearSingularPosesRebuildTheSameMatrix_data()
{
    QTest::addColumn<int>("convention");
    QTest::addColumn<Pose6>("pose");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("split");
    const float turns[][2] = {{0, 0}, {30, -50}, {-120, 75}, {179, 179}, {-90, 170}};
    // Up to 1e-5 degrees from the singular value the pose must come back
    // to float noise. At 0.001 degrees the element is still taken as +-1, so
    // the rebuilt matrix may move by sin(0.001 deg) = 1.7e-5. At 0.1 degrees
    // the general branch runs; a sine of 1.7e-3 recovered from one float
    // element near 1 carries about 1 % error.
    const struct
    {
        float offset;
        double tolerance;
    } steps[] = {{0.0f, 1e-5}, {1e-5f, 1e-5}, {-1e-5f, 1e-5}, {0.001f, 3e-5}, {0.1f, 3e-5}};
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c) {
        const bool zyz = c == 2 || c == 4;
        const float singular[2] = {zyz ? 0.0f : -90.0f, zyz ? 180.0f : 90.0f};
        for (float s : singular)
            for (const auto &step : steps)
                for (const auto &t : turns)
                    for (bool split : {false, true}) {
                        // Step from the singular value towards the valid range.
                        const float p5 = s + (s > 0 ? -step.offset : step.offset);
                        QTest::addRow("conv %d, p5 %.5f, (%g, %g)%s", c, double(p5), double(t[0]),
                                      double(t[1]), split ? ", two turns" : "")
                            << c << Pose6{100, -50, 400, t[0], p5, t[1]} << step.tolerance << split;
                    }
    }
    // Past the singular value as well: the matrix is still reachable.
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
        // The same orientation reached in two turns of the middle axis, 45
        // degrees and the rest, as a chain of float matrices delivers it:
        // a tool straight down then has r33 = -0.99999994 instead of -1.
        const bool p4First = convention == 0 || convention == 2 || convention == 4;
        const float rest = pose[4] - 45.0f;
        const Pose6 first{
            pose[0], pose[1], pose[2], p4First ? pose[3] : 0.0f, 45.0f, p4First ? 0.0f : pose[5]};
        const Pose6 second{0, 0, 0, p4First ? 0.0f : pose[3], rest, p4First ? pose[5] : 0.0f};
        m = toolbox::product(toolbox::poseToMatrix(first, convention),
                             toolbox::poseToMatrix(second, convention));
        // Still the same orientation as the one-step matrix, to float noise.
        compareMatrix(m, toolbox::poseToMatrix(pose, convention), 1e-6, "two turns");
        if (QTest::currentTestFailed())
            return;
    }
    const Pose6 read = toolbox::matrixToPose(m, convention);
    compareMatrix(toolbox::poseToMatrix(read, convention), m, tolerance, "rebuilt");
    if (QTest::currentTestFailed())
        return;
    // Retyping the read-out must not drift either.
    const Pose6 again = toolbox::matrixToPose(toolbox::poseToMatrix(read, convention), convention);
    compareMatrix(toolbox::poseToMatrix(again, convention), m, 2 * tolerance, "rebuilt twice");
}

void TestMatrixToolbox::readOutMovesRightNextToTheSingularity()
{
    // Outside a band of 0.001 degrees around the singular middle angle the
    // read-out gives back the angles the matrix was built from, to 0.001
    // degrees, in every convention; and a robot at its home pose reads the
    // tilt of its wrist.
    const float offsets[] = {0.0011f, 0.003f, 0.01f, 0.05f, 0.081f, 0.5f};
    const float turns[][2] = {{30, -50}, {-120, 75}, {10, 170}};
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c) {
        const bool zyz = c == 2 || c == 4;
        for (float singular : {zyz ? 0.0f : -90.0f, zyz ? 180.0f : 90.0f}) {
            for (float off : offsets) {
                for (const auto &t : turns) {
                    const float p5 = singular > 0 ? singular - off : singular + off;
                    const Pose6 pose{0, 0, 0, t[0], p5, t[1]};
                    const Pose6 got = toolbox::matrixToPose(toolbox::poseToMatrix(pose, c), c);
                    const QString what = QStringLiteral("conv %1, middle %2, got %3 %4 %5")
                                             .arg(c)
                                             .arg(double(p5), 0, 'f', 4)
                                             .arg(double(got[3]))
                                             .arg(double(got[4]))
                                             .arg(double(got[5]));
                    QVERIFY2(std::fabs(got[4] - p5) < 1e-3f, qPrintable(what));
                    for (int k : {3, 5})
                        QVERIFY2(std::fabs(std::remainder(
                                     got[std::size_t(k)] - pose[std::size_t(k)], 360.0f)) < 1e-3f,
                                 qPrintable(what));
                }
            }
        }
    }
}

void TestMatrixToolbox::conventionTableKnowsItsSingularities_data()
{
    QTest::addColumn<int>("convention");
    QTest::addColumn<float>("middle");
    QTest::addColumn<bool>("singular");
    // The middle angle is singular at +-90 degrees for the Z-Y-X kinds and at
    // 0 and 180 for the Z-Z kinds (2 and 4); 40 degrees away it is not.
    for (int c = 0; c < toolbox::kEulerConventionCount; ++c) {
        const bool zz = c == 2 || c == 4;
        const float at[2] = {zz ? 0.0f : -90.0f, zz ? 180.0f : 90.0f};
        QTest::addRow("conv %d at %g", c, double(at[0])) << c << at[0] << true;
        QTest::addRow("conv %d at %g", c, double(at[1])) << c << at[1] << true;
        QTest::addRow("conv %d off", c) << c << (at[0] + (at[1] > at[0] ? 40.0f : -40.0f)) << false;
    }
    QTest::addRow("outside the table") << toolbox::kEulerConventionCount << 0.0f << false;
}

void TestMatrixToolbox::conventionTableKnowsItsSingularities()
{
    QFETCH(int, convention);
    QFETCH(float, middle);
    QFETCH(bool, singular);
    const toolbox::EulerConventionInfo *c = toolbox::eulerConvention(convention);
    if (convention >= toolbox::kEulerConventionCount) {
        QVERIFY(!c);
        return;
    }
    QVERIFY(c && c->name && c->key);
    const Pose6 pose{10, -20, 30, 25, middle, -60};
    const Matrix4 m = c->toMatrix(pose);
    QCOMPARE(c->singular(m), singular);
    // Singular or not, the angles read back rebuild the same rotation.
    const Matrix4 back = c->toMatrix(c->toPose(m));
    for (int k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(back[k] - m[k]) < 2e-5f, qPrintable(QString::number(k)));
}

void TestMatrixToolbox::unknownConventionKeepsTheTranslation()
{
    const Pose6 p{12, -34, 56, 10, 20, 30};
    for (int bad : {5, -1, 42}) {
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("Unknown Euler convention %1").arg(bad)));
        const Matrix4 m = toolbox::poseToMatrix(p, bad);
        Matrix4 want = toolbox::identity();
        want[3] = 12;
        want[7] = -34;
        want[11] = 56;
        compareMatrix(m, want, 0);
    }
    QTest::ignoreMessage(QtWarningMsg, "Unknown Euler convention 7");
    const Pose6 back = toolbox::matrixToPose(rowMajor(rz(45), 1, 2, 3), 7);
    comparePose(back, Pose6{1, 2, 3, 0, 0, 0}, 0);
}

void TestMatrixToolbox::calculatorReadsZyz()
{
    const matrixCalculator calc;
    const Matrix4 m = rowMajor(mul(rz(-130), ry(65), rz(40)), 7, 8, 9);
    float pose[6] = {};
    calc.GEOM_tr2rzyz(m.data(), pose);
    comparePose(Pose6{pose[0], pose[1], pose[2], pose[3], pose[4], pose[5]},
                Pose6{7, 8, 9, -130, 65, 40}, 1e-3);
}

void TestMatrixToolbox::quaternionRebuildsTheRotation_data()
{
    QTest::addColumn<Matrix4>("matrix");
    QTest::newRow("identity") << rowMajor(rx(0));
    QTest::newRow("Rx(180)") << rowMajor(rx(180));
    QTest::newRow("Ry(180)") << rowMajor(ry(180));
    QTest::newRow("Rz(180)") << rowMajor(rz(180));
    QTest::newRow("tool down, turned 30") << rowMajor(mul(rx(180), rz(30)));
    QTest::newRow("180 about (1,1,0)") << rowMajor(rodrigues(180, 1, 1, 0));
    QTest::newRow("180 about (1,-1,0)") << rowMajor(rodrigues(180, 1, -1, 0));
    QTest::newRow("180 about (-1,2,3)") << rowMajor(rodrigues(180, -1, 2, 3));
    QTest::newRow("179.9 about (0,1,-1)") << rowMajor(rodrigues(179.9, 0, 1, -1));
    QTest::newRow("Rx(-90)") << rowMajor(rx(-90));
    QTest::newRow("120 about (1,1,1)") << rowMajor(rodrigues(120, 1, 1, 1));
    QTest::newRow("small") << rowMajor(rodrigues(0.01, 3, -1, 2));
}

void TestMatrixToolbox::quaternionRebuildsTheRotation()
{
    QFETCH(Matrix4, matrix);
    const Quaternion q = toolbox::matrixToQuaternion(matrix);
    QVERIFY(std::fabs(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3] - 1) < 1e-6);
    QVERIFY(q[0] >= 0);
    compareMatrix(rowMajor(fromQuaternion(q[0], q[1], q[2], q[3])), matrix, 1e-6, "from q");

    const auto qc = toolbox::columnMatrixToQuaternion(toolbox::transpose(matrix));
    for (int k = 0; k < 4; ++k)
        QVERIFY(std::fabs(qc[k] - q[k]) < 1e-7);

    // Back through the library's own quaternion reader (column-major out).
    const Matrix4 back =
        toolbox::rotationToMatrix({float(q[0]), float(q[1]), float(q[2]), float(q[3])});
    compareMatrix(toolbox::transpose(back), matrix, 1e-6, "rotationToMatrix");
}

void TestMatrixToolbox::quaternionHandWorked()
{
    auto close = [](const Quaternion &q, const Quaternion &w) {
        for (int k = 0; k < 4; ++k)
            if (std::fabs(q[k] - w[k]) > 1e-6)
                return false;
        return true;
    };
    QVERIFY(close(toolbox::matrixToQuaternion(toolbox::identity()), {1, 0, 0, 0}));
    QVERIFY(close(toolbox::matrixToQuaternion(rowMajor(rz(180))), {0, 0, 0, 1}));
    const double h = std::sqrt(0.5);
    const Quaternion qx = toolbox::matrixToQuaternion(rowMajor(rx(-90)));
    QVERIFY(qx[0] > 0 && qx[1] < 0);
    QVERIFY(close(qx, {h, -h, 0, 0}));
    // A half turn about (1,1,0)/sqrt2 is (0, h, h, 0) up to an overall sign.
    const Quaternion qd = toolbox::matrixToQuaternion(rowMajor(rodrigues(180, 1, 1, 0)));
    QVERIFY(close(qd, {0, h, h, 0}) || close(qd, {0, -h, -h, 0}));
}

void TestMatrixToolbox::quaternionOfRandomRotations()
{
    // Hamilton product of the three elementary quaternions, convention 0 order.
    using Q = std::array<double, 4>;
    auto hamilton = [](const Q &a, const Q &b) {
        return Q{a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3],
                 a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2],
                 a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1],
                 a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0]};
    };
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> ang(-180, 180);
    for (int n = 0; n < 300; ++n) {
        const double a = ang(rng), b = ang(rng) / 2, c = ang(rng);
        auto half = [](double deg) { return deg * M_PI / 360; };
        const Q want = hamilton(hamilton(Q{std::cos(half(a)), 0, 0, std::sin(half(a))},
                                         Q{std::cos(half(b)), 0, std::sin(half(b)), 0}),
                                Q{std::cos(half(c)), std::sin(half(c)), 0, 0});
        const Quaternion q = toolbox::matrixToQuaternion(rowMajor(mul(rz(a), ry(b), rx(c))));
        double plus = 0, minus = 0;
        for (int k = 0; k < 4; ++k) {
            plus = std::max(plus, std::fabs(q[k] - want[k]));
            minus = std::max(minus, std::fabs(q[k] + want[k]));
        }
        QVERIFY2(std::min(plus, minus) < 1e-6, qPrintable(QStringLiteral("draw %1").arg(n)));
        QVERIFY(q[0] >= 0);
    }
}

void TestMatrixToolbox::rotationFromFourNumbers()
{
    // (0.6, 0, 0, 0.8) is a turn of 2 acos(0.6) = 106.26 degrees about z.
    const double turn = 2 * std::acos(0.6) * 180 / M_PI;
    const Matrix4 turned = toolbox::transpose(rowMajor(rz(turn)));

    // Norm 1.005: still read as a quaternion (the angle-axis reading would be
    // almost the identity). The length is not divided out before the columns
    // are formed, which adds about half a degree of turn, hence 0.02.
    const Matrix4 q = toolbox::rotationToMatrix({0.603f, 0, 0, 0.804f});
    compareMatrix(q, turned, 0.02, "norm 1.005");
    // Whatever the rounding, the result must be a proper rotation.
    const R3 r{q[0], q[4], q[8], q[1], q[5], q[9], q[2], q[6], q[10]};
    const R3 rtr = mul(r, R3{r[0], r[3], r[6], r[1], r[4], r[7], r[2], r[5], r[8]});
    compareMatrix(rowMajor(rtr), toolbox::identity(), 1e-6, "R R^T");

    // Norm 1.02: 0.612 degrees about z, column-major.
    const Matrix4 aa = toolbox::rotationToMatrix({0.612f, 0, 0, 0.816f});
    compareMatrix(aa, toolbox::transpose(rowMajor(rz(0.612))), 1e-6, "norm 1.02");
    compareMatrix(aa, toolbox::angleAxisToMatrix({0.612f, 0, 0, 0.816f}), 0, "same as angle-axis");

    // Exactly unit quaternion of a general rotation.
    const double w = 0.5, x = -0.5, y = 0.5, z = 0.5;
    compareMatrix(toolbox::rotationToMatrix({float(w), float(x), float(y), float(z)}),
                  toolbox::transpose(rowMajor(fromQuaternion(w, x, y, z))), 1e-6, "unit");
}

void TestMatrixToolbox::angleAxis()
{
    const Matrix4 rz90 = toolbox::transpose(rowMajor(rz(90)));
    compareMatrix(toolbox::angleAxisToMatrix({90, 0, 0, 2}), rz90, 1e-6, "axis length 2");
    compareMatrix(toolbox::angleAxisToMatrix({90, 0, 0, 1}), rz90, 1e-6, "unit axis");
    // Column-major: element 1 is row 1, column 0 = sin 90.
    QVERIFY(std::fabs(toolbox::angleAxisToMatrix({90, 0, 0, 1})[1] - 1) < 1e-6);
    compareMatrix(toolbox::angleAxisToMatrix({0, 1, 0, 0}), toolbox::identity(), 0, "no angle");
    compareMatrix(toolbox::angleAxisToMatrix({45, 0, 0, 0.0005f}), toolbox::identity(), 0,
                  "no axis");
    compareMatrix(toolbox::angleAxisToMatrix({37, 1, -2, 0.5f}),
                  toolbox::transpose(rowMajor(rodrigues(37, 1, -2, 0.5))), 1e-6, "general");
    compareMatrix(toolbox::angleAxisToMatrix({-250, -0.3f, 0.1f, 4}),
                  toolbox::transpose(rowMajor(rodrigues(-250, -0.3, 0.1, 4))), 1e-6, "negative");
}

void TestMatrixToolbox::zyzDebugLineFollowsTheFilterRule()
{
    const Matrix4 m = rowMajor(mul(rz(10), ry(40), rz(20)));
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);

    QLoggingCategory::setFilterRules(QStringLiteral("velkari.matrix.debug=true"));
    toolbox::matrixToPose(m, toolbox::EulerZYZ);
    const auto on = g_messages;
    g_messages.clear();

    QLoggingCategory::setFilterRules(QStringLiteral("velkari.matrix.debug=false"));
    toolbox::matrixToPose(m, toolbox::EulerZYZ);
    const auto off = g_messages;

    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    QCOMPARE(on.size(), 1);
    QCOMPARE(on.first().first, QtDebugMsg);
    QVERIFY2(on.first().second.startsWith(QLatin1String("aqui---> ")),
             qPrintable(on.first().second));
    QVERIFY(off.isEmpty());
}

QTEST_GUILESS_MAIN(TestMatrixToolbox)
#include "tst_matrixtoolbox.moc"
