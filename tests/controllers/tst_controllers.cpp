// Configuration flags and orientation conventions of the controller
// languages against numbers worked out by hand, and every writer on the
// shipped programs.
#include "controllers/configflags.h"
#include "controllers/orientation.h"
#include "controllers/programexportcommands.h"
#include "controllers/programwriter.h"
#include "rapid/rapidmodule.h"
#include "kinematics/robot.h"
#include "support/robots.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <map>
#include <memory>

using controllers::Angles;
using controllers::Rotation;

using J = std::array<float, 6>;
Q_DECLARE_METATYPE(J)
Q_DECLARE_METATYPE(Rotation)
Q_DECLARE_METATYPE(Angles)
Q_DECLARE_METATYPE(controllers::Language)

namespace {

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
    void shippedProgramsInEveryLanguage_data();
    void shippedProgramsInEveryLanguage();
    void formatsAndTargets_data();
    void formatsAndTargets();
    void namesAndCommandLine();
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

namespace {

Robot &robotOf(const QString &file)
{
    static std::map<QString, std::unique_ptr<Robot>> robots;
    auto &r = robots[file];
    if (!r) {
        r = std::make_unique<Robot>();
        if (!support::loadShipped(*r, file))
            qFatal("cannot load %s", qPrintable(file));
    }
    return *r;
}

// The library robot of each language's maker.
QString robotFor(controllers::Language l)
{
    switch (l) {
    case controllers::Language::Krl: return QStringLiteral("KUKA_KR6_R700_sixx.xml");
    case controllers::Language::Ls: return QStringLiteral("FANUC_M10iA.xml");
    case controllers::Language::UrScript: return QStringLiteral("UR5.xml");
    case controllers::Language::Jbi: return QStringLiteral("YASKAWA_GP7.xml");
    case controllers::Language::Val3: return QStringLiteral("STAUBLI_TX2_60.xml");
    case controllers::Language::Rapid: break;
    }
    return QStringLiteral("ABB_IRB120.xml");
}

QString allText(const controllers::WriteResult &w)
{
    QString t;
    for (const auto &f : w.files)
        t += QString::fromUtf8(f.bytes);
    return t;
}

} // namespace

// Every program of Simulations/ in every language, on each maker's robot:
// written without error, with as many motion instructions as the file has
// move lines (codes 1, 2, 3 and 9), counted here from the file itself.
void TestControllers::shippedProgramsInEveryLanguage_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<controllers::Language>("language");
    const QDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/../Simulations"));
    const QStringList sims = dir.entryList({QStringLiteral("*.sim")}, QDir::Files);
    QVERIFY(sims.size() >= 3);
    for (const QString &sim : sims)
        for (const auto &l : controllers::languages())
            QTest::newRow(qPrintable(sim + QLatin1Char(' ') + QLatin1String(l.key)))
                << dir.filePath(sim) << l.language;
}

void TestControllers::shippedProgramsInEveryLanguage()
{
    QFETCH(QString, file);
    QFETCH(controllers::Language, language);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    // Six numbers are a position (a joint move), seven a code and its operands.
    int expected = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList n = line.simplified().split(QLatin1Char(' '));
        expected += n.size() == 6 || (n.size() == 7 && QStringList{"1", "2", "3", "9"}.contains(n[0]));
    }
    controllers::WriteOptions o;
    o.name = controllers::nameFrom(language, QFileInfo(file).completeBaseName());
    const controllers::WriteResult w =
        controllers::writeProgram(robotOf(robotFor(language)), rapid::programFromText(text), language, o);
    QVERIFY2(w.ok, qPrintable(w.error));
    const char *moves[] = {"^\\s*Move(AbsJ|L|C) ", "^(PTP|LIN|CIRC) ", "^\\s*\\d+:[JLC] ",
                           "^\\s*move[jlc]\\(", "^MOV[JLC] ", "^\\s*move[jlc]\\("};
    int found = int(allText(w).count(QRegularExpression(QLatin1String(moves[int(language)]),
                                                        QRegularExpression::MultilineOption)));
    if (language == controllers::Language::Jbi) // a circle is three MOVC
        found -= 2 * int(allText(w).count(QRegularExpression(QStringLiteral("^MOVC "), QRegularExpression::MultilineOption))) / 3;
    QCOMPARE(found, expected);
    QCOMPARE(w.moves, expected);
}

// A program of a joint move, a straight move to a hand-worked arm
// configuration and a circle, with a tool: each file in the order its
// controller reads it, the flags worked out above, and the first Cartesian
// target read back from the text giving the library's own forward
// kinematics of its joint values times the tool.
void TestControllers::formatsAndTargets_data()
{
    QTest::addColumn<controllers::Language>("language");
    QTest::addColumn<J>("joints");
    QTest::addColumn<QString>("structure");
    QTest::addColumn<QString>("target"); // six numbers: x y z and the angles
    // The joint move asks for 40 %, the straight move for 100 mm/s and an
    // exact stop, the circle for a 30 mm zone; the rest take the defaults.
    QTest::newRow("krl") << controllers::Language::Krl << J{0, -90, 90, 0, 30, 0}
        << R"re(^DEF Tst\( \)\r\n;FOLD INI\r\n  BAS\(#INITMOV,0\)\r\n;ENDFOLD.*\$BASE=\$NULLFRAME.*)re"
           R"re(TOOL_DATA\[1\]=\{X 0\.000,Y 0\.000,Z 100\.000,A 0\.0000,B 0\.0000,C 0\.0000\}.*\$TOOL=TOOL_DATA\[1\]\r\n)re"
           R"re(BAS\(#VEL_PTP,40\)\r\nPTP XJ2 C_PTP\r\n\$VEL.CP=0\.1000\r\nLIN XP3\r\n\$VEL.CP=0\.2500\r\n)re"
           R"re(\$APO.CDIS=30\.0\r\nCIRC XP4,XP5 C_DIS\r\n\$APO.CDIS=10\.0\r\nLIN XP5 C_DIS\r\nLIN XP6\r\nEND\r\n)re"
           R"re(DEFDAT Tst PUBLIC\r\nDECL E6AXIS XJ2=\{A1 0\.0000,A2 -90\.0000,A3 90\.0000,A4 0\.0000,A5 30\.0000,A6 0\.0000,E1 0\.0,)re"
           R"re(.*DECL E6POS XP3=\{X .*,S 2,T 2,E1 0\.0,.*ENDDAT\r\n$)re"
        << R"re(XP3=\{X (\S+),Y (\S+),Z (\S+),A (\S+),B (\S+),C ([^,]+))re";
    QTest::newRow("ls") << controllers::Language::Ls << J{0, 90, 90, 0, -30, 0}
        << R"re(^/PROG  TST\n/ATTR\n.*DEFAULT_GROUP\t= 1,\*,\*,\*,\*;\n.*/MN\n   1:  !.*UFRAME_NUM=0 ;.*)re"
           R"re(! UTOOL\[1\] X=0\.000 Y=0\.000 Z=100\.000 W=0\.000 P=0\.000 R=0\.000 ;\n   6:  UTOOL_NUM=1 ;\n)re"
           R"re(   7:J P\[1\] 40% CNT10    ;\n   8:L P\[2\] 100mm/sec FINE    ;\n   9:C P\[3\]    ;\n    :  P\[4\] 250mm/sec CNT30    ;\n)re"
           R"re(  \d\d:L P\[5\] 250mm/sec CNT10    ;\n  \d\d:L P\[6\] 250mm/sec FINE    ;\n/POS\nP\[1\]\{\n   GP1:\n\tUF : 0, UT : 1,\t\n\tJ1=     0\.000 deg,)re"
           R"re(.*P\[2\]\{\n   GP1:\n\tUF : 0, UT : 1,\t\tCONFIG : 'N D T, 0, 0, 0',\n.*\};\n/END\n$)re"
        << R"re(P\[2\].*?X = +(\S+) +mm,\tY = +(\S+) +mm,\tZ = +(\S+) +mm,\n\tW = +(\S+) deg,\tP = +(\S+) deg,\tR = +(\S+) deg)re";
    QTest::newRow("urscript") << controllers::Language::UrScript << J{10, -80, 70, -90, -90, 20}
        << R"re(^def Tst\(\):\n  #.*\n  set_tcp\(p\[0\.0000000, 0\.0000000, 0\.0000000, 0\.0000000, 0\.0000000, 0\.0000000\]\)\n.*)re"
           R"re(  set_tcp\(p\[0\.0000000, 0\.0000000, 0\.1000000, 0\.0000000, 0\.0000000, 0\.0000000\]\)\n)re"
           R"re(  movej\(\[0\.0000000, -1\.5707963, 1\.5707963, 0\.0000000, 0\.5235988, 0\.0000000\], a=1\.4, v=1\.2566, r=0\.0100\)\n)re"
           R"re(  movel\(p\[.*\], a=1\.2, v=0\.1000, r=0\.0000\)\n  movec\(p\[.*\], p\[.*\], a=1\.2, v=0\.2500, r=0\.0300, mode=0\)\n)re"
           R"re(  movel\(p\[.*\], a=1\.2, v=0\.2500, r=0\.0100\)\n  movel\(p\[.*\], a=1\.2, v=0\.2500, r=0\.0000\)\nend\n$)re"
        << R"re(movel\(p\[(\S+), (\S+), (\S+), (\S+), (\S+), ([^\]]+)\])re";
    QTest::newRow("jbi") << controllers::Language::Jbi << J{0, -60, 0, 0, -30, 0}
        << R"re(^/JOB\r\n//NAME TST\r\n//POS\r\n///NPOS 7,0,0,0,0,0\r\n///POSTYPE ROBOT\r\n///RECTAN\r\n///TOOL 1\r\n)re"
           R"re(///RCONF \S+\r\nC00000=.*\r\n///RCONF 0,0,1,0,0,0,0,0\r\nC00001=.*//INST\r\n///DATE .*)re"
           R"re(///ATTR SC,RW\r\n///GROUP1 RB1\r\nNOP\r\n.*MOVJ C00000 VJ=40\.00 PL=1\r\nMOVL C00001 V=100\.0\r\n)re"
           R"re(MOVC C00002 V=250\.0\r\nMOVC C00003 V=250\.0\r\nMOVC C00004 V=250\.0 PL=3\r\n)re"
           R"re(MOVL C00005 V=250\.0 PL=1\r\nMOVL C00006 V=250\.0\r\nEND\r\n$)re"
        << R"re(C00001=(\S+),(\S+),(\S+),(\S+),(\S+),(\S+)\r)re";
    QTest::newRow("val3") << controllers::Language::Val3 << J{0, 90, -90, 0, 30, 0}
        << R"re(^\x{feff}?<\?xml.*<Program file="start\.pgx" />.*<Data file="Tst\.dtx" />.*)re"
           R"re(<Program name="start">\r\n    <Code><!\[CDATA\[begin\r\n.*  movej\(jPoint\[0\], tTool\[1\], mDesc\[0\]\)\r\n)re"
           R"re(  movel\(pPoint\[0\], tTool\[1\], mDesc\[1\]\)\r\n  movec\(pPoint\[1\], pPoint\[2\], tTool\[1\], mDesc\[2\]\)\r\n)re"
           R"re(  movel\(pPoint\[3\], tTool\[1\], mDesc\[3\]\)\r\n  movel\(pPoint\[4\], tTool\[1\], mDesc\[4\]\)\r\n  waitEndMove\(\)\r\nend\]\]></Code>.*)re"
           R"re(type="jointRx".*type="pointRx".*shoulder="righty" elbow="enegative" wrist="wpositive".*type="tool".*)re"
           R"re(<Value key="1" x="0\.000" y="0\.000" z="100\.000" rx="0\.0000" ry="0\.0000" rz="0\.0000" fatherId="flange\[0\]".*type="mdesc".*)re"
           R"re(key="0" accel="100" vel="40\.0" .*key="1" .*tmax="100\.0" rmax="9999" blend="off".*key="2" .*blend="Cartesian" leave="30\.0" reach="30\.0")re"
        << R"re(key="0" x="(\S+)" y="(\S+)" z="(\S+)" rx="(\S+)" ry="(\S+)" rz="(\S+)" shoulder)re";
}

void TestControllers::formatsAndTargets()
{
    QFETCH(controllers::Language, language);
    QFETCH(J, joints);
    QFETCH(QString, structure);
    QFETCH(QString, target);
    Robot &robot = robotOf(robotFor(language));
    // Tool: 100 mm along the flange's z. Joint move, straight move to the
    // configuration, circle (via, end), the end again.
    auto line = [](int code, const J &q) {
        sequences::ProgramLine l;
        l.code = code;
        for (int k = 0; k < 6; ++k)
            l.operands[std::size_t(k)] = q[std::size_t(k)];
        return l;
    };
    J via = joints, end = joints;
    via[0] += 8;
    end[0] += 15;
    sequences::ProgramLine tool;
    tool.code = 5;
    tool.operands = {0, 0, 100, 0, 0, 0};
    std::vector<sequences::ProgramLine> program{tool, line(1, J{0, -90, 90, 0, 30, 0}),
                                                line(2, joints), line(9, via), line(2, end),
                                                line(2, end)};
    program[1].speed = 40;
    program[2].speed = 100;
    program[2].zone = sequences::kFineZone;
    program[3].zone = 30;
    controllers::WriteOptions o;
    o.name = language == controllers::Language::Ls || language == controllers::Language::Jbi
                 ? QStringLiteral("tst") : QStringLiteral("Tst");
    const controllers::WriteResult w = controllers::writeProgram(robot, program, language, o);
    QVERIFY2(w.ok, qPrintable(w.error));
    const QString text = allText(w);
    QVERIFY2(QRegularExpression(structure, QRegularExpression::DotMatchesEverythingOption).match(text).hasMatch(),
             qPrintable(text));
    const QRegularExpressionMatch m =
        QRegularExpression(target, QRegularExpression::DotMatchesEverythingOption).match(text);
    QVERIFY2(m.hasMatch(), qPrintable(text));
    double v[6];
    for (int k = 0; k < 6; ++k)
        v[k] = m.captured(k + 1).toDouble();
    const bool metres = language == controllers::Language::UrScript;
    const Rotation r = language == controllers::Language::Krl ? controllers::fromKukaABC({v[3], v[4], v[5]})
                       : language == controllers::Language::Val3 ? controllers::fromVal3RxRyRz({v[3], v[4], v[5]})
                       : metres ? controllers::fromUrRotationVector({v[3], v[4], v[5]})
                                : controllers::fromFanucWPR({v[3], v[4], v[5]});
    // The flange by the library's forward kinematics, then 100 mm along its z.
    const Matrix4 f = kinematics::forwardFromJoints(robot.chain(), joints.data());
    for (int i = 0; i < 3; ++i) {
        const double expected = double(f[std::size_t(4 * i + 3)]) + 100.0 * double(f[std::size_t(4 * i + 2)]);
        QVERIFY2(std::fabs(v[i] * (metres ? 1000.0 : 1.0) - expected) < 2e-3, qPrintable(QString::number(i)));
        for (int j = 0; j < 3; ++j)
            QVERIFY2(std::fabs(r[std::size_t(3 * i + j)] - double(f[std::size_t(4 * i + j)])) < 1e-5,
                     qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
    }
}

// Names each controller refuses, and velkari-kin writing real files.
void TestControllers::namesAndCommandLine()
{
    using L = controllers::Language;
    const std::pair<L, const char *> refused[] = {
        {L::Krl, "1abc"}, {L::Krl, "END"}, {L::Krl, "abcdefghijklmnopqrstuvwxy"}, {L::Ls, "A-B"},
        {L::Ls, "_A"}, {L::UrScript, "def"}, {L::UrScript, "a b"}, {L::Jbi, "J\u00d6B"},
        {L::Val3, "abcdefghijklmnop"}, {L::Val3, "start"}, {L::Rapid, "9"}};
    for (const auto &r : refused)
        QVERIFY2(!controllers::checkName(r.first, QString::fromUtf8(r.second)), r.second);
    for (const auto &l : controllers::languages())
        QVERIFY2(controllers::checkName(l.language, QStringLiteral("Draw_2")), l.key);

    QTemporaryDir dir;
    const QString kin = QCoreApplication::applicationDirPath() + QStringLiteral("/velkari-kin");
    const QString sim = QCoreApplication::applicationDirPath() + QStringLiteral("/../Simulations/drawing.sim");
    auto run = [&](const QStringList &args, QByteArray *out = nullptr) {
        QProcess p;
        p.start(kin, args);
        if (!p.waitForFinished(120000))
            return -1;
        if (out)
            *out = p.readAllStandardOutput();
        return p.exitCode();
    };
    // The KUKA robot writes KRL by itself: two files, so only with --out.
    const QString kuka = support::shippedRobot(QStringLiteral("KUKA_KR6_R700_sixx.xml"));
    QCOMPARE(run({kuka, QStringLiteral("export"), sim}), 2);
    const int status = run({kuka, QStringLiteral("export"), sim, QStringLiteral("--out"), dir.path()});
    QVERIFY(status == 0 || status == 3);
    QFile src(dir.filePath(QStringLiteral("drawing.src"))), dat(dir.filePath(QStringLiteral("drawing.dat")));
    QVERIFY(src.open(QIODevice::ReadOnly) && dat.open(QIODevice::ReadOnly));
    QVERIFY(src.readLine().startsWith("DEF drawing( )") && dat.readLine().startsWith("DEFDAT drawing"));
    QByteArray out;
    QVERIFY(run({kuka, QStringLiteral("export"), sim, QStringLiteral("--format"), QStringLiteral("urscript"),
                 QStringLiteral("--name"), QStringLiteral("pen")}, &out) != 2);
    QVERIFY2(out.startsWith("def pen():\n"), out.left(200).constData());
    QCOMPARE(run({kuka, QStringLiteral("export"), sim, QStringLiteral("--format"), QStringLiteral("ls"),
                  QStringLiteral("--name"), QStringLiteral("1x")}), 2);
    QCOMPARE(run({kuka, QStringLiteral("export"), sim, QStringLiteral("--format"), QStringLiteral("cobol")}), 2);
    QCOMPARE(run({kuka, QStringLiteral("export"), sim, QStringLiteral("--format"), QStringLiteral("jbi"),
                  QStringLiteral("--zone"), QStringLiteral("9")}), 2);

    // The window's export: the maker's language offered first, RAPID for ABB;
    // nothing written without a robot; KRL's two files into the folder chosen.
    QVERIFY(ProgramExportCommands::choices(&robotOf(QStringLiteral("KUKA_KR6_R700_sixx.xml"))).first().startsWith("KUKA KRL"));
    QVERIFY(ProgramExportCommands::choices(&robotOf(QStringLiteral("ABB_IRB120.xml"))).first().startsWith("ABB RAPID"));
    QVERIFY(ProgramExportCommands::choices(&robotOf(QStringLiteral("STAUBLI_TX2_60.xml"))).first().contains("VAL3"));
    Robot *robot = nullptr;
    const std::vector<sequences::ProgramLine> program(1, sequences::ProgramLine{1.0, {0, -90, 90, 0, 30, 0}});
    ProgramExportCommands commands([&robot] { return robot; }, [&program] { return program; });
    controllers::WriteOptions o;
    o.name = QStringLiteral("Win");
    QCOMPARE(commands.exportTo(controllers::Language::Krl, dir.filePath("w"), o), int(ProgramExportCommands::NoRobot));
    QVERIFY(!QFile::exists(dir.filePath("w/Win.src")));
    robot = &robotOf(QStringLiteral("KUKA_KR6_R700_sixx.xml"));
    QCOMPARE(commands.exportTo(controllers::Language::Krl, dir.filePath("w"), o), int(ProgramExportCommands::Done));
    QVERIFY(QFile::exists(dir.filePath("w/Win.src")) && QFile::exists(dir.filePath("w/Win.dat")));
}

QTEST_GUILESS_MAIN(TestControllers)
#include "tst_controllers.moc"
