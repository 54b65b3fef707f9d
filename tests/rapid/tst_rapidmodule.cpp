// RAPID program modules out and in, on real text: a module written the way a
// controller saves one and then edited by hand, every refusal with the line
// it names, and the round trip of the shipped sequences and of a program
// that uses every instruction.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "rapid/rapidmodule.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using sequences::ProgramLine;

namespace {

// Joint targets of a program in the order a module names them: the via and
// end points of each circle, then every move line itself.
std::vector<std::array<double, 6>> targetsOfOriginal(const std::vector<ProgramLine> &p)
{
    std::vector<std::array<double, 6>> t;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double c = p[i].code;
        if (c == 9.0 && i + 1 < p.size()) {
            t.push_back(p[i].operands);
            t.push_back(p[i + 1].operands);
        } else if (c == 1.0 || c == 2.0 || c == 3.0 || c == 9.0) {
            t.push_back(p[i].operands);
        }
    }
    return t;
}

std::vector<std::array<double, 6>> targetsOfImport(const std::vector<ProgramLine> &p)
{
    std::vector<std::array<double, 6>> t;
    for (const ProgramLine &l : p)
        if (l.code == 1.0 || l.code == 2.0 || l.code == 9.0 || l.code == rapid::kCircleEndCode)
            t.push_back(l.operands);
    return t;
}

double largestDifference(const std::vector<std::array<double, 6>> &a,
                         const std::vector<std::array<double, 6>> &b)
{
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (std::size_t k = 0; k < 6; ++k)
            worst = std::max(worst, std::fabs(a[i][k] - b[i][k]));
    return worst;
}

// The flange TCP of every position of the analysed path, in World
// coordinates, for comparing two paths that may be cut into different steps.
std::vector<int> problemLines(Robot &robot, const std::vector<ProgramLine> &program,
                              const std::vector<int> &lineOf)
{
    sequences::PathAnalyser a(robot);
    std::vector<int> lines;
    for (const sequences::PathProblem &p : sequences::PathAnalyser::problems(a.analyse(program)))
        lines.push_back(lineOf.empty() ? p.pathId : lineOf[std::size_t(p.pathId)]);
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

} // namespace

class TestRapidModule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void handWrittenModule();
    void exportedTextOfAKnownPose();
    void roundTrip_data();
    void roundTrip();
    void refusals_data();
    void refusals();
    void unreadableFiles();

private:
    Robot m_robot;
    QString m_crayon;
};

void TestRapidModule::initTestCase()
{
    QCOMPARE(m_robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    m_crayon = DataDirs::defaultTool();
}

// Saved by a controller, then edited: keywords in any case, comments,
// declarations broken over lines and one used before it is declared, a
// switch before the target, a written-out target, a tool and a work object.
// Targets: pAbove is joints 0 with a 100 mm pen in a table frame 400 mm
// along x, worked by hand from the flange at (374, 0, 630) whose z axis
// points along x: TCP (474, 0, 630) in the base, (74, 0, 630) on the table,
// orient a quarter turn about y (ABB's tool0). The other two are the TCPs of
// (20, -10, 30, 40, 50, 60) and (-35, 20, 10, -60, -45, 100) of the flange.
void TestRapidModule::handWrittenModule()
{
    const QString text = QStringLiteral("%%%\n"
                                        "  VERSION:1\n"
                                        "%%%\n");
    // A controller's program file header is no module: refused at line 1.
    QVERIFY(rapid::importModule(m_robot, text).error.startsWith(QStringLiteral("line 1:")));

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
    QCOMPARE(r.skipped, QStringList{QStringLiteral(
                            "line 12: WaitTime is not read (only MoveAbsJ, MoveJ, MoveL and MoveC "
                            "are)")});
    QVERIFY2(r.warnings.isEmpty(), qPrintable(r.warnings.join('\n')));

    struct Expected
    {
        double code;
        std::array<double, 6> operands;
        int line;
    };
    const std::vector<Expected> expected{
        {5, {0, 0, 100, 0, 0, 0}, 7},      {1, {0, 0, 0, 0, 30, 0}, 7},
        {1, {0, 0, 0, 0, 0, 0}, 8},        {5, {0, 0, 0, 0, 0, 0}, 9},
        {2, {20, -10, 30, 40, 50, 60}, 9}, {2, {-35, 20, 10, -60, -45, 100}, 13}};
    QCOMPARE(r.program.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(r.program[i].code, expected[i].code);
        QCOMPARE(r.lines[i], expected[i].line);
        for (std::size_t k = 0; k < 6; ++k)
            QVERIFY2(std::fabs(r.program[i].operands[k] - expected[i].operands[k]) < 0.01,
                     qPrintable(QStringLiteral("line %1 value %2: %3")
                                    .arg(i)
                                    .arg(k)
                                    .arg(r.program[i].operands[k])));
    }
    // The robot is where it was.
    QCOMPARE(m_robot.jointValues(), (std::array<float, 6>{}));

    // The second procedure, by name in any case.
    const rapid::ImportResult other = rapid::importModule(m_robot, module, QStringLiteral("OTHER"));
    QVERIFY2(other.ok, qPrintable(other.error));
    QCOMPARE(other.procedure, QStringLiteral("Other"));
    // It begins with a MoveL: the path starts where the robot stands.
    QCOMPARE(other.program.size(), std::size_t(2));
    QCOMPARE(other.program[0].code, 1.0);
    QCOMPARE(other.warnings.size(), 1);
    QVERIFY(
        other.warnings[0].startsWith(QStringLiteral("line 16: the procedure begins with a MoveL")));

    // Wrong confdata: the nearest configuration, with a warning naming the line.
    QString wrong = module;
    wrong.replace(QStringLiteral("[-1,-1,1,1]"), QStringLiteral("[1,2,1,5]"));
    const rapid::ImportResult w = rapid::importModule(m_robot, wrong);
    QVERIFY2(w.ok, qPrintable(w.error));
    QCOMPARE(w.warnings.size(), 1);
    QVERIFY(w.warnings[0].startsWith(QStringLiteral("line 13: no configuration of p3 matches")));
}

// The IRB120's flange at joints 0, worked by hand: (374, 0, 630), z along
// base x and x along -z, a quarter turn about y: orient [0.7071068, 0, 0.7071068, 0].
// With the crayon (TCP 140 mm along flange z) the TCP is at x = 514.
void TestRapidModule::exportedTextOfAKnownPose()
{
    Robot robot;
    QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QVERIFY(robot.loadTool(QFile::encodeName(m_crayon).constData()));
    const std::vector<ProgramLine> program = rapid::programFromText(
        QStringLiteral("1 0 0 0 0 30 0\n5 0 0 140 0 0 0\n2 0 0 0 0 0 0\n3 0 0 0 0 0 0\n"));
    rapid::ExportOptions options;
    options.moduleName = QStringLiteral("9 lives.sim");
    const QString text = rapid::exportModule(robot, program, options).module;
    const QStringList lines = text.split('\n');
    QCOMPARE(lines.first(), QStringLiteral("MODULE lives_sim"));
    QVERIFY(text.contains(QStringLiteral(
        "PERS tooldata tool1:=[TRUE,[[0.00000,0.00000,140.00000],[1.000000000,0.000000000,"
        "0.000000000,0.000000000]],[0.001,[0,0,0.001],[1,0,0,0],0,0,0]];")));
    QVERIFY(text.contains(QStringLiteral(
        "PERS wobjdata wobj1:=[FALSE,TRUE,\"\",[[0.00000,0.00000,0.00000],[1.000000000,"
        "0.000000000,0.000000000,0.000000000]],[[0,0,0],[1,0,0,0]]];")));
    QVERIFY(text.contains(QStringLiteral(
        "CONST robtarget p3:=[[514.00000,0.00000,630.00000],[0.707106781,0.000000000,"
        "0.707106781,0.000000000],[0,0,0,0],[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];")));
    QVERIFY(text.contains(QStringLiteral(
        "CONST jointtarget j1:=[[0.000000,0.000000,0.000000,0.000000,30.000000,0.000000],"
        "[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];")));
    // Before the tool change the program moves the flange: tool0. Defaults
    // v100 and z10, fine on the last point, the tool and work object named.
    QVERIFY(text.contains(QStringLiteral("MoveAbsJ j1\\NoEOffs, v100, z10, tool0\\WObj:=wobj1;")));
    QVERIFY(text.contains(QStringLiteral("MoveL p3, v100, z10, tool1\\WObj:=wobj1;")));
    QVERIFY(
        text.contains(QStringLiteral("MoveL p4, v100, fine, tool1\\WObj:=wobj1;\n    ENDPROC")));
}

void TestRapidModule::roundTrip_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<bool>("movedWorld");
    for (const QString &sim :
         QDir(DataDirs::simulationDir()).entryList({QStringLiteral("*.sim")}, QDir::Files)) {
        QFile f(DataDirs::simulationDir() + sim);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(sim)) << QString::fromUtf8(f.readAll()) << false;
    }
    QVERIFY(QDir(DataDirs::simulationDir()).entryList({QStringLiteral("*.sim")}).size() >= 3);
    // Every instruction: joint, both straight-line codes, a circle, tool
    // changes to two tools and back to the flange, placements, a circle at
    // the end without its end point; and the same in a World frame that is
    // moved and turned, so that the work object carries the difference.
    const QString every = QStringLiteral("1 0 10 20 0 40 0\n"
                                         "2 10 15 15 5 40 -10\n"
                                         "5 0 0 140 0 0 0\n"
                                         "3 15 20 10 10 45 -20\n"
                                         "4.00 100 0 0 0 0 0.3\n"
                                         "9 5 25 5 15 50 -20\n"
                                         "2 -5 20 10 10 45 -10\n"
                                         "5 10 -5 120 0.2 -0.1 0.5\n"
                                         "1 -10 5 25 -20 60 30\n"
                                         "2 -20 0 30 -25 60 40\n"
                                         "4.03 0 200 0 0 0 0\n"
                                         "9 -10 -5 35 -20 55 30\n"
                                         "1 0 0 30 0 60 0\n"
                                         "5 0 0 0 0 0 0\n"
                                         "2 5 5 25 0 55 0\n"
                                         "9 0 10 20 0 50 0\n");
    QTest::newRow("every instruction") << every << false;
    QTest::newRow("every instruction, World moved") << every << true;
}

// Export, read back: every target of every move within 0.01 degrees, and the
// analysis of the module finds its problems on the same instructions.
void TestRapidModule::roundTrip()
{
    QFETCH(QString, sequence);
    QFETCH(bool, movedWorld);
    Robot robot;
    QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    QVERIFY(robot.loadTool(QFile::encodeName(m_crayon).constData()));
    if (movedWorld)
        robot.setHB(toolbox::poseToMatrix(Pose6{250, -120, 80, 30, -10, 5}, 0));
    std::vector<int> simLines;
    const std::vector<ProgramLine> program = rapid::programFromText(sequence, &simLines);
    QVERIFY(!program.empty());
    const rapid::ExportResult out = rapid::exportModule(robot, program, rapid::ExportOptions());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.mod"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(out.module.toUtf8());
    }
    QString text, error;
    QVERIFY2(rapid::readModuleFile(file, text, error), qPrintable(error));
    robot.setJointAngles(std::array<float, 6>{}); // the seed plays no part
    const rapid::ImportResult in = rapid::importModule(robot, text);
    QVERIFY2(in.ok, qPrintable(in.error));
    QVERIFY2(in.skipped.isEmpty(), qPrintable(in.skipped.join('\n')));

    const auto before = targetsOfOriginal(program);
    const auto after = targetsOfImport(in.program);
    QCOMPARE(after.size(), before.size());
    const double worst = largestDifference(before, after);
    qInfo("%s: %d targets, largest joint difference %.6f deg", QTest::currentDataTag(),
          int(before.size()), worst);
    QVERIFY2(worst < 0.01, qPrintable(QString::number(worst)));

    // Problems: on the program line of the sequence, and on the module line
    // of the instruction written for it.
    const QStringList moduleLines = text.split('\n');
    std::vector<int> sequenceLines;
    for (int id : problemLines(robot, program, {}))
        sequenceLines.push_back(id + 1);
    std::vector<int> fromModule;
    for (int line : problemLines(robot, in.program, in.lines)) {
        const QString instruction = moduleLines.value(line - 1);
        // "MoveL p7, ..." names its program line: p7 is line 7.
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Move\\w+ [pj](\\d+)")).match(instruction);
        QVERIFY2(m.hasMatch(), qPrintable(instruction));
        fromModule.push_back(m.captured(1).toInt());
    }
    QCOMPARE(fromModule, sequenceLines);
}

void TestRapidModule::refusals_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("declarations");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("message");
    // Lines: 1 MODULE, 2 the declarations, 3 PROC, 4... the body.
    const QString p1 =
        QStringLiteral("CONST robtarget p1:=[[400,0,500],[0,0.7071068,0,0.7071068],[0,0,0,0],"
                       "[9E9,9E9,9E9,9E9,9E9,9E9]];");
    const QString ok = QStringLiteral("MoveJ p1, v100, z10, tool0;\n");
    QTest::newRow("Offs") << ok + "MoveL Offs(p1,0,0,10), v100, z10, tool0;\n"
                          << p1 << false << "line 5: MoveL to Offs(...) is not read";
    QTest::newRow("RelTool") << ok + "MoveL RelTool(p1,0,0,10\\Rz:=5), v100, z10, tool0;\n"
                             << p1 << false << "line 5: MoveL to RelTool(...) is not read";
    QTest::newRow("WHILE") << ok + "WHILE TRUE DO\n  MoveL p1, v100, z10, tool0;\nENDWHILE\n"
                           << p1 << false << "lines 5-7: a WHILE loop is not read";
    QTest::newRow("IF block") << ok + "IF n > 1 THEN\n  n := 0;\nENDIF\n"
                              << p1 << false << "lines 5-7: an IF block is not read";
    QTest::newRow("procedure call") << ok + "Approach;\nENDPROC\nPROC Approach()\n" + ok << p1
                                    << false << "line 5: the call of procedure Approach";
    QTest::newRow("other instruction") << ok + "SetDO do1, 1;\n"
                                       << p1 << false << "line 5: SetDO is not read";
    QTest::newRow("assignment") << ok + "n := n + 1;\n"
                                << p1 << false << "line 5: the assignment to n is not read";
    QTest::newRow("array target") << ok + "MoveL pts{2}, v100, z10, tool0;\n"
                                  << p1 << false << "line 5: MoveL to pts{...} is not read";
    QTest::newRow("value is an expression") << ok + "MoveL p2, v100, z10, tool0;\n"
                                            << p1 + "CONST robtarget p2:=Offs(p1,0,0,5);" << false
                                            << "line 2: the value of the robtarget p2";
    QTest::newRow("short trans") << ok << p1.left(22) + p1.mid(26) << true
                                 << "line 2: the robtarget p1 is malformed: trans needs 3 numbers";
    QTest::newRow("not a quaternion")
        << ok << QString(p1).replace("0.7071068,0,0.7071068", "1,1,1") << true
        << "line 2: the robtarget p1 is malformed: the "
           "orientation of rot is not a unit quaternion";
    QTest::newRow("letters for a number") << ok << QString(p1).replace("400", "4oo") << true
                                          << "line 2: the robtarget p1 is malformed";
    QTest::newRow("bad tooldata") << ok << "PERS tooldata t1:=[TRUE,[[0,0,1],[1,0,0,0]]];" << true
                                  << "line 2: the tooldata t1 is malformed: a tooldata has three";
    QTest::newRow("bad wobjdata") << ok
                                  << "PERS wobjdata w1:=[FALSE,TRUE,0,[[0,0,0],[1,0,0,0]],"
                                     "[[0,0,0],[1,0,0,0]]];"
                                  << true << "line 2: the wobjdata w1 is malformed: ufmec";
    QTest::newRow("no ':='") << ok << "CONST robtarget p1 [[0,0,0]];" << true
                             << "line 2: the robtarget p1 is malformed: ':=' expected";
    QTest::newRow("declared twice")
        << ok << p1 + "\n" + p1 << true << "line 3: the robtarget p1 is declared twice";
    QTest::newRow("not declared") << "MoveL p9, v100, z10, tool0;\n"
                                  << p1 << true << "line 4: p9 is not declared";
    QTest::newRow("wrong type") << "MoveAbsJ p1, v100, z10, tool0;\n"
                                << p1 << true
                                << "line 4: MoveAbsJ needs a jointtarget; p1 is a robtarget";
    QTest::newRow("tool not declared") << "MoveL p1, v100, z10, tPen;\n"
                                       << p1 << true << "line 4: the tooldata tPen is not declared";
    QTest::newRow("too few arguments") << "MoveL p1, v100, tool0;\n"
                                       << p1 << true << "line 4: MoveL takes 4 arguments";
    QTest::newRow("no ';'") << "MoveL p1, v100, z10, tool0\n"
                            << p1 << true << "line 4: the instruction has no ';'";
    QTest::newRow("out of reach") << "MoveL p1, v100, z10, tool0;\n"
                                  << QString(p1).replace("400,0,500", "4000,0,500") << true
                                  << "line 4: p1 cannot be reached";
    QTest::newRow("no move") << "WaitTime 1;\n" << p1 << true << "procedure main has no move";
    QTest::newRow("string not closed")
        << ok << "VAR string s:=\"abc;" << true << "line 2: a string is not closed";
    QTest::newRow("brackets without end") << ok << "CONST robtarget p1:=" + QString(5000, '[') + ";"
                                          << true << "line 2: the robtarget p1 is malformed";
}

void TestRapidModule::refusals()
{
    QFETCH(QString, body);
    QFETCH(QString, declarations);
    QFETCH(bool, refused);
    QFETCH(QString, message);
    const QString module =
        "MODULE m\n" + declarations + "\nPROC main()\n" + body + "ENDPROC\nENDMODULE\n";
    const rapid::ImportResult r = rapid::importModule(m_robot, module);
    if (refused) {
        QVERIFY(!r.ok);
        QVERIFY(r.program.empty()); // nothing half-read is played
        QVERIFY2(r.error.startsWith(message), qPrintable(r.error));
    } else {
        QVERIFY2(r.ok, qPrintable(r.error));
        const bool named = std::any_of(r.skipped.begin(), r.skipped.end(),
                                       [&](const QString &s) { return s.startsWith(message); });
        QVERIFY2(named, qPrintable(r.skipped.join('\n')));
        // The rest is read: the MoveJ to p1.
        QCOMPARE(r.program.back().code, 1.0);
    }
}

void TestRapidModule::unreadableFiles()
{
    QTemporaryDir dir;
    QString text, error;
    QVERIFY(!rapid::readModuleFile(dir.filePath(QStringLiteral("missing.mod")), text, error));
    QVERIFY(!error.isEmpty());

    // Binary garbage, a cut module, a module with no procedure, no ENDMODULE.
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) % 256);
    garbage[0] = 'x';
    const QList<QPair<QByteArray, QString>> cases{
        {garbage, QStringLiteral("line 1: this is no RAPID module")},
        {"MODULE m\nPROC main()\nMoveL [[400,0,500],[0,0.70",
         QStringLiteral("line 2: PROC main has no ENDPROC")},
        {"MODULE m\nCONST num n:=1;\nENDMODULE\n", QStringLiteral("the module has no procedure")},
        {"MODULE m\nPROC main()\nENDPROC\n", QStringLiteral("line 3: the module has no ENDMODULE")},
        {"MODULE m\r\n! only a comment\r\nPROC main()\r\nStop;\r\nENDPROC\r\nENDMODULE",
         QStringLiteral("procedure main has no move")},
    };
    for (const auto &c : cases) {
        const QString file = dir.filePath(QStringLiteral("case.mod"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.first);
        f.close();
        QVERIFY(rapid::readModuleFile(file, text, error));
        const rapid::ImportResult r = rapid::importModule(m_robot, text);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.startsWith(c.second), qPrintable(r.error));
    }

    // A real module cut, doubled and scrambled in a thousand ways: every
    // result is either a program or a refusal that names a reason.
    QFile shipped(DataDirs::simulationDir() + QStringLiteral("drawing.sim"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    Robot robot;
    QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
    const QString module =
        rapid::exportModule(robot, rapid::programFromText(QString::fromUtf8(shipped.readAll())),
                            rapid::ExportOptions())
            .module;
    quint32 seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(n));
    };
    int refused = 0;
    for (int round = 0; round < 1000; ++round) {
        QString t = module;
        for (int edits = 1 + next(4); edits > 0; --edits) {
            const int at = next(t.size());
            const int length = 1 + next(40);
            switch (next(3)) {
            case 0:
                t.remove(at, length);
                break;
            case 1:
                t.insert(at, t.mid(next(t.size()), length));
                break;
            default:
                t[at] = QChar(ushort(next(128)));
            }
        }
        const rapid::ImportResult r = rapid::importModule(robot, t);
        QVERIFY(r.ok ? !r.program.empty() && r.error.isEmpty() : !r.error.isEmpty());
        refused += r.ok ? 0 : 1;
    }
    QVERIFY(refused > 100); // the edits do reach the declarations
}

QTEST_GUILESS_MAIN(TestRapidModule)
#include "tst_rapidmodule.moc"
