// velkari-kin: its interpreter in this process against the library; the real
// executable once per path; a fixed batch on every robot, to the last digit.
#include "kinematics/robot.h"
#include "support/robots.h"
#include "tools/kincommands.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

using Joints = std::array<float, 6>;

const auto program = [] { return QCoreApplication::applicationDirPath() + "/velkari-kin"; };
const auto irb120 = [] { return support::shippedRobot(QStringLiteral("ABB_IRB120.xml")); };

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
    QList<QByteArray> lines() const { return out.split('\n').mid(0, out.count('\n')); }
};

Run runKin(const QStringList &args, const QByteArray &input = QByteArray(),
           const QString &workDir = QString())
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(program(), args);
    Run r;
    p.write(input);
    p.closeWriteChannel();
    if (p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

template <typename Values> QByteArray text(const Values &values)
{
    QByteArray t;
    for (const auto v : values)
        t += ' ' + QByteArray::number(double(v), 'f', 6);
    return t;
}

// The numbers of an answer line, each printed with six decimals.
QVector<double> numbers(const std::string &line)
{
    static const QRegularExpression fixed(QStringLiteral("^-?\\d+\\.\\d{6}$"));
    QVector<double> values;
    for (const QString &token : QString::fromStdString(line).trimmed().split(QLatin1Char(' ')))
        values.append(fixed.match(token).hasMatch() ? token.toDouble() : qQNaN());
    return values;
}

bool near(const QVector<double> &got, const float *want, int n, double tol = 1e-5)
{
    return got.size() == n && std::equal(got.begin(), got.end(), want, [tol](double g, float w) {
               return std::fabs(g - w) <= tol * std::max(1.0, std::fabs(double(w)));
           });
}

// Random joint values, the same on every machine: a splitmix64 stream, so
// that neither the library's distributions nor its engines decide them.
std::array<double, 6> joints(quint64 &state)
{
    std::array<double, 6> q{};
    for (double &v : q) {
        quint64 z = state += 0x9e3779b97f4a7c15ull;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        v = -180.0 + 360.0 * double((z ^ (z >> 31)) >> 11) / 9007199254740992.0;
    }
    return q;
}

quint64 fnv1a(const QByteArray &bytes, quint64 h = 14695981039346656037ull)
{
    for (char c : bytes)
        h = (h ^ quint8(c)) * 1099511628211ull;
    return h;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName()
                                                                              : QString();
}

QString irb120Text()
{
    QFile f(irb120());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const char kLimits[] = "-165 165 -110 110 -110 70 -160 160 -120 120 -400 400\n";

} // namespace

class TestVelkariKin : public QObject
{
    Q_OBJECT

private slots:
    void interpreterAnswersAsTheLibrary();
    void linesAnsweredOrRefused_data();
    void linesAnsweredOrRefused();
    void numbersReadAsTheGeneralConversion_data();
    void numbersReadAsTheGeneralConversion();
    void fixedTextAsTheGeneralConversion_data();
    void fixedTextAsTheGeneralConversion();
    void pipeAnswersEachLineAsItComes();
    void argumentsExitCodesCheckAndExport();
    void programOfSeveralModules();
    void moduleNamesListToolAndUnreachableTarget();
    void answersOfAFixedBatchAreUnchanged_data();
    void answersOfAFixedBatchAreUnchanged();
    void stationCheckedInItsCell();
};

// Every command against the library's own answer; pose looks at other joint
// values without moving the seed, which only set changes.
void TestVelkariKin::interpreterAnswersAsTheLibrary()
{
    Robot robot, lib;
    QVERIFY(support::loadShipped(robot, "ABB_IRB120.xml") &&
            support::loadShipped(lib, "ABB_IRB120.xml"));
    kin::Interpreter zyz(robot, 4);
    const Joints q{10, -20, 30, 40, 50, 60}, other{10, -20, 30, -140, -50, 240};
    std::string out;
    QVERIFY(zyz.execute(("set" + text(q)).constData(), out) && out == "ok\n");
    out.clear();
    QVERIFY(zyz.execute(("pose" + text(other)).constData(), out));
    lib.setJointAngles(other);
    QVERIFY2(near(numbers(out), lib.tcpPose(4).data(), 6, 2e-5), out.c_str());
    QCOMPARE(robot.jointValues(), q);
    lib.setJointAngles(q);
    std::vector<IkConfiguration> want;
    const int chosen = lib.doInverseKinematics(lib.fk(6), want);
    QVERIFY(chosen >= 0 && want.size() > 1);
    // The fk answer fed back to ik, and the pose answer to ikpose.
    for (const char *pair : {"fk ik", "pose ikpose"}) {
        const QList<QByteArray> cmd = QByteArray(pair).split(' ');
        std::string asked, answer;
        QVERIFY(zyz.execute((cmd[0] + text(q)).constData(), asked));
        asked.pop_back(); // the line end
        QVERIFY(zyz.execute(cmd[1].toStdString() + ' ' + asked, answer));
        const QStringList lines = QString::fromStdString(answer).trimmed().split('\n');
        QCOMPARE(lines.size(), int(want.size()) + 1);
        QCOMPARE(lines.value(0), QStringLiteral("%1 %2").arg(want.size()).arg(chosen));
        for (const IkConfiguration &w : want) {
            const std::string row = lines[int(&w - want.data()) + 1].toStdString();
            QVERIFY2(near(numbers(row.substr(0, row.size() - 6)), w.q.data(), 6, 1e-4),
                     row.c_str());
            QCOMPARE(QByteArray::fromStdString(row.substr(row.size() - 6)),
                     QByteArray(" ") + "01"[w.basic] + ' ' + "01"[w.chosen] + ' ' + "01"[w.near]);
        }
    }
}

void TestVelkariKin::linesAnsweredOrRefused_data()
{
    // An answer, or one "error: " line (matched in full) and the robot untouched.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("answer");
    const QString zero = QStringLiteral(
        "0.000000 0.000000 1.000000 374.000000 0.000000 1.000000 0.000000 0.000000 -1.000000 "
        "0.000000 0.000000 630.000000 0.000000 0.000000 0.000000 1.000000\n");
    QTest::newRow("limits") << QByteArray("limits") << QString::fromLatin1(kLimits);
    QTest::newRow("written on Windows") << QByteArray("limits\r") << QString::fromLatin1(kLimits);
    QTest::newRow("upright at zero") << QByteArray("fk 0 0 0 0 0 0") << zero;
    QTest::newRow("number forms")
        << QByteArray("  fk +0 -0 0e5 .0e-3 000. 0.00000000000000000000000000001") << zero;
    QTest::newRow("comment") << QByteArray("  # fk 1 2 3") << QString();
    QTest::newRow("unknown") << QByteArray("frobnicate 1 2 3") << "error: .*'frobnicate'";
    QTest::newRow("upper case") << QByteArray("FK 0 0 0 0 0 0") << "error: .*'FK'";
    QTest::newRow("seven values") << QByteArray("set 0 0 0 0 0 0 0") << "error: .* 6 .*got 7";
    QTest::newRow("two values") << QByteArray("fk 1 -2") << "error: fk takes 6 values, got 2";
    QTest::newRow("word") << QByteArray("set 0 0 0 0 0 x") << "error: value 6 .*'x'";
    QTest::newRow("comma") << QByteArray("fk 0 0 0 0 1,5 0") << "error: value 5 .*'1,5'";
    QTest::newRow("nan") << QByteArray("pose nan 0 0 0 0 0") << "error: value 1 .*'nan'";
    QTest::newRow("beyond float") << QByteArray("set 0 0 0 1e39 0 0")
                                  << "error: value 4 .*finite.*";
    QTest::newRow("ik of 15") << QByteArray("ik 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0") << "error: ik .*15";
    QTest::newRow("mirror image") << QByteArray("ik 1 0 0 0 0 1 0 0 0 0 -1 0 0 0 0 1")
                                  << "error: .*not a pose.*";
}

void TestVelkariKin::linesAnsweredOrRefused()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, answer);
    Robot robot;
    QVERIFY(support::loadShipped(robot, QStringLiteral("ABB_IRB120.xml")));
    robot.setJointAngles(Joints{1, 2, 3, 4, 5, 6});
    kin::Interpreter in(robot, 0);
    std::string out;
    const bool refused = answer.startsWith(QLatin1String("error: "));
    // A digit and a blank follow the line in memory: read as part of it,
    // they would change its last number.
    const QByteArray padded = line + "9 ";
    QCOMPARE(in.execute({padded.constData(), std::size_t(line.size())}, out), !refused);
    QVERIFY2(refused ? QRegularExpression('^' + answer + "\n$").match(out.c_str()).hasMatch()
                     : out.c_str() == answer,
             out.c_str());
    QCOMPARE(robot.jointValues(), (Joints{1, 2, 3, 4, 5, 6}));
}

// Plain decimals are read by a shortcut; every token must still read as the
// library's general conversion reads it, or be refused as it refuses it.
void TestVelkariKin::numbersReadAsTheGeneralConversion_data()
{
    QTest::addColumn<QByteArray>("token");
    const QByteArray tokens = "7 -0 -0.5 12.345678 -109.456311 1234567.5 12345678.5 0.12345678 "
                              "0.123456789 1234567.12345678 0.1 2.675 00000000000123.5 "
                              "9007199254740993 5. .5 1.2.3 1e5 12-3 1.5x";
    for (const QByteArray &t : tokens.split(' '))
        QTest::newRow(t.constData()) << t;
}

void TestVelkariKin::numbersReadAsTheGeneralConversion()
{
    QFETCH(QByteArray, token);
    double got = 0.0, want = 0.0;
    const bool read = kin::parseNumber({token.constData(), std::size_t(token.size())}, got);
    const char *end = token.constData() + token.size();
    const auto r = std::from_chars(token.constData(), end, want, std::chars_format::general);
    QCOMPARE(read, r.ec == std::errc() && r.ptr == end);
    quint64 gotBits = 0, wantBits = 0;
    std::memcpy(&gotBits, &got, sizeof got);
    std::memcpy(&wantBits, &want, sizeof want);
    QVERIFY2(!read || gotBits == wantBits, QByteArray::number(got, 'g', 17));
}

// Six decimals as the general conversion writes them, except that what
// rounds to zero carries no sign. 1/128 and 3/128 lie halfway between two
// six-decimal texts and go to the even one.
void TestVelkariKin::fixedTextAsTheGeneralConversion_data()
{
    QTest::addColumn<float>("value");
    for (const float v :
         {0.0f, -0.0f, -4e-7f, 0.1f, -123.456f, 1.0f / 128, -3.0f / 128, 999.99994f, 1000.0f,
          1234.5f, -65536.25f, 1e10f, -3.4028235e38f, std::numeric_limits<float>::infinity(),
          std::numeric_limits<float>::quiet_NaN()}) {
        char name[32];
        *std::to_chars(name, name + sizeof name - 1, v).ptr = '\0';
        QTest::newRow(name) << v;
    }
}

void TestVelkariKin::fixedTextAsTheGeneralConversion()
{
    QFETCH(float, value);
    char text[64];
    const auto r =
        std::to_chars(text, text + sizeof text, double(value), std::chars_format::fixed, 6);
    QByteArray want(text, int(r.ptr - text));
    if (want.startsWith('-') && want.mid(1).count('0') == want.size() - 2)
        want.remove(0, 1);
    std::string got = "x";
    kin::appendFixed(got, value);
    QCOMPARE(QByteArray::fromStdString(got), "x" + want);
}

// Answers leave as soon as each line is read, errors included, and the exit
// status tells that a line was refused.
void TestVelkariKin::pipeAnswersEachLineAsItComes()
{
    QProcess p;
    p.start(program(), {irb120()});
    QVERIFY(p.waitForStarted(20000));
    for (const char *ask : {"limits", "fk 0 0 0 0 0 0", "fk 1 2"}) {
        p.write(QByteArray(ask) + '\n');
        QByteArray got;
        while (!got.contains('\n') && p.waitForReadyRead(20000))
            got += p.readAllStandardOutput();
        QVERIFY2(got == kLimits || got.contains(" 374.000000 ") || got.startsWith("error: "),
                 got.constData());
    }
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().isEmpty());
}

void TestVelkariKin::argumentsExitCodesCheckAndExport()
{
    // A command on the command line instead of standard input, which is then
    // not read; the convention either way of writing it.
    const Run zyz = runKin({irb120(), QStringLiteral("--euler"), QStringLiteral("4"),
                            QStringLiteral("pose 10 -20 30 40 50 60")},
                           "limits\n");
    QCOMPARE(runKin({irb120(), QStringLiteral("--euler=4")}, "pose 10 -20 30 40 50 60\n").out,
             zyz.out);
    QVERIFY(zyz.exitCode == 0 && zyz.out != runKin({irb120()}, "pose 10 -20 30 40 50 60\n").out);
    // Bare names are found in the installation; the crayon puts the TCP 140 mm
    // along the flange Z, which at zero is base X.
    QTemporaryDir elsewhere;
    const Run tool =
        runKin({QStringLiteral("ABB_IRB120.xml"), QStringLiteral("--tool"),
                QStringLiteral("IRB120_Crayon.tool"), QStringLiteral("fk 0 0 0 0 0 0")},
               QByteArray(), elsewhere.path());
    QVERIFY2(tool.exitCode == 0 && tool.out.contains(" 514.000000 "), tool.out.constData());
    // Inputs it cannot use: exit 2, nothing on standard output, the reason on
    // standard error (with the usage when there is no robot). Split at '|'.
    QTemporaryDir dir;
    const QString words = writeFile(dir, QStringLiteral("words.sim"), "no numbers here\n1;2;3\n");
    const QString missing = dir.filePath(QStringLiteral("missing")), r = irb120() + '|';
    for (const QString &c : {missing + ".xml", QString(), r + "--euler|5", r + "--frobnicate",
                             r + "--tool|" + missing + ".tool", r + "check|" + words}) {
        const QStringList args = c.split('|', Qt::SkipEmptyParts);
        const Run r = runKin(args, "limits\n");
        QVERIFY2(r.exitCode == 2 && r.out.isEmpty() && r.err.startsWith("velkari-kin: "),
                 qPrintable(c));
        QVERIFY(!args.isEmpty() || r.err.contains("Usage: velkari-kin ROBOT.xml"));
    }
    // A misspelt attribute is refused with where it stands, not read as 0.
    QFile shipped(irb120());
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const Run typo = runKin(
        {writeFile(dir, QStringLiteral("typo.xml"),
                   shipped.readAll().replace("\"-110\" alpha=\"-90\"", "\"-110\" Zlpha=\"-90\"")),
         QStringLiteral("fk 0 0 0 0 0 0")});
    QVERIFY2(
        typo.exitCode == 2 && typo.out.isEmpty() &&
            typo.err.contains("line 5, element <joint id=\"Axis2\">: unknown attribute \"Zlpha\""),
        typo.err.constData());
    // Every twist 0 (a planar arm, worked by hand): fk answers, ik and ikpose
    // say no solver is written for it, exit 1. Flange at q = 0: arm 270 + 70
    // along x after axis 2's -90, so at -90 degrees; 290 + 302 + 72 up; Rz(90).
    const Run planar = runKin(
        {writeFile(dir, QStringLiteral("planar.xml"),
                   irb120Text().replace(QRegularExpression("alpha=\"[^\"]*\""), "alpha=\"0\"")
                       .toUtf8())},
        "fk 0 0 0 0 0 0\nik 0 -1 0 0 1 0 0 -340 0 0 1 664 0 0 0 1\nikpose 0 -340 664 90 0 0\n");
    QVERIFY2(planar.exitCode == 1 && planar.lines().size() == 3, planar.out.constData());
    QVERIFY2(near(numbers(planar.lines()[0].toStdString()),
                  std::array<float, 16>{0, -1, 0, 0, 1, 0, 0, -340, 0, 0, 1, 664, 0, 0, 0, 1}.data(),
                  16),
             planar.out.constData());
    for (int i : {1, 2})
        QCOMPARE(planar.lines()[i], QByteArray("error: no inverse kinematics for this arm's geometry"));
    // A word on a later line: check, its table and export refuse the file, naming the line.
    const QString later =
        writeFile(dir, QStringLiteral("later.sim"), "1 0 0 0 0 30 0\n1 10 abc 0 0 30 0\n");
    for (const QString &c : {"check|" + later, "check|" + later + "|--csv", "export|" + later}) {
        const Run r = runKin(QStringList{irb120()} + c.split('|'));
        QVERIFY2(r.exitCode == 2 && r.out.isEmpty() &&
                     r.err.contains("line 2 is not a code and six operands: \"1 10 abc"),
                 r.err.constData());
    }
    // check plays a program as the simulator does and lists its problems;
    // export writes a RAPID module, which check reads again. Positions play as they stand; each
    // outside the limits is a problem naming its first axis (axis 3 -110..70, axis 1 +-165).
    const Run w =
        runKin({irb120(), QStringLiteral("check"),
                writeFile(dir, QStringLiteral("wide.sim"),
                          "0 0 0 0 30 0\n0 0 70.5 0 30 0\n-166 0 0 0 0 401\n0 0 -110 0 0 400\n")});
    QCOMPARE(w.exitCode, 3);
    QCOMPARE(w.out, QByteArray("positions 4 problems 2\n2 1 100000 Joint 3 is outside its limits.\n"
                               "3 2 100000 Joint 1 is outside its limits.\n"));
    // The wrist singularity is found in the program and on the module line of
    // its instruction.
    const Run singular = runKin({irb120(), QStringLiteral("export"),
                                 support::shippedRobot("../Simulations/singularity.sim"),
                                 QStringLiteral("--zone"), QStringLiteral("z1")});
    QVERIFY2(singular.exitCode == 3 &&
                 singular.err.contains("position 72 (program line 3): Joint 5 is close to 0 deg."),
             singular.err.constData());
    const int moveLine =
        singular.out.left(singular.out.indexOf("MoveL p3, v100, z1")).count('\n') + 1;
    const QString module = writeFile(dir, QStringLiteral("singular.mod"), singular.out);
    const Run found = runKin({irb120(), QStringLiteral("check"), module, QStringLiteral("--path")});
    QVERIFY(found.exitCode == 3 && found.lines().size() == 2 + 103);
    QCOMPARE(found.lines().value(1),
             "72 " + QByteArray::number(moveLine) + " 1000 Joint 5 is close to 0 deg.");
    // --csv on a module writes the Plots dock's table instead: one row per position of
    // --path, with its type, joints and problem code.
    const Run table = runKin({irb120(), QStringLiteral("check"), module, QStringLiteral("--csv")});
    const QList<QByteArray> rows = table.lines();
    QVERIFY2(table.exitCode == 3 && rows.size() == 1 + 103 &&
                 rows[0].startsWith("position,path id,type,j1,j2,j3,j4,j5,j6,problem,"),
             table.out.left(200).constData());
    for (int k = 1; k <= 103; ++k) {
        const QList<QByteArray> csv = rows[k].split(','), path = found.lines()[k + 1].split(' ');
        bool same = csv.size() == 13 && path.size() == 8 && csv[0].toInt() == k;
        for (int i = 0; same && i < 8; ++i)
            same = std::fabs(csv[i + 2].toDouble() - path[i].toDouble()) < 1e-6;
        QVERIFY2(same, rows[k].constData());
    }
    // The drawing written out as RAPID and read back is cut into as many positions: its
    // lines and arcs a whole number of steps long stay so through the rounding.
    const QString drawing = support::shippedRobot("../Simulations/drawing.sim");
    const Run exported =
        runKin({irb120(), QStringLiteral("--tool"), QStringLiteral("IRB120_Crayon.tool"),
                QStringLiteral("export"), drawing});
    const Run sim = runKin({irb120(), QStringLiteral("check"), drawing}),
              mod = runKin({irb120(), QStringLiteral("check"),
                            writeFile(dir, QStringLiteral("drawing.mod"), exported.out)});
    QVERIFY2(exported.exitCode == 0 && sim.exitCode == 0 && mod.out == sim.out,
             (sim.out + mod.out).constData());
}

// A program in two modules as a controller saves them (a .prg header, the
// tools and targets in a module of their own, declared after their use),
// named on the command line or by a program file, is checked as the same
// program merged into one module: declarations at its end keep every line.
void TestVelkariKin::programOfSeveralModules()
{
    QTemporaryDir dir;
    const QByteArray main =
        "%%%\r\n  VERSION:1\r\n  LANGUAGE:ENGLISH\r\n%%%\r\n\r\nMODULE Cell\r\n"
        "  PROC Place(robtarget pTo, PERS tooldata tUse)\r\n"
        "    MoveJ Offs(pTo,0,0,50), v500, z10, tUse\\WObj:=wTable;\r\n"
        "    MoveL pTo, v100, fine, tUse\\WObj:=wTable;\r\n  ENDPROC\r\n"
        "  PROC main()\r\n    FOR i FROM 0 TO 2 DO\r\n"
        "      Place Offs(pBase, 0, i * 60, 0), tPen;\r\n    ENDFOR\r\n  ENDPROC\r\n";
    const QByteArray calib =
        "  PERS tooldata tPen:=[TRUE,[[0,0,100],[1,0,0,0]],[0.5,[0,0,50],[1,0,0,0],0,0,0]];\r\n"
        "  PERS wobjdata wTable:=[FALSE,TRUE,\"\",[[250,-60,0],[1,0,0,0]],[[0,0,0],[1,0,0,0]]];\r\n"
        "  CONST robtarget pBase:=[[100,0,200],[0,0,1,0],[-1,0,-1,0],[9E9,9E9,9E9,9E9,9E9,9E9]];\r\n";
    const QString cell = writeFile(dir, "CELL.prg", main + "ENDMODULE\r\n"),
                  data = writeFile(dir, "CalibData.mod", "MODULE CalibData\r\n" + calib +
                                                             "ENDMODULE\r\n"),
                  merged = writeFile(dir, "merged.mod", main + calib + "ENDMODULE\r\n"),
                  pgf = writeFile(dir, "Cell.pgf",
                                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n<Program>\n"
                                  "  <Module>CELL.prg</Module>\n  <Module>CalibData.mod</Module>\n"
                                  "</Program>\n");
    const Run one = runKin({irb120(), "check", merged, "--path"}),
              two = runKin({irb120(), "check", cell, data, "--path"}),
              listed = runKin({irb120(), "check", pgf, "--path"});
    QVERIFY2(one.exitCode == 0 && one.out.startsWith("positions ") && one.out.count('\n') > 60,
             one.err.constData());
    QVERIFY2(two.exitCode == 0 && two.out == one.out, two.err.constData());
    QVERIFY2(listed.exitCode == 0 && listed.out == one.out, listed.err.constData());
    const QList<QByteArray> said = two.err.trimmed().split('\n');
    QCOMPARE(said.front(), QByteArray("velkari-kin: procedure main"));
    QCOMPARE(said.back(), QByteArray("velkari-kin: moves: 6 read, 0 skipped"));
    // A move skipped is said on the first line of standard output, and named
    // with its module and line; the exit status speaks of the moves read.
    const QString skipping = writeFile(
        dir, "skip.mod", "MODULE Skip\nPROC main()\n  MoveJ pBase, v100, z10, tPen\\WObj:=wTable;\n"
                         "  MoveL CRobT(), v100, z10, tPen;\nENDPROC\nENDMODULE\n");
    const Run skipped = runKin({irb120(), "check", skipping, data});
    QVERIFY2(skipped.exitCode == 0 &&
                 skipped.out.startsWith("not every move is checked: 1 skipped (listed on standard "
                                        "error)\npositions ") &&
                 skipped.err.contains("velkari-kin: skip.mod line 4: MoveL to CRobT() is not read") &&
                 skipped.err.endsWith("velkari-kin: moves: 1 read, 1 skipped\n"),
             (skipped.out + skipped.err).constData());
    // A program file naming a module that is not there, or no module.
    const Run missing = runKin({irb120(), "check", writeFile(dir, "m.pgf",
                                                             "<Program><Module>Gone.mod</Module>"
                                                             "</Program>")});
    const Run empty = runKin({irb120(), "check", writeFile(dir, "e.pgf", "<Program/>")});
    QVERIFY2(missing.exitCode == 2 && missing.err.contains("Gone.mod: "), missing.err.constData());
    QVERIFY2(empty.exitCode == 2 && empty.err.contains("e.pgf: it names no module"),
             empty.err.constData());
}

// export refuses a module name the controller refuses, in any case: a
// reserved word, or a name of the module itself (procedure, tool, work
// object, target, speed, zone, instruction). A position list moves with the
// tool it declares. check takes an unreachable target as one problem where
// the path stands, and checks the moves after it.
void TestVelkariKin::moduleNamesListToolAndUnreachableTarget()
{
    QTemporaryDir dir;
    const QString sim = writeFile(dir, "list.sim", "0 0 0 0 30 0\n0 10 0 0 30 0\n");
    const QStringList names{"IF",    "endproc", "Module", "TRYNEXT", "MAIN",     "Tool1",
                            "WOBJ1", "j2",      "V100",   "z1",      "moveabsj", "Main_2"};
    for (int i = 0; i < names.size(); ++i) {
        const Run r = runKin({irb120(), "--tool", "IRB120_Crayon.tool", "export", sim, "--zone",
                              "z1", "--name", names[i]});
        const QByteArray why = i < 4 ? "a reserved word of RAPID"
                                     : "itself uses (" + names[i].toLower().toUtf8() + ")";
        QVERIFY2(
            i + 1 == names.size()
                ? r.exitCode == 0 && r.out.count(", tool1\\WObj") == 2 && !r.out.contains("tool0")
                : r.exitCode == 2 && r.out.isEmpty() && r.err.toLower().contains(why.toLower()),
            qPrintable(names[i] + ": " + r.err + r.out));
    }
    const QString move = "Move%1 [[%2,0,500],[0,0.7071068,0,0.7071068],[0,0,0,0],[9E9,9E9,9E9,9E9,"
                         "9E9,9E9]],v100,z10,tool0;\n";
    const QString far = "MODULE far\nPROC main()\n" + move.arg("J").arg(400) +
                        move.arg("L").arg(4000) + move.arg("L").arg(420) + "ENDPROC\nENDMODULE\n";
    const Run r = runKin({irb120(), "check", writeFile(dir, "far.mod", far.toUtf8()), "--path"});
    const QList<QByteArray> problem = r.lines().value(1).split(' '), path = r.lines().mid(2);
    const int at = problem.value(0).toInt();
    QVERIFY2(r.exitCode == 3 && r.lines().value(0).endsWith(" problems 1") &&
                 problem.mid(1, 2) == QList<QByteArray>({"4", "1"}) && at > 1 &&
                 r.err.endsWith("moves: 3 read, 0 skipped\n"),
             (r.out.left(300) + r.err).constData());
    // Where the position before it stood (joints alike, code aside); then the 20 mm to 420.
    QCOMPARE(path[at - 1].left(path[at - 1].lastIndexOf(' ')),
             path[at - 2].left(path[at - 2].lastIndexOf(' ')));
    QVERIFY(path.size() - at >= 10);
}

// fk and pose of 10,000 random positions per robot, then ik of each printed
// fk matrix from a position that changes every fifth line, as recorded before
// the solvers were rewritten for speed: checksum, line count and one line.
void TestVelkariKin::answersOfAFixedBatchAreUnchanged_data()
{
    QTest::addColumn<QString>("robot");
    QTest::addColumn<QByteArray>("expected");
    QFile f(QStringLiteral(VELKARI_KIN_BATCH));
    QVERIFY(f.open(QIODevice::ReadOnly));
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QByteArray name = line.left(line.indexOf(' '));
        QTest::newRow(name.constData()) << QString::fromLatin1(name) << line;
    }
}

void TestVelkariKin::answersOfAFixedBatchAreUnchanged()
{
    QFETCH(QString, robot);
    QFETCH(QByteArray, expected);
    constexpr int kPoses = 10000;
    quint64 stream = 20261207u;
    QByteArray questions;
    for (int i = 0; i < kPoses; ++i) {
        const std::array<double, 6> q = joints(stream);
        questions += "fk" + text(q) + "\n";
        if (i % 10 == 0)
            questions += "pose" + text(q) + "\n";
    }
    const Run forward = runKin({support::shippedRobot(robot)}, questions);
    QCOMPARE(forward.exitCode, 0);
    QByteArray solves;
    int i = 0;
    for (const QByteArray &line : forward.lines()) {
        if (line.count(' ') != 15)
            continue; // a pose answer
        if (i++ % 5 == 0)
            solves += "set" + text(joints(stream)) + "\n";
        solves += "ik " + line + "\n";
    }
    QCOMPARE(i, kPoses);
    const Run inverse = runKin({support::shippedRobot(robot)}, solves);
    const QList<QByteArray> lines = inverse.lines();
    QVERIFY(inverse.exitCode == 0 && lines.size() > 5000);
    const QByteArray got = robot.toLatin1() + ' ' + QByteArray::number(lines.size()) + ' ' +
                           QByteArray::number(fnv1a(inverse.out, fnv1a(forward.out)), 16) + ' ' +
                           lines[5000];
    QVERIFY2(got == expected, got.constData());
}

// The shipped cells hold no collision: checked in its cell a program says
// what the robot alone says. A box under the pen's whole drawing, its top
// 3 mm above the paper (z 750), makes the strokes collide.
void TestVelkariKin::stationCheckedInItsCell()
{
    const QString dir = QCoreApplication::applicationDirPath() + "/../Simulations/";
    for (const QString name : {"drawing.sim", "joints.sim", "singularity.sim"}) {
        const Run cell = runKin({"--station", dir + name + ".vks", "check", dir + name, "--path"});
        const Run alone = runKin({irb120(), "check", dir + name, "--path"});
        QVERIFY2(cell.exitCode == alone.exitCode && cell.out == alone.out && !cell.out.isEmpty(),
                 qPrintable(name + ": " + cell.err));
    }
    QTemporaryDir tmp;
    QByteArray stl = "solid box\n";
    const char *c[8] = {"-200 -200 720", "150 -200 720", "150 200 720", "-200 200 720",
                        "-200 -200 753", "150 -200 753", "150 200 753", "-200 200 753"};
    const int faces[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    for (const auto &f : faces)
        stl += QByteArray("facet normal 0 0 0\nouter loop\nvertex ") + c[f[0]] + "\nvertex " +
               c[f[1]] + "\nvertex " + c[f[2]] + "\nendloop\nendfacet\n";
    const QString box = writeFile(tmp, "box.stl", stl + "endsolid box\n");
    QFile shipped(dir + "drawing.sim.vks");
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QString station = writeFile(
        tmp, "cell.vks",
        shipped.readAll().replace("../", (QCoreApplication::applicationDirPath() + "/../").toUtf8()) +
            "\r\n#OBJECT#" + box.toUtf8() + "#box#1#1#0#1#0#0#0#0#1#0#0#0#0#1#0#0#0#0#1#");
    const Run r = runKin({"--station", station, "check", dir + "drawing.sim", "--path"});
    QCOMPARE(r.exitCode, 3);
    const QList<QByteArray> lines = r.lines();
    const int problems = lines.value(0).split(' ').value(3).toInt();
    QSet<int> listed, flagged;
    for (int i = 1; i <= problems; ++i)
        if (lines.value(i).endsWith("Collision. tool collides with box"))
            listed.insert(lines.value(i).split(' ').value(0).toInt());
    for (int i = problems + 1; i < lines.size(); ++i)
        if (lines[i].split(' ').value(7).toInt() / 1000000 % 10 == 1)
            flagged.insert(i - problems);
    QVERIFY2(!listed.isEmpty() && listed == flagged, r.out.left(2000).constData());

    // The same drawing as a RAPID module meets the same box; in the shipped
    // cell it meets nothing.
    const Run module = runKin({irb120(), "export", dir + "drawing.sim", "--name", "Drawing"});
    const QString mod = writeFile(tmp, "Drawing.mod", module.out);
    const Run inCell = runKin({"--station", station, "check", mod});
    QCOMPARE(inCell.exitCode, 3);
    QVERIFY2(inCell.out.contains("Collision. tool collides with box"), inCell.out.left(500));
    const Run shippedCell = runKin({"--station", dir + "drawing.sim.vks", "check", mod});
    QVERIFY2(!shippedCell.out.contains("Collision"), shippedCell.out.left(500));
}

QTEST_GUILESS_MAIN(TestVelkariKin)
#include "tst_velkari_kin.moc"
