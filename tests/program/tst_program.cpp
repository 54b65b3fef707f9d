// The program editor's model on the shipped IRB120: every edit against the
// program a user expects (written out by hand), undo giving back the same
// file byte for byte, refusals that leave everything as it was, speed and
// zone through a file and a RAPID module, the shipped sequences read as the
// player reads them, and the analysis' problems on the lines that make them.
#include "models/datadirs.h"
#include "program/program.h"
#include "rapid/rapidmodule.h"
#include "sequences/programtext.h"
#include "sequences/sequenceparser.h"
#include "support/programs.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace seqtest;
using program::Field;
using program::Kind;
using sequences::ProgramLine;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

ProgramLine timed(double code, double first, double speed = 0.0, double zone = sequences::kNoZone)
{
    ProgramLine l = line(code, {first, 0, 30, 0, 45, 0});
    l.speed = speed;
    l.zone = zone;
    return l;
}

// Code, first operand, speed and zone of every line: what the user sees in
// the table, short enough to write out.
QString signature(const program::Program &p)
{
    QStringList out;
    for (const ProgramLine &l : p.lines()) {
        QString s = QString::number(l.code) + QLatin1Char(':') + QString::number(l.operands[0]);
        if (l.speed > 0.0)
            s += QStringLiteral(":v") + QString::number(l.speed);
        if (l.zone == sequences::kFineZone)
            s += QStringLiteral(":fine");
        else if (l.zone >= 0.0)
            s += QStringLiteral(":z") + QString::number(l.zone);
        out << s;
    }
    return out.join(QLatin1Char(' '));
}

const char *kBase = "5:0 1:10:v50 2:20:v200:z5 9:30 0:40:fine 2:50";

enum Edit
{
    RecordJoint,
    RecordCircleTop,
    RecordToolEnd,
    TouchUp,
    Delete,
    Duplicate,
    MoveUp,
    MoveDown,
    Drag,
    DragToEnd,
    KindLinear,
    TypeJoint,
    TypeSpeed,
    SpeedZone,
    ZoneNone,
    TypeLetters,
    TypeBeyondLimit,
    TypeBelowLimit,
    TypeUnreachable,
    TypeBadSpeed,
    TypeJointSpeed,
    TypeBadZone,
    TypePoseOfTool,
    TypeNoRobot,
    UpAtTop,
    DeleteNothing,
    KindOfTool,
    RecordNoRobot,
    TouchUpPastEnd,
    DownAtBottom
};

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

    Robot robot;
    const std::array<float, 6> kHere{5.0f, 10.0f, 15.0f, 0.0f, 30.0f, 0.0f};

    void base(program::Program &p)
    {
        p.replace({line(5, {0, 0, 100, 0, 0, 0}), timed(1, 10, 50), timed(2, 20, 200, 5),
                   timed(9, 30), timed(0, 40, 0, sequences::kFineZone), timed(2, 50)});
        p.setUnmodified();
    }

    bool apply(program::Program &p, int edit, QString *error)
    {
        const Robot *r = &robot;
        switch (Edit(edit)) {
        case RecordJoint:
            return p.record(r, Kind::JointMove, 2, error);
        case RecordCircleTop:
            return p.record(r, Kind::CircleVia, -1, error);
        case RecordToolEnd:
            return p.record(r, Kind::ToolChange, 5, error);
        case TouchUp:
            return p.touchUp(r, 2, error);
        case Delete:
            return p.remove({4, 1}, error);
        case Duplicate:
            return p.duplicate({1, 2}, error);
        case MoveUp:
            return p.moveUp({2, 3}, error);
        case MoveDown:
            return p.moveDown({0, 1}, error);
        case Drag:
            return p.moveTo({0, 5}, 3, error);
        case DragToEnd:
            return p.moveTo({4}, 6, error);
        case KindLinear:
            return p.setKind({1}, Kind::LinearMove, error);
        case TypeJoint:
            return p.setCell(r, 2, Field::Joint1, "25,5", 0, error);
        case TypeSpeed:
            return p.setCell(r, 5, Field::Speed, "v300", 0, error);
        case SpeedZone:
            return p.setSpeedZone({2, 5}, "100", "FINE", error);
        case ZoneNone:
            return p.setCell(r, 2, Field::Zone, "", 0, error);
        case TypeLetters:
            return p.setCell(r, 2, Field::Joint1, "2O", 0, error);
        case TypeBeyondLimit:
            return p.setCell(r, 2, Field::Joint2, "110.5°", 0, error);
        case TypeBelowLimit:
            return p.setCell(r, 2, Field::Joint3, "-111", 0, error);
        case TypeUnreachable:
            return p.setCell(r, 2, Field::X, "5000", 0, error);
        case TypeBadSpeed:
            return p.setCell(r, 2, Field::Speed, "-3", 0, error);
        case TypeJointSpeed:
            return p.setCell(r, 1, Field::Speed, "150", 0, error);
        case TypeBadZone:
            return p.setCell(r, 2, Field::Zone, "z5,5.5", 0, error);
        case TypePoseOfTool:
            return p.setCell(r, 0, Field::X, "10", 0, error);
        case TypeNoRobot:
            return p.setCell(nullptr, 2, Field::Joint1, "5", 0, error);
        case UpAtTop:
            return p.moveUp({0, 3}, error);
        case DeleteNothing:
            return p.remove({}, error) || p.remove({6}, error);
        case KindOfTool:
            return p.setKind({0, 1}, Kind::LinearMove, error);
        case RecordNoRobot:
            return p.record(nullptr, Kind::JointMove, 0, error);
        case TouchUpPastEnd:
            return p.touchUp(&robot, 6, error);
        case DownAtBottom:
            return p.moveDown({1, 5}, error);
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        QCOMPARE(robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()), 0);
        robot.setJointAngles(kHere);
        // The mounted tool 12 mm off the flange's X: what a recorded tool change takes.
        robot.setHT(toolbox::placementMatrix({12, 0, 90, 0, 0, 0}));
    }

    void editAndUndo_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<int>>("rows"); // selected after the edit
        QTest::newRow("record a joint move after line 3")
            << int(RecordJoint) << "5:0 1:10:v50 2:20:v200:z5 1:5 9:30 0:40:fine 2:50"
            << "Record" << std::vector<int>{3};
        QTest::newRow("record a circle at the top")
            << int(RecordCircleTop) << "9:5 0:5 5:0 1:10:v50 2:20:v200:z5 9:30 0:40:fine 2:50"
            << "Record" << std::vector<int>{0, 1};
        QTest::newRow("record a tool change at the end")
            << int(RecordToolEnd) << "5:0 1:10:v50 2:20:v200:z5 9:30 0:40:fine 2:50 5:12"
            << "Record" << std::vector<int>{6};
        QTest::newRow("touch up") << int(TouchUp) << "5:0 1:10:v50 2:5:v200:z5 9:30 0:40:fine 2:50"
                                  << "Touch up" << std::vector<int>{2};
        QTest::newRow("delete two") << int(Delete) << "5:0 2:20:v200:z5 9:30 2:50"
                                    << "Delete lines" << std::vector<int>{1};
        QTest::newRow("duplicate two")
            << int(Duplicate)
            << "5:0 1:10:v50 2:20:v200:z5 1:10:v50 2:20:v200:z5 9:30 0:40:fine 2:50"
            << "Duplicate lines" << std::vector<int>{3, 4};
        QTest::newRow("move two up")
            << int(MoveUp) << "5:0 2:20:v200:z5 9:30 1:10:v50 0:40:fine 2:50"
            << "Move lines" << std::vector<int>{1, 2};
        QTest::newRow("move two down")
            << int(MoveDown) << "2:20:v200:z5 5:0 1:10:v50 9:30 0:40:fine 2:50"
            << "Move lines" << std::vector<int>{1, 2};
        QTest::newRow("drag first and last before line 4")
            << int(Drag) << "1:10:v50 2:20:v200:z5 5:0 2:50 9:30 0:40:fine"
            << "Move lines" << std::vector<int>{2, 3};
        QTest::newRow("drag to the end")
            << int(DragToEnd) << "5:0 1:10:v50 2:20:v200:z5 9:30 2:50 0:40:fine"
            << "Move lines" << std::vector<int>{5};
        QTest::newRow("joint move becomes linear")
            << int(KindLinear) << "5:0 2:10:v50 2:20:v200:z5 9:30 0:40:fine 2:50"
            << "Change kind" << std::vector<int>{1};
        QTest::newRow("type a joint with a comma")
            << int(TypeJoint) << "5:0 1:10:v50 2:25.5:v200:z5 9:30 0:40:fine 2:50"
            << "Type a value" << std::vector<int>{2};
        QTest::newRow("type a speed")
            << int(TypeSpeed) << "5:0 1:10:v50 2:20:v200:z5 9:30 0:40:fine 2:50:v300"
            << "Type a value" << std::vector<int>{5};
        QTest::newRow("speed and zone of two")
            << int(SpeedZone) << "5:0 1:10:v50 2:20:v100:fine 9:30 0:40:fine 2:50:v100:fine"
            << "Speed and zone" << std::vector<int>{2, 5};
        QTest::newRow("zone taken away")
            << int(ZoneNone) << "5:0 1:10:v50 2:20:v200 9:30 0:40:fine 2:50"
            << "Type a value" << std::vector<int>{2};
    }

    void editAndUndo()
    {
        QFETCH(int, edit);
        QFETCH(QString, after);
        QFETCH(QString, name);
        QFETCH(std::vector<int>, rows);
        program::Program p;
        base(p);
        QSignalSpy changed(&p, &program::Program::changed);
        const QString before = p.text();
        QVERIFY(signature(p) == kBase && !p.isModified() && p.undoCount() == 1);
        QString error;
        QVERIFY2(apply(p, edit, &error), qPrintable(error));
        QCOMPARE(signature(p), after);
        QVERIFY(p.isModified() && p.undoCount() == 2 && !p.canRedo() && changed.count() == 1);
        QCOMPARE(p.undoText(), name);
        QCOMPARE(p.lastRows(), rows);
        const QString edited = p.text();
        QVERIFY(p.undo() && !p.isModified() && p.redoText() == name &&
                p.undoText() == "Replace the program");
        QCOMPARE(p.text(), before);
        QVERIFY(p.redo() && p.isModified());
        QCOMPARE(p.text(), edited);
        QVERIFY(p.undo() && p.text() == before && changed.count() == 4);
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<int>("edit");
        QTest::newRow("letters in a joint") << int(TypeLetters);
        QTest::newRow("axis 2 beyond 110") << int(TypeBeyondLimit);
        QTest::newRow("axis 3 below -110") << int(TypeBelowLimit);
        QTest::newRow("pose out of reach") << int(TypeUnreachable);
        QTest::newRow("negative speed") << int(TypeBadSpeed);
        QTest::newRow("joint speed above 100 %") << int(TypeJointSpeed);
        QTest::newRow("zone with two separators") << int(TypeBadZone);
        QTest::newRow("a tool change has no pose") << int(TypePoseOfTool);
        QTest::newRow("joint limits without a robot") << int(TypeNoRobot);
        QTest::newRow("first line up") << int(UpAtTop);
        QTest::newRow("delete no line, a line past the end") << int(DeleteNothing);
        QTest::newRow("a tool change is no move") << int(KindOfTool);
        QTest::newRow("record without a robot") << int(RecordNoRobot);
        QTest::newRow("touch up past the end") << int(TouchUpPastEnd);
        QTest::newRow("last line down") << int(DownAtBottom);
    }

    void refusalsChangeNothing()
    {
        QFETCH(int, edit);
        program::Program p;
        base(p);
        QSignalSpy changed(&p, &program::Program::changed);
        const QString before = p.text();
        QString error;
        QVERIFY(!apply(p, edit, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(p.text() == before && !p.isModified() && p.undoCount() == 1 && changed.isEmpty());
    }

    void recordedAndTypedTargets()
    {
        // Odd float values: the recorded line holds them bit for bit.
        const std::array<float, 6> q{12.345678f, -33.3f, 21.7f, 100.1f, -45.5f, 3.14159f};
        robot.setJointAngles(q);
        const Matrix4 ht = robot.getHT();
        program::Program p;
        QVERIFY(p.record(&robot, Kind::LinearMove, -1));
        for (std::size_t k = 0; k < 6; ++k)
            QCOMPARE(p.line(0).operands[k], double(q[k]));
        // The tool change line is the mounted tool, through the analysis' own
        // formula for its numbers. The second tool, Rx(30) Ry(90) written out,
        // has exact zeros where only the sum of the outer angles counts.
        const Matrix4 quarter{0,           0,    1, 0,  0.5f, 0.8660254f, 0, 5,
                              -0.8660254f, 0.5f, 0, 60, 0,    0,          0, 1};
        for (const Matrix4 &mounted :
             {toolbox::placementMatrix({12, -4, 80, 30, -20, 10}), quarter}) {
            robot.setHT(mounted);
            QVERIFY(p.record(&robot, Kind::ToolChange, 0));
            const sequences::Frame tool =
                sequences::PathAnalyser::toolChange(p.line(1).operands.data());
            for (int i = 0; i < 3; ++i) {
                QVERIFY(std::fabs(tool.t[std::size_t(i)] - mounted[std::size_t(4 * i + 3)]) < 1e-4);
                for (int j = 0; j < 3; ++j)
                    QVERIFY(std::fabs(tool.r[std::size_t(3 * i + j)] -
                                      robot.getHT()[std::size_t(4 * i + j)]) < 1e-6);
            }
        }
        robot.setHT(ht);
        robot.setJointAngles(kHere);

        // A typed X moves the TCP (flange and a 100 mm tool here, worked with
        // the test's own chain) 10 mm along X, the orientation kept, on the
        // configuration nearest the line's.
        program::Program t;
        base(t);
        Pose6 pose{};
        QVERIFY(t.pose(&robot, 2, 0, &pose));
        const Joints old = t.line(2).operands;
        const ref::M tcp = ref::mul(flange(old), ref::trans(0, 0, 100));
        QVERIFY(distance(position(tcp), {pose[0], pose[1], pose[2]}) < 1e-3);
        QVERIFY(t.setCell(&robot, 2, Field::X, QString::number(pose[0] + 10.0f, 'f', 4), 0));
        const ref::M moved = ref::mul(flange(t.line(2).operands), ref::trans(0, 0, 100));
        QVERIFY(distance(position(moved), {tcp[3] + 10, tcp[7], tcp[11]}) < 1e-2);
        QVERIFY(rotationGap(moved, tcp) < 1e-4);
        for (std::size_t k = 0; k < 6; ++k)
            QVERIFY(std::fabs(t.line(2).operands[k] - old[k]) < 10);
    }

    void speedAndZoneThroughFileAndModule()
    {
        program::Program p;
        p.replace({timed(1, 10, 50), timed(2, 20, 200, 5), timed(9, 30, 80),
                   timed(0, 40, 250, sequences::kFineZone), timed(2, 50, 0, 7.5), timed(1, 0)});
        QTemporaryDir dir;
        const QString file = dir.filePath("taught.sim");
        QVERIFY(p.save(file) && p.fileName() == file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        f.close();
        QVERIFY(text.contains(
            "\n2 20.000000 0.000000 30.000000 0.000000 45.000000 0.000000 v200 z5\n"));
        QVERIFY(text.endsWith("\n1 0.000000 0.000000 30.000000 0.000000 45.000000 0.000000\n"));
        program::Program back;
        QVERIFY(back.load(file) && !back.isModified());
        QCOMPARE(signature(back), signature(p));
        QCOMPARE(back.text(), text);
        // Opening is a step too: undo gives back the empty program and no file.
        QVERIFY(back.undoText() == "Open a program" && back.undo() && back.size() == 0 &&
                back.fileName().isEmpty() && back.isModified());
        QVERIFY(back.redo() && back.fileName() == file && !back.isModified());

        // Today's reader takes the seven numbers and nothing else.
        const sequences::ParsedText old = sequences::parseText(text);
        QVERIFY(old.error.isEmpty() && old.program && old.nodes.size() == 6);
        for (std::size_t i = 0; i < 6; ++i)
            QVERIFY(old.nodes[i].values[0] == float(p.line(int(i)).code) &&
                    old.nodes[i].values[1] == float(p.line(int(i)).operands[0]));

        rapid::ExportOptions options; // v100, z10 where a line names none
        const QString module =
            rapid::exportModule(robot, rapid::programFromText(text), options).module;
        for (const char *want :
             {"MoveAbsJ j1\\NoEOffs, v2500, z10, ", "MoveL p2, v200, z5, ",
              "MoveC p3, p4, speed250, fine, ", "MoveL p5, v100, zone7_5, ",
              "MoveAbsJ j6\\NoEOffs, v100, fine, ",
              "CONST speeddata speed250:=[250,500,5000,1000];",
              "CONST zonedata zone7_5:=[FALSE,7.5,11.25,11.25,1.125,11.25,1.125];"})
            QVERIFY2(module.contains(QLatin1String(want)), want);

        // A speed word without a usable number refuses the file; the program stays.
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("1 0 0 30 0 45 0 v0 z5\n");
        f.close();
        QString error;
        QVERIFY(!back.load(file, &error) && error.contains("\"v0\""));
        QVERIFY(back.text() == text &&
                sequences::parseText("1 0 0 30 0 45 0 v0\n").error.isEmpty());
    }

    void speedAndZoneWords_data()
    {
        // How: 0 words after a program line's seven numbers, 1 a typed speed, 2 a typed zone.
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("zone");
        const double none = sequences::kNoZone, fine = sequences::kFineZone;
        QTest::newRow("z0") << 0 << "z0" << true << 0.0 << 0.0;
        QTest::newRow("signed speed, zone at the top") << 0 << "v+5 z10000" << true << 5.0 << 1e4;
        QTest::newRow("other words left alone") << 0 << "vmax zone3 7" << true << 0.0 << none;
        QTest::newRow("two speeds") << 0 << "v5 v6" << false << 0.0 << none;
        QTest::newRow("two zones") << 0 << "z10 FINE" << false << 0.0 << none;
        QTest::newRow("zone beyond 10 m") << 0 << "z10000.5" << false << 0.0 << none;
        QTest::newRow("typed speed with a comma") << 1 << "v12,5" << true << 12.5 << none;
        QTest::newRow("typed speed 0") << 1 << "0" << false << 0.0 << none;
        QTest::newRow("typed zone word") << 2 << "z5" << true << 0.0 << 5.0;
        QTest::newRow("typed zone in mm") << 2 << "10000 mm" << true << 0.0 << 1e4;
        QTest::newRow("typed zone beyond 10 m") << 2 << "10000.5" << false << 0.0 << none;
        QTest::newRow("typed negative zone") << 2 << "-1" << false << 0.0 << none;
        QTest::newRow("typed fine") << 2 << " Fine " << true << 0.0 << fine;
        QTest::newRow("typed nothing") << 2 << "" << true << 0.0 << none;
    }

    void speedAndZoneWords()
    {
        QFETCH(int, how);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, speed);
        QFETCH(double, zone);
        if (how == 0) {
            const auto r = sequences::parseProgramText("2 0 0 30 0 45 0 " + text + "\n");
            QCOMPARE(r.error.isEmpty(), ok);
            QVERIFY(!ok ||
                    (r.lines.size() == 1 && r.lines[0].speed == speed && r.lines[0].zone == zone));
            return;
        }
        double v = -7.0;
        QCOMPARE(how == 1 ? sequences::readSpeed(text, &v) : sequences::readZone(text, &v), ok);
        QCOMPARE(v, ok ? (how == 1 ? speed : zone) : -7.0);
    }

    void shippedSequencesReadUnchanged()
    {
        for (const char *name : {"drawing.sim", "singularity.sim", "joints.sim"}) {
            const QString file = DataDirs::simulationDir() + QLatin1String(name);
            const sequences::ParsedText old =
                sequences::parseText(sequences::readSequenceFile(file).text);
            program::Program p;
            QVERIFY(p.load(file) && p.size() == int(old.nodes.size()) && p.size() > 3);
            const int first = old.program ? 1 : 0;
            for (int i = 0; i < p.size(); ++i) {
                const ProgramLine &l = p.line(i);
                const auto &v = old.nodes[std::size_t(i)].values;
                QVERIFY(float(l.code) == (old.program ? v[0] : 1.0f) && l.speed == 0.0 &&
                        l.zone == sequences::kNoZone);
                for (int k = 0; k < 6; ++k)
                    QCOMPARE(float(l.operands[std::size_t(k)]), v[std::size_t(first + k)]);
            }
            // Written again, it plays as it did: same numbers for today's reader.
            const sequences::ParsedText again = sequences::parseText(p.text());
            QVERIFY(again.program && again.nodes.size() == old.nodes.size());
            for (std::size_t i = 0; i < again.nodes.size(); ++i)
                for (int k = 0; k < 6; ++k)
                    QCOMPARE(again.nodes[i].values[std::size_t(k + 1)],
                             old.nodes[i].values[std::size_t(first + k)]);
        }
    }

    void problemsOnTheirLines()
    {
        // Axis 4 stops at 160: the straight line from 150 on to 175 can only
        // go on with the wrist turned over, a jump and a crossing (110) on
        // line 4 and nowhere else.
        program::Program p;
        p.replace({line(1, {0, 0, 30, 0, 45, 0}), line(2, {0, 5, 30, 0, 45, 0}),
                   line(1, {0, 0, 30, 150, 45, 0}), line(2, {0, 0, 30, 175, 45, 0}),
                   line(1, {0, 0, 30, 0, 45, 0})});
        const auto expectJump = [&p](int row) {
            for (int i = 0; i < p.size(); ++i)
                if (p.check(i).problem != (i == row ? 110 : 0))
                    return false;
            const program::LineCheck c = p.check(row);
            return p.analysisCurrent() && c.flagged == 1 &&
                   p.analysis().path[std::size_t(c.position - 1)].pathId == row &&
                   p.checkText(row) == "Cannot make the path continuous. Joint 5 crosses 0 deg." &&
                   p.problems().size() == 1;
        };
        p.analyse(&robot);
        QVERIFY(expectJump(3));
        QVERIFY(p.duplicate({0}) && !p.analysisCurrent());
        p.analyse(&robot);
        QVERIFY(expectJump(4)); // one line more above it
        QVERIFY(p.remove({4}));
        p.analyse(&robot);
        QVERIFY(p.problems().empty() && p.checkText(4).isEmpty());
        QVERIFY(p.undo() && p.undo());
        p.analyse(&robot);
        QVERIFY(expectJump(3));

        // A straight line recorded with the wrist bent the other way goes
        // through the wrist singularity: the recorded line says so.
        robot.setJointAngles(std::array<float, 6>{0, 0, 30, 0, -45, 0});
        QVERIFY(p.record(&robot, Kind::LinearMove, 0) && p.lastRows() == std::vector<int>{1});
        robot.setJointAngles(kHere);
        p.analyse(&robot);
        QVERIFY(p.check(0).ok() && p.check(1).problem % 10000 >= 1000 &&
                p.checkText(1).contains("Joint 5"));

        // A line whose numbers make no move is said to be so.
        p.replace({line(1, {0, std::nan(""), 30, 0, 45, 0}), line(1, {0, 0, 30, 0, 45, 0})});
        p.analyse(&robot);
        QVERIFY(p.check(0).rejected && p.checkText(0) == "Its numbers make no move" &&
                p.check(1).ok());

        // Without a robot nothing is analysed and nothing is flagged.
        p.analyse(nullptr);
        QVERIFY(p.analysis().path.empty() && p.problems().empty() && p.check(1).ok());
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
