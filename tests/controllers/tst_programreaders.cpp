// KUKA, FANUC and UR programs as their controllers save them, read back:
// targets whose configuration flags were worked out by hand from joint values
// must come back as those joint values, hand-worked orientations as their
// matrices, and what cannot be read is skipped with its line.
#include "controllers/configflags.h"
#include "controllers/krlreader.h"
#include "controllers/lsreader.h"
#include "controllers/orientation.h"
#include "controllers/urscriptreader.h"
#include "kinematics/robot.h"
#include "rapid/rapidmodule.h"
#include "support/robots.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using controllers::ReadProgram;
using controllers::SolvedProgram;
using sequences::Frame;
using Joints = std::array<double, 6>;

namespace {

// The TCP of joint values with a tool `tz` mm along the flange's z axis.
Frame tcp(Robot &robot, const Joints &q, double tz)
{
    Frame tool;
    tool.t = {0, 0, tz};
    return rapid::compose(sequences::PathAnalyser(robot).flange(q.data()), tool);
}

QString n(double v)
{
    return QString::number(v, 'f', 6);
}

// The joint values of the program's move lines (codes 1, 2, 9 and the
// circle's end), in order.
std::vector<Joints> moveJoints(const SolvedProgram &p)
{
    std::vector<Joints> out;
    for (const sequences::ProgramLine &l : p.program)
        if (l.code != 5.0)
            out.push_back(l.operands);
    return out;
}

void compareJoints(const Joints &got, const Joints &want, const char *what)
{
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY2(std::fabs(got[k] - want[k]) < 0.01,
                 qPrintable(QStringLiteral("%1: axis %2 is %3, not %4")
                                .arg(what)
                                .arg(k + 1)
                                .arg(got[k])
                                .arg(want[k])));
}

void compareRotation(const Frame &f, const std::array<double, 9> &want)
{
    for (std::size_t k = 0; k < 9; ++k)
        QVERIFY2(std::fabs(f.r[k] - want[k]) < 1e-6, qPrintable(QString::number(k)));
}

// The positions of check --path (type, six joints, code), each once where
// consecutive ones are the same.
std::vector<Joints> path(const QByteArray &out)
{
    std::vector<Joints> p;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() != 8 || f[0] != "1.000000")
            continue;
        Joints j;
        for (std::size_t k = 0; k < 6; ++k)
            j[k] = f[int(k) + 1].toDouble();
        bool same = !p.empty();
        for (std::size_t k = 0; same && k < 6; ++k)
            same = std::fabs(p.back()[k] - j[k]) < 1e-4;
        if (!same)
            p.push_back(j);
    }
    return p;
}

// Rz(90) Rx(180), worked by hand: x goes to y, y to x, z to -z.
const std::array<double, 9> kSwapXY{0, 1, 0, 1, 0, 0, 0, 0, -1};

} // namespace

class TestProgramReaders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(support::loadShipped(m_kuka, QStringLiteral("KUKA_KR16_2.xml")));
        QVERIFY(support::loadShipped(m_fanuc, QStringLiteral("FANUC_M10iA.xml")));
        QVERIFY(support::loadShipped(m_ur, QStringLiteral("UR5.xml")));
    }

    // A .src with its .dat as a KR C4 saves them (header lines, folds, CRLF
    // in the .dat, inline-form folds, lower case). XP1 and XP2 are one pose:
    // q0 and its wrist flipped, told apart only by S and T. By hand: q0 has
    // A2 < 0 only (T 'B000010'), A3 = 100 is past the stretched arm and A5 > 0
    // (S 'B010'); the flip adds A4, A5, A6 < 0 (T 'B111010' = 58) and A5 < 0
    // (S 'B110' = 6, written 22 with the bit 4 some KR C4 files carry).
    void krl()
    {
        const Joints q0{10, -80, 100, 20, 30, 40}, q1{10, -80, 100, -160, -30, -140};
        const Joints q3{20, -70, 95, 10, 40, 50};
        const Frame p = tcp(m_kuka, q0, 100), p3 = tcp(m_kuka, q3, 100);
        auto e6pos = [](const Frame &f, const QString &flags) {
            const controllers::Angles abc = controllers::kukaABC(f.r);
            return QStringLiteral("{X %1,Y %2,Z %3,A %4,B %5,C %6%7,E1 0.0,E2 0.0}")
                .arg(n(f.t[0]), QString::number(f.t[1], 'E', 9), n(f.t[2]), n(abc[0]),
                     n(abc[1]), n(abc[2]), flags);
        };
        const QString src = QStringLiteral(
            "&ACCESS RVP\n&REL 3\nDEF Weld_Cell( )\n"                          // 1-3
            ";FOLD INI;%{PE}\n  ;FOLD BASISTECH INI\n    BAS (#INITMOV,0 )\n" // 4-6
            "  ;ENDFOLD (BASISTECH INI)\n;ENDFOLD (INI)\n"                     // 7-8
            "$TOOL = {X 0,Y 0,Z 100,A 0,B 0,C 0}\n$BASE = $NULLFRAME\n"        // 9-10
            "PTP {A1 0,A2 -90,A3 90,A4 0,A5 30,A6 0}\nPTP {A1 45}\n"           // 11-12
            ";FOLD PTP P1 Vel=100 % PDAT1 Tool[1] Base[0];%{PE}%R 8.3.31\n"    // 13
            "$BWDSTART=FALSE\nPDAT_ACT=PPDAT1\nPTP XP1\n;ENDFOLD\n"            // 14-17
            "ptp xp2 C_PTP ; the same pose, flipped\n$APO.CDIS = 5\n"          // 18-19
            "LIN XP3 C_DIS\nSLIN XP4 WITH $VEL.CP = 0.25\n"                    // 20-21
            "CIRC XP5, XP6\nPTP XHOME\nLIN {X 500,Y 0,Z 600,A 90,B 0,C 180}\nEND\n");
        const QString dat =
            QStringLiteral("&ACCESS RVP\r\nDEFDAT  WELD_CELL PUBLIC\r\n"
                           "DECL E6POS XP1=%1\r\nDECL FDAT FP1={TOOL_NO 1,BASE_NO 0}\r\n"
                           "DECL E6POS XP2=%2\r\nPOS XP3=%3\r\nDECL FRAME XP4=%4\r\n"
                           "DECL GLOBAL POS XP5=%5\r\nDECL POS XP6=%6\r\nENDDAT\r\n")
                .arg(e6pos(p, ",S 'B010',T 'B000010'"), e6pos(p, ",S 22,T 58"), e6pos(p3, ""),
                     e6pos(tcp(m_kuka, {20, -70, 95, 10, 40, 60}, 100), ""),
                     e6pos(tcp(m_kuka, {25, -70, 95, 10, 40, 50}, 100), ""),
                     e6pos(tcp(m_kuka, {30, -72, 95, 10, 40, 50}, 100), ""));
        const ReadProgram read = controllers::readKrl(src, dat);
        QCOMPARE(read.name, QStringLiteral("Weld_Cell"));
        QCOMPARE(read.moves.back().line, 24);
        compareRotation(read.moves.back().target.pose, kSwapXY);
        QCOMPARE(read.moves.back().target.pose.t[0], 500.0);
        m_kuka.setJointAngles(std::array<float, 6>{});
        const SolvedProgram s = controllers::solveProgram(m_kuka, read);
        QVERIFY2(s.ok, qPrintable(s.error));
        QCOMPARE(s.movesRead, 8);
        QCOMPARE(s.movesSkipped, 1);
        QVERIFY2(s.skipped.size() == 1 && s.skipped[0].startsWith("line 23: PTP XHOME: not "
                                                                  "declared"),
                 qPrintable(s.skipped.join('\n')));
        QCOMPARE(s.program.front().code, 5.0); // the tool, 100 mm along z
        QCOMPARE(s.program.front().operands[2], 100.0);
        const std::vector<Joints> j = moveJoints(s);
        QCOMPARE(j.size(), std::size_t(9));
        compareJoints(j[0], {0, -90, 90, 0, 30, 0}, "inline");
        compareJoints(j[1], {45, -90, 90, 0, 30, 0}, "partial inline");
        compareJoints(j[2], q0, "S 'B010' T 'B000010'");
        compareJoints(j[3], q1, "S 22 T 58");
        const Frame reached = tcp(m_kuka, j[4], 100);
        for (std::size_t k = 0; k < 3; ++k)
            QVERIFY(std::fabs(reached.t[k] - p3.t[k]) < 0.01);
        QCOMPARE(s.lines[3], 16);
        QCOMPARE(s.program[5].zone, 5.0);   // LIN XP3 C_DIS
        QCOMPARE(s.program[6].speed, 250.0); // SLIN WITH $VEL.CP = 0.25 m/s
        QCOMPARE(s.program[7].code, 9.0);
        QCOMPARE(s.program[8].code, rapid::kCircleEndCode);
    }

    // An LS file as a controller writes it, with a hand-written tool comment.
    // P[1], P[2] and P[3] are one pose: q0 = (10, 20, 30, 40, 50, 60) is
    // 'F U T, 0, 0, 0' (J5 > 0, elbow up, in front), its flip
    // (10, 20, 30, -140, -50, -120) 'N U T, 0, 0, 0', and q0 with J6 a turn
    // lower (-300, in (-540, -180]) 'F U T, 0, 0, -1'.
    void ls()
    {
        const Joints q0{10, 20, 30, 40, 50, 60}, q1{10, 20, 30, -140, -50, -120},
            q2{10, 20, 30, 40, 50, -300};
        const Frame p = tcp(m_fanuc, q0, 120);
        auto point = [&p](int i, const QString &label, const QString &config) {
            const controllers::Angles wpr = controllers::fanucWPR(p.r);
            return QStringLiteral("P[%1%2]{\n   GP1:\n\tUF : 0, UT : 1,\t\tCONFIG : '%3',\n"
                                  "\tX = %4  mm,\tY = %5  mm,\tZ = %6  mm,\n"
                                  "\tW = %7 deg,\tP = %8 deg,\tR = %9 deg\n};\n")
                .arg(i)
                .arg(label, config, n(p.t[0]), n(p.t[1]), n(p.t[2]), n(wpr[0]), n(wpr[1]),
                     n(wpr[2]));
        };
        const QString text =
            QStringLiteral(
                "/PROG  PICK_PART\r\n/ATTR\r\nOWNER\t\t= MNEDITOR;\r\nLINE_COUNT\t= 99;\r\n"
                "DEFAULT_GROUP\t= 1,*,*,*,*;\r\n/MN\r\n"        // 1-6
                "   1:  UFRAME_NUM=0 ;\r\n   2:  UTOOL_NUM=1 ;\r\n" // 7-8
                "   3:  ! UTOOL[1] X=0.000 Y=0.000 Z=120.000 W=0.000 P=0.000 R=0.000 ;\r\n"
                "   4:J P[1] 100% FINE    ;\r\n   5:J P[2:\"flip\"] 50% CNT50    ;\r\n"
                "   6:J P[3] 50% CNT50    ;\r\n   7:L P[4] 15000cm/min CNT100    ;\r\n"
                "   8:  //L P[5] 100mm/sec FINE    ;\r\n   9:C P[5]    ;\r\n" // 14-15
                "    :  P[6] 200mm/sec FINE    ;\r\n  10:J PR[1] 100% FINE    ;\r\n"
                "  11:L P[4] 100mm/sec FINE Offset,PR[2]    ;\r\n  12:J P[9] 10% FINE ;\r\n"
                "  13:L P[7] 100mm/sec FINE ;\r\n/POS\r\n") + // 19-20
            point(1, "", "F U T, 0, 0, 0") + point(2, ":\"flip\"", "N U T, 0, 0, 0") +
            point(3, "", "F U T, 0, 0, -1") +
            "P[4]{\n   GP1:\n\tUF : 0, UT : 1,\n\tJ1=  0.000 deg,\tJ2= 10.000 deg,\t"
            "J3= 20.000 deg,\n\tJ4= 0.000 deg,\tJ5= -30.000 deg,\tJ6= 0.000 deg\n};\n" +
            point(5, "", "N U T, 0, 0, 0") + point(6, "", "N U T, 0, 0, 0") +
            "P[7]{\n   GP1:\n\tUF : 0, UT : 1,\tCONFIG : 'N U T, 0, 0, 0',\n"
            "\tX = 400 mm, Y = 0 mm, Z = 500 mm, W = 180 deg, P = 0 deg, R = 90 deg\n"
            "   GP2:\n\tUF : 0, UT : 1,\n\tJ1= 1e9 deg\n};\n/END\n";
        const ReadProgram read = controllers::readLs(text);
        QCOMPARE(read.name, QStringLiteral("PICK_PART"));
        compareRotation(read.moves.back().target.pose, kSwapXY);
        m_fanuc.setJointAngles(std::array<float, 6>{});
        const SolvedProgram s = controllers::solveProgram(m_fanuc, read);
        QVERIFY2(s.ok, qPrintable(s.error));
        QCOMPARE(s.movesSkipped, 3);
        QVERIFY2(s.skipped.join('\n').contains("line 17: J PR[1]") &&
                     s.skipped.join('\n').contains("line 18: L P[4]: offsets") &&
                     s.skipped.join('\n').contains("line 19: J P[9]: P[9] is not in /POS"),
                 qPrintable(s.skipped.join('\n')));
        QCOMPARE(s.program.front().code, 5.0);
        QCOMPARE(s.program.front().operands[2], 120.0);
        const std::vector<Joints> j = moveJoints(s);
        QCOMPARE(s.movesRead, 6);
        compareJoints(j[0], q0, "F U T, 0, 0, 0");
        compareJoints(j[1], q1, "N U T, 0, 0, 0");
        compareJoints(j[2], q2, "F U T, 0, 0, -1");
        compareJoints(j[3], {0, 10, 20, 0, -30, 0}, "joint point");
        QCOMPARE(s.program[4].speed, 2500.0); // 15000 cm/min
        QCOMPARE(s.program[4].zone, 100.0);
        QCOMPARE(s.program[5].code, 9.0);
        QCOMPARE(s.lines[5], 15); // the circle's first line
        QCOMPARE(s.program[6].speed, 200.0);
    }

    // A script as the teach pendant saves it, then edited: the pose of
    // Waypoint_1 is reached by q (wrist flipped from where the arm stands),
    // which qnear must pin; set_tcp again before the circle.
    void urscript()
    {
        const Joints home{0, -90, 90, -90, -90, 0}, q{30, -100, 80, -70, 60, 20};
        const Frame p = tcp(m_ur, q, 150);
        const controllers::Angles v = controllers::urRotationVector(p.r);
        auto rad = [](const Joints &j) {
            QStringList s;
            for (double x : j)
                s << QString::number(x * M_PI / 180.0, 'g', 12);
            return QStringLiteral("[") + s.join(", ") + QStringLiteral("]");
        };
        const QString text =
            QStringLiteral("def Pick_Place():\n  set_tcp(p[0.0,0.0,0.15,0.0,0.0,0.0])\n" // 1-2
                           "  set_gravity([0.0, 0.0, 9.82])\n  $ 1 \"Robot Program\"\n"   // 3-4
                           "  global Home_q=%1\n  global Waypoint_1_p=p[%2, %3, %4,\n"    // 5-6
                           "      %5, %6, %7]\n  global Waypoint_1_q=%8\n"               // 7-8
                           "  movej(Home_q, a=1.39, v=1.04)  # home\n"                    // 9
                           "  movej(get_inverse_kin(Waypoint_1_p, qnear=Waypoint_1_q), a=1.39, "
                           "v=1.04)\n"                                                    // 10
                           "  movel(pose_trans(Waypoint_1_p, p[0, 0, -.05, 0, 0, 0]), a=1.2, "
                           "v=0.25, r=0.005)\n  set_tcp(p[0,0,0.1,0,0,0])\n"              // 11-12
                           "  movel(get_actual_tcp_pose(), v=0.1)\n"                      // 13
                           "  movep(Undefined_p)\n"                                       // 14
                           "  movel(p[0.4, -0.1, 0.3, 0, 3.14159265358979, 0], v=0.1)\nend\n")
                .arg(rad(home))
                .arg(p.t[0] / 1000, 0, 'g', 12)
                .arg(p.t[1] / 1000, 0, 'g', 12)
                .arg(p.t[2] / 1000, 0, 'g', 12)
                .arg(v[0], 0, 'g', 12)
                .arg(v[1], 0, 'g', 12)
                .arg(v[2], 0, 'g', 12)
                .arg(rad(q));
        const ReadProgram read = controllers::readUrScript(text);
        QCOMPARE(read.name, QStringLiteral("Pick_Place"));
        // A half turn about y, by hand: x and z reversed.
        compareRotation(read.moves.back().target.pose, {-1, 0, 0, 0, 1, 0, 0, 0, -1});
        QVERIFY(std::fabs(read.moves.back().target.pose.t[1] + 100.0) < 1e-9);
        m_ur.setJointAngles(std::array<float, 6>{});
        const SolvedProgram s = controllers::solveProgram(m_ur, read);
        QVERIFY2(s.ok, qPrintable(s.error));
        QCOMPARE(s.movesSkipped, 2);
        QVERIFY2(s.skipped.join('\n').contains("line 13: movel: the value of get_actual_tcp_pose") &&
                     s.skipped.join('\n').contains("line 14: movep: Undefined_p is not given"),
                 qPrintable(s.skipped.join('\n')));
        const std::vector<Joints> j = moveJoints(s);
        QCOMPARE(j.size(), std::size_t(4));
        compareJoints(j[0], home, "joint list");
        compareJoints(j[1], q, "qnear");
        // 50 mm back along the tool's z axis: where a 100 mm tool ends on q.
        const Frame back = tcp(m_ur, j[2], 150);
        const Frame want = tcp(m_ur, q, 100);
        for (std::size_t k = 0; k < 3; ++k)
            QVERIFY(std::fabs(back.t[k] - want.t[k]) < 0.01);
        QCOMPARE(s.program[3].zone, 5.0);
        QCOMPARE(s.program[3].speed, 250.0);
        QCOMPARE(s.program[4].code, 5.0); // the second set_tcp
        QCOMPARE(s.program[4].operands[2], 100.0);
    }

    // velkari-kin on files as they lie beside each other: the .dat found
    // whatever its case, the skipped move named on standard error, whose last
    // line counts the moves; a target 5 m away a problem where the arm stands
    // (exit 3); a file that is no program refused with exit 2.
    void checkCommand()
    {
        QTemporaryDir dir;
        auto write = [&dir](const QString &name, const QByteArray &bytes) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        };
        write("Cell.src", "DEF cell()\nPTP {A1 0,A2 -90,A3 90,A4 0,A5 30,A6 0}\nPTP XP1\n"
                          "PTP XHOME\nLIN {X 5000,Y 0,Z 0,A 0,B 0,C 0}\nEND\n");
        write("CELL.DAT", "DEFDAT CELL\nDECL E6AXIS XP1={A1 21,A2 -90,A3 90,A4 0,A5 30,A6 0}\n"
                          "ENDDAT\n");
        write("x.ls", QByteArray("/PROG X\n\x01\x02\0/MN\n", 16));
        auto run = [](const QString &file) {
            QProcess p;
            p.start(QCoreApplication::applicationDirPath() + "/velkari-kin",
                    {support::shippedRobot("KUKA_KR16_2.xml"), "check", file, "--path"});
            const bool done = p.waitForFinished(60000);
            return std::make_tuple(done ? p.exitCode() : -1, p.readAllStandardOutput(),
                                   p.readAllStandardError().trimmed().split('\n'));
        };
        const auto [code, out, err] = run(dir.filePath("Cell.src"));
        QCOMPARE(code, 3);
        QCOMPARE(err.last(), QByteArray("velkari-kin: moves: 3 read, 1 skipped"));
        QVERIFY2(err.join('\n').contains("line 4: PTP XHOME: not declared"),
                 err.join('\n').constData());
        // The path ends at XP1: A1 21 after seven steps of 3 degrees.
        // A skipped move is said first: exit status 3 or 0 covers only the moves read.
        QList<QByteArray> lines = out.trimmed().split('\n');
        QCOMPARE(lines.takeFirst(),
                 QByteArray("not every move is checked: 1 skipped (listed on standard error)"));
        QVERIFY2(lines.first().startsWith("positions ") && lines.first().endsWith(" problems 1"),
                 out.constData());
        QVERIFY2(lines[1].split(' ').mid(1, 2) == QList<QByteArray>({"5", "1"}), lines[1]);
        const QList<QByteArray> last = lines.last().simplified().split(' ');
        QCOMPARE(last.size(), 8);
        QCOMPARE(last[1].toDouble(), 21.0);
        const auto [refused, nothing, why] = run(dir.filePath("x.ls"));
        QCOMPARE(refused, 2);
        QVERIFY2(why.join('\n').contains("no /MN section"), why.join('\n').constData());
    }

    // Every shipped program written in each language and read back gives the
    // joint path of the program itself (positions repeated by a zero-length
    // move aside).
    void roundTrip_data()
    {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QString>("format");
        const QDir sims(QCoreApplication::applicationDirPath() + "/../Simulations");
        const QStringList files = sims.entryList({"*.sim"}, QDir::Files);
        QVERIFY(files.size() >= 3);
        for (const QString &f : files)
            for (const char *format : {"krl", "ls", "urscript"})
                QTest::addRow("%s %s", qPrintable(f), format) << sims.filePath(f) << format;
    }
    void roundTrip()
    {
        QFETCH(QString, sim);
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString robot = support::shippedRobot("ABB_IRB120.xml");
        const auto kin = [&robot](const QStringList &args) {
            QProcess p;
            p.start(QCoreApplication::applicationDirPath() + "/velkari-kin",
                    QStringList{robot} + args);
            p.waitForFinished(120000);
            return std::make_pair(p.exitCode(), p.readAllStandardOutput() +
                                                    p.readAllStandardError());
        };
        const auto written = kin({"export", sim, "--format", format, "--out", dir.path(),
                                  "--name", "rt"});
        QVERIFY2(written.first != 2, written.second.constData());
        const QStringList out = QDir(dir.path()).entryList({"*.src", "*.ls", "*.script"});
        QCOMPARE(out.size(), 1);
        const auto back = kin({"check", dir.filePath(out[0]), "--path"});
        const auto direct = kin({"check", sim, "--path"});
        QVERIFY2(back.second.contains(" 0 skipped"), back.second.constData());
        // The targets read back are the program's own, line by line; a
        // circle's end point comes back twice: as the end of the arc and as
        // the (zero-length) move of its own line.
        QFile f(sim);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const std::vector<sequences::ProgramLine> want =
            rapid::programFromText(QString::fromUtf8(f.readAll()));
        QVERIFY(m_irb120.isLoaded() || support::loadShipped(m_irb120, "ABB_IRB120.xml"));
        m_irb120.setJointAngles(std::array<float, 6>{});
        const SolvedProgram got =
            controllers::solveProgram(m_irb120, controllers::readProgramFile(dir.filePath(out[0])));
        std::vector<sequences::ProgramLine> expected;
        for (std::size_t i = 0; i < want.size(); ++i) {
            expected.push_back(want[i]);
            if (want[i].code == 9.0 && i + 1 < want.size())
                expected.push_back({rapid::kCircleEndCode, want[i + 1].operands});
        }
        QCOMPARE(got.program.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(got.program[i].code, expected[i].code);
            compareJoints(got.program[i].operands, expected[i].operands,
                          qPrintable(QStringLiteral("line %1").arg(i + 1)));
        }
        const std::vector<Joints> a = path(direct.second), b = path(back.second);
        QVERIFY(!a.empty() && !b.empty());
        compareJoints(b.back(), a.back(), "the last position");
    }

    // Text that is no program, or garbage within one: refused with why, or
    // the move skipped, never a crash.
    void refusals_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("skipped");
        QTest::newRow("krl without DEF") << "krl" << "PTP {A1 0}\n" << "no DEF line" << "";
        QTest::newRow("krl huge number") << "krl" << "DEF a()\nPTP {A1 1e300,A2 0}\nEND"
                                         << "" << "line 2: PTP {A1 1e300,A2 0}: A1 '1e300' is";
        QTest::newRow("krl CA") << "krl" << "DEF a()\nCIRC {X 1}, {X 2}, CA 90\nEND" << ""
                                << "line 2: CIRC with a circular angle";
        QTest::newRow("ls without /MN") << "ls" << "/PROG X\n/POS\n/END\n" << "no /MN" << "";
        QTest::newRow("ls circle cut short") << "ls" << "/PROG X\n/MN\n 1:C P[1] ;\n/END\n" << ""
                                             << "line 3: a circular move without its end point";
        QTest::newRow("ur nested") << "ur" << "movel(" + QString(200, '[') << ""
                                   << "line 1: movel without its target";
        QTest::newRow("ur five joints") << "ur" << "movej([1,2,3,4,5])" << ""
                                        << "line 1: movej: a list of 5 numbers is no target";
    }
    void refusals()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(QString, skipped);
        const ReadProgram r = language == "krl" ? controllers::readKrl(text, QString())
                              : language == "ls" ? controllers::readLs(text)
                                                 : controllers::readUrScript(text);
        QVERIFY2(error.isEmpty() ? r.error.isEmpty() : r.error.contains(error), qPrintable(r.error));
        if (!skipped.isEmpty())
            QVERIFY2(r.skipped.size() == 1 && r.skipped[0].startsWith(skipped),
                     qPrintable(r.skipped.join('\n')));
    }

private:
    Robot m_kuka, m_fanuc, m_ur, m_irb120;
};

QTEST_GUILESS_MAIN(TestProgramReaders)
#include "tst_programreaders.moc"
