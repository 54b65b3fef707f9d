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
    void standardViews()
    {
        Camera c;
        const float centre[3] = {0, 0, 0};
        // Top: world X down the screen, Y to the right, Z towards the viewer. Front: Z up, Y to
        // the right, X towards the viewer; back the front turned half round. Right: seen from
        // +Y, Z up; left the right turned half round. Each row: a world axis and its image.
        const std::pair<const double *, std::array<double, 6>> rows[] = {
            {Camera::kTop, {1, 0, 0, 0, -1, 0}},  {Camera::kTop, {0, 1, 0, 1, 0, 0}},
            {Camera::kFront, {0, 0, 1, 0, 1, 0}}, {Camera::kFront, {1, 0, 0, 0, 0, 1}},
            {Camera::kBack, {1, 0, 0, 0, 0, -1}}, {Camera::kRight, {0, 1, 0, 0, 0, 1}},
            {Camera::kLeft, {0, 1, 0, 0, 0, -1}}};
        for (const auto &[view, v] : rows) {
            c.reset(view[0], view[1], 100, centre);
            QVERIFY(near3(eye(c.viewMatrix(), v[0], v[1], v[2], 0), v[3], v[4], v[5]));
        }
        // Iso: Z still up in the picture (no roll), the viewer above the scene.
        c.reset(Camera::kIso[0], Camera::kIso[1], 100, centre);
        const auto z = eye(c.viewMatrix(), 0, 0, 1, 0);
        QVERIFY(std::fabs(z[0]) < 1e-5 && z[1] > 0 && z[2] > 0);
    }
    void resetLooksAtTheCentreFromEightRadii()
    {
        Camera c;
        const float centre[3] = {150, -40, 300};
        QCOMPARE(c.reset(-60, -135, 400, centre), 80.0f); // the frame glyph: a fifth of the radius
        QVERIFY(near3(eye(c.viewMatrix(), 150, -40, 300, 1), 0, 0, -3200, 1e-2));
        // An empty robot gets the default radius of 500.
        QCOMPARE(c.reset(-60, -135, 0, nullptr), 100.0f);
        QVERIFY(near3(eye(c.viewMatrix(), 0, 0, 0, 1), 0, 0, -4000, 1e-2));
    }
    void orbitTurnsAboutTheCentreWithoutRolling()
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
    }
    void zoomPanAndWheel()
    {
        Camera c;
        c.reset(0, 0, 100, nullptr);
        const Matrix4 before = c.viewMatrix();
        c.wheel(120); // one notch: 150 mm
        QCOMPARE(c.viewMatrix()[14], before[14] + 150.0f);
        c.wheel(7); // less than a step
        c.wheel(-240);
        QCOMPARE(c.viewMatrix()[14], before[14] - 150.0f);
        c.zoom(3);
        QCOMPARE(c.viewMatrix()[14], before[14] - 90.0f);
        c.pan(2, -1); // mouse moved 2 px left and 1 px down
        QCOMPARE(c.viewMatrix()[12], before[12] - 10.0f);
        QCOMPARE(c.viewMatrix()[13], before[13] - 5.0f);
    }
    void placementText()
    {
        const Pose6 p{100, -20.5f, 3.125f, 90, -45, 0};
        const QString text = placement::toText(p);
        QCOMPARE(text, QString::fromUtf8(
                           "100.00 mm, -20.50 mm, 3.13 mm, 90.00\u00b0, -45.00\u00b0, 0.00\u00b0"));
        QCOMPARE(placement::fromText(text), (Pose6{100, -20.5f, 3.13f, 90, -45, 0}));
        QCOMPARE(placement::toText({-0.001f, 0, 0, 0, 0, 0}).left(4), QStringLiteral("0.00"));
        // Forgiving: letters, too few and too many pieces, numbers out of range.
        QCOMPARE(placement::fromText(QStringLiteral("abc, 5 mm")), (Pose6{0, 5, 0, 0, 0, 0}));
        QCOMPARE(placement::fromText(QStringLiteral("1,2,3,4,5,6,7,8")), (Pose6{1, 2, 3, 4, 5, 6}));
        QCOMPARE(placement::fromText(QStringLiteral("1e40, nan, inf, 1, 2, 3")),
                 (Pose6{0, 0, 0, 1, 2, 3}));
    }
};
QTEST_GUILESS_MAIN(TestCamera)
#include "tst_camera.moc"
