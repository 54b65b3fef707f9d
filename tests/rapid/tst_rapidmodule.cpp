// RAPID program modules out and in on real text: a hand-edited module, refusals
// with the line they name, round trips of the shipped sequences and of all codes.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "rapid/rapidmodule.h"
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
using sequences::ProgramLine;
namespace {
// Joint targets in the order a module names them: the via and end points of
// each circle (code 9 and the line after it; read back, the end has code 0),
// then every move line itself.
std::vector<std::array<double, 6>> targets(const std::vector<ProgramLine> &p, bool imported)
{
    std::vector<std::array<double, 6>> t;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double c = p[i].code;
        if (c == 1 || c == 2 || c == 9 || c == (imported ? rapid::kCircleEndCode : 3))
            t.push_back(p[i].operands);
        if (!imported && c == 9 && i + 1 < p.size())
            t.push_back(p[i + 1].operands);
    }
    return t;
}
} // namespace
class TestRapidModule : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(m_robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    }
    // Saved by a controller, then edited: keywords in any case, comments,
    // declarations broken over lines and one used before it is declared, a
    // switch before the target, a written-out target, a tool and a work object.
    // Targets: pAbove is joints 0 with a 100 mm pen in a table frame 400 mm
    // along x, worked by hand from the flange at (374, 0, 630) whose z axis
    // points along x: TCP (474, 0, 630) in the base, (74, 0, 630) on the table,
    // orient a quarter turn about y (ABB's tool0). The other two are the TCPs of
    // (20, -10, 30, 40, 50, 60) and (-35, 20, 10, -60, -45, 100) of the flange.
    void handWrittenModule()
    {
        const QString module = QStringLiteral(
            "MODULE Demo_Cell\n"                                         // 1
            "  ! Saved by the controller, then edited by hand\n"         // 2
            "  LOCAL PERS tooldata tPen:=[TRUE,[[0,0,100],[1,0,0,0]],\n" // 3
            "      [0.5,[0,0,50],[1,0,0,0],0,0,0]];   ! pen, 100 mm\n"   // 4
            "  CONST jointtarget jHome:=[[0,0,0,0,30,0],[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];\n"
            "  proc Main()\n"                                                             // 6
            "    MoveAbsJ jHome\\NoEOffs,v1000,z50,tPen;\n"                               // 7
            "    moveJ \\Conc, pAbove, v500, z10, tPen\\WObj:=wTable; ! declared below\n" // 8
            "    MoveL [[260.27469,132.46062,462.85429],\n"                               // 9
            "           [-0.065392490,0.477208013,0.811118241,0.331788388],\n"            // 10
            "           [0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]], v100, fine, tool0;\n"       // 11
            "    WaitTime 0.5;\n"                                                         // 12
            "    MOVEL p3, v100\\V:=120, z1, TOOL0 ;\n"                                   // 13
            "  ENDPROC\n"                                                                 // 14
            "  PROC Other()\n"                                                            // 15
            "    MoveL p3, v100, z1, tool0;\n"                                            // 16
            "  ENDPROC\n"                                                                 // 17
            "  CONST robtarget pAbove:=[[74,0,630],[0.7071068,0,0.7071068,0],\n"          // 18
            "                           [0,0,0,0],[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];\n"
            "  PERS wobjdata wTable := [FALSE, TRUE, \"\", [[400,0,0],[1,0,0,0]],\n" // 20
            "                           [[0,0,0],[1,0,0,0]]];\n"                     // 21
            "  const robtarget p3 := [[390.38867,-219.52814,449.92835],\n"           // 22
            "      [0.614529860,0.297367173,0.659739608,0.314116960],[-1,-1,1,1],\n"
            "      [9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];\n"
            "ENDMODULE\n");
        m_robot.setJointAngles(std::array<float, 6>{});
        const rapid::ImportResult r = rapid::importModule(m_robot, module);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.procedure, QStringLiteral("Main"));
        QCOMPARE(r.skipped,
                 QStringList{"line 12: WaitTime is not read (no motion)"});
        QVERIFY2(r.warnings.isEmpty(), qPrintable(r.warnings.join('\n')));
        const std::vector<std::pair<ProgramLine, int>> expected{
            {{5, {0, 0, 100, 0, 0, 0}}, 7},      {{1, {0, 0, 0, 0, 30, 0}}, 7},
            {{1, {0, 0, 0, 0, 0, 0}}, 8},        {{5, {0, 0, 0, 0, 0, 0}}, 9},
            {{2, {20, -10, 30, 40, 50, 60}}, 9}, {{2, {-35, 20, 10, -60, -45, 100}}, 13}};
        QCOMPARE(r.program.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(r.program[i].code * 100 + r.lines[i],
                     expected[i].first.code * 100 + expected[i].second);
            for (std::size_t k = 0; k < 6; ++k)
                QVERIFY2(std::fabs(r.program[i].operands[k] - expected[i].first.operands[k]) < 0.01,
                         qPrintable(QStringLiteral("line %1 value %2").arg(i).arg(k)));
        }
        QCOMPARE(m_robot.jointValues(), (std::array<float, 6>{})); // the robot is where it was
        // The second procedure, by name in any case. It begins with a MoveL:
        // the path starts at p3, in p3's own configuration.
        const rapid::ImportResult other = rapid::importModule(m_robot, module, "OTHER");
        QVERIFY(other.ok && other.procedure == "Other" && other.program.size() == 1);
        QCOMPARE(other.program[0].code, 1.0);
        for (std::size_t k = 0; k < 6; ++k)
            QVERIFY(std::fabs(other.program[0].operands[k] - expected[5].first.operands[k]) < 0.01);
        QVERIFY(other.warnings.value(0).startsWith("line 16: the procedure begins with a MoveL"));
    }
    // The IRB120's flange at joints 0, worked by hand: (374, 0, 630), z along
    // base x and x along -z, a quarter turn about y: orient [0.7071068, 0,
    // 0.7071068, 0]. With the crayon (TCP 140 mm along flange z) the TCP is at x = 514.
    void exportedTextOfAKnownPose()
    {
        QVERIFY(m_robot.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
        rapid::ExportOptions options;
        options.moduleName = QStringLiteral("9 lives.sim");
        const QString text =
            rapid::exportModule(m_robot,
                                rapid::programFromText("1 0 0 0 0 30 0\n5 0 0 140 0 0 0\n"
                                                       "2 0 0 0 0 0 0\n3 0 0 0 0 0 0\n"),
                                options)
                .module;
        QVERIFY(text.startsWith("MODULE lives_sim\n"));
        for (const char *line :
             {"PERS tooldata tool1:=[TRUE,[[0.00000,0.00000,140.00000],[1.000000000,0.000000000,"
              "0.000000000,0.000000000]],[0.001,[0,0,0.001],[1,0,0,0],0,0,0]];",
              "PERS wobjdata wobj1:=[FALSE,TRUE,\"\",[[0.00000,0.00000,0.00000],[1.000000000,"
              "0.000000000,0.000000000,0.000000000]],[[0,0,0],[1,0,0,0]]];",
              "CONST robtarget p3:=[[514.00000,0.00000,630.00000],[0.707106781,0.000000000,"
              "0.707106781,0.000000000],[0,0,0,0],[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];",
              "CONST jointtarget j1:=[[0.000000,0.000000,0.000000,0.000000,30.000000,0.000000],"
              "[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];",
              // A joint move carries the robot's tool, the one declared.
              // Defaults v100 and z10, fine on the last point.
              "MoveAbsJ j1\\NoEOffs, v100, z10, tool1\\WObj:=wobj1;",
              "MoveL p3, v100, z10, tool1\\WObj:=wobj1;",
              "MoveL p4, v100, fine, tool1\\WObj:=wobj1;\n    ENDPROC"})
            QVERIFY2(text.contains(QLatin1String(line)), line);
    }
    // A fixed nozzle, the part in the gripper, worked by hand: the part W is
    // (10, 0, 50) in the flange, the target P (0, 20, 30) in W turned Rz(90),
    // so W P = (10, 20, 80) turned Rz(90). The nozzle is where W P stands with
    // the flange at joints 0 ((374, 0, 630) turned Ry(90): (x, y, z) goes to
    // (z, y, -x)): (454, 20, 620) turned Ry(90) Rz(90), (0.5, 0.5, 0.5, 0.5).
    void stationaryToolMovesThePart()
    {
        const rapid::ImportResult r = rapid::importModule(
            m_robot, "MODULE Glue\nPERS tooldata tNozzle:=[FALSE,[[454,20,620],[0.5,0.5,0.5,"
                     "0.5]],[1,[0,0,1],[1,0,0,0],0,0,0]];\nPERS wobjdata wPart:=[TRUE,TRUE,\"\","
                     "[[0,0,50],[1,0,0,0]],[[10,0,0],[1,0,0,0]]];\nPROC main()\nMoveJ [[0,20,30],"
                     "[0.7071068,0,0,0.7071068],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]],v100,fine,"
                     "tNozzle\\WObj:=wPart;\nENDPROC\nENDMODULE\n");
        QVERIFY2(r.ok && r.unreachable.empty() && r.program.back().code == 1.0,
                 qPrintable(r.error + r.warnings.join(QLatin1Char('\n'))));
        const sequences::Frame f =
            sequences::PathAnalyser(m_robot).flange(r.program.back().operands.data());
        const std::array<double, 12> want{0, 0, 1, 0, 1, 0, -1, 0, 0, 374, 0, 630};
        for (std::size_t k = 0; k < 12; ++k)
            QVERIFY(std::fabs((k < 9 ? f.r[k] : f.t[k - 9]) - want[k]) < 0.001);
    }
    void roundTrip_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<bool>("movedWorld");
        const QStringList sims = QDir(DataDirs::simulationDir()).entryList({"*.sim"}, QDir::Files);
        QVERIFY(sims.size() >= 3);
        for (const QString &sim : sims) {
            QFile f(DataDirs::simulationDir() + sim);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(sim)) << QString::fromUtf8(f.readAll()) << false;
        }
        // Every instruction: joint, both straight-line codes, a circle, tool
        // changes to two tools and back to the flange, placements, a circle at
        // the end without its end point; and the same in a World frame that is
        // moved and turned, so that the work object carries the difference.
        const QString every =
            "1 0 10 20 0 40 0\n2 10 15 15 5 40 -10\n5 0 0 140 0 0 0\n"
            "3 15 20 10 10 45 -20\n4.00 100 0 0 0 0 0.3\n9 5 25 5 15 50 -20\n"
            "2 -5 20 10 10 45 -10\n5 10 -5 120 0.2 -0.1 0.5\n1 -10 5 25 -20 60 30\n"
            "2 -20 0 30 -25 60 40\n4.03 0 200 0 0 0 0\n9 -10 -5 35 -20 55 30\n"
            "1 0 0 30 0 60 0\n5 0 0 0 0 0 0\n2 5 5 25 0 55 0\n9 0 10 20 0 50 0\n";
        QTest::newRow("every instruction") << every << false;
        QTest::newRow("every instruction, World moved") << every << true;
    }
    // Export, write, read back: every target of every move within 0.01 degrees.
    void roundTrip()
    {
        QFETCH(QString, sequence);
        QFETCH(bool, movedWorld);
        Robot robot;
        QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
        QVERIFY(robot.loadTool(QFile::encodeName(DataDirs::defaultTool()).constData()));
        if (movedWorld)
            robot.setHB(toolbox::poseToMatrix(Pose6{250, -120, 80, 30, -10, 5}, 0));
        const std::vector<ProgramLine> program = rapid::programFromText(sequence);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("out.mod")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(rapid::exportModule(robot, program, rapid::ExportOptions()).module.toUtf8());
        f.close();
        QString text, error;
        QVERIFY2(rapid::readModuleFile(f.fileName(), text, error), qPrintable(error));
        robot.setJointAngles(std::array<float, 6>{}); // the seed plays no part
        const rapid::ImportResult in = rapid::importModule(robot, text);
        QVERIFY2(in.ok && in.skipped.isEmpty(), qPrintable(in.error + in.skipped.join('\n')));
        const auto before = targets(program, false), after = targets(in.program, true);
        QCOMPARE(after.size(), before.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < before.size(); ++i)
            for (std::size_t k = 0; k < 6; ++k)
                worst = std::max(worst, std::fabs(before[i][k] - after[i][k]));
        QVERIFY2(worst < 0.01, qPrintable(QString::number(worst)));
    }
    void refusals_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("declarations");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("message");
        // Lines: 1 MODULE, 2 the declarations, 3 PROC, 4... the body.
        const QString p1 = "CONST robtarget p1:=[[400,0,500],[0,0.7071068,0,0.7071068],[0,0,0,0],"
                           "[9E9,9E9,9E9,9E9,9E9,9E9]];";
        const QString ok = "MoveJ p1, v100, z10, tool0;\n";
        const auto row = [](const char *name, const QString &body, const QString &declarations,
                            bool refused, const char *message) {
            QTest::newRow(name) << body << declarations << refused << QString(message);
        };
        row("CRobT", ok + "MoveL CRobT(), v100, z10, tool0;\n", p1, false,
            "line 5: MoveL to CRobT() is not read: CRobT(...) is not read");
        row("other instruction", ok + "SetDO do1, 1;\n", p1, false,
            "line 5: SetDO is not read (no motion)");
        row("assignment", ok + "n := n + 1;\n", p1, false,
            "line 5: the assignment to n is not read");
        row("short trans", ok, p1.left(22) + p1.mid(26), true,
            "line 2: the robtarget p1 is malformed: trans needs 3 numbers");
        row("not a quaternion", ok, QString(p1).replace("0.7071068,0,0.7071068", "1,1,1"), true,
            "line 2: the robtarget p1 is malformed: the orientation of rot is not a unit "
            "quaternion");
        row("bad tooldata", ok, "PERS tooldata t1:=[TRUE,[[0,0,1],[1,0,0,0]]];", true,
            "line 2: the tooldata t1 is malformed: a tooldata has three");
        row("bad wobjdata", ok,
            "PERS wobjdata w1:=[FALSE,TRUE,0,[[0,0,0],[1,0,0,0]],[[0,0,0],[1,0,0,0]]];", true,
            "line 2: the wobjdata w1 is malformed: ufmec");
        row("not declared", "MoveL p9, v100, z10, tool0;\n", p1, true,
            "line 4: p9 is not declared");
        row("wrong type", "MoveAbsJ p1, v100, z10, tool0;\n", p1, true,
            "line 4: MoveAbsJ needs a jointtarget; p1 is a robtarget");
        row("tool not declared", "MoveL p1, v100, z10, tPen;\n", p1, true,
            "line 4: the tooldata tPen is not declared");
        row("no ';'", "MoveL p1, v100, z10, tool0\n", p1, true,
            "line 4: the instruction has no ';'");
        // Exactly one of tool and work object is carried by the arm.
        row("both held", "MoveL p1, v100, z10, tool0\\WObj:=wH;\n",
            p1 + "PERS wobjdata wH:=[TRUE,TRUE,\"\",[[0,0,0],[1,0,0,0]],[[0,0,0],[1,0,0,0]]];",
            true, "line 4: MoveL has the tool tool0 and the work object wH both held by the robot");
        row("both fixed", "MoveL p1, v100, z10, tS;\n",
            p1 + "PERS tooldata tS:=[FALSE,[[0,0,0],[1,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]];", true,
            "line 4: MoveL has the stationary tool tS (robhold FALSE) and the fixed work object "
            "wobj0");
        row("no move", "WaitTime 1;\n", p1, true, "procedure main has no move");
        row("brackets without end", ok, "CONST robtarget p1:=" + QString(5000, '[') + ";", true,
            "line 2: the robtarget p1 is malformed");
        // Whole files (no body): a controller's program header, a cut module,
        // no procedure, no ENDMODULE.
        row("program header alone", "", "%%%\n  VERSION:1\n%%%\n", true, "line 4:");
        row("recursion", "MoveJ p1, v100, z10, tool0;\nmain;\n", p1, false,
            "line 5: the call of main is not followed: main is running already");
        row("cut", "", "MODULE m\nPROC main()\nMoveL [[400,0,500],[0,0.70", true,
            "line 2: PROC main has no ENDPROC");
        row("no procedure", "", "MODULE m\nCONST num n:=1;\nENDMODULE\n", true,
            "the module has no procedure");
    }
    // Modules as controllers save them, read as one program, against the same
    // moves written out flat by hand: the targets of Offs and RelTool worked
    // out on paper, loops unrolled, calls expanded.
    void programs_data()
    {
        QTest::addColumn<QStringList>("modules");
        QTest::addColumn<QString>("flat");
        QTest::addColumn<QString>("counts"); // procedure, moves read and skipped
        QTest::addColumn<QString>("said");   // begins a note or a skipped line
        const QString data =
            "  PERS tooldata tPen:=[TRUE,[[0,0,100],[1,0,0,0]],\n"
            "     [0.5,[0,0,50],[1,0,0,0],0,0,0]];\n"
            "  TASK PERS wobjdata wTable:=[FALSE,TRUE,\"\",[[100,0,0],[1,0,0,0]],\n"
            "     [[0,0,0],[1,0,0,0]]];\n"
            "  CONST robtarget p10:=[[200,-100,250],[0,0,1,0],[-1,0,-1,0],\n"
            "     [9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];\n"
            "  const robtarget p20:=[[250,50,200],[0,0,1,0],[0,0,-1,0],[9E9,9E9,9E9,9E9,9E9,9E9]];\n";
        const QString calib = "MODULE CalibData\n" + data + "ENDMODULE\n";
        const auto flat = [&](const QString &body) {
            return "MODULE Flat\n" + data + "PROC main()\n" + body + "ENDPROC\nENDMODULE\n";
        };
        const auto target = [](const char *xyz, const char *q) {
            return QStringLiteral("[[%1],[%2],[-1,0,-1,0],[9E9,9E9,9E9,9E9,9E9,9E9]]").arg(xyz, q);
        };
        const char *down = "0,0,1,0";
        const QString mv = ", v100, z10, tPen\\WObj:=wTable;\n";
        const auto row = [](const char *name, const QStringList &m, const QString &f,
                            const char *counts, const char *said) {
            QTest::newRow(name) << m << f << QString(counts) << QString(said);
        };
        row("two modules, data after use",
            {"MODULE Cell\n  PROC Main()\n    MoveJ p10, v1000, z50, tPen\\WObj:=wTable;\n"
             "    MoveL p20, v100, fine, tPen\\WObj:=wTable;\n  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ p10" + mv + "MoveL p20" + mv), "Main 2 0", "");
        row("controller header, main not first",
            {"%%%\n  VERSION:1\n  LANGUAGE:ENGLISH\n%%%\n\nMODULE Cell\n" + data +
             "PROC Other()\n  MoveJ p20" + mv + "ENDPROC\nPROC main()\n  MoveJ p10" + mv +
             "  Other;\nENDPROC\nENDMODULE\n"},
            flat("MoveJ p10" + mv + "MoveJ p20" + mv), "main 2 0", "");
        row("parameters, switch, INOUT",
            {"MODULE Cell\n  VAR num n:=0;\n  PROC main()\n    Pick p10, \\Slow, n, tPen;\n"
             "    Pick \\Slow, Target:=p20, Count:=n, Tl:=tPen;\n"
             "    IF n = 2 MoveL p10" + mv + "  ENDPROC\n"
             "  PROC Pick(robtarget Target, \\switch Slow | switch Fast, INOUT num Count,\n"
             "            PERS tooldata Tl)\n"
             "    MoveL Target, v100, z10, Tl\\WObj:=wTable;\n    Count := Count + 1;\n"
             "  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ p10" + mv + "MoveL p20" + mv + "MoveL p10" + mv), "main 3 0", "");
        // Offs moves along the work object: p10 plus (0, 40 (i - 1), 10).
        row("FOR, Offs",
            {"MODULE Cell\n  CONST num nRows := 3;\n  PROC main()\n"
             "    FOR i FROM 1 TO nRows DO\n      MoveL Offs(p10, 0, 40 * (i - 1),\n"
             "                 10), v100, z10, tPen\\WObj:=wTable;\n    ENDFOR\n"
             "    FOR k FROM 2 TO 1 DO ! counts down\n      MoveL p20" + mv + "    ENDFOR\n"
             "    TEST nRows\n    CASE 1, 3:\n      MoveL p10" + mv + "    DEFAULT:\n"
             "      MoveL p20" + mv + "    ENDTEST\n  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ " + target("200,-100,260", down) + mv + "MoveL " +
                 target("200,-60,260", down) + mv + "MoveL " + target("200,-20,260", down) + mv +
                 "MoveL p20" + mv + "MoveL p20" + mv + "MoveL p10" + mv),
            "main 6 0", "");
        // RelTool moves along the tool's own axes (z points down) and turns
        // about x, then the turned y, then the turned z: diag(-1, 1, -1) Rx(90)
        // Rz(90) has the columns (0, 0, -1), (1, 0, 0), (0, -1, 0), the
        // quaternion (0.5, 0.5, 0.5, -0.5); Rz(90) alone gives (0, a, a, 0).
        row("RelTool",
            {"MODULE Cell\n  PROC main()\n    MoveJ RelTool(p10, 10, 20, 30 \\Rz:=90)" + mv +
                 "    MoveL RelTool(p10,0,0,0\\Rx:=90\\Rz:=90)" + mv + "    MoveL p20" + mv +
                 "  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ " + target("190,-80,220", "0,0.70710678,0.70710678,0") + mv + "MoveL " +
                 target("200,-100,250", "0.5,0.5,0.5,-0.5") + mv + "MoveL p20" + mv),
            "main 3 0", "");
        row("IF and TEST not known",
            {"MODULE Cell\n  PROC main()\n    IF DInput(di1) = 1 THEN\n      MoveJ p10" + mv +
                 "    ELSEIF TRUE THEN\n      MoveL p20" + mv + "    ELSE\n      MoveL p10" + mv +
                 "    ENDIF\n    TEST nPart\n    CASE 1, 2:\n      MoveL p20" + mv +
                 "    DEFAULT:\n      MoveL p10" + mv + "    ENDTEST\n    IF FALSE THEN\n"
                 "      MoveL p20" + mv + "    ENDIF\n  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ p10" + mv + "MoveL p20" + mv + "MoveL p10" + mv + "MoveL p20" + mv +
                 "MoveL p10" + mv),
            "main 5 0", "lines 3-9: the condition on line 3 is not known");
        row("WHILE counted, for ever",
            {"MODULE Cell\n  VAR num n;\n  PROC main()\n    WHILE n < 2 DO\n      MoveJ p10" + mv +
                 "      n := n + 1;\n    ENDWHILE\n    WHILE TRUE DO\n      MoveL p20" + mv +
                 "    ENDWHILE\n    FOR k FROM 1 TO nRead DO\n      MoveL p10" + mv +
                 "    ENDFOR\n  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ p10" + mv + "MoveJ p10" + mv + "MoveL p20" + mv + "MoveL p10" + mv),
            "main 4 0",
            "lines 8-10: the WHILE loop runs for ever");
        row("moves like MoveL and MoveC",
            {"MODULE Cell\n  PROC main()\n    MoveJDO p10, v100, z10, tPen\\WObj:=wTable, do1, 1;\n"
             "    ArcL \\On, p20, v100, seam1, weld1\\Weave:=weave1, z10, tPen\\WObj:=wTable;\n"
             "    ArcC p10, p20, v100, seam1, weld1, fine, tPen\\WObj:=wTable;\n"
             "    SearchL \\Stop, di1, sp, p10, v100, tPen\\WObj:=wTable;\n"
             "    TriggL p20, v100, trig1 \\T2:=trig2, z10, tPen\\WObj:=wTable;\n"
             "    MoveLSync p10, v100, z10, tPen\\WObj:=wTable, \"Glue\";\n"
             "    MoveExtJ jPos, vrot10, fine;\n  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ p10" + mv + "MoveL p20" + mv + "MoveC p10, p20" + mv + "MoveL p10" + mv +
                 "MoveL p20" + mv + "MoveL p10" + mv),
            "main 6 1", "line 9: MoveExtJ is not read");
        row("starts with a line",
            {"MODULE Cell\n  PROC main()\n    MoveL p10" + mv + "    MoveL p20" + mv +
                 "  ENDPROC\nENDMODULE\n",
             calib},
            flat("MoveJ p10" + mv + "MoveL p20" + mv), "main 2 0", "");
    }
    void programs()
    {
        QFETCH(QStringList, modules);
        QFETCH(QString, flat);
        QFETCH(QString, counts);
        QFETCH(QString, said);
        std::vector<rapid::ModuleSource> sources;
        for (const QString &m : modules)
            sources.push_back({QStringLiteral("M%1.mod").arg(sources.size()), m});
        m_robot.setJointAngles(std::array<float, 6>{});
        const rapid::ImportResult r = rapid::importModules(m_robot, sources);
        const rapid::ImportResult f = rapid::importModule(m_robot, flat);
        QVERIFY2(r.ok && f.ok, qPrintable(r.error + f.error));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(r.procedure).arg(r.movesRead).arg(r.movesSkipped),
                 counts);
        const QStringList notes = r.notes + r.skipped;
        QVERIFY2(said.isEmpty() ? r.skipped.isEmpty() && r.notes.size() <= 1
                                : std::any_of(notes.begin(), notes.end(),
                                              [&](const QString &n) { return n.contains(said); }),
                 qPrintable(notes.join('\n')));
        QCOMPARE(r.program.size(), f.program.size());
        for (std::size_t i = 0; i < f.program.size(); ++i) {
            QCOMPARE(r.program[i].code, f.program[i].code);
            for (std::size_t k = 0; k < 6; ++k)
                QVERIFY2(std::fabs(r.program[i].operands[k] - f.program[i].operands[k]) < 1e-3,
                         qPrintable(QStringLiteral("line %1 value %2").arg(i).arg(k)));
        }
    }
    void refusals()
    {
        QFETCH(QString, body);
        QFETCH(QString, declarations);
        QFETCH(bool, refused);
        QFETCH(QString, message);
        const QString module = body.isEmpty() ? declarations
                                              : "MODULE m\n" + declarations + "\nPROC main()\n" +
                                                    body + "ENDPROC\nENDMODULE\n";
        const rapid::ImportResult r = rapid::importModule(m_robot, module);
        QVERIFY2(refused ? !r.ok && r.program.empty() && r.error.startsWith(message)
                         : r.ok && r.program.back().code == 1.0, // the MoveJ to p1 is read
                 qPrintable(r.error));
        QVERIFY2(refused || std::any_of(r.skipped.begin(), r.skipped.end(),
                                        [&](const QString &s) { return s.startsWith(message); }),
                 qPrintable(r.skipped.join('\n')));
    }

private:
    Robot m_robot;
};
QTEST_GUILESS_MAIN(TestRapidModule)
#include "tst_rapidmodule.moc"
