// Configuration flags and orientation conventions of the controller
// languages against numbers worked out by hand.
#include "controllers/configflags.h"
#include "controllers/orientation.h"
#include "kinematics/robot.h"
#include "support/robots.h"

#include <QtTest>
#include <cmath>
#include <map>
#include <memory>

using controllers::Angles;
using controllers::Rotation;

Q_DECLARE_METATYPE(Rotation)
Q_DECLARE_METATYPE(Angles)

namespace {

using J = std::array<float, 6>;

const kinematics::Chain &chainOf(const QString &file)
{
    static std::map<QString, std::unique_ptr<Robot>> robots;
    auto &r = robots[file];
    if (!r) {
        r = std::make_unique<Robot>();
        if (!support::loadShipped(*r, file))
            qFatal("cannot load %s", qPrintable(file));
    }
    return r->chain();
}

bool near(const Angles &a, const Angles &b, double tol)
{
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(a[std::size_t(k)] - b[std::size_t(k)]) <= tol))
            return false;
    return true;
}

QByteArray text(const Angles &a)
{
    return QByteArray::number(a[0], 'f', 6) + ' ' + QByteArray::number(a[1], 'f', 6) + ' ' +
           QByteArray::number(a[2], 'f', 6);
}

} // namespace

class TestControllers : public QObject
{
    Q_OBJECT

private slots:
    void configurationFlags_data();
    void configurationFlags();
    void fanucConfigText();
    void orientations_data();
    void orientations();
    void orientationRoundTrips();
};

// Worked on paper in the arm's plane (r forward from axis 1, z up) from each
// description's link table: where the wrist centre lands, and whether the
// forearm turns from the upper arm as at the usual pose (up: upper arm up,
// forearm forward). The comment of each row gives the wrist's (r, z).
void TestControllers::configurationFlags_data()
{
    QTest::addColumn<QString>("robot");
    QTest::addColumn<J>("joints");
    QTest::addColumn<QString>("expected");

    // KR 6 R700: shoulder (25, 400), upper arm 315, forearm 35 along the upper
    // arm and 365 across it; A3 = 90 bends it square (stretched near +5.5).
    const QString kuka = QStringLiteral("KUKA_KR6_R700_sixx.xml");
    QTest::newRow("KUKA front up") << kuka << J{0, -90, 90, 0, 30, 0} << "S 2 T 2";     // (390, 750)
    QTest::newRow("KUKA front up A5-") << kuka << J{-20, -90, 90, -10, -30, -45} << "S 6 T 59";
    QTest::newRow("KUKA back up") << kuka << J{0, -180, 90, 0, 30, 0} << "S 3 T 2";     // (-325, 765)
    QTest::newRow("KUKA back up A5-") << kuka << J{0, -180, 90, 0, -30, 0} << "S 7 T 18";
    QTest::newRow("KUKA front down") << kuka << J{0, 0, -90, 0, 30, 0} << "S 0 T 4";    // (305, 765)
    QTest::newRow("KUKA front down A5-") << kuka << J{0, 0, -90, 0, -30, 0} << "S 4 T 20";
    QTest::newRow("KUKA back down") << kuka << J{0, -90, -90, 0, 30, 0} << "S 1 T 6";   // (-340, 680)
    QTest::newRow("KUKA back down A5-") << kuka << J{0, -90, -90, 0, -30, 0} << "S 5 T 22";
    // M-10iA: shoulder (150, 450), upper arm 600, forearm 200 along and 640
    // across; J3 counts from the horizontal (J2 + J3 turns the forearm).
    const QString fanuc = QStringLiteral("FANUC_M10iA.xml");
    QTest::newRow("FANUC front up") << fanuc << J{0, 0, 0, 0, -90, 0} << "N U T, 0, 0, 0"; // (790, 1250)
    QTest::newRow("FANUC flip") << fanuc << J{0, 0, 0, 0, 90, 0} << "F U T, 0, 0, 0";
    QTest::newRow("FANUC front down") << fanuc << J{0, 90, 90, 0, -30, 0} << "N D T, 0, 0, 0"; // (550, 1090)
    QTest::newRow("FANUC back up") << fanuc << J{0, -90, 90, 0, -30, 0} << "N U B, 0, 0, 0"; // (-650, 1090)
    QTest::newRow("FANUC back down") << fanuc << J{0, 0, 180, 0, 30, 0} << "F D B, 0, 0, 0"; // (-490, 850)
    QTest::newRow("FANUC turns +") << fanuc << J{180, 0, 0, -185, -30, 270} << "N U T, 0, -1, 1";
    QTest::newRow("FANUC turns -") << fanuc << J{-180, 0, 0, 190, -30, -200} << "N U T, -1, 1, -1";
    // GP7: shoulder (40, 330), upper arm 445, forearm 40 along and 440 across.
    const QString yaskawa = QStringLiteral("YASKAWA_GP7.xml");
    QTest::newRow("Yaskawa front up") << yaskawa << J{0, 0, 0, 0, -90, 0} << "0,0,0,0,0,0,0,0"; // (480, 815)
    QTest::newRow("Yaskawa flip") << yaskawa << J{0, 0, 0, 0, 30, 0} << "1,0,0,0,0,0,0,0";
    QTest::newRow("Yaskawa front lower") << yaskawa << J{0, 90, 180, 0, -30, 0} << "0,1,0,0,0,0,0,0"; // (445, 770)
    QTest::newRow("Yaskawa back upper") << yaskawa << J{0, -60, 0, 0, -30, 0} << "0,0,1,0,0,0,0,0"; // (-160, 953)
    QTest::newRow("Yaskawa back lower") << yaskawa << J{0, 0, 180, 0, -30, 0} << "0,1,1,0,0,0,0,0"; // (-400, 735)
    QTest::newRow("Yaskawa half turns") << yaskawa << J{-180, 0, 0, 180, -30, 200} << "0,0,0,1,1,1,0,0";
    // TX2-60: shoulder on axis 1 at 375, upper arm 290, forearm 310 across;
    // J3 = 0 is the stretched arm.
    const QString staubli = QStringLiteral("STAUBLI_TX2_60.xml");
    QTest::newRow("Staubli front +") << staubli << J{0, 0, 90, 0, 30, 0} << "righty epositive wpositive"; // (310, 665)
    QTest::newRow("Staubli back -") << staubli << J{0, 0, -90, 0, -30, 0} << "lefty enegative wnegative"; // (-310, 665)
    QTest::newRow("Staubli front -") << staubli << J{0, 90, -90, 0, 30, 0} << "righty enegative wpositive"; // (290, 685)
    QTest::newRow("Staubli back +") << staubli << J{0, -90, 90, 0, -30, 0} << "lefty epositive wnegative"; // (-290, 685)
}

void TestControllers::configurationFlags()
{
    QFETCH(QString, robot);
    QFETCH(J, joints);
    QFETCH(QString, expected);
    const kinematics::Chain &c = chainOf(robot);
    QString got;
    if (robot.startsWith(QLatin1String("KUKA")))
        got = QStringLiteral("S %1 T %2")
                  .arg(controllers::kukaStatus(c, joints.data()))
                  .arg(controllers::kukaTurn(joints.data()));
    else if (robot.startsWith(QLatin1String("FANUC")))
        got = controllers::fanucConfigText(controllers::fanucConfig(c, joints.data()));
    else if (robot.startsWith(QLatin1String("YASKAWA")))
        got = controllers::yaskawaRconfText(controllers::yaskawaRconf(c, joints.data()));
    else {
        const controllers::StaubliConfig s = controllers::staubliConfig(c, joints.data());
        got = QStringLiteral("%1 %2 %3").arg(QLatin1String(controllers::shoulderName(s)),
                                             QLatin1String(controllers::elbowName(s)),
                                             QLatin1String(controllers::wristName(s)));
    }
    QCOMPARE(got, expected);
}

// The CONFIG text reads back as written, in the forms saved files use, and
// refuses what is not one.
void TestControllers::fanucConfigText()
{
    controllers::FanucConfig c;
    QVERIFY(controllers::parseFanucConfig(QStringLiteral("F D B, -1, 1, 0"), c));
    QCOMPARE(controllers::fanucConfigText(c), QStringLiteral("F D B, -1, 1, 0"));
    QVERIFY(controllers::parseFanucConfig(QStringLiteral(" n u t"), c));
    QCOMPARE(controllers::fanucConfigText(c), QStringLiteral("N U T, 0, 0, 0"));
    for (const char *bad : {"N U, 0, 0, 0", "N U T U, 0, 0, 0", "N U X, 0, 0, 0", "N U T, a, 0, 0",
                            "N U T, 0, 0, 0, 0", ""})
        QVERIFY2(!controllers::parseFanucConfig(QString::fromLatin1(bad), c), bad);
    QCOMPARE(controllers::fanucConfigText(c), QStringLiteral("N U T, 0, 0, 0"));
}

void TestControllers::orientations_data()
{
    QTest::addColumn<Rotation>("r");
    QTest::addColumn<Angles>("kuka");
    QTest::addColumn<Angles>("fanuc");
    QTest::addColumn<Angles>("val3");
    QTest::addColumn<Angles>("ur");
    const double h = std::sqrt(0.5), c30 = std::sqrt(3.0) / 2;
    // Tool pointing down: a half turn about x.
    QTest::newRow("Rx(180)") << Rotation{1, 0, 0, 0, -1, 0, 0, 0, -1} << Angles{0, 0, 180}
                             << Angles{180, 0, 0} << Angles{180, 0, 0} << Angles{M_PI, 0, 0};
    // Rz(90) Ry(45) multiplied out; in X-Y'-Z'' it is Rx(-45) Rz(90). The
    // rotation vector through the quaternion (w, x, y, z) of the matrix.
    QTest::newRow("Rz(90)Ry(45)") << Rotation{0, -1, 0, h, 0, h, -h, 0, h} << Angles{90, 45, 0}
                                  << Angles{0, 45, 90} << Angles{-45, 0, 90}
                                  << Angles{-0.6139431, 0.6139431, 1.4821898};
    // x -> y -> z -> x: 120 degrees about (1, 1, 1); Ry(90) Rz(90) in VAL3's
    // order, where the middle angle is the singular one.
    QTest::newRow("cyclic") << Rotation{0, 0, 1, 1, 0, 0, 0, 1, 0} << Angles{90, 0, 90}
                            << Angles{90, 0, 90} << Angles{0, 90, 90}
                            << Angles{1.2091996, 1.2091996, 1.2091996};
    // Ry(90) Rx(30): KRL's singular middle angle; Rx(90) Ry(60) Rz(-90) too.
    QTest::newRow("Ry(90)Rx(30)") << Rotation{0, 0.5, c30, 0, c30, -0.5, -1, 0, 0} << Angles{0, 90, 30}
                                  << Angles{30, 90, 0} << Angles{90, 60, -90}
                                  << Angles{0.4103802, 1.5315599, -0.4103802};
}

void TestControllers::orientations()
{
    QFETCH(Rotation, r);
    QFETCH(Angles, kuka);
    QFETCH(Angles, fanuc);
    QFETCH(Angles, val3);
    QFETCH(Angles, ur);
    QVERIFY2(near(controllers::kukaABC(r), kuka, 1e-6), text(controllers::kukaABC(r)));
    QVERIFY2(near(controllers::fanucWPR(r), fanuc, 1e-6), text(controllers::fanucWPR(r)));
    QVERIFY2(near(controllers::yaskawaRxRyRz(r), fanuc, 1e-6), text(controllers::yaskawaRxRyRz(r)));
    QVERIFY2(near(controllers::val3RxRyRz(r), val3, 1e-6), text(controllers::val3RxRyRz(r)));
    QVERIFY2(near(controllers::urRotationVector(r), ur, 1e-6), text(controllers::urRotationVector(r)));
    // And back: each triple gives the rotation it was read from.
    const Rotation back[] = {controllers::fromKukaABC(kuka), controllers::fromFanucWPR(fanuc),
                             controllers::fromYaskawaRxRyRz(fanuc), controllers::fromVal3RxRyRz(val3),
                             controllers::fromUrRotationVector(ur)};
    for (const Rotation &b : back)
        for (int k = 0; k < 9; ++k)
            QVERIFY2(std::fabs(b[std::size_t(k)] - r[std::size_t(k)]) < 1e-6, QByteArray::number(k));
}

// Every convention read from a rotation gives that rotation back, on a grid
// that includes the half turns and the singular middle angles.
void TestControllers::orientationRoundTrips()
{
    using To = Angles (*)(const Rotation &);
    using From = Rotation (*)(const Angles &);
    const std::pair<To, From> ways[] = {
        {controllers::kukaABC, controllers::fromKukaABC},
        {controllers::fanucWPR, controllers::fromFanucWPR},
        {controllers::val3RxRyRz, controllers::fromVal3RxRyRz},
        {controllers::urRotationVector, controllers::fromUrRotationVector}};
    int checked = 0;
    for (double a = -180; a <= 180; a += 45)
        for (double b = -90; b <= 90; b += 30)
            for (double c = -180; c <= 180; c += 60) {
                const Rotation r = controllers::fromKukaABC({a, b, c});
                for (const auto &w : ways) {
                    const Rotation back = w.second(w.first(r));
                    for (int k = 0; k < 9; ++k)
                        QVERIFY2(std::fabs(back[std::size_t(k)] - r[std::size_t(k)]) < 1e-9,
                                 qPrintable(QStringLiteral("%1 %2 %3").arg(a).arg(b).arg(c)));
                    ++checked;
                }
            }
    QCOMPARE(checked, 9 * 7 * 7 * 4);
}

QTEST_GUILESS_MAIN(TestControllers)
#include "tst_controllers.moc"
