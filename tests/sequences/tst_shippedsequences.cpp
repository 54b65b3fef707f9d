// The example sequences in Simulations/ as a user gets them: each has its
// companion station in the station format, the joint list stays within the
// robot's limits, the drawing program is continuous and its pen draws the
// square and the circle on the table top, and the singularity program is
// reported where its line meets the wrist singularity.
#include "models/datadirs.h"
#include "seqsupport.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <QDir>
#include <QtTest>
#include <cmath>

using sequences::PathAnalyser;

namespace {

struct Station
{
    QString robot, tool;
    ref::M placement{};
    QStringList objects;
};

// Reads the records this test needs, and fails on anything malformed.
bool readStation(const QString &path, Station &s, QString &why)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot open ") + path;
        return false;
    }
    const QString text = QString::fromUtf8(f.readAll());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.value(0) != QLatin1String("#OPTIONS#1#0#")) {
        why = QStringLiteral("options record: ") + lines.value(0);
        return false;
    }
    auto fixed6 = [](const QString &t) {
        static const QRegularExpression re(QStringLiteral("^-?\\d+\\.\\d{6}$"));
        return re.match(t).hasMatch();
    };
    int robots = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char('#'));
        if (f.value(1) == QLatin1String("ROBOT")) {
            if (f.size() != 29 || !f.last().isEmpty()) {
                why = QStringLiteral("robot record has %1 fields").arg(f.size());
                return false;
            }
            s.robot = DataDirs::resolveStoredPath(f[2]);
            s.tool = DataDirs::resolveStoredPath(f[3]);
            if (f[5] != QLatin1String("1")) {
                why = QStringLiteral("robot not visible");
                return false;
            }
            for (int k = 6; k < 28; ++k) {
                if (!fixed6(f[k])) {
                    why = QStringLiteral("robot field %1: %2").arg(k).arg(f[k]);
                    return false;
                }
            }
            for (int k = 0; k < 16; ++k)
                s.placement[std::size_t(k)] = f[12 + k].toDouble();
            ++robots;
        } else if (f.value(1) == QLatin1String("OBJECT")) {
            if (f.size() != 24 || !f.last().isEmpty()) {
                why = QStringLiteral("object record has %1 fields").arg(f.size());
                return false;
            }
            for (int k = 7; k < 23; ++k) {
                if (!fixed6(f[k])) {
                    why = QStringLiteral("object field %1: %2").arg(k).arg(f[k]);
                    return false;
                }
            }
            s.objects << DataDirs::resolveStoredPath(f[2]);
        } else {
            why = QStringLiteral("unknown record: ") + lines[i];
            return false;
        }
    }
    if (robots != 1) {
        why = QStringLiteral("%1 robot records").arg(robots);
        return false;
    }
    return true;
}

sequences::ParsedText readSequence(const QString &name)
{
    const auto file = sequences::readSequenceFile(DataDirs::simulationDir() + name);
    return sequences::parseText(file.text);
}

std::vector<sequences::ProgramLine> programOf(const sequences::ParsedText &p)
{
    std::vector<sequences::ProgramLine> program;
    for (const auto &n : p.nodes) {
        sequences::ProgramLine l;
        l.code = n.values[0];
        for (std::size_t k = 0; k < 6; ++k)
            l.operands[k] = n.values[k + 1];
        program.push_back(l);
    }
    return program;
}

} // namespace

class TestShippedSequences : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everySequenceHasItsStation();
    void jointListWithinTheLimits();
    void drawingIsContinuousAndOnTheTable();
    void singularityIsReported();

private:
    Robot robot;
    Station drawingStation;
};

void TestShippedSequences::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    QString why;
    QVERIFY2(readStation(DataDirs::simulationDir() + QStringLiteral("drawing.sim.vks"),
                         drawingStation, why),
             qPrintable(why));
    QCOMPARE(robot.loadData(QFile::encodeName(drawingStation.robot).constData()), 0);
}

void TestShippedSequences::everySequenceHasItsStation()
{
    const QStringList sims =
        QDir(DataDirs::simulationDir()).entryList({QStringLiteral("*.sim")}, QDir::Files);
    QVERIFY(sims.contains(QStringLiteral("joints.sim")));
    QVERIFY(sims.contains(QStringLiteral("drawing.sim")));
    QVERIFY(sims.contains(QStringLiteral("singularity.sim")));
    for (const QString &sim : sims) {
        Station s;
        QString why;
        QVERIFY2(readStation(DataDirs::simulationDir() + sim + QStringLiteral(".vks"), s, why),
                 qPrintable(sim + QStringLiteral(": ") + why));
        QVERIFY2(QFileInfo(s.robot).isFile(), qPrintable(s.robot));
        QVERIFY(s.robot.endsWith(QLatin1String("/CAD_Robots/ABB_IRB120.xml")));
        QVERIFY2(QFileInfo(s.tool).isFile(), qPrintable(s.tool));
        QVERIFY(s.tool.endsWith(QLatin1String("/CAD_Tools/IRB120_Crayon.tool")));
        QVERIFY(s.objects.contains(DataDirs::objectDir() + QStringLiteral("table.stl")));
        for (const QString &o : s.objects)
            QVERIFY2(QFileInfo(o).isFile(), qPrintable(o));
        // The robot stands on the table top (z = 750) without turning.
        QCOMPARE(s.placement[11], 750.0);
        QCOMPARE(s.placement[0], 1.0);
        QCOMPARE(s.placement[5], 1.0);
        QCOMPARE(s.placement[10], 1.0);
        QVERIFY(!readSequence(sim).nodes.empty());
    }
}

void TestShippedSequences::jointListWithinTheLimits()
{
    const auto p = readSequence(QStringLiteral("joints.sim"));
    QVERIFY(!p.program);
    QCOMPARE(p.nodes.size(), std::size_t(120));
    // The IRB120's travel, from its data sheet.
    const float lo[6] = {-165, -110, -110, -160, -120, -400};
    const float hi[6] = {165, 110, 70, 160, 120, 400};
    for (const auto &n : p.nodes) {
        for (int k = 0; k < 6; ++k) {
            QVERIFY(n.values[std::size_t(k)] >= lo[k]);
            QVERIFY(n.values[std::size_t(k)] <= hi[k]);
        }
        QVERIFY(std::fabs(n.values[4]) > 3.0f);
    }
}

void TestShippedSequences::drawingIsContinuousAndOnTheTable()
{
    const auto p = readSequence(QStringLiteral("drawing.sim"));
    QVERIFY(p.program);
    PathAnalyser an(robot);
    const auto r = an.analyse(programOf(p));
    QVERIFY(r.reportOn);
    QVERIFY(r.rejected.empty());
    QVERIFY(PathAnalyser::problems(r).empty());
    // The pen: a tool change 140 mm along the flange's Z axis comes first.
    QCOMPARE(r.path.front().type, 5.0f);
    QCOMPARE(r.path.front().joints, (std::array<float, 6>{0, 0, 140, 0, 0, 0}));

    // Pen tips in the scene, computed here: placement, chain, pen.
    const ref::M pen = ref::trans(0, 0, 140);
    int onTable = 0, onSquare = 0, onCircle = 0;
    bool circleCentreSeen[4] = {false, false, false, false};
    for (const auto &pos : r.path) {
        if (pos.type != 1.0f)
            continue;
        const ref::M tip =
            ref::mul(ref::mul(drawingStation.placement, seqtest::flange(pos.joints)), pen);
        const double x = tip[3], y = tip[7], z = tip[11];
        QVERIFY2(z > 750.0 - 0.05,
                 qPrintable(QStringLiteral("the pen goes into the table: %1").arg(z)));
        QVERIFY(std::fabs(x) < 600 && std::fabs(y) < 400);
        if (z > 750.0 + 0.05)
            continue;
        ++onTable;
        // The pen points straight down while it draws.
        QVERIFY(std::fabs(tip[10] + 1.0) < 1e-4);
        // The square: x from -100 to 50, y from -75 to 75 in the scene.
        const bool square =
            ((std::fabs(x + 100) < 0.05 || std::fabs(x - 50) < 0.05) && std::fabs(y) <= 75.05) ||
            ((std::fabs(y + 75) < 0.05 || std::fabs(y - 75) < 0.05) && x >= -100.05 && x <= 50.05);
        // The circle: radius 50 about (-25, 0).
        const double rc = std::hypot(x + 25, y);
        const bool circle = std::fabs(rc - 50) < 0.05;
        QVERIFY2(square || circle,
                 qPrintable(QStringLiteral("stray mark at %1, %2").arg(x).arg(y)));
        onSquare += square;
        onCircle += circle;
        if (circle) {
            const double a = std::atan2(y, x + 25) * 180 / M_PI;
            for (int q = 0; q < 4; ++q)
                if (std::fabs(a - (-180 + 90 * q + 45)) < 10)
                    circleCentreSeen[q] = true;
        }
    }
    // 600 mm of square and 314 mm of circle, a position every 2 mm at most.
    QVERIFY2(onSquare >= 300, qPrintable(QString::number(onSquare)));
    QVERIFY2(onCircle >= 157, qPrintable(QString::number(onCircle)));
    QVERIFY(onTable >= onSquare);
    // The whole circle is drawn, all four quarters.
    for (bool seen : circleCentreSeen)
        QVERIFY(seen);
}

void TestShippedSequences::singularityIsReported()
{
    const auto p = readSequence(QStringLiteral("singularity.sim"));
    QVERIFY(p.program);
    PathAnalyser an(robot);
    const auto r = an.analyse(programOf(p));
    const auto problems = PathAnalyser::problems(r);
    QCOMPARE(problems.size(), std::size_t(1));
    QVERIFY(problems[0].code == 1000 || problems[0].code == 1100);
    // On the straight line (program line 2), with the wrist nearly straight.
    QCOMPARE(problems[0].pathId, 2);
    const auto &stop = r.path[std::size_t(problems[0].position - 1)];
    QVERIFY(std::fabs(stop.joints[4]) < 3.0f);
    QVERIFY(PathAnalyser::reportHtml(problems).contains(QStringLiteral("continuous = 1<br>")));
}

QTEST_GUILESS_MAIN(TestShippedSequences)
#include "tst_shippedsequences.moc"
