// Camera arithmetic and the placement text, without a display.
#include "scene/camera.h"
#include "scene/placement.h"

#include <QtTest>
#include <cmath>

namespace {

// Eye-space image of a world direction (w = 0) or point (w = 1) under a
// column-major view matrix.
std::array<double, 3> eye(const Matrix4 &v, double x, double y, double z, double w)
{
    return {v[0] * x + v[4] * y + v[8] * z + v[12] * w, v[1] * x + v[5] * y + v[9] * z + v[13] * w,
            v[2] * x + v[6] * y + v[10] * z + v[14] * w};
}

bool near3(const std::array<double, 3> &a, double x, double y, double z, double tol = 1e-4)
{
    return std::fabs(a[0] - x) < tol && std::fabs(a[1] - y) < tol && std::fabs(a[2] - z) < tol;
}

bool sameMatrix(const Matrix4 &a, const Matrix4 &b, double tol)
{
    for (int k = 0; k < 16; ++k)
        if (std::fabs(a[k] - b[k]) > tol * (k >= 12 ? 1000 : 1))
            return false;
    return true;
}

} // namespace

class TestCamera : public QObject
{
    Q_OBJECT
private slots:
    void standardViews();
    void resetLooksAtTheCentreFromEightRadii();
    void emptyRobotGetsTheDefaultRadius();
    void frustumFromTheFieldOfView();
    void orbitTurnsAboutTheCentreWithoutRolling();
    void zoomPanAndWheel();
    void placementTextRoundTrip();
    void placementTextIsForgiving();
};

void TestCamera::standardViews()
{
    Camera c;
    const float centre[3] = {0, 0, 0};
    // Top: world X down the screen, Y to the right, Z towards the viewer.
    c.reset(Camera::kTop[0], Camera::kTop[1], 100, centre);
    QVERIFY(near3(eye(c.viewMatrix(), 1, 0, 0, 0), 0, -1, 0));
    QVERIFY(near3(eye(c.viewMatrix(), 0, 1, 0, 0), 1, 0, 0));
    QVERIFY(near3(eye(c.viewMatrix(), 0, 0, 1, 0), 0, 0, 1));
    // Front: Z up, Y to the right, X towards the viewer.
    c.reset(Camera::kFront[0], Camera::kFront[1], 100, centre);
    QVERIFY(near3(eye(c.viewMatrix(), 0, 0, 1, 0), 0, 1, 0));
    QVERIFY(near3(eye(c.viewMatrix(), 0, 1, 0, 0), 1, 0, 0));
    QVERIFY(near3(eye(c.viewMatrix(), 1, 0, 0, 0), 0, 0, 1));
    // Right: the robot seen from +Y: X to the left... Z up, -X to the right.
    c.reset(Camera::kRight[0], Camera::kRight[1], 100, centre);
    QVERIFY(near3(eye(c.viewMatrix(), 0, 0, 1, 0), 0, 1, 0));
    QVERIFY(near3(eye(c.viewMatrix(), 0, 1, 0, 0), 0, 0, 1));
    // Back is the front turned half round; left the right turned half round.
    c.reset(Camera::kBack[0], Camera::kBack[1], 100, centre);
    QVERIFY(near3(eye(c.viewMatrix(), 1, 0, 0, 0), 0, 0, -1));
    c.reset(Camera::kLeft[0], Camera::kLeft[1], 100, centre);
    QVERIFY(near3(eye(c.viewMatrix(), 0, 1, 0, 0), 0, 0, -1));
    // Iso: Z still up in the picture (no roll), the viewer above the scene.
    c.reset(Camera::kIso[0], Camera::kIso[1], 100, centre);
    const auto z = eye(c.viewMatrix(), 0, 0, 1, 0);
    QVERIFY(std::fabs(z[0]) < 1e-5 && z[1] > 0 && z[2] > 0);
}

void TestCamera::resetLooksAtTheCentreFromEightRadii()
{
    Camera c;
    const float centre[3] = {150, -40, 300};
    const float glyph = c.reset(-60, -135, 400, centre);
    QCOMPARE(glyph, 80.0f);
    QCOMPARE(c.fieldOfView(), 25.0f);
    QVERIFY(near3(eye(c.viewMatrix(), 150, -40, 300, 1), 0, 0, -3200, 1e-2));
    QCOMPARE(c.sceneRadius(), 400.0);
}

void TestCamera::emptyRobotGetsTheDefaultRadius()
{
    Camera c;
    const float glyph = c.reset(-60, -135, 0, nullptr);
    QCOMPARE(glyph, 100.0f);
    QCOMPARE(c.sceneRadius(), 500.0);
    QVERIFY(near3(eye(c.viewMatrix(), 0, 0, 0, 1), 0, 0, -4000, 1e-2));
}

void TestCamera::frustumFromTheFieldOfView()
{
    Camera c;
    c.reset(0, 0, 100, nullptr);
    const auto f = c.frustum(2.0f);
    const double h = std::tan(12.5 * M_PI / 180) * 100;
    QVERIFY(std::fabs(f[3] - h) < 1e-6 && std::fabs(f[2] + h) < 1e-6);
    QVERIFY(std::fabs(f[1] - 2 * h) < 1e-5 && std::fabs(f[0] + 2 * h) < 1e-5);
    QCOMPARE(f[4], 100.0);
    QCOMPARE(f[5], 50000.0);
}

void TestCamera::orbitTurnsAboutTheCentreWithoutRolling()
{
    const float centre[3] = {100, 50, 300};
    Camera c;
    c.reset(-60, -135, 400, centre);
    c.beginOrbit();
    QVERIFY(std::fabs(c.pivotDepth() + 3200) < 1e-2);
    // 100 pixels sideways turn about the world's vertical axis by 0.4 rad:
    // the same picture as a reset with the azimuth 0.4 rad further.
    c.orbit(100, 0);
    Camera expected;
    expected.reset(-60, -135 + 0.4 * 180 / 3.141592, 400, centre);
    QVERIFY(sameMatrix(c.viewMatrix(), expected.viewMatrix(), 1e-4));
    // 50 pixels down tilt about the eye's horizontal axis by 0.2 rad.
    c.orbit(0, 50);
    expected.reset(-60 + 0.2 * 180 / 3.141592, -135 + 0.4 * 180 / 3.141592, 400, centre);
    QVERIFY(sameMatrix(c.viewMatrix(), expected.viewMatrix(), 1e-4));
    // Many mixed moves: the centre stays put and world Z never leaves the
    // eye's vertical plane.
    for (int i = 0; i < 50; ++i)
        c.orbit((i * 37) % 23 - 11, (i * 17) % 13 - 6);
    QVERIFY(near3(eye(c.viewMatrix(), 100, 50, 300, 1), 0, 0, -3200, 0.5));
    QVERIFY(std::fabs(eye(c.viewMatrix(), 0, 0, 1, 0)[0]) < 1e-4);
}

void TestCamera::zoomPanAndWheel()
{
    Camera c;
    c.reset(0, 0, 100, nullptr);
    const Matrix4 before = c.viewMatrix();
    c.wheel(120); // one notch: 150 mm
    QCOMPARE(c.viewMatrix()[14], before[14] + 150.0f);
    c.wheel(7); // less than a step
    QCOMPARE(c.viewMatrix()[14], before[14] + 150.0f);
    c.wheel(-240);
    QCOMPARE(c.viewMatrix()[14], before[14] - 150.0f);
    c.zoom(3);
    QCOMPARE(c.viewMatrix()[14], before[14] - 90.0f);
    c.pan(2, -1); // mouse moved 2 px left and 1 px down
    QCOMPARE(c.viewMatrix()[12], before[12] - 10.0f);
    QCOMPARE(c.viewMatrix()[13], before[13] - 5.0f);
}

void TestCamera::placementTextRoundTrip()
{
    const Pose6 p{100, -20.5f, 3.125f, 90, -45, 0};
    const QString text = placement::toText(p);
    QCOMPARE(text, QString::fromUtf8(
                       "100.00 mm, -20.50 mm, 3.13 mm, 90.00\u00b0, -45.00\u00b0, 0.00\u00b0"));
    const Pose6 back = placement::fromText(text);
    QCOMPARE(back[1], -20.5f);
    QCOMPARE(back[3], 90.0f);
    QCOMPARE(back[4], -45.0f);
    QCOMPARE(placement::toText({-0.001f, 0, 0, 0, 0, 0}).left(4), QStringLiteral("0.00"));
}

void TestCamera::placementTextIsForgiving()
{
    // Plain numbers, letters, too few and too many pieces.
    Pose6 p = placement::fromText(QStringLiteral("100, 200, 300, 0, 0, 90"));
    QCOMPARE(p, (Pose6{100, 200, 300, 0, 0, 90}));
    p = placement::fromText(QStringLiteral("abc, 5 mm"));
    QCOMPARE(p, (Pose6{0, 5, 0, 0, 0, 0}));
    p = placement::fromText(QStringLiteral("1,2,3,4,5,6,7,8"));
    QCOMPARE(p, (Pose6{1, 2, 3, 4, 5, 6}));
    p = placement::fromText(QStringLiteral("1e40, nan, inf, 1, 2, 3"));
    QCOMPARE(p, (Pose6{0, 0, 0, 1, 2, 3}));
    p = placement::fromText(QString());
    QCOMPARE(p, (Pose6{0, 0, 0, 0, 0, 0}));
}

QTEST_GUILESS_MAIN(TestCamera)
#include "tst_camera.moc"
