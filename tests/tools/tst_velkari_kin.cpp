// velkari-kin: its line interpreter in this process, answering as the library
// does and refusing malformed lines; the real executable once per path (pipe,
// arguments, an error line, exit codes, check and export); and the answers of
// a fixed batch on every shipped robot, unchanged to their last printed digit.
#include "kinematics/robot.h"
#include "support/robots.h"
#include "tools/kincommands.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

using Joints = std::array<float, 6>;

QString program()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/velkari-kin");
}

QString irb120()
{
    return support::shippedRobot(QStringLiteral("ABB_IRB120.xml"));
}

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
    if (!p.waitForStarted(20000))
        return r;
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
    if (got.size() != n)
        return false;
    for (int k = 0; k < n; ++k)
        if (!(std::fabs(got[k] - want[k]) <= tol * std::max(1.0, std::fabs(double(want[k])))))
            return false;
    return true;
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
    for (char c : bytes) {
        h ^= quint8(c);
        h *= 1099511628211ull;
    }
    return h;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName()
                                                                              : QString();
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
    void pipeAnswersEachLineAsItComes();
    void argumentsAndExitCodes();
    void checkAndExportPrograms();
    void answersOfAFixedBatchAreUnchanged_data();
    void answersOfAFixedBatchAreUnchanged();
};

// Every command against the library's own answer; fk and pose look at other
// joint values without moving the seed, which only set changes.
void TestVelkariKin::interpreterAnswersAsTheLibrary()
{
    Robot robot, lib;
    QVERIFY(support::loadShipped(robot, QStringLiteral("ABB_IRB120.xml")));
    QVERIFY(support::loadShipped(lib, QStringLiteral("ABB_IRB120.xml")));
    kin::Interpreter zyx(robot, 0), zyz(robot, 4);
    const Joints q{10, -20, 30, 40, 50, 60}, other{10, -20, 30, -140, -50, 240};
    std::string out;
    QVERIFY(zyx.execute(("set" + text(q)).constData(), out));
    QCOMPARE(out, std::string("ok\n"));
    lib.setJointAngles(other);
    for (kin::Interpreter *in : {&zyx, &zyz}) {
        out.clear();
        QVERIFY(in->execute(("fk" + text(other)).constData(), out));
        QVERIFY2(near(numbers(out), lib.fk(6).data(), 16), out.c_str());
        out.clear();
        QVERIFY(in->execute(("pose" + text(other)).constData(), out));
        const int convention = in == &zyx ? 0 : 4;
        QVERIFY2(near(numbers(out), lib.tcpPose(convention).data(), 6, 2e-5), out.c_str());
    }
    QCOMPARE(robot.jointValues(), q);
    lib.setJointAngles(q);
    std::vector<IkConfiguration> want;
    const int chosen = lib.doInverseKinematics(lib.fk(6), want);
    QVERIFY(chosen >= 0 && want.size() > 1);
    // The fk answer fed back to ik, and the pose answer to ikpose.
    for (const char *pair : {"fk ik", "pose ikpose"}) {
        const QList<QByteArray> cmd = QByteArray(pair).split(' ');
        std::string asked, answer;
        QVERIFY(zyx.execute((cmd[0] + text(q)).constData(), asked));
        asked.pop_back(); // the line end
        QVERIFY(zyx.execute(cmd[1].toStdString() + ' ' + asked, answer));
        const QStringList lines = QString::fromStdString(answer).trimmed().split('\n');
        QCOMPARE(lines.value(0), QStringLiteral("%1 %2").arg(want.size()).arg(chosen));
        QCOMPARE(lines.size(), int(want.size()) + 1);
        for (std::size_t i = 0; i < want.size(); ++i) {
            const IkConfiguration &w = want[i];
            const std::string row = lines[int(i) + 1].toStdString();
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
    QTest::newRow("blank") << QByteArray(" \t ") << QString();
    QTest::newRow("unknown") << QByteArray("frobnicate 1 2 3") << "error: .*'frobnicate'";
    QTest::newRow("upper case") << QByteArray("FK 0 0 0 0 0 0") << "error: .*'FK'";
    QTest::newRow("three values") << QByteArray("fk 1 2 3") << "error: fk takes 6 values, got 3";
    QTest::newRow("seven values") << QByteArray("set 0 0 0 0 0 0 0") << "error: .* 6 .*got 7";
    QTest::newRow("limits now") << QByteArray("limits now") << "error: limits takes 0 .*got 1";
    QTest::newRow("word") << QByteArray("set 0 0 0 0 0 x") << "error: value 6 .*'x'";
    QTest::newRow("comma") << QByteArray("fk 0 0 0 0 1,5 0") << "error: value 5 .*'1,5'";
    QTest::newRow("nan") << QByteArray("pose nan 0 0 0 0 0") << "error: value 1 .*'nan'";
    QTest::newRow("inf") << QByteArray("set 0 inf 0 0 0 0") << "error: value 2 .*'inf'";
    QTest::newRow("beyond double") << QByteArray("set 0 0 1e400 0 0 0") << "error: value 3 .*";
    QTest::newRow("beyond float") << QByteArray("set 0 0 0 1e39 0 0")
                                  << "error: value 4 .*finite.*";
    QTest::newRow("ik of 15") << QByteArray("ik 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0") << "error: ik .*15";
    QTest::newRow("mirror image") << QByteArray("ik 1 0 0 0 0 1 0 0 0 0 -1 0 0 0 0 1")
                                  << "error: .*not a pose.*";
    QTest::newRow("scaled") << QByteArray("ik 2 0 0 0 0 2 0 0 0 0 2 0 0 0 0 1")
                            << "error: .*not a pose.*";
    QTest::newRow("bottom row") << QByteArray("ik 1 0 0 0 0 1 0 0 0 0 1 0 0 0 1 1")
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
    QCOMPARE(in.execute(line.constData(), out), !refused);
    if (refused) {
        QVERIFY2(
            QRegularExpression('^' + answer + "\n$").match(QString::fromStdString(out)).hasMatch(),
            out.c_str());
        QCOMPARE(robot.jointValues(), (Joints{1, 2, 3, 4, 5, 6}));
    } else {
        QCOMPARE(QString::fromStdString(out), answer);
    }
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

void TestVelkariKin::argumentsAndExitCodes()
{
    // A command on the command line instead of standard input, which is then not read.
    const Run piped = runKin({irb120()}, "pose 10 -20 30 40 50 60\n");
    QCOMPARE(runKin(QStringList{irb120()} + QStringLiteral("pose 10 -20 30 40 50 60").split(' '),
                    "limits\n")
                 .out,
             piped.out);
    // The convention, either way of writing it.
    const Run zyz = runKin({irb120(), QStringLiteral("--euler"), QStringLiteral("4"),
                            QStringLiteral("pose 10 -20 30 40 50 60")});
    QCOMPARE(zyz.exitCode, 0);
    QCOMPARE(runKin({irb120(), QStringLiteral("--euler=4")}, "pose 10 -20 30 40 50 60\n").out,
             zyz.out);
    QVERIFY(zyz.out != piped.out);
    // Bare names are found in the installation; the crayon puts the TCP 140 mm
    // along the flange Z, which at zero is base X.
    QTemporaryDir elsewhere;
    const Run tool =
        runKin({QStringLiteral("ABB_IRB120.xml"), QStringLiteral("--tool"),
                QStringLiteral("IRB120_Crayon.tool"), QStringLiteral("fk 0 0 0 0 0 0")},
               QByteArray(), elsewhere.path());
    QCOMPARE(tool.exitCode, 0);
    QVERIFY2(tool.out.contains(" 514.000000 "), tool.out.constData());
    const Run help = runKin({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: velkari-kin ROBOT.xml"));
    // Inputs it cannot use: exit 2, nothing on standard output, the reason on
    // standard error (with the usage when there is no robot).
    QTemporaryDir dir;
    const QString notXml = writeFile(dir, QStringLiteral("notes.xml"), "not the joints\n");
    const QString good = writeFile(dir, QStringLiteral("good.sim"), "1 0 0 0 0 30 0\n");
    const QString words = writeFile(dir, QStringLiteral("words.sim"), "no numbers here\n1;2;3\n");
    const QString missing = dir.filePath(QStringLiteral("missing"));
    // Arguments separated by '|'.
    const QString r = irb120() + '|';
    for (const QString &c : {missing + ".xml", notXml, QString(), r + "--euler|5", r + "--euler|x",
                             r + "--euler", r + "--tool|" + missing + ".tool", r + "--frobnicate",
                             r + "check|" + missing, r + "check|" + words, r + "check",
                             r + "check|" + dir.path(), r + "check|" + good + "|extra"}) {
        const QStringList args = c.split('|', Qt::SkipEmptyParts);
        const Run r = runKin(args, "limits\n");
        const QString what = args.join(QLatin1Char(' '));
        QVERIFY2(r.exitCode == 2 && r.out.isEmpty() && r.err.startsWith("velkari-kin: "),
                 qPrintable(what));
        QVERIFY(!args.isEmpty() || r.err.contains("Usage: velkari-kin ROBOT.xml"));
    }
}

// check plays a program as the simulator does and lists its problems; export
// writes it as a RAPID module, which check reads again.
void TestVelkariKin::checkAndExportPrograms()
{
    QTemporaryDir dir;
    // Two joint moves, the first already there: 2 positions, then 5 for 10
    // degrees in steps of 2.5. The file name has a blank in it.
    const QString moves =
        writeFile(dir, QStringLiteral("two moves.sim"), "1 0 0 0 0 30 0\r\n1 10 0 0 0 30 0\r\n");
    const Run clean = runKin({irb120(), QStringLiteral("check"), moves, QStringLiteral("--path")});
    QCOMPARE(clean.exitCode, 0);
    QCOMPARE(clean.lines().value(0), QByteArray("positions 7 problems 0"));
    QCOMPARE(clean.lines().value(4), QByteArray("1.000000 2.500000 0.000000 0.000000 0.000000 "
                                                "30.000000 0.000000 0"));
    // Positions play as they stand; each outside the limits is a problem
    // naming its first axis (axis 3 -110..70, axis 1 +-165).
    const QString wide =
        writeFile(dir, QStringLiteral("wide.sim"),
                  "0 0 0 0 30 0\n0 0 70.5 0 30 0\n-166 0 0 0 0 401\n0 0 -110 0 0 400\n");
    const Run w = runKin({irb120(), QStringLiteral("check"), wide});
    QCOMPARE(w.exitCode, 3);
    QCOMPARE(w.out, QByteArray("positions 4 problems 2\n2 1 100000 Joint 3 is outside its limits.\n"
                               "3 2 100000 Joint 1 is outside its limits.\n"));
    // The shipped drawing goes out and comes back clean.
    const QString sims = support::shippedRobot(QStringLiteral("../Simulations/"));
    const Run drawing =
        runKin({irb120(), QStringLiteral("--tool"),
                support::shippedRobot(QStringLiteral("../CAD_Tools/IRB120_Crayon.tool")),
                QStringLiteral("export"), sims + "drawing.sim", QStringLiteral("--name"),
                QStringLiteral("Drawing")});
    QCOMPARE(drawing.exitCode, 0);
    QVERIFY(drawing.out.startsWith("MODULE Drawing\n") && drawing.out.endsWith("ENDMODULE\n"));
    const Run back = runKin({irb120(), QStringLiteral("check"),
                             writeFile(dir, QStringLiteral("drawing.mod"), drawing.out)});
    QCOMPARE(back.exitCode, 0);
    QVERIFY2(back.out.startsWith("positions ") && back.out.endsWith(" problems 0\n"),
             back.out.constData());
    // The wrist singularity is found in the program and on the module line of
    // its instruction.
    const Run singular = runKin({irb120(), QStringLiteral("export"), sims + "singularity.sim",
                                 QStringLiteral("--zone"), QStringLiteral("z1")});
    QCOMPARE(singular.exitCode, 3);
    QVERIFY2(singular.err.contains("position 72 (program line 3): Joint 5 is close to 0 deg."),
             singular.err.constData());
    const int moveLine =
        singular.out.left(singular.out.indexOf("MoveL p3, v100, z1")).count('\n') + 1;
    const Run found = runKin({irb120(), QStringLiteral("check"),
                              writeFile(dir, QStringLiteral("singular.mod"), singular.out),
                              QStringLiteral("--path")});
    QCOMPARE(found.exitCode, 3);
    QCOMPARE(found.lines().value(1),
             "72 " + QByteArray::number(moveLine) + " 1000 Joint 5 is close to 0 deg.");
    QCOMPARE(found.lines().size(), 2 + 103);
}

// The answers of every command that goes through the kinematics, to their
// last printed digit, on 10,000 random joint positions per robot: fk and pose
// of the positions, then ik of each printed fk matrix from a current position
// that changes every fifth line. The expected answers were recorded before
// the solvers and the chain were rewritten for speed; the file holds their
// checksum, line count and one sampled line per robot.
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
    QCOMPARE(inverse.exitCode, 0);
    const QList<QByteArray> lines = inverse.lines();
    QVERIFY(lines.size() > 5000);
    const QByteArray got = robot.toLatin1() + ' ' + QByteArray::number(lines.size()) + ' ' +
                           QByteArray::number(fnv1a(inverse.out, fnv1a(forward.out)), 16) + ' ' +
                           lines[5000];
    // The whole line on failure: it is what the file would have to say.
    QVERIFY2(got == expected, got.constData());
}

QTEST_GUILESS_MAIN(TestVelkariKin)
#include "tst_velkari_kin.moc"
