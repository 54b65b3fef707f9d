// velkari-kin driven as a user drives it: the real executable behind a pipe,
// questions on standard input, answers read back from standard output and
// checked against a kinematic chain computed here in double precision, the
// hand-worked pose of the IRB120 at zero and round trips through ik.
#include <QtTest>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <random>

namespace {

// ---------------------------------------------------------------- independent chain

using M = std::array<double, 16>;
using Joints = std::array<double, 6>;

M mul(const M &a, const M &b)
{
    M r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r[4 * i + j] += a[4 * i + k] * b[4 * k + j];
    return r;
}

double rad(double deg)
{
    return deg * M_PI / 180.0;
}

double deg(double r)
{
    return r * 180.0 / M_PI;
}

M rotX(double d)
{
    const double c = std::cos(rad(d)), s = std::sin(rad(d));
    return {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1};
}

M rotY(double d)
{
    const double c = std::cos(rad(d)), s = std::sin(rad(d));
    return {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1};
}

M rotZ(double d)
{
    const double c = std::cos(rad(d)), s = std::sin(rad(d));
    return {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

M trans(double x, double y, double z)
{
    return {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1};
}

struct Link
{
    double alpha, a, theta, d;
};

// Modified Denavit-Hartenberg: T_i = RotX(alpha) TransX(a) TransZ(d) RotZ(theta + q).
M flange(const std::array<Link, 6> &links, const Joints &q)
{
    M m = trans(0, 0, 0);
    for (int i = 0; i < 6; ++i) {
        const Link &l = links[std::size_t(i)];
        m = mul(m, mul(mul(rotX(l.alpha), trans(l.a, 0, 0)),
                       mul(trans(0, 0, l.d), rotZ(l.theta + q[std::size_t(i)]))));
    }
    return m;
}

const std::array<Link, 6> kIrb120{{{0, 0, 0, 290},
                                   {-90, 0, -90, 0},
                                   {0, 270, 0, 0},
                                   {-90, 70, 0, 302},
                                   {90, 0, 0, 0},
                                   {-90, 0, 180, 72}}};

const std::array<Link, 6> kUr5{{{0, 0, 0, 89.159},
                                {90, 0, 0, 0},
                                {0, -425, 0, 0},
                                {0, -392.25, 0, 109.15},
                                {90, 0, 0, 94.65},
                                {-90, 0, 0, 82.3}}};

// Z-Y'-Z'' angles of a rotation, the middle one taken in [0, 180].
std::array<double, 3> zyz(const M &m)
{
    auto r = [&m](int i, int j) { return m[std::size_t(4 * (i - 1) + (j - 1))]; };
    return {deg(std::atan2(r(2, 3), r(1, 3))),
            deg(std::atan2(std::hypot(r(1, 3), r(2, 3)), r(3, 3))),
            deg(std::atan2(r(3, 2), -r(3, 1)))};
}

// ---------------------------------------------------------------- running the program

QString binDir()
{
    return QCoreApplication::applicationDirPath();
}

QString program()
{
    return binDir() + QStringLiteral("/velkari-kin");
}

QString robotFile(const QString &name)
{
    return binDir() + QStringLiteral("/../CAD_Robots/") + name;
}

QString crayon()
{
    return binDir() + QStringLiteral("/../CAD_Tools/IRB120_Crayon.tool");
}

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QList<QByteArray> lines() const
    {
        QList<QByteArray> l = out.split('\n');
        if (!l.isEmpty() && l.last().isEmpty())
            l.removeLast();
        return l;
    }
};

Run runKin(const QStringList &args, const QByteArray &input, const QString &workDir = QString())
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program(), args);
    Run r;
    if (!p.waitForStarted(20000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    r.finished = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray jointsText(const Joints &q)
{
    QByteArray t;
    for (double v : q)
        t += ' ' + QByteArray::number(v, 'f', 6);
    return t;
}

// The numbers of one answer line: single spaces between them, each either
// fixed with six decimals or (when `integers`) a plain integer.
bool numbers(const QByteArray &line, QVector<double> &values, bool integers = false)
{
    static const QRegularExpression fixed(QStringLiteral("^-?\\d+\\.\\d{6}$"));
    static const QRegularExpression whole(QStringLiteral("^-?\\d+$"));
    values.clear();
    for (const QByteArray &token : line.split(' ')) {
        if (!(integers ? whole : fixed).match(QString::fromLatin1(token)).hasMatch())
            return false;
        bool ok = false;
        values.append(token.toDouble(&ok));
        if (!ok)
            return false;
    }
    return true;
}

struct Config
{
    Joints q{};
    bool basic = false, chosen = false, near = false;
};

struct IkAnswer
{
    int chosen = -2;
    QVector<Config> configs;
};

// Reads one ik answer starting at lines[pos]; advances pos past it.
bool parseIk(const QList<QByteArray> &lines, int &pos, IkAnswer &a)
{
    QVector<double> head;
    if (pos >= lines.size() || !numbers(lines[pos++], head, true) || head.size() != 2)
        return false;
    a.chosen = int(head[1]);
    a.configs.clear();
    for (int i = 0; i < int(head[0]); ++i) {
        if (pos >= lines.size())
            return false;
        const QList<QByteArray> fields = lines[pos++].split(' ');
        if (fields.size() != 9)
            return false;
        QVector<double> q;
        if (!numbers(fields.mid(0, 6).join(' '), q))
            return false;
        Config c;
        for (int k = 0; k < 6; ++k)
            c.q[std::size_t(k)] = q[k];
        bool flagsOk = true;
        auto flag = [&flagsOk](const QByteArray &f) {
            flagsOk = flagsOk && (f == "0" || f == "1");
            return f == "1";
        };
        c.basic = flag(fields[6]);
        c.chosen = flag(fields[7]);
        c.near = flag(fields[8]);
        if (!flagsOk)
            return false;
        a.configs.append(c);
    }
    return true;
}

double jointDistance(const Joints &a, const Joints &b)
{
    double worst = 0.0;
    for (std::size_t k = 0; k < 6; ++k)
        worst = std::max(worst, std::fabs(a[k] - b[k]));
    return worst;
}

// The same configuration with one or more axes whole turns apart.
bool turnsApart(const Joints &a, const Joints &b)
{
    bool turned = false;
    for (std::size_t k = 0; k < 6; ++k) {
        const double d = a[k] - b[k];
        const double turns = std::round(d / 360.0);
        if (std::fabs(d - 360.0 * turns) > 0.01)
            return false;
        turned = turned || turns != 0.0;
    }
    return turned;
}

// Printed TCP matrices agree: rotation within 1e-3, position within 0.05 mm.
QString matrixMismatch(const QVector<double> &got, const QVector<double> &want)
{
    if (got.size() != 16 || want.size() != 16)
        return QStringLiteral("not 16 numbers");
    for (int k = 0; k < 16; ++k) {
        const double tol = (k % 4 == 3 && k < 12) ? 0.05 : 1e-3;
        if (std::fabs(got[k] - want[k]) > tol)
            return QStringLiteral("element %1: %2 instead of %3").arg(k).arg(got[k]).arg(want[k]);
    }
    return QString();
}

QVector<double> toVector(const M &m)
{
    return QVector<double>(m.begin(), m.end());
}

// Joint values well inside the limits and away from the wrist singularity,
// so that a round trip through ik is well conditioned.
QVector<Joints> sampleJoints(const QString &robot, int count, unsigned seed)
{
    std::mt19937 gen(seed);
    auto u = [&gen](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(gen);
    };
    auto wrist = [&u](double limit) {
        const double m = u(15.0, limit);
        return u(0, 1) < 0.5 ? -m : m;
    };
    QVector<Joints> out;
    for (int i = 0; i < count; ++i) {
        Joints q{};
        if (robot == QLatin1String("UR5.xml")) {
            q = {u(-170, 170), u(-160, -20), u(20, 150), u(-170, 170), wrist(160), u(-170, 170)};
        } else if (robot == QLatin1String("Fanuc_LRMate200iD.xml")) {
            // Axis 3 of this arm is measured from the horizontal: its range
            // applies to j2 + j3.
            const double q2 = u(-50, 80);
            q = {u(-150, 150), q2, u(-40, 120) - q2, u(-170, 170), wrist(110), u(-170, 170)};
        } else {
            q = {u(-150, 150), u(-80, 90), u(-90, 50), u(-150, 150), wrist(110), u(-170, 170)};
        }
        out.append(q);
    }
    return out;
}

// A fixed batch of random joint values, the same on every machine: a
// splitmix64 stream, so that neither the library's distributions nor its
// engines decide what is asked.
class Stream
{
public:
    explicit Stream(quint64 seed) : m_state(seed) {}
    double angle(double lo, double hi)
    {
        m_state += 0x9e3779b97f4a7c15ull;
        quint64 z = m_state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        z ^= z >> 31;
        return lo + (hi - lo) * double(z >> 11) / 9007199254740992.0;
    }
    Joints joints()
    {
        Joints q{};
        for (double &v : q)
            v = angle(-180.0, 180.0);
        return q;
    }

private:
    quint64 m_state;
};

quint64 fnv1a(const QByteArray &bytes, quint64 h = 14695981039346656037ull)
{
    for (char c : bytes) {
        h ^= quint8(c);
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

class TestVelkariKin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fkAtZeroIsTheHandWorkedFlange();
    void fkAgreesWithAnIndependentChain_data();
    void fkAgreesWithAnIndependentChain();
    void toolMovesTheTcpAlongFlangeZ();
    void ikRoundTrip_data();
    void ikRoundTrip();
    void fkAndPoseLeaveTheSeedAlone();
    void poseConventions();
    void limitsOfTheIrb120();
    void malformedLinesAreAnsweredAndSkipped();
    void commentsAndBlankLinesAreIgnored();
    void numberFormsReadAlike_data();
    void numberFormsReadAlike();
    void singleCommandOnTheCommandLine();
    void bareNamesAreFoundInTheInstallation();
    void unusableInputsExitWithTwo();
    void helpText();
    void answersComeBeforeTheInputEnds();
    void largeBatchThroughThePipe();
    void answersOfAFixedBatchAreUnchanged_data();
    void answersOfAFixedBatchAreUnchanged();
    void checkContinuousJointMoves();
    void checkFindsTheWristSingularity();
    void checkPositionList();
    void checkShippedExamples();
    void checkUnreadableInputs();
    void exportAndCheckModule();
};

void TestVelkariKin::initTestCase()
{
    QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program()));
    QVERIFY(QFileInfo(robotFile(QStringLiteral("ABB_IRB120.xml"))).isFile());
    QVERIFY(QFileInfo(crayon()).isFile());
}

void TestVelkariKin::fkAtZeroIsTheHandWorkedFlange()
{
    // At zero the IRB120 stands upright: the upper arm adds 270 up, the
    // forearm offset 70 up, forearm and flange 302 + 72 forward. The flange
    // is ABB's tool0: Z forward along base X, Y along Y, X down along -Z
    // (quaternion 0.70711, 0, 0.70711, 0 on the controller).
    const QVector<double> hand{0, 0, 1, 374, 0, 1, 0, 0, -1, 0, 0, 630, 0, 0, 0, 1};
    const Run r = runKin({robotFile(QStringLiteral("ABB_IRB120.xml"))}, "fk 0 0 0 0 0 0\n");
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.lines().size(), 1);
    QVector<double> got;
    QVERIFY2(numbers(r.lines()[0], got), r.lines()[0].constData());
    for (int k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(got[k] - hand[k]) < 1e-4, qPrintable(QString::number(k)));
    // The chain computed here says the same, so the hand-worked numbers
    // and the helper below check each other.
    QVERIFY(matrixMismatch(hand, toVector(flange(kIrb120, {}))).isEmpty());
    QVERIFY(r.err.isEmpty());
}

void TestVelkariKin::fkAgreesWithAnIndependentChain_data()
{
    QTest::addColumn<QString>("robot");
    QTest::addColumn<QVector<double>>("joints");
    int n = 0;
    for (const QString &robot : {QStringLiteral("ABB_IRB120.xml"), QStringLiteral("UR5.xml")}) {
        for (const Joints &q : sampleJoints(robot, 8, 11u)) {
            QTest::addRow("%s-%d", qPrintable(robot), n++)
                << robot << QVector<double>(q.begin(), q.end());
        }
    }
    QTest::newRow("irb120-elbow") << QStringLiteral("ABB_IRB120.xml")
                                  << QVector<double>{0, 90, -90, 0, 90, 0};
}

void TestVelkariKin::fkAgreesWithAnIndependentChain()
{
    QFETCH(QString, robot);
    QFETCH(QVector<double>, joints);
    Joints q{};
    std::copy(joints.begin(), joints.end(), q.begin());
    const Run r = runKin({robotFile(robot)}, "fk" + jointsText(q) + "\n");
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.lines().size(), 1);
    QVector<double> got;
    QVERIFY2(numbers(r.lines()[0], got), r.lines()[0].constData());
    const M want = flange(robot == QLatin1String("UR5.xml") ? kUr5 : kIrb120, q);
    const QString why = matrixMismatch(got, toVector(want));
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

void TestVelkariKin::toolMovesTheTcpAlongFlangeZ()
{
    QByteArray input;
    const QVector<Joints> qs =
        sampleJoints(QStringLiteral("ABB_IRB120.xml"), 6, 23u) + QVector<Joints>{Joints{}};
    for (const Joints &q : qs)
        input += "fk" + jointsText(q) + "\n";
    const Run bare = runKin({robotFile(QStringLiteral("ABB_IRB120.xml"))}, input);
    const Run tooled = runKin(
        {robotFile(QStringLiteral("ABB_IRB120.xml")), QStringLiteral("--tool"), crayon()}, input);
    QVERIFY(bare.finished && tooled.finished);
    QCOMPARE(tooled.exitCode, 0);
    QCOMPARE(bare.lines().size(), qs.size());
    QCOMPARE(tooled.lines().size(), qs.size());
    for (int i = 0; i < qs.size(); ++i) {
        QVector<double> f, t;
        QVERIFY(numbers(bare.lines()[i], f));
        QVERIFY(numbers(tooled.lines()[i], t));
        // The crayon only moves the point: 140 mm along the flange Z axis,
        // which is the third column of the rotation.
        QVector<double> want = f;
        for (int row = 0; row < 3; ++row)
            want[4 * row + 3] = f[4 * row + 3] + 140.0 * f[4 * row + 2];
        const QString why = matrixMismatch(t, want);
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("line %1: ").arg(i) + why));
    }
    // At zero the flange Z axis is base X: the TCP is at (514, 0, 630).
    QVector<double> zero;
    QVERIFY(numbers(tooled.lines().last(), zero));
    QVERIFY(std::fabs(zero[3] - 514.0) < 1e-3 && std::fabs(zero[7]) < 1e-3 &&
            std::fabs(zero[11] - 630.0) < 1e-3);
}

void TestVelkariKin::ikRoundTrip_data()
{
    QTest::addColumn<QString>("robot");
    QTest::addColumn<bool>("withTool");
    QTest::addColumn<QVector<double>>("joints");
    QTest::newRow("irb120-hand") << QStringLiteral("ABB_IRB120.xml") << false
                                 << QVector<double>{10, -20, 30, 40, 50, 60};
    QTest::newRow("irb120-hand-tool")
        << QStringLiteral("ABB_IRB120.xml") << true << QVector<double>{10, -20, 30, 40, 50, 60};
    int n = 0;
    const QString robots[] = {QStringLiteral("ABB_IRB120.xml"),
                              QStringLiteral("Fanuc_LRMate200iD.xml"), QStringLiteral("UR5.xml")};
    for (const QString &robot : robots) {
        for (const Joints &q : sampleJoints(robot, 6, 5u)) {
            QTest::addRow("%s-%d", qPrintable(robot), n++)
                << robot << false << QVector<double>(q.begin(), q.end());
        }
    }
    for (const Joints &q : sampleJoints(QStringLiteral("ABB_IRB120.xml"), 3, 7u))
        QTest::addRow("irb120-tool-%d", n++)
            << QStringLiteral("ABB_IRB120.xml") << true << QVector<double>(q.begin(), q.end());
}

void TestVelkariKin::ikRoundTrip()
{
    QFETCH(QString, robot);
    QFETCH(bool, withTool);
    QFETCH(QVector<double>, joints);
    Joints q{};
    std::copy(joints.begin(), joints.end(), q.begin());
    QStringList args{robotFile(robot)};
    if (withTool)
        args << QStringLiteral("--tool") << crayon();

    // The matrix and the pose exactly as the program prints them.
    const Run first = runKin(args, "fk" + jointsText(q) + "\npose" + jointsText(q) + "\n");
    QVERIFY(first.finished);
    QCOMPARE(first.lines().size(), 2);
    QVector<double> matrix, pose;
    QVERIFY(numbers(first.lines()[0], matrix));
    QVERIFY(numbers(first.lines()[1], pose));
    QCOMPARE(pose.size(), 6);

    const Run second = runKin(args, "set" + jointsText(q) + "\nik " + first.lines()[0] +
                                        "\nikpose " + first.lines()[1] + "\n");
    QVERIFY(second.finished);
    QCOMPARE(second.exitCode, 0);
    const QList<QByteArray> lines = second.lines();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines[0], QByteArray("ok"));
    int pos = 1;
    IkAnswer answers[2];
    QVERIFY2(parseIk(lines, pos, answers[0]), "ik answer");
    QVERIFY2(parseIk(lines, pos, answers[1]), "ikpose answer");
    QCOMPARE(pos, lines.size());

    QByteArray feedBack;
    for (const IkAnswer &a : answers) {
        QVERIFY(!a.configs.isEmpty());
        QVERIFY(a.chosen >= 0 && a.chosen < a.configs.size());
        int chosenFlags = 0;
        bool anyBasic = false;
        for (int i = 0; i < a.configs.size(); ++i) {
            const Config &c = a.configs[i];
            chosenFlags += c.chosen ? 1 : 0;
            anyBasic = anyBasic || c.basic;
            QVERIFY(c.chosen == (i == a.chosen));
            QVERIFY(!c.near || c.chosen);
            feedBack += "fk" + jointsText(c.q) + "\n";
        }
        QCOMPARE(chosenFlags, 1);
        QVERIFY(anyBasic);
        // The other entries are basic ones with axes turned by whole turns;
        // the basic ones are distinct configurations.
        for (int i = 0; i < a.configs.size(); ++i) {
            int twins = 0;
            for (int j = 0; j < a.configs.size(); ++j)
                if (j != i && a.configs[j].basic && turnsApart(a.configs[i].q, a.configs[j].q))
                    ++twins;
            QVERIFY2(twins == (a.configs[i].basic ? 0 : 1),
                     qPrintable(QStringLiteral("entry %1").arg(i)));
        }
        // Seeded by the very joints the matrix came from, the solver must
        // choose them again, and that is no move at all.
        const Config &c = a.configs[a.chosen];
        QVERIFY2(jointDistance(c.q, q) < 0.01,
                 qPrintable(QStringLiteral("chosen %1 instead of %2")
                                .arg(QString::fromLatin1(jointsText(c.q)),
                                     QString::fromLatin1(jointsText(q)))));
        QVERIFY(c.near);
    }

    // Every configuration listed reaches the same TCP.
    const Run third = runKin(args, feedBack);
    QVERIFY(third.finished);
    QCOMPARE(third.lines().size(), answers[0].configs.size() + answers[1].configs.size());
    for (int i = 0; i < third.lines().size(); ++i) {
        QVector<double> got;
        QVERIFY(numbers(third.lines()[i], got));
        const QString why = matrixMismatch(got, matrix);
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("configuration %1: ").arg(i) + why));
    }
}

void TestVelkariKin::fkAndPoseLeaveTheSeedAlone()
{
    // A and B reach the same TCP with the wrist flipped. Whichever is current
    // is what ik chooses, so a seed moved by fk or pose would show.
    const Joints a{10, -20, 30, 40, 50, 60};
    const Joints b{10, -20, 30, -140, -50, 240};
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const Run m = runKin({robot}, "fk" + jointsText(a) + "\n");
    QCOMPARE(m.lines().size(), 1);
    const QByteArray ik = "ik " + m.lines()[0] + "\n";

    const QByteArray probe = "set" + jointsText(a) + "\nfk" + jointsText(b) + "\npose" +
                             jointsText(b) + "\n" + ik + "set" + jointsText(b) + "\n" + ik;
    const Run r = runKin({robot}, probe);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    const QList<QByteArray> lines = r.lines();
    QVERIFY(lines.size() > 4);
    QCOMPARE(lines[0], QByteArray("ok"));
    int pos = 3;
    IkAnswer afterFk, afterSet;
    QVERIFY(parseIk(lines, pos, afterFk));
    QVERIFY(pos < lines.size());
    QCOMPARE(lines[pos++], QByteArray("ok"));
    QVERIFY(parseIk(lines, pos, afterSet));
    QVERIFY(afterFk.chosen >= 0 && afterSet.chosen >= 0);
    QVERIFY(jointDistance(afterFk.configs[afterFk.chosen].q, a) < 0.01);
    QVERIFY(jointDistance(afterSet.configs[afterSet.chosen].q, b) < 0.01);
}

void TestVelkariKin::poseConventions()
{
    const Joints q{10, -20, 30, 40, 50, 60};
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const QByteArray input = "fk" + jointsText(q) + "\npose" + jointsText(q) + "\n";
    const Run byZyx = runKin({robot}, input);
    const Run byZyz = runKin({robot, QStringLiteral("--euler"), QStringLiteral("4")}, input);
    QVERIFY(byZyx.finished && byZyz.finished);
    QCOMPARE(byZyx.lines().size(), 2);
    QCOMPARE(byZyz.lines().size(), 2);
    QCOMPARE(byZyz.lines()[0], byZyx.lines()[0]); // the convention only affects poses
    QVector<double> f, p0, p4;
    QVERIFY(numbers(byZyx.lines()[0], f));
    QVERIFY(numbers(byZyx.lines()[1], p0));
    QVERIFY(numbers(byZyz.lines()[1], p4));
    M m{};
    std::copy(f.begin(), f.end(), m.begin());

    for (const QVector<double> *p : {&p0, &p4})
        for (int k = 0; k < 3; ++k)
            QVERIFY(std::fabs((*p)[k] - m[std::size_t(4 * k + 3)]) < 1e-3);

    // Convention 0: Rz(A) Ry(B) Rx(C) rebuilds the rotation.
    M r0 = mul(mul(rotZ(p0[3]), rotY(p0[4])), rotX(p0[5]));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            QVERIFY(std::fabs(r0[std::size_t(4 * row + col)] - m[std::size_t(4 * row + col)]) <
                    1e-4);

    // Convention 4: the Z-Y'-Z'' angles extracted here.
    const std::array<double, 3> want = zyz(m);
    for (int k = 0; k < 3; ++k)
        QVERIFY2(std::fabs(p4[3 + k] - want[std::size_t(k)]) < 1e-3,
                 qPrintable(QStringLiteral("angle %1: %2 instead of %3")
                                .arg(k)
                                .arg(p4[3 + k])
                                .arg(want[std::size_t(k)])));
    QVERIFY(std::fabs(p4[3] - p0[3]) > 1.0); // the two really differ here
}

void TestVelkariKin::limitsOfTheIrb120()
{
    const Run r = runKin({robotFile(QStringLiteral("ABB_IRB120.xml"))}, "limits\n");
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("-165 165 -110 110 -110 70 -160 160 -120 120 -400 400\n"));
}

void TestVelkariKin::malformedLinesAreAnsweredAndSkipped()
{
    const QByteArray input = "frobnicate 1 2 3\n"
                             "limits\n"
                             "fk 1 2 3\n"
                             "fk 0 0 0 0 0 0 0\n"
                             "fk 0 0 0 0 0 x\n"
                             "fk 0 0 0 0 0 1,5\n"
                             "fk 0 0 0 0 0 nan\n"
                             "fk 0 0 0 0 0 inf\n"
                             "fk 0 0 0 0 0 1e400\n"
                             "set 0 0 0 0 0 1e39\n"
                             "limits now\n"
                             "ik 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0\n"
                             "ik 1 0 0 0 0 1 0 0 0 0 -1 0 0 0 0 1\n" // a mirror image
                             "ik 2 0 0 0 0 2 0 0 0 0 2 0 0 0 0 1\n"  // scaled
                             "FK 0 0 0 0 0 0\n"
                             "fk +0 0 0 0 0 0\n";
    const Run r = runKin({robotFile(QStringLiteral("ABB_IRB120.xml"))}, input);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    const QList<QByteArray> lines = r.lines();
    QCOMPARE(lines.size(), 16);
    const QByteArray limits = "-165 165 -110 110 -110 70 -160 160 -120 120 -400 400";
    for (int i : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})
        QVERIFY2(lines[i].startsWith("error: "),
                 qPrintable(QStringLiteral("line %1: ").arg(i) + QString::fromLatin1(lines[i])));
    QCOMPARE(lines[1], limits);
    QVector<double> f;
    QVERIFY(numbers(lines[15], f));
    QVERIFY(std::fabs(f[3] - 374.0) < 1e-3);
    QVERIFY(lines[0].contains("frobnicate"));
    QVERIFY(lines[2].contains("6")); // how many values fk wants
    QVERIFY(r.err.isEmpty());
}

void TestVelkariKin::commentsAndBlankLinesAreIgnored()
{
    const QByteArray input = "# a comment\n"
                             "\n"
                             "   \n"
                             "  # an indented comment\n"
                             "limits\r\n" // written on Windows
                             "\t\n"
                             "fk 0 0 0 0 0 0"; // no final newline
    const Run r = runKin({robotFile(QStringLiteral("ABB_IRB120.xml"))}, input);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.lines().size(), 2);
    QCOMPARE(r.lines()[0], QByteArray("-165 165 -110 110 -110 70 -160 160 -120 120 -400 400"));
    QVERIFY(r.lines()[1].contains(" 374.000000 "));
}

void TestVelkariKin::numberFormsReadAlike_data()
{
    // Each row writes 10, -20, 30.5, 40, 50.123456, -60.25 another way; the
    // answers must be those of the plain text to the last digit.
    QTest::addColumn<QByteArray>("joints");
    QTest::newRow("signs and exponents")
        << QByteArray("+10 -2e1 3.05e1 +40.0 5.0123456e1 -6025e-2");
    QTest::newRow("leading and trailing zeros")
        << QByteArray("010. -020.000000 30.500000000000000000000 0000040 50.1234560000 -60.2500");
    QTest::newRow("no whole digits") << QByteArray("10 -20 30.5 40 50.123456 -.6025e2");
    QTest::newRow("more digits than a double holds")
        << QByteArray("10.000000000000000000001 -19.99999999999999999999 30.5 40 "
                      "50.12345600000000000000001 -60.25");
}

void TestVelkariKin::numberFormsReadAlike()
{
    QFETCH(QByteArray, joints);
    const QByteArray plain = "10 -20 30.5 40 50.123456 -60.25";
    const QStringList args{robotFile(QStringLiteral("ABB_IRB120.xml"))};
    const Run expected = runKin(args, "fk " + plain + "\npose " + plain + "\n");
    const Run r = runKin(args, "fk " + joints + "\npose " + joints + "\n");
    QVERIFY(expected.finished && r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(expected.lines().size(), 2);
    QCOMPARE(r.lines(), expected.lines());
}

void TestVelkariKin::singleCommandOnTheCommandLine()
{
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const Run piped = runKin({robot}, "fk 10 -20 30 40 50 60\n");
    // Standard input is not read when the command is on the command line.
    const Run direct = runKin({robot, QStringLiteral("fk"), QStringLiteral("10"),
                               QStringLiteral("-20"), QStringLiteral("30"), QStringLiteral("40"),
                               QStringLiteral("50"), QStringLiteral("60")},
                              "limits\n");
    QVERIFY(piped.finished && direct.finished);
    QCOMPARE(direct.exitCode, 0);
    QCOMPARE(direct.lines().size(), 1);
    QCOMPARE(direct.out, piped.out);

    const Run quoted = runKin({robot, QStringLiteral("--euler"), QStringLiteral("4"),
                               QStringLiteral("pose 10 -20 30 40 50 60")},
                              QByteArray());
    const Run pipedZyz = runKin({robot, QStringLiteral("--euler=4")}, "pose 10 -20 30 40 50 60\n");
    QCOMPARE(quoted.exitCode, 0);
    QCOMPARE(quoted.out, pipedZyz.out);

    const Run wrong = runKin({robot, QStringLiteral("fk"), QStringLiteral("1")}, QByteArray());
    QVERIFY(wrong.finished);
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY(wrong.out.startsWith("error: "));
}

void TestVelkariKin::bareNamesAreFoundInTheInstallation()
{
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const Run r = runKin({QStringLiteral("ABB_IRB120.xml"), QStringLiteral("--tool"),
                          QStringLiteral("IRB120_Crayon.tool"), QStringLiteral("fk 0 0 0 0 0 0")},
                         QByteArray(), elsewhere.path());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(" 514.000000 "), r.out.constData());
}

void TestVelkariKin::unusableInputsExitWithTwo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const QString notXml = dir.filePath(QStringLiteral("notes.xml"));
    {
        QFile f(notXml);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("these are not the joints you are looking for\n");
    }
    const QList<QStringList> cases{
        {dir.filePath(QStringLiteral("missing.xml"))},
        {notXml},
        {},
        {robot, QStringLiteral("--euler"), QStringLiteral("5")},
        {robot, QStringLiteral("--euler"), QStringLiteral("x")},
        {robot, QStringLiteral("--euler")},
        {robot, QStringLiteral("--tool"), dir.filePath(QStringLiteral("missing.tool"))},
        {robot, QStringLiteral("--frobnicate")},
    };
    for (const QStringList &args : cases) {
        const Run r = runKin(args, "limits\n");
        const QString what = args.join(QLatin1Char(' '));
        QVERIFY2(r.finished, qPrintable(what));
        QVERIFY2(r.exitCode == 2, qPrintable(what));
        QVERIFY2(r.out.isEmpty(), qPrintable(what));
        QVERIFY2(r.err.startsWith("velkari-kin: "), qPrintable(what));
    }
    // Without a robot the usage goes with the complaint.
    QVERIFY(runKin({}, QByteArray()).err.contains("Usage: velkari-kin ROBOT.xml"));
}

namespace {
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content);
} // namespace

void TestVelkariKin::helpText()
{
    const Run r = runKin({QStringLiteral("--help")}, QByteArray());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("Usage: velkari-kin ROBOT.xml"));
    for (const char *word : {"set ", "fk ", "pose ", "ik ", "ikpose ", "limits", "--euler",
                             "--tool", "check ", "--path"})
        QVERIFY2(r.out.contains(word), word);
    QVERIFY(r.err.isEmpty());

    // The sequence formats are described with every program code and the
    // units, and the examples in the help text and on the help page are
    // real sequences: they check clean on the IRB120.
    for (const char *word :
         {"\n    1 J1", "\n    2 J1", "(3 is the same)", "\n    9 J1", "\n    5 X Y Z",
          "\n    4 X Y Z", "4.01 to 4.99", "1000", "degrees", "millimetres", "radians"})
        QVERIFY2(r.out.contains(word), word);
    QStringList examples;
    const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].trimmed().startsWith(QStringLiteral("Example")) &&
            !lines[i].endsWith(QStringLiteral("Example:")) &&
            !lines[i].endsWith(QStringLiteral("placed):")))
            continue;
        QString text;
        for (int k = i + 1; k < lines.size() && lines[k].startsWith(QStringLiteral("    ")); ++k)
            text += lines[k].trimmed() + QLatin1Char('\n');
        examples << text;
    }
    QFile page(binDir() + QStringLiteral("/../Help/index.html"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(QStringLiteral("<h2>Sequence files</h2>")));
    const QRegularExpression pre(QStringLiteral("<pre class=\"example\">([^<]*)</pre>"));
    for (auto it = pre.globalMatch(html); it.hasNext();)
        examples << it.next().captured(1);
    QCOMPARE(examples.size(), 4);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (int i = 0; i < examples.size(); ++i) {
        QVERIFY2(!examples[i].isEmpty(), qPrintable(QString::number(i)));
        const QString file =
            writeFile(dir, QStringLiteral("ex%1.sim").arg(i), examples[i].toUtf8());
        const Run c =
            runKin({robotFile(QStringLiteral("ABB_IRB120.xml")), QStringLiteral("check"), file},
                   QByteArray());
        QVERIFY2(c.exitCode == 0 && c.out.endsWith(" problems 0\n"),
                 qPrintable(examples[i] + QString::fromUtf8(c.out + c.err)));
    }
    QCOMPARE(examples[0], examples[2]); // the page and the tool show the same examples
    QCOMPARE(examples[1], examples[3]);
}

void TestVelkariKin::answersComeBeforeTheInputEnds()
{
    // A script that asks one question and waits for the answer before the
    // next must not wait forever on a buffered answer.
    QProcess p;
    p.start(program(), {robotFile(QStringLiteral("ABB_IRB120.xml"))});
    QVERIFY(p.waitForStarted(20000));
    QByteArray got;
    p.write("limits\n");
    QElapsedTimer t;
    t.start();
    while (!got.contains('\n') && t.elapsed() < 20000 && p.waitForReadyRead(20000))
        got += p.readAllStandardOutput();
    QCOMPARE(got, QByteArray("-165 165 -110 110 -110 70 -160 160 -120 120 -400 400\n"));
    got.clear();
    p.write("fk 0 0 0 0 0 0\n");
    while (!got.contains('\n') && t.elapsed() < 40000 && p.waitForReadyRead(20000))
        got += p.readAllStandardOutput();
    QVERIFY2(got.contains(" 374.000000 "), got.constData());
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
}

void TestVelkariKin::largeBatchThroughThePipe()
{
    constexpr int kLines = 100000;
    std::mt19937 gen(3u);
    std::uniform_real_distribution<double> angle(-100.0, 100.0);
    QByteArray input;
    input.reserve(kLines * 64);
    Joints last{};
    for (int i = 0; i < kLines; ++i) {
        for (double &v : last)
            v = angle(gen);
        input += "fk" + jointsText(last) + "\n";
    }
    QElapsedTimer timer;
    timer.start();
    const Run r = runKin({robotFile(QStringLiteral("ABB_IRB120.xml"))}, input);
    const qint64 ms = timer.elapsed();
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n'), kLines);
    // A generous bound: a healthy build needs well under a second.
    QVERIFY2(ms < 60000, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    // The answers are still in step with the questions at the very end.
    QVector<double> got;
    QVERIFY(numbers(r.lines().last(), got));
    const QString why = matrixMismatch(got, toVector(flange(kIrb120, last)));
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QVERIFY(r.err.isEmpty());
    qInfo("%d fk lines in %lld ms", kLines, ms);
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
    Stream stream(20261207u);
    QByteArray questions;
    for (int i = 0; i < kPoses; ++i) {
        const Joints q = stream.joints();
        questions += "fk" + jointsText(q) + "\n";
        if (i % 10 == 0)
            questions += "pose" + jointsText(q) + "\n";
    }
    const Run forward = runKin({robotFile(robot)}, questions);
    QVERIFY(forward.finished);
    QCOMPARE(forward.exitCode, 0);
    QByteArray solves;
    int i = 0;
    for (const QByteArray &line : forward.lines()) {
        if (line.count(' ') != 15)
            continue; // a pose answer
        if (i++ % 5 == 0)
            solves += "set" + jointsText(stream.joints()) + "\n";
        solves += "ik " + line + "\n";
    }
    QCOMPARE(i, kPoses);
    const Run inverse = runKin({robotFile(robot)}, solves);
    QVERIFY(inverse.finished);
    QCOMPARE(inverse.exitCode, 0);
    const QList<QByteArray> lines = inverse.lines();
    QVERIFY(lines.size() > 5000);
    const QByteArray got = robot.toLatin1() + ' ' + QByteArray::number(lines.size()) + ' ' +
                           QByteArray::number(fnv1a(inverse.out, fnv1a(forward.out)), 16) + ' ' +
                           lines[5000];
    // The whole line on failure: it is what the file would have to say.
    QVERIFY2(got == expected, got.constData());
}

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(content);
    return path;
}

// A straight line of the flange along Y through the point where the wrist
// is straight (joint 5 at 0), as a program.
const QByteArray kSingularLine = "1 -26.413073 7.611192 -8.062915 89.090614 26.416658 -88.984619\n"
                                 "2 26.413073 7.611192 -8.062915 -89.090614 26.416658 88.984612\n";

} // namespace

void TestVelkariKin::checkContinuousJointMoves()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The file name has a blank in it.
    const QString file =
        writeFile(dir, QStringLiteral("two moves.sim"), "1 0 0 0 0 30 0\r\n1 10 0 0 0 30 0\r\n");
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const Run r = runKin({robot, QStringLiteral("check"), file}, QByteArray());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    // Two positions for the first move (already there), 5 for 10 degrees.
    QCOMPARE(r.out, QByteArray("positions 7 problems 0\n"));
    QVERIFY(r.err.isEmpty());

    const Run p =
        runKin({robot, QStringLiteral("check"), file, QStringLiteral("--path")}, QByteArray());
    QCOMPARE(p.exitCode, 0);
    const QList<QByteArray> lines = p.lines();
    QCOMPARE(lines.size(), 1 + 7);
    const double axis1[7] = {0, 0, 0, 2.5, 5, 7.5, 10};
    for (int k = 0; k < 7; ++k) {
        QList<QByteArray> f = lines[1 + k].split(' ');
        QCOMPARE(f.size(), 8);
        QCOMPARE(f.last(), QByteArray("0"));
        f.removeLast();
        QVector<double> v;
        QVERIFY2(numbers(f.join(' '), v), lines[1 + k].constData());
        QCOMPARE(v[0], 1.0);
        QCOMPARE(v[1], axis1[k]);
        QCOMPARE(v[5], 30.0);
    }
}

void TestVelkariKin::checkFindsTheWristSingularity()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = writeFile(dir, QStringLiteral("line.sim"), kSingularLine);
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const Run r =
        runKin({robot, QStringLiteral("check"), QStringLiteral("--path"), file}, QByteArray());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 3);
    const QList<QByteArray> lines = r.lines();
    const QList<QByteArray> head = lines.value(0).split(' ');
    QCOMPARE(head.size(), 4);
    QCOMPARE(head[0], QByteArray("positions"));
    QCOMPARE(head[2], QByteArray("problems"));
    QCOMPARE(head[3], QByteArray("1"));
    const int positions = head[1].toInt();
    // 300 mm in 2 mm steps would be 151 positions after the 2 of the joint
    // move; the line stops where joint 5 comes within 3 degrees of 0.
    QVERIFY(positions > 2 + 50 && positions < 2 + 151);
    const QByteArray problem = lines.value(1);
    const QByteArray stop = QByteArray::number(positions);
    QVERIFY2(problem == stop + " 1 1000 Joint 5 is close to 0 deg." ||
                 problem == stop + " 1 1100 Joint 5 crosses 0 deg.",
             problem.constData());
    QCOMPARE(lines.size(), 2 + positions);
    // The path's last position is the flagged one, its joint 5 near 0.
    QList<QByteArray> last = lines.last().split(' ');
    QCOMPARE(last.size(), 8);
    QCOMPARE(last[7], problem.split(' ')[2]);
    QVERIFY(std::fabs(last[5].toDouble()) < 3.0);
    // Its flange lies on the line, computed here.
    Joints q{};
    for (int k = 0; k < 6; ++k)
        q[std::size_t(k)] = last[1 + k].toDouble();
    const M f = flange(kIrb120, q);
    QVERIFY(std::fabs(f[3] - 374) < 0.01 && std::fabs(f[11] - 630) < 0.01);
    QVERIFY(f[7] > -17 && f[7] < 0);

    // A first code of 1000 switches the simulator's report off, not the check.
    const QString quiet =
        writeFile(dir, QStringLiteral("quiet.sim"), "1000 0 0 0 0 0 0\n" + kSingularLine);
    const Run q2 = runKin({robot, QStringLiteral("check"), quiet}, QByteArray());
    QCOMPARE(q2.exitCode, 3);
    QVERIFY(q2.out.startsWith("positions " + QByteArray::number(positions) + " problems 1\n"));
}

void TestVelkariKin::checkPositionList()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Positions play as they stand once they are within the limits.
    const QString file =
        writeFile(dir, QStringLiteral("list.csv"), "1,2,3,4,5,6\n0,0,0,0,0,0\n150,0,0,0,0,0\n");
    const Run r = runKin({robotFile(QStringLiteral("ABB_IRB120.xml")), QStringLiteral("check"),
                          file, QStringLiteral("--path")},
                         QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("positions 3 problems 0\n"
                               "1.000000 1.000000 2.000000 3.000000 4.000000 5.000000 6.000000 0\n"
                               "1.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0\n"
                               "1.000000 150.000000 0.000000 0.000000 0.000000 0.000000 0.000000 "
                               "0\n"));
    // Outside the IRB120's limits (axis 3 -110..70, axis 1 +-165, axis 6
    // +-400): each such position is a problem naming its first axis.
    const QString wide = writeFile(dir, QStringLiteral("wide.sim"),
                                   "0 0 0 0 30 0\n0 0 70.5 0 30 0\n-166 0 0 0 0 401\n"
                                   "0 0 -110 0 0 400\n");
    const Run w = runKin(
        {robotFile(QStringLiteral("ABB_IRB120.xml")), QStringLiteral("check"), wide}, QByteArray());
    QCOMPARE(w.exitCode, 3);
    QCOMPARE(w.out, QByteArray("positions 4 problems 2\n"
                               "2 1 100000 Joint 3 is outside its limits.\n"
                               "3 2 100000 Joint 1 is outside its limits.\n"));
}

void TestVelkariKin::checkShippedExamples()
{
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const QString sims = binDir() + QStringLiteral("/../Simulations/");
    const Run drawing = runKin(
        {robot, QStringLiteral("check"), sims + QStringLiteral("drawing.sim")}, QByteArray());
    QCOMPARE(drawing.exitCode, 0);
    QVERIFY(drawing.out.endsWith(" problems 0\n"));
    const Run singular = runKin(
        {robot, QStringLiteral("check"), sims + QStringLiteral("singularity.sim")}, QByteArray());
    QCOMPARE(singular.exitCode, 3);
    QVERIFY(singular.out.contains(" problems 1\n"));
    QVERIFY(singular.out.contains("Joint 5 "));
}

void TestVelkariKin::checkUnreadableInputs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const QString good = writeFile(dir, QStringLiteral("good.sim"), "1 0 0 0 0 30 0\n");
    const QString words = writeFile(dir, QStringLiteral("words.sim"), "no numbers here\n1;2;3\n");
    const QString empty = writeFile(dir, QStringLiteral("empty.sim"), QByteArray());
    // A comment or a header first would be played as a joint position.
    const QString header = writeFile(dir, QStringLiteral("header.sim"),
                                     "\n# drawing program\n5 0 0 140 0 0 0\n1 0 0 0 0 30 0\n");
    const QList<QStringList> cases{
        {robot, QStringLiteral("check"), dir.filePath(QStringLiteral("missing.sim"))},
        {robot, QStringLiteral("check"), words},
        {robot, QStringLiteral("check"), empty},
        {robot, QStringLiteral("check"), header},
        {robot, QStringLiteral("check"), dir.path()},
        {robot, QStringLiteral("check")},
        {robot, QStringLiteral("check"), good, QStringLiteral("extra")},
        {dir.filePath(QStringLiteral("missing.xml")), QStringLiteral("check"), good},
    };
    for (const QStringList &args : cases) {
        const Run r = runKin(args, QByteArray());
        const QString what = args.join(QLatin1Char(' '));
        QVERIFY2(r.finished, qPrintable(what));
        QVERIFY2(r.exitCode == 2, qPrintable(what + QStringLiteral(": %1").arg(r.exitCode)));
        QVERIFY2(r.out.isEmpty(), qPrintable(what));
        QVERIFY2(r.err.startsWith("velkari-kin: "), qPrintable(what));
    }
    const Run h = runKin({robot, QStringLiteral("check"), header}, QByteArray());
    QVERIFY2(h.err.contains("line 2 is not a list of"), h.err.constData());
    // Numbers too large for a path: the instruction is skipped and said so.
    const QString wild =
        writeFile(dir, QStringLiteral("wild.sim"), "1 0 0 0 0 30 0\n2 nan 0 0 0 30 0\n");
    const Run r = runKin({robot, QStringLiteral("check"), wild}, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("positions 2 problems 0\n"));
    QVERIFY2(r.err.contains("line 2"), r.err.constData());
}

// A program out as a RAPID module and the module checked again: the problem
// is found on the module line of the instruction written for its program line.
void TestVelkariKin::exportAndCheckModule()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString robot = robotFile(QStringLiteral("ABB_IRB120.xml"));
    const QString sims = binDir() + QStringLiteral("/../Simulations/");
    const Run drawing = runKin({robot, QStringLiteral("--tool"), crayon(), QStringLiteral("export"),
                                sims + QStringLiteral("drawing.sim"), QStringLiteral("--name"),
                                QStringLiteral("Drawing")},
                               QByteArray());
    QCOMPARE(drawing.exitCode, 0);
    QVERIFY(drawing.out.startsWith("MODULE Drawing\n"));
    QVERIFY(drawing.out.endsWith("fine, tool1\\WObj:=wobj1;\n    ENDPROC\nENDMODULE\n"));
    QCOMPARE(drawing.out.count("MoveC "), 2);
    const QString drawingMod = writeFile(dir, QStringLiteral("drawing.mod"), drawing.out);
    const Run check = runKin({robot, QStringLiteral("check"), drawingMod}, QByteArray());
    QCOMPARE(check.exitCode, 0);
    QVERIFY2(check.out.startsWith("positions ") && check.out.endsWith(" problems 0\n"),
             check.out.constData());
    QVERIFY(check.err.isEmpty());

    const Run singular = runKin({robot, QStringLiteral("export"),
                                 sims + QStringLiteral("singularity.sim"), QStringLiteral("--zone"),
                                 QStringLiteral("z1")},
                                QByteArray());
    QCOMPARE(singular.exitCode, 3);
    QVERIFY2(singular.err.contains("position 72 (program line 3): Joint 5 is close to 0 deg."),
             singular.err.constData());
    QVERIFY(singular.out.contains("MoveL p3, v100, z1, tool2\\WObj:=wobj1;"));
    const QString singularMod = writeFile(dir, QStringLiteral("singular.mod"), singular.out);
    const int moveLine = singular.out.left(singular.out.indexOf("MoveL p3")).count('\n') + 1;
    const Run found = runKin({robot, QStringLiteral("check"), singularMod, QStringLiteral("--path")},
                             QByteArray());
    QCOMPARE(found.exitCode, 3);
    QCOMPARE(found.lines().value(1), QByteArray("72 ") + QByteArray::number(moveLine) +
                                         " 1000 Joint 5 is close to 0 deg.");
    QCOMPARE(found.lines().size(), 2 + 103);

    const Run missing = runKin({robot, QStringLiteral("check"), singularMod, QStringLiteral("--proc"),
                                QStringLiteral("Other")},
                               QByteArray());
    QCOMPARE(missing.exitCode, 2);
    QVERIFY(missing.out.isEmpty());
    QVERIFY2(missing.err.contains("the module has no procedure Other"), missing.err.constData());
}

QTEST_GUILESS_MAIN(TestVelkariKin)
#include "tst_velkari_kin.moc"
